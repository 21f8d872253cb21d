// The machine the program runs on: one backend, installed in code before anything opens a
// window. Installing a backend starts a fresh machine: no windows, no messages, no timers, all
// keys up, the cursor shown.
#pragma once

#include <memory>

#include "platform/backend/backend.h"

namespace platform {

void InstallBackend(std::unique_ptr<Backend> backend);
// Closes every window still open and drops the backend.
void UninstallBackend();
bool HasBackend();
// The installed backend; installing none first is a programming error and aborts.
Backend& CurrentBackend();

}  // namespace platform

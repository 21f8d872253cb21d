// The desktop a program is built for. Each backend that is a real desktop defines InstallDesktop
// (the SDL backend on Linux, the web backend in a browser), and a program links one of them.
#pragma once

namespace platform {

// Makes the desktop's backend and installs it as the platform's; answers whether it could,
// having said why not on standard error.
bool InstallDesktop();

}  // namespace platform

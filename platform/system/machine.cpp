#include "platform/system/machine.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/system/state.h"

namespace platform {
namespace detail {

namespace {
std::unique_ptr<Machine> gMachine;
}

Machine& M() {
  if (!gMachine || !gMachine->backend) {
    std::fputs("platform: no backend installed\n", stderr);
    std::abort();
  }
  return *gMachine;
}

Window* Find(HWND handle) {
  if (!gMachine) return nullptr;
  auto it = gMachine->windows.find(handle);
  return it == gMachine->windows.end() ? nullptr : &it->second;
}

bool IsTopLevel(const Window& w) { return w.parent == 0; }

}  // namespace detail

void InstallBackend(std::unique_ptr<Backend> backend) {
  UninstallBackend();
  detail::gMachine = std::make_unique<detail::Machine>();
  detail::gMachine->backend = std::move(backend);
}

void UninstallBackend() {
  if (!detail::gMachine) return;
  std::vector<HWND> roots;
  for (auto& [handle, w] : detail::gMachine->windows)
    if (w.parent == 0 || w.parent == HWND_MESSAGE) roots.push_back(handle);
  for (HWND h : roots) DestroyWindow(h);
  detail::gMachine.reset();
}

bool HasBackend() { return detail::gMachine && detail::gMachine->backend; }

Backend& CurrentBackend() { return *detail::M().backend; }

}  // namespace platform

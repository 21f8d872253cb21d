#include "platform/system/modules.h"

#include <algorithm>
#include <cctype>

namespace platform {

struct Module {
  std::map<std::string, void*> entries;
};

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The modules live as long as the process, so that an address taken from one stays valid.
std::map<std::string, Module>& Modules() {
  static auto* modules = new std::map<std::string, Module>;
  return *modules;
}

}  // namespace

void RegisterBuiltinModule(const std::string& fileName, std::map<std::string, void*> entries) {
  Modules()[Lower(fileName)].entries = std::move(entries);
}

void UnregisterBuiltinModule(const std::string& fileName) {
  // The record stays, emptied, so that a module handle given out earlier stays valid.
  auto it = Modules().find(Lower(fileName));
  if (it != Modules().end()) it->second.entries.clear();
}

HMODULE LoadLibrary(const std::string& fileName) {
  auto it = Modules().find(Lower(fileName));
  return it == Modules().end() || it->second.entries.empty() ? nullptr : &it->second;
}

void* GetProcAddress(HMODULE module, const std::string& entryName) {
  if (!module) return nullptr;
  auto it = module->entries.find(entryName);
  return it == module->entries.end() ? nullptr : it->second;
}

}  // namespace platform

#include "common/directx.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/system/modules.h"

IMPLEMENT_CLASS(TDirectX, TPersistent)

void TDirectX::SetDXResult(HRESULT Value) {
  FDXResult = Value;
  if (Value != 0) CheckResult();
}

namespace {
std::map<std::string, platform::HMODULE>& LoadedLibraries() {
  static std::map<std::string, platform::HMODULE> libraries;
  return libraries;
}

[[noreturn]] void NotLoaded(const std::string& libName) {
  throw Exception(Format(SDLLNotLoaded, libName.c_str()));
}
}  // namespace

void* LoadLibraryEntry(const std::string& LibName, const std::string& EntryName) {
  std::string key = LibName;
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  auto& libraries = LoadedLibraries();
  auto it = libraries.find(key);
  if (it == libraries.end()) {
    const platform::HMODULE module = platform::LoadLibrary(LibName);
    if (!module) NotLoaded(LibName);
    it = libraries.emplace(key, module).first;
  }
  void* entry = platform::GetProcAddress(it->second, EntryName);
  if (!entry) NotLoaded(LibName);
  return entry;
}

#include "platform/system/modules.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

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

struct Catalogue {
  std::map<std::string, const Module*> byName;  // what can be loaded now
  std::vector<std::unique_ptr<Module>> all;     // every module ever registered
};

// Modules are never freed, so that a module loaded once stays usable until the program ends,
// whatever happens to the catalogue afterwards.
Catalogue& Modules() {
  static Catalogue catalogue;
  return catalogue;
}

}  // namespace

void RegisterBuiltinModule(const std::string& fileName, std::map<std::string, void*> entries) {
  auto& c = Modules();
  c.all.push_back(std::make_unique<Module>(Module{std::move(entries)}));
  c.byName[Lower(fileName)] = c.all.back().get();
}

void UnregisterBuiltinModule(const std::string& fileName) {
  Modules().byName.erase(Lower(fileName));
}

HMODULE LoadLibrary(const std::string& fileName) {
  const auto& byName = Modules().byName;
  const auto it = byName.find(Lower(fileName));
  return it == byName.end() ? nullptr : it->second;
}

void* GetProcAddress(HMODULE module, const std::string& entryName) {
  if (!module) return nullptr;
  const auto it = module->entries.find(entryName);
  return it == module->entries.end() ? nullptr : it->second;
}

}  // namespace platform

// Built-in modules: the services that the program loads at run time by library file name, so
// that a library that is not there is a real case. A module is a named table of entries.
#pragma once

#include <map>
#include <string>

namespace platform {

struct Module;
using HMODULE = const Module*;

// Makes a module loadable under its file name (compared without regard to case). Registering
// a name again replaces its entries.
void RegisterBuiltinModule(const std::string& fileName, std::map<std::string, void*> entries);
// Takes a module out of the catalogue, so that loading it fails from now on; a module loaded
// before stays usable.
void UnregisterBuiltinModule(const std::string& fileName);
// The module of that file name, or nullptr when there is none.
HMODULE LoadLibrary(const std::string& fileName);
// The entry's address, or nullptr when the module has no such entry.
void* GetProcAddress(HMODULE module, const std::string& entryName);

}  // namespace platform

// The base of every wrapper around a platform service object (DirectDraw, surfaces, clippers,
// palettes, DirectSound, sound buffers), its exception base, and the run-time loader that
// finds a service's entry points by library file name.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/classes.h"
#include "toolkit/sysutils.h"

// A platform result code: 0 for success.
using HRESULT = std::int32_t;

// Keeps the result code of the last platform call made through the object; calls never raise
// by themselves, the caller looks at DXResult and decides.
// A driver's identifier, and the optional reference to one that the services take (nullptr: the
// machine's own driver).
using TGUID = platform::GUID;
using PGUID = const TGUID*;

class TDirectX : public TPersistent {
  DECLARE_CLASSINFO(TDirectX);

  HRESULT DXResult() const { return FDXResult; }
  // Stores Value; a failure (not 0) is then handed to CheckResult.
  void SetDXResult(HRESULT Value);

 protected:
  // Told of every failing result; the default does nothing.
  virtual void CheckResult() {}

 private:
  HRESULT FDXResult = 0;
};

DECLARE_EXCEPTION(EDirectXError, Exception);

inline constexpr const char* SDLLNotLoaded = "%s is not loaded";

// The address of EntryName in the library LibName. A library is looked up by its lower-cased
// file name in a table of the libraries loaded so far, loaded and added there when missing,
// and kept loaded until the program ends. A library that cannot be loaded, or that lacks the
// entry, fails with Exception "%s is not loaded" filled with LibName as given.
void* LoadLibraryEntry(const std::string& LibName, const std::string& EntryName);

// The wrapper base and the run-time library loader.
#include "common/directx.h"

#include <gtest/gtest.h>

#include "platform/system/modules.h"

namespace {

int Answer() { return 42; }

class CountingWrapper : public TDirectX {
 public:
  int checks = 0;

 protected:
  void CheckResult() override { ++checks; }
};

TEST(Wrapper, HandsOnlyFailuresToCheckResult) {
  CountingWrapper w;
  w.SetDXResult(0);
  EXPECT_EQ(w.checks, 0);
  w.SetDXResult(static_cast<HRESULT>(0x887601C2u));
  EXPECT_EQ(w.checks, 1);
  EXPECT_EQ(w.DXResult(), static_cast<HRESULT>(0x887601C2u));
  w.SetDXResult(0);
  EXPECT_EQ(w.DXResult(), 0);
  EXPECT_EQ(w.checks, 1);
}

TEST(Wrapper, IsAPersistentObjectWithItsOwnExceptionBase) {
  CountingWrapper w;
  EXPECT_TRUE(w.Is<TPersistent>());
  EXPECT_STREQ(EDirectXError("x").ClassName(), "EDirectXError");
  const Exception& base = EDirectXError("failed");
  EXPECT_EQ(base.Message(), "failed");
}

TEST(LibraryLoader, FindsAnEntryWhateverTheCaseOfTheFileName) {
  platform::RegisterBuiltinModule("Loader1.dll", {{"Answer", reinterpret_cast<void*>(&Answer)}});
  void* entry = LoadLibraryEntry("LOADER1.DLL", "Answer");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(reinterpret_cast<int (*)()>(entry)(), 42);
  EXPECT_EQ(LoadLibraryEntry("loader1.dll", "Answer"), entry);
}

TEST(LibraryLoader, NamesTheLibraryAsGivenWhenItCannotBeLoaded) {
  try {
    LoadLibraryEntry("Missing.DLL", "Anything");
    FAIL() << "a missing library loaded";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Missing.DLL is not loaded");
    EXPECT_STREQ(e.ClassName(), "Exception");
  }
}

TEST(LibraryLoader, ReportsAMissingEntryAsTheLibraryNotLoaded) {
  platform::RegisterBuiltinModule("Loader2.dll", {{"Answer", reinterpret_cast<void*>(&Answer)}});
  try {
    LoadLibraryEntry("Loader2.dll", "Question");
    FAIL() << "a missing entry was found";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Loader2.dll is not loaded");
  }
}

TEST(LibraryLoader, KeepsALoadedLibraryUntilTheProgramEnds) {
  platform::RegisterBuiltinModule("Loader3.dll", {{"Answer", reinterpret_cast<void*>(&Answer)}});
  void* entry = LoadLibraryEntry("Loader3.dll", "Answer");
  platform::UnregisterBuiltinModule("Loader3.dll");
  EXPECT_EQ(platform::LoadLibrary("Loader3.dll"), nullptr);  // it cannot be loaded afresh
  EXPECT_EQ(LoadLibraryEntry("loader3.DLL", "Answer"), entry);
}

}  // namespace

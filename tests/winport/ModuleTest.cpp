#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "winport/Errors.h"
#include "winport/Module.h"

namespace {

std::string Bin() { return std::getenv("TARVIK_BIN"); }

std::string FileNameOf(HMODULE module) {
  char name[MAX_PATH];
  DWORD n = GetModuleFileNameA(module, name, sizeof name);
  return std::string(name, n);
}

TEST(Module, LoadedLibraryKnowsItsFileAndIsCountedPerLoad) {
  const std::string path = Bin() + "/NoEntry.dll";
  HMODULE first = LoadLibraryA(path.c_str());
  ASSERT_NE(first, nullptr);
  HMODULE second = LoadLibraryA(path.c_str());
  EXPECT_EQ(second, first);
  EXPECT_EQ(FileNameOf(first), path);

  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_EQ(FileNameOf(first), path);  // still loaded: one load is left
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_FALSE(FreeLibrary(first));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Module, MissingLibraryFailsWithModuleNotFound) {
  EXPECT_EQ(LoadLibraryA((Bin() + "/Absent.dll").c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(Module, CallingModuleIsTheProgram) {
  HMODULE module = nullptr;
  ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                 reinterpret_cast<LPCSTR>(&FileNameOf), &module));
  EXPECT_EQ(FileNameOf(module), Bin() + "/winport_tests");
  EXPECT_EQ(FileNameOf(nullptr), Bin() + "/winport_tests");
}

TEST(Module, ShortBufferGetsTruncatedTerminatedName) {
  char name[5];
  EXPECT_EQ(GetModuleFileNameA(nullptr, name, sizeof name), sizeof name);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(name), Bin().substr(0, 4));
}

}  // namespace

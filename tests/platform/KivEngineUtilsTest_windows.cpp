// The engine loader on the real Windows API: the library beside the module,
// its window class under the module handle and process id, FreeLibrary at
// unload, the "KivEngine" variable, and engine exceptions caught by class
// across modules.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "platform/KivEngineUtils.h"
#include "rtl/Format.h"
#include "rtl/Paths.h"
#include "tests/ScratchFolder.h"

namespace {

std::string EnginePath() { return ExpandFileName(std::string(std::getenv("TARVIK_BIN")) + "/KivEngine.dll"); }

HMODULE LoadedEngine() { return GetModuleHandleA(EnginePath().c_str()); }

class KivEngineUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableA("KivEngine", nullptr);
    KivEngineUtilsInitialize();
  }
  void TearDown() override {
    KivEngineUtilsFinalize();
    SetEnvironmentVariableA("KivEngine", nullptr);
    EXPECT_EQ(LoadedEngine(), nullptr) << "the engine library stays loaded";
  }
};

TEST_F(KivEngineUtilsTest, DefaultEngineLoadsOnceFromBesideTheProgram) {
  IntfPtr<IKivEngine> first, second;
  GetKivEngine("", first);
  GetKivEngine("", second);
  ASSERT_TRUE(first);
  EXPECT_EQ(first, second);
  // Windows paths compare without case.
  std::string upperPath = EnginePath();
  for (char& c : upperPath) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  IntfPtr<IKivEngine> upper;
  TKivEngine::FindEngine(upperPath, upper);
  EXPECT_EQ(upper, first);
}

TEST_F(KivEngineUtilsTest, EntryIsTheWindowClassOfTheModuleAndProcess) {
  IntfPtr<IKivEngine> engine;
  GetKivEngine("", engine);
  const HMODULE module = LoadedEngine();
  ASSERT_NE(module, nullptr);
  const std::string name = KivEngineClassName(module, KivEngineEntryName);
  // Handle and process id, each at the width of a pointer of this build:
  // eight hexadecimal digits for the handle of the 32-bit library.
  const std::string numbers = name.substr(name.rfind('.') + 1);
  EXPECT_EQ(numbers.size(), 2 * sizeof(void*) + 8);
  EXPECT_EQ(numbers.substr(0, 2 * sizeof(void*)),
            Format("%.*llX", static_cast<int>(2 * sizeof(void*)),
                   static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(module))));
  EXPECT_EQ(numbers.substr(2 * sizeof(void*)), Format("%.8X", static_cast<unsigned>(GetCurrentProcessId())));
  WNDCLASSA wndClass{};
  EXPECT_TRUE(GetClassInfoA(module, name.c_str(), &wndClass));
  EXPECT_EQ(reinterpret_cast<void (*)()>(wndClass.lpfnWndProc),
            reinterpret_cast<void (*)()>(TKivEngine::FindEntryProc(module, KivEngineEntryName)));
  // Another process id names no class.
  EXPECT_FALSE(GetClassInfoA(module, (name.substr(0, name.size() - 8) + "FFFFFFFF").c_str(), &wndClass));
}

TEST_F(KivEngineUtilsTest, MissingFileFallsBackToTheEnvironmentVariable) {
  ScratchFolder temp;
  SetEnvironmentVariableA("KivEngine", EnginePath().c_str());
  IntfPtr<IKivEngine> engine;
  TKivEngine::LoadEngine(temp.Path().string() + "\\KivEngine.dll", engine);
  EXPECT_TRUE(engine);
  EXPECT_EQ(TKivEngine::ResolveEngineFileName(temp.Path().string() + "\\KivEngine.dll"), EnginePath());
  SetEnvironmentVariableA("KivEngine", nullptr);
  try {
    TKivEngine::ResolveEngineFileName(temp.Path().string() + "\\KivEngine.dll");
    FAIL();
  } catch (const EKivEngine& e) {
    EXPECT_EQ(e.Message(), Format(SKivEngineMissing, ""));
  }
}

TEST_F(KivEngineUtilsTest, LibraryWithoutEntryIsFreedAgain) {
  const std::string noEntry = ExpandFileName(std::string(std::getenv("TARVIK_BIN")) + "/NoEntry.dll");
  IntfPtr<IKivEngine> engine;
  try {
    TKivEngine::LoadEngine(noEntry, engine);
    FAIL();
  } catch (const EKivEngine& e) {
    EXPECT_EQ(e.Message(), Format(SKivEngineInitFailed, noEntry));
  }
  EXPECT_EQ(GetModuleHandleA(noEntry.c_str()), nullptr);
}

// The engine library raises with the class library's exception classes, which
// live in their own module; a caller here catches them by class.
TEST_F(KivEngineUtilsTest, EngineExceptionsAreCaughtByClassAcrossModules) {
  IntfPtr<IKivEngine> engine;
  GetKivEngine("", engine);
  IntfPtr<IKivModel> model;
  engine->CreateModel(false, nullptr, model);
  IntfPtr<IKivModelLoader> loader;
  engine->GetLoader(loader);
  ScratchFolder temp;
  EXPECT_THROW(loader->LoadFile(temp.Path().string() + "\\absent.Kiv", model.get(), 0), EFOpenError);
  EXPECT_THROW(loader->LoadFile(temp.Path().string() + "\\absent.Kiv", model.get(), 1), Exception);
}

}  // namespace

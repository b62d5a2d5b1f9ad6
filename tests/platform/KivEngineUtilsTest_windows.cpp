// The engine loader on the real Windows API: the library beside the module,
// its window class under the module handle and process id, FreeLibrary at
// unload, the variables that name a library, and engine exceptions caught by
// class across modules.
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

IntfPtr<IKivEngine> Get(const std::string& fileName) {
  IntfPtr<IKivEngine> engine;
  GetKivEngine(fileName, engine);
  return engine;
}

class KivEngineUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearVariables();
    KivEngineUtilsInitialize();
  }
  void TearDown() override {
    KivEngineUtilsFinalize();
    ClearVariables();
    EXPECT_EQ(LoadedEngine(), nullptr) << "the engine library stays loaded";
  }
  static void ClearVariables() {
    SetEnvironmentVariableA("KivEngine", nullptr);
    SetEnvironmentVariableA("QuarnSmartPlatForm", nullptr);
  }
};

TEST_F(KivEngineUtilsTest, EntryIsTheWindowClassOfTheModuleAndProcess) {
  IntfPtr<IKivEngine> engine = Get("");
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
#ifdef TARVIK_OLDER_VARIANT
  // The field carries the library's engine itself.
  auto* published = reinterpret_cast<IKivEngine*>(reinterpret_cast<void*>(wndClass.lpfnWndProc));
  ASSERT_NE(published, nullptr);
  IntfPtr<IKivModel> model;
  published->CreateModel(false, model);
  EXPECT_TRUE(model);
#else
  EXPECT_EQ(reinterpret_cast<void (*)()>(wndClass.lpfnWndProc),
            reinterpret_cast<void (*)()>(TKivEngine::FindEntryProc(module, KivEngineEntryName)));
#endif
  // Another process id names no class.
  EXPECT_FALSE(GetClassInfoA(module, (name.substr(0, name.size() - 8) + "FFFFFFFF").c_str(), &wndClass));
}

TEST_F(KivEngineUtilsTest, LibraryWithoutEntryIsFreedAgain) {
  const std::string noEntry = ExpandFileName(std::string(std::getenv("TARVIK_BIN")) + "/NoEntry.dll");
  try {
    Get(noEntry);
    FAIL();
  } catch (const EKivEngine& e) {
    EXPECT_EQ(e.Message(), Format(SKivEngineInitFailed, noEntry));
  }
  EXPECT_EQ(GetModuleHandleA(noEntry.c_str()), nullptr);
}

// The engine library raises with the class library's exception classes, which
// live in their own module; a caller here catches them by class.
TEST_F(KivEngineUtilsTest, EngineExceptionsAreCaughtByClassAcrossModules) {
  IntfPtr<IKivEngine> engine = Get("");
  IntfPtr<IKivModel> model;
#ifdef TARVIK_OLDER_VARIANT
  engine->CreateModel(false, model);
#else
  engine->CreateModel(false, nullptr, model);
#endif
  IntfPtr<IKivModelLoader> loader;
  engine->GetLoader(loader);
  ScratchFolder temp;
  EXPECT_THROW(loader->LoadFile(temp.Path().string() + "\\absent.Kiv", model.get(), 0), EFOpenError);
  EXPECT_THROW(loader->LoadFile(temp.Path().string() + "\\absent.Kiv", model.get(), 1), Exception);
}

#ifdef TARVIK_OLDER_VARIANT
TEST_F(KivEngineUtilsTest, DefaultEngineIsCachedUntilANamedRequestReplacesIt) {
  IntfPtr<IKivEngine> first = Get("");
  ASSERT_TRUE(first);
  EXPECT_EQ(Get(""), first);
  IntfPtr<IKivEngine> named = Get(EnginePath());
  EXPECT_NE(named, first);
  EXPECT_EQ(Get(""), named);
}

// "QuarnSmartPlatForm" names the default library; no variable stands in for
// a missing one.
TEST_F(KivEngineUtilsTest, TheVariableNamesTheDefaultLibraryAndAMissingOneIsAnError) {
  SetEnvironmentVariableA("QuarnSmartPlatForm", EnginePath().c_str());
  EXPECT_TRUE(Get(""));
  KivEngineUtilsFinalize();
  ScratchFolder temp;
  const std::string missing = temp.Path().string() + "\\KivEngine.dll";
  SetEnvironmentVariableA("QuarnSmartPlatForm", missing.c_str());
  SetEnvironmentVariableA("KivEngine", EnginePath().c_str());
  try {
    Get("");
    FAIL();
  } catch (const EKivEngine& e) {
    EXPECT_EQ(e.Message(), Format(SKivEngineMissing, missing));
  }
}
#else
TEST_F(KivEngineUtilsTest, DefaultEngineLoadsOnceFromBesideTheProgram) {
  IntfPtr<IKivEngine> first = Get(""), second = Get("");
  ASSERT_TRUE(first);
  EXPECT_EQ(first, second);
  // Windows paths compare without case.
  std::string upperPath = EnginePath();
  for (char& c : upperPath) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  IntfPtr<IKivEngine> upper;
  TKivEngine::FindEngine(upperPath, upper);
  EXPECT_EQ(upper, first);
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
#endif

}  // namespace

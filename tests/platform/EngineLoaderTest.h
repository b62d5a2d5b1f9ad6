// Test support for the engine loader: each test starts and ends with the unit
// freshly loaded, the engine library of the build folder unloaded, and no
// variable naming an engine library.
#pragma once

#include <gtest/gtest.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "platform/KivEngineUtils.h"

inline std::string Bin() { return std::getenv("TARVIK_BIN"); }
inline std::string EnginePath() { return Bin() + "/KivEngine.dll"; }

inline bool IsLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
}

class EngineLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("KivEngine");
    unsetenv("QuarnSmartPlatForm");
    KivEngineUtilsInitialize();
  }
  void TearDown() override {
    KivEngineUtilsFinalize();
    unsetenv("KivEngine");
    unsetenv("QuarnSmartPlatForm");
    EXPECT_FALSE(IsLoaded(EnginePath()));
    if (!FFolder.empty()) std::system(("rm -rf " + FFolder).c_str());
  }

  // The message of the EKivEngine that the action raises.
  static std::string Message(const std::function<void()>& action) {
    try {
      action();
    } catch (const EKivEngine& e) {
      return e.Message();
    }
    return "no error";
  }
  static IntfPtr<IKivEngine> Get(const std::string& fileName) {
    IntfPtr<IKivEngine> engine;
    GetKivEngine(fileName, engine);
    return engine;
  }

  // A folder of the test's own, removed when the test ends.
  std::string Folder() {
    if (FFolder.empty()) {
      char folder[] = "/tmp/kivengine-test-XXXXXX";
      EXPECT_NE(mkdtemp(folder), nullptr);
      FFolder = folder;
    }
    return FFolder;
  }
  // A copy of the engine library in the test's folder (a file of its own, so
  // that the loader loads it apart from the original); RestoreCopy puts the
  // file back after a test removed it.
  std::string CopyOfEngine() {
    RestoreCopy();
    return Folder() + "/KivEngine.dll";
  }
  void RestoreCopy() { ASSERT_EQ(std::system(("cp " + EnginePath() + " " + Folder()).c_str()), 0); }

 private:
  std::string FFolder;
};

// The current variant's registry of loaded engine libraries.
#include <unistd.h>

#include "rtl/Format.h"
#include "tests/platform/EngineLoaderTest.h"

namespace {

class KivEngineRegistryTest : public EngineLoaderTest {
 protected:
  static void Load(const std::string& fileName) {
    IntfPtr<IKivEngine> engine;
    TKivEngine::LoadEngine(fileName, engine);
  }
  static IntfPtr<IKivEngine> Find(const std::string& fileName) {
    IntfPtr<IKivEngine> engine;
    TKivEngine::FindEngine(fileName, engine);
    return engine;
  }
};

TEST_F(KivEngineRegistryTest, DefaultEngineIsRegisteredUnderItsFullPath) {
  IntfPtr<IKivEngine> engine = Get("");
  EXPECT_EQ(Find(EnginePath()), engine);
  EXPECT_EQ(Get(EnginePath()), engine);
  EXPECT_EQ(TKivEngine::ResolveEngineFileName(""), EnginePath());
}

TEST_F(KivEngineRegistryTest, ANamedEngineLeavesTheDefaultEngineAlone) {
  const std::string copy = CopyOfEngine();
  {
    IntfPtr<IKivEngine> named = Get(copy), defaultEngine = Get("");
    EXPECT_NE(defaultEngine, named);
    EXPECT_EQ(Find(EnginePath()), defaultEngine);
    EXPECT_EQ(Get(copy), named);
    EXPECT_EQ(Get(""), defaultEngine);
  }
  KivEngineUtilsFinalize();
  EXPECT_FALSE(IsLoaded(copy));
}

TEST_F(KivEngineRegistryTest, PathsCompareWithoutCase) {
  const std::string lower = Folder() + "/kivengine.dll";
  const std::string upper = Folder() + "/KIVENGINE.DLL";
  ASSERT_EQ(symlink(EnginePath().c_str(), lower.c_str()), 0);
  ASSERT_EQ(symlink(EnginePath().c_str(), upper.c_str()), 0);
  {
    IntfPtr<IKivEngine> first = Get(lower), second = Get(upper);
    EXPECT_EQ(first, second);
    EXPECT_EQ(Find(upper), first);
  }
  KivEngineUtilsFinalize();
}

TEST_F(KivEngineRegistryTest, MissingFileFallsBackToTheEnvironmentExpanded) {
  char* cwd = getcwd(nullptr, 0);
  ASSERT_EQ(chdir((Bin() + "/..").c_str()), 0);
  setenv("KivEngine", "bin/../bin/KivEngine.dll", 1);
  IntfPtr<IKivEngine> engine = Get("/nowhere/KivEngine.dll");
  EXPECT_TRUE(engine);
  EXPECT_EQ(TKivEngine::ResolveEngineFileName("absent.dll"), EnginePath());
  EXPECT_EQ(Find(EnginePath()), engine);  // registered under the library's full path
  EXPECT_EQ(chdir(cwd), 0);
  free(cwd);

  unsetenv("KivEngine");
  EXPECT_EQ(Message([] { Load("/nowhere/KivEngine.dll"); }), Format(SKivEngineMissing, ""));
  setenv("KivEngine", "/nowhere/either.dll", 1);
  EXPECT_EQ(Message([] { Load("/nowhere/KivEngine.dll"); }), Format(SKivEngineMissing, "/nowhere/either.dll"));
}

TEST_F(KivEngineRegistryTest, UnloadNeedsARegisteredExistingFile) {
  EXPECT_EQ(Message([] { TKivEngine::UnloadEngine(EnginePath()); }), Format(SKivEngineNotRegistered, EnginePath()));
  EXPECT_EQ(Message([] { TKivEngine::UnloadEngine("/nowhere/KivEngine.dll"); }), Format(SKivEngineMissing, ""));
  Load(EnginePath());
  TKivEngine::UnloadEngine(EnginePath());
  EXPECT_FALSE(IsLoaded(EnginePath()));
  EXPECT_EQ(Find(EnginePath()), nullptr);
}

TEST_F(KivEngineRegistryTest, ALibraryThatFailsToStartIsNotRegistered) {
  const std::string path = Bin() + "/NoEntry.dll";
  EXPECT_EQ(Message([&] { Load(path); }), Format(SKivEngineInitFailed, path));
  EXPECT_EQ(Find(path), nullptr);
}

TEST_F(KivEngineRegistryTest, DefaultEngineOutlivesTheUnloadOfItsPath) {
  IntfPtr<IKivEngine> engine = Get("");
  TKivEngine::UnloadEngine("");
  EXPECT_EQ(Find(""), nullptr);
  EXPECT_TRUE(IsLoaded(EnginePath()));

  IntfPtr<IKivEngine> again = Get("");
  EXPECT_EQ(again, engine);
  IntfPtr<IKivModel> model;
  again->CreateModel(false, nullptr, model);
  EXPECT_TRUE(model);
  model.Clear();

  IntfPtr<IKivEngine> second;
  TKivEngine::LoadEngine(EnginePath(), second);
  EXPECT_NE(second, engine);  // a second wrapper of the same library
}

TEST_F(KivEngineRegistryTest, UnloadAllStopsAtALibraryWhoseFileHasGone) {
  const std::string copy = CopyOfEngine();
  Load(copy);
  Load(EnginePath());
  unlink(copy.c_str());

  EXPECT_EQ(Message([] { TKivEngine::UnloadAllEngines(); }), Format(SKivEngineMissing, ""));
  EXPECT_EQ(Find(EnginePath()), nullptr);  // unloaded before the failure
  EXPECT_TRUE(IsLoaded(copy));             // still registered

  RestoreCopy();
  TKivEngine::UnloadAllEngines();
  EXPECT_FALSE(IsLoaded(copy));
}

// Finalization runs while the library unloads, where an exception would end
// the process: a library whose file has gone stays loaded instead.
TEST_F(KivEngineRegistryTest, FinalizationRaisesNothingForALibraryWhoseFileHasGone) {
  const std::string copy = CopyOfEngine();
  Load(copy);
  unlink(copy.c_str());

  EXPECT_NO_THROW(KivEngineUtilsFinalize());
  EXPECT_TRUE(IsLoaded(copy));

  RestoreCopy();
  TKivEngine::UnloadAllEngines();
  EXPECT_FALSE(IsLoaded(copy));
}

TEST_F(KivEngineRegistryTest, FinalizationUnloadsEveryEngineTheHostNoLongerHolds) {
  Load(EnginePath());
  Get("");  // the caller lets its reference go at once
  KivEngineUtilsFinalize();
  EXPECT_FALSE(IsLoaded(EnginePath()));
  EXPECT_EQ(Find(EnginePath()), nullptr);
}

}  // namespace

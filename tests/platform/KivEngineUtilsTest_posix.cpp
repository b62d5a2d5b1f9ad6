#include <gtest/gtest.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/KivEngineUtils.h"
#include "rtl/Format.h"

namespace {

std::string Bin() { return std::getenv("TARVIK_BIN"); }
std::string EnginePath() { return Bin() + "/KivEngine.dll"; }

bool IsLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
}

// Each test starts and ends with the unit freshly loaded and nothing registered.
class KivEngineUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("KivEngine");
    KivEngineUtilsInitialize();
  }
  void TearDown() override {
    KivEngineUtilsFinalize();
    unsetenv("KivEngine");
    EXPECT_FALSE(IsLoaded(EnginePath()));
  }

  static std::string Message(void (*action)(const std::string&), const std::string& fileName) {
    try {
      action(fileName);
    } catch (const EKivEngine& e) {
      return e.Message();
    }
    return "no error";
  }
  static void Load(const std::string& fileName) {
    IntfPtr<IKivEngine> engine;
    TKivEngine::LoadEngine(fileName, engine);
  }
  // A copy of the engine library in a folder of its own; RestoreCopy puts the
  // file back after a test removed it, RemoveCopy removes file and folder.
  std::string CopyOfEngine() {
    char folder[] = "/tmp/kivengine-gone-XXXXXX";
    EXPECT_NE(mkdtemp(folder), nullptr);
    CopyFolder = folder;
    RestoreCopy();
    return CopyFolder + "/KivEngine.dll";
  }
  void RestoreCopy() { ASSERT_EQ(std::system(("cp " + EnginePath() + " " + CopyFolder).c_str()), 0); }
  void RemoveCopy() { std::system(("rm -rf " + CopyFolder).c_str()); }

  std::string CopyFolder;

  static IntfPtr<IKivEngine> Find(const std::string& fileName) {
    IntfPtr<IKivEngine> engine;
    TKivEngine::FindEngine(fileName, engine);
    return engine;
  }
};

TEST_F(KivEngineUtilsTest, DefaultEngineLoadsOnceFromBesideTheModule) {
  IntfPtr<IKivEngine> first, second;
  GetKivEngine("", first);
  GetKivEngine("", second);
  ASSERT_TRUE(first);
  EXPECT_EQ(first, second);
  EXPECT_EQ(Find(EnginePath()), first);
  EXPECT_TRUE(IsLoaded(EnginePath()));

  // The engine makes and loads the template model that lies beside it.
  IntfPtr<IInterface> param;
  first->GetModelParam(param);
  IntfPtr<IKivModel> model;
  first->CreateModel(false, param.get(), model);
  IntfPtr<IKivModelLoader> loader;
  first->GetLoader(loader);
  loader->LoadFile(Bin() + "/预算综合单价库.Kiv", model.get(), 0);
  model->SetLoadState(KivLoadStateDone);
  IntfPtr<IKivDatabase> db;
  model->DatabaseByName("UserBQItemDB", db);
  EXPECT_TRUE(db);
}

TEST_F(KivEngineUtilsTest, DefaultEngineFileLiesBesideTheLibraryThatHoldsTheLoader) {
  char folder[] = "/tmp/kivengine-beside-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string library = std::string(folder) + "/libBeside.so";
  const std::string engine = std::string(folder) + "/KivEngine.dll";
  ASSERT_EQ(symlink((Bin() + "/libBeside.so").c_str(), library.c_str()), 0);
  ASSERT_EQ(symlink(EnginePath().c_str(), engine.c_str()), 0);
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto resolve = reinterpret_cast<void (*)(std::string&)>(dlsym(handle, "BesideDefaultEngineFile"));
  ASSERT_NE(resolve, nullptr);
  std::string fileName;
  resolve(fileName);
  EXPECT_EQ(fileName, engine);
  dlclose(handle);
  unlink(library.c_str());
  unlink(engine.c_str());
  rmdir(folder);
}

TEST_F(KivEngineUtilsTest, AFailedDefaultLoadIsTriedAgainOnTheNextCall) {
  char folder[] = "/tmp/kivengine-retry-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string library = std::string(folder) + "/libBeside.so";
  const std::string engineFile = std::string(folder) + "/KivEngine.dll";
  ASSERT_EQ(symlink((Bin() + "/libBeside.so").c_str(), library.c_str()), 0);
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto defaultEngine =
      reinterpret_cast<void (*)(IntfPtr<IKivEngine>&, std::string&)>(dlsym(handle, "BesideDefaultEngine"));
  auto unload = reinterpret_cast<void (*)()>(dlsym(handle, "BesideUnload"));
  ASSERT_TRUE(defaultEngine && unload);
  {
    IntfPtr<IKivEngine> engine;
    std::string failure;
    defaultEngine(engine, failure);
    EXPECT_EQ(failure, Format(SKivEngineMissing, ""));
    EXPECT_FALSE(engine);
    ASSERT_EQ(symlink(EnginePath().c_str(), engineFile.c_str()), 0);
    defaultEngine(engine, failure);
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(engine);
  }
  unload();
  dlclose(handle);
  unlink(library.c_str());
  unlink(engineFile.c_str());
  rmdir(folder);
}

TEST_F(KivEngineUtilsTest, ANamedEngineLeavesTheDefaultEngineAlone) {
  const std::string copy = CopyOfEngine();
  {
    IntfPtr<IKivEngine> named, defaultEngine, again;
    GetKivEngine(copy, named);
    GetKivEngine("", defaultEngine);
    EXPECT_NE(defaultEngine, named);
    EXPECT_EQ(Find(EnginePath()), defaultEngine);
    GetKivEngine(copy, again);
    EXPECT_EQ(again, named);
    GetKivEngine("", again);
    EXPECT_EQ(again, defaultEngine);
  }
  KivEngineUtilsFinalize();
  EXPECT_FALSE(IsLoaded(copy));
  RemoveCopy();
}

TEST_F(KivEngineUtilsTest, PathsCompareWithoutCase) {
  char folder[] = "/tmp/kivengine-case-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string lower = std::string(folder) + "/kivengine.dll";
  const std::string upper = std::string(folder) + "/KIVENGINE.DLL";
  ASSERT_EQ(symlink(EnginePath().c_str(), lower.c_str()), 0);
  ASSERT_EQ(symlink(EnginePath().c_str(), upper.c_str()), 0);
  {
    IntfPtr<IKivEngine> first, second;
    GetKivEngine(lower, first);
    GetKivEngine(upper, second);
    EXPECT_EQ(first, second);
    EXPECT_EQ(Find(upper), first);
  }
  KivEngineUtilsFinalize();
  unlink(lower.c_str());
  unlink(upper.c_str());
  rmdir(folder);
}

TEST_F(KivEngineUtilsTest, MissingFileFallsBackToTheEnvironmentExpanded) {
  char* cwd = getcwd(nullptr, 0);
  ASSERT_EQ(chdir((Bin() + "/..").c_str()), 0);
  setenv("KivEngine", "bin/../bin/KivEngine.dll", 1);
  IntfPtr<IKivEngine> engine;
  GetKivEngine("/nowhere/KivEngine.dll", engine);
  EXPECT_TRUE(engine);
  EXPECT_EQ(TKivEngine::ResolveEngineFileName("absent.dll"), EnginePath());
  EXPECT_EQ(Find(EnginePath()), engine);  // registered under the library's full path
  EXPECT_EQ(chdir(cwd), 0);
  free(cwd);

  unsetenv("KivEngine");
  EXPECT_EQ(Message(&Load, "/nowhere/KivEngine.dll"), Format(SKivEngineMissing, ""));
  setenv("KivEngine", "/nowhere/either.dll", 1);
  EXPECT_EQ(Message(&Load, "/nowhere/KivEngine.dll"), Format(SKivEngineMissing, "/nowhere/either.dll"));
}

TEST_F(KivEngineUtilsTest, UnloadNeedsARegisteredExistingFile) {
  EXPECT_EQ(Message(&TKivEngine::UnloadEngine, EnginePath()), Format(SKivEngineNotRegistered, EnginePath()));
  EXPECT_EQ(Message(&TKivEngine::UnloadEngine, "/nowhere/KivEngine.dll"), Format(SKivEngineMissing, ""));
  Load(EnginePath());
  TKivEngine::UnloadEngine(EnginePath());
  EXPECT_FALSE(IsLoaded(EnginePath()));
  EXPECT_EQ(Find(EnginePath()), nullptr);
}

TEST_F(KivEngineUtilsTest, LibraryWithoutEntryIsFreedAndRaises) {
  const std::string path = Bin() + "/NoEntry.dll";
  EXPECT_EQ(Message(&Load, path), Format(SKivEngineInitFailed, path));
  EXPECT_FALSE(IsLoaded(path));
  EXPECT_EQ(Find(path), nullptr);
  const std::string notALibrary = Bin() + "/预算综合单价库.Kiv";
  EXPECT_EQ(Message(&Load, notALibrary), Format(SKivEngineInitFailed, notALibrary));
}

TEST_F(KivEngineUtilsTest, DefaultEngineOutlivesTheUnloadOfItsPath) {
  IntfPtr<IKivEngine> engine;
  GetKivEngine("", engine);
  TKivEngine::UnloadEngine("");
  EXPECT_EQ(Find(""), nullptr);
  EXPECT_TRUE(IsLoaded(EnginePath()));

  IntfPtr<IKivEngine> again;
  GetKivEngine("", again);
  EXPECT_EQ(again, engine);
  IntfPtr<IKivModel> model;
  again->CreateModel(false, nullptr, model);
  EXPECT_TRUE(model);
  model.Clear();

  IntfPtr<IKivEngine> second;
  TKivEngine::LoadEngine(EnginePath(), second);
  EXPECT_NE(second, engine);  // a second wrapper of the same library
}

TEST_F(KivEngineUtilsTest, UnloadAllStopsAtALibraryWhoseFileHasGone) {
  const std::string copy = CopyOfEngine();
  Load(copy);
  Load(EnginePath());
  unlink(copy.c_str());

  EXPECT_EQ(Message([](const std::string&) { TKivEngine::UnloadAllEngines(); }, ""), Format(SKivEngineMissing, ""));
  EXPECT_EQ(Find(EnginePath()), nullptr);  // unloaded before the failure
  EXPECT_TRUE(IsLoaded(copy));             // still registered

  RestoreCopy();
  TKivEngine::UnloadAllEngines();
  EXPECT_FALSE(IsLoaded(copy));
  RemoveCopy();
}

// Finalization runs while the library unloads, where an exception would end
// the process: a library whose file has gone stays loaded instead.
TEST_F(KivEngineUtilsTest, FinalizationRaisesNothingForALibraryWhoseFileHasGone) {
  const std::string copy = CopyOfEngine();
  Load(copy);
  unlink(copy.c_str());

  EXPECT_NO_THROW(KivEngineUtilsFinalize());
  EXPECT_TRUE(IsLoaded(copy));

  RestoreCopy();
  TKivEngine::UnloadAllEngines();
  EXPECT_FALSE(IsLoaded(copy));
  RemoveCopy();
}

TEST_F(KivEngineUtilsTest, FinalizationUnloadsEveryEngineTheHostNoLongerHolds) {
  Load(EnginePath());
  IntfPtr<IKivEngine> engine;
  GetKivEngine("", engine);
  engine.Clear();
  KivEngineUtilsFinalize();
  EXPECT_FALSE(IsLoaded(EnginePath()));
  EXPECT_EQ(Find(EnginePath()), nullptr);
}

}  // namespace

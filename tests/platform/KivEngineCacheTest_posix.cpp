// The older variant's one cached engine.
#include <unistd.h>

#include "rtl/Format.h"
#include "tests/platform/EngineLoaderTest.h"

namespace {

using KivEngineCacheTest = EngineLoaderTest;

// Every named request makes a new engine of its library, and that engine is
// the one an empty name gives from then on.
TEST_F(KivEngineCacheTest, NamedRequestsReplaceTheCachedEngine) {
  IntfPtr<IKivEngine> first = Get("");
  EXPECT_EQ(Get(""), first);
  IntfPtr<IKivEngine> named = Get(EnginePath());
  EXPECT_NE(named, first);
  EXPECT_NE(Get(EnginePath()), named);
  EXPECT_NE(Get(""), named);  // the last named request's engine
  IntfPtr<IKivEngine> last = Get(EnginePath());
  EXPECT_EQ(Get(""), last);
}

TEST_F(KivEngineCacheTest, TheVariableNamesTheDefaultLibraryRelativeToTheCurrentFolder) {
  const std::string copy = CopyOfEngine();
  char* cwd = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(Folder().c_str()), 0);
  setenv("QuarnSmartPlatForm", "./KivEngine.dll", 1);
  EXPECT_EQ(PlatformEnginePath(), "./KivEngine.dll");
  IntfPtr<IKivEngine> engine = Get("");
  EXPECT_EQ(chdir(cwd), 0);
  free(cwd);
  EXPECT_TRUE(IsLoaded(copy));
  EXPECT_FALSE(IsLoaded(EnginePath()));
  engine.Clear();
  KivEngineUtilsFinalize();
  EXPECT_FALSE(IsLoaded(copy));
}

// No other variable stands in for a library that is not there, and a failed
// request leaves the cached engine as it was.
TEST_F(KivEngineCacheTest, AMissingFileIsAnErrorNamingItsPath) {
  IntfPtr<IKivEngine> cached = Get("");
  setenv("KivEngine", EnginePath().c_str(), 1);
  EXPECT_EQ(Message([] { Get("/nowhere/KivEngine.dll"); }), Format(SKivEngineMissing, "/nowhere/KivEngine.dll"));
  EXPECT_EQ(Get(""), cached);

  KivEngineUtilsFinalize();
  setenv("QuarnSmartPlatForm", "/nowhere/either.dll", 1);
  EXPECT_EQ(Message([] { Get(""); }), Format(SKivEngineMissing, "/nowhere/either.dll"));
  unsetenv("QuarnSmartPlatForm");
  IntfPtr<IKivEngine> made;
  EXPECT_EQ(Message([&] { CreateKivEngine(Folder() + "/./KivEngine.dll", made); }),
            Format(SKivEngineMissing, Folder() + "/KivEngine.dll"));
}

TEST_F(KivEngineCacheTest, FinalizationReleasesOnlyTheCachedEngine) {
  const std::string copy = CopyOfEngine();
  IntfPtr<IKivEngine> held = Get(copy);
  Get(EnginePath());  // cached; the caller lets its reference go
  EXPECT_TRUE(IsLoaded(copy));
  EXPECT_TRUE(IsLoaded(EnginePath()));
  KivEngineUtilsFinalize();
  EXPECT_FALSE(IsLoaded(EnginePath()));
  EXPECT_TRUE(IsLoaded(copy));
  held.Clear();
  EXPECT_FALSE(IsLoaded(copy));
}

// The library holds the engine it publishes for as long as it is loaded, and
// each wrapper holds the library: models made through one wrapper stay usable
// through another after the first has gone.
TEST_F(KivEngineCacheTest, TheLibraryStaysWhileAWrapperOfItLives) {
  IntfPtr<IKivEngine> first = Get(EnginePath()), second = Get(EnginePath());
  EXPECT_NE(first, second);
  IntfPtr<IKivModel> model;
  first->CreateModel(false, model);
  first.Clear();
  KivEngineUtilsFinalize();
  EXPECT_TRUE(IsLoaded(EnginePath()));
  IntfPtr<IKivModelLoader> loader;
  second->GetLoader(loader);
  loader->LoadFile(Bin() + "/预算综合单价库.Kiv", model.get(), 0);
  loader.Clear();
  model.Clear();
  second.Clear();
  EXPECT_FALSE(IsLoaded(EnginePath()));
}

}  // namespace

// What the engine loader does in both variants.
#include "tests/KivEngine/EngineTest.h"
#include "tests/platform/EngineLoaderTest.h"

#include "rtl/Format.h"

namespace {

using KivEngineUtilsTest = EngineLoaderTest;

TEST_F(KivEngineUtilsTest, DefaultEngineLoadsOnceFromBesideTheModule) {
  IntfPtr<IKivEngine> first = Get(""), second = Get("");
  ASSERT_TRUE(first);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(IsLoaded(EnginePath()));

  // The engine makes and loads the template model that lies beside it.
  IntfPtr<IKivModel> model = LoadModelWith(first.get(), Bin() + "/预算综合单价库.Kiv");
  IntfPtr<IKivDatabase> db;
  model->DatabaseByName("UserBQItemDB", db);
  EXPECT_TRUE(db);
}

TEST_F(KivEngineUtilsTest, DefaultEngineFileLiesBesideTheLibraryThatHoldsTheLoader) {
  const std::string library = Folder() + "/libBeside.so";
  ASSERT_EQ(symlink((Bin() + "/libBeside.so").c_str(), library.c_str()), 0);
  const std::string engine = CopyOfEngine();
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto get = reinterpret_cast<void (*)(IntfPtr<IKivEngine>&)>(dlsym(handle, "BesideDefaultEngine"));
  auto finalize = reinterpret_cast<void (*)()>(dlsym(handle, "BesideFinalize"));
  ASSERT_TRUE(get && finalize);
  {
    IntfPtr<IKivEngine> held;
    get(held);
    EXPECT_TRUE(held);
    EXPECT_TRUE(IsLoaded(engine));
    EXPECT_FALSE(IsLoaded(EnginePath()));
  }
  finalize();
  EXPECT_FALSE(IsLoaded(engine));
  dlclose(handle);
}

TEST_F(KivEngineUtilsTest, LibraryWithoutAnEngineIsFreedAndRaises) {
  const std::string path = Bin() + "/NoEntry.dll";
  EXPECT_EQ(Message([&] { Get(path); }), Format(SKivEngineInitFailed, path));
  EXPECT_FALSE(IsLoaded(path));
  const std::string notALibrary = Bin() + "/预算综合单价库.Kiv";
  EXPECT_EQ(Message([&] { Get(notALibrary); }), Format(SKivEngineInitFailed, notALibrary));
}

TEST_F(KivEngineUtilsTest, TheEngineOutlivesFinalizationWhileItIsHeld) {
  IntfPtr<IKivEngine> engine = Get("");
  KivEngineUtilsFinalize();
  EXPECT_TRUE(IsLoaded(EnginePath()));
  EXPECT_TRUE(LoadModelWith(engine.get(), Bin() + "/预算综合单价库.Kiv"));
  engine.Clear();
  EXPECT_FALSE(IsLoaded(EnginePath()));
}

}  // namespace

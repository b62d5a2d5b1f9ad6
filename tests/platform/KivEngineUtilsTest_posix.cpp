// What the engine loader does in both variants.
#include "tests/KivEngine/EngineTest.h"
#include "tests/platform/EngineLoaderTest.h"
#include "tests/Variant.h"

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

// The library of fixtures/Beside.cpp, which carries a loader of its own,
// loaded from the test's folder: its default engine is the KivEngine.dll there.
class BesideLoaderTest : public EngineLoaderTest {
 protected:
  void SetUp() override {
    EngineLoaderTest::SetUp();
    const std::string library = Folder() + "/libBeside.so";
    ASSERT_EQ(symlink((Bin() + "/libBeside.so").c_str(), library.c_str()), 0);
    FHandle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(FHandle, nullptr) << dlerror();
    FDefaultEngine = reinterpret_cast<DefaultEngineProc>(dlsym(FHandle, "BesideDefaultEngine"));
    FFinalize = reinterpret_cast<void (*)()>(dlsym(FHandle, "BesideFinalize"));
    ASSERT_TRUE(FDefaultEngine && FFinalize);
  }
  void TearDown() override {
    if (FFinalize) FFinalize();
    if (FHandle) dlclose(FHandle);
    EngineLoaderTest::TearDown();
  }

  // The library's default engine, or nil with what its loading raised in failure.
  IntfPtr<IKivEngine> DefaultEngine(std::string& failure) {
    IntfPtr<IKivEngine> engine;
    FDefaultEngine(engine, failure);
    return engine;
  }
  void Finalize() { FFinalize(); }

 private:
  using DefaultEngineProc = void (*)(IntfPtr<IKivEngine>&, std::string&);
  void* FHandle = nullptr;
  DefaultEngineProc FDefaultEngine = nullptr;
  void (*FFinalize)() = nullptr;
};

TEST_F(BesideLoaderTest, DefaultEngineFileLiesBesideTheLibraryThatHoldsTheLoader) {
  const std::string engine = CopyOfEngine();
  {
    std::string failure;
    IntfPtr<IKivEngine> held = DefaultEngine(failure);
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(held);
    EXPECT_TRUE(IsLoaded(engine));
    EXPECT_FALSE(IsLoaded(EnginePath()));
  }
  Finalize();
  EXPECT_FALSE(IsLoaded(engine));
}

TEST_F(BesideLoaderTest, AFailedDefaultLoadIsTriedAgainOnTheNextCall) {
  const std::string engineFile = Folder() + "/KivEngine.dll";
  std::string failure;
  EXPECT_FALSE(DefaultEngine(failure));
  // The current variant names the library that the variable "KivEngine" gives
  // in place of the missing one (none); the older names the missing one.
  EXPECT_EQ(failure, Format(SKivEngineMissing, ByVariant<std::string>("", engineFile)));
  ASSERT_EQ(symlink(EnginePath().c_str(), engineFile.c_str()), 0);
  EXPECT_TRUE(DefaultEngine(failure));
  EXPECT_EQ(failure, "");
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

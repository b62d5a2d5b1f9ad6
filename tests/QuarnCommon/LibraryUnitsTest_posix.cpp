// The Tarvik library loaded and unloaded by the dynamic loader, with the
// calls its units make at load and unload recorded.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <string>

#include "QuarnCommon/Source/ModuleInstance.h"
#include "QuarnCommon/Source/WideControls.h"
#include "RateIntf/Tarvik.h"
#include "tests/Ink.h"
#include "tests/QuarnCommon/Atoms.h"
#include "tests/QuarnCommon/GdiRecorder.h"
#include "tests/QuarnCommon/LibraryFile.h"
#include "tests/ScratchCatalogue.h"

namespace {

using Calls = std::vector<std::string>;

#ifdef TARVIK_OLDER_VARIANT
// The older library takes nothing of the window system at load.
TEST(TarvikLibrary, LoadsAndUnloadsItsUnitsGivingBackWhatTheyTook) {
  ScratchCatalogue store;  // GetTarviks opens the catalogue
  const DWORD live = LiveGdiObjects();
  recorder::Start();
  void* library = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
  const Calls load = recorder::Stop();
  ASSERT_NE(library, nullptr) << dlerror();
  EXPECT_EQ(load, Calls{});
  IntfPtr<IRateBQs> catalogue;
  reinterpret_cast<TGetTarviks>(dlsym(library, "GetTarviks"))(catalogue);
  EXPECT_TRUE(catalogue);
  catalogue.Clear();

  recorder::Start();
  ASSERT_EQ(dlclose(library), 0);
  const Calls unload = recorder::Stop();
  EXPECT_EQ(dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library stayed loaded";
  EXPECT_EQ(unload, Calls{});
  EXPECT_EQ(LiveGdiObjects(), live);
}
#else
HMODULE ModuleOf(void* library) {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<LPCSTR>(dlsym(library, "GetTarviks")),
                     &module);
  return module;
}

TEST(TarvikLibrary, LoadsAndUnloadsItsUnitsGivingBackWhatTheyTook) {
  const DWORD live = LiveGdiObjects();
  const std::string window = WindowAtomName(GetCurrentProcessId());
  GlobalAddAtomA(window.c_str());  // as the class library's own controls would have
  GlobalAddAtomA(window.c_str());

  recorder::Start();
  void* library = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
  const Calls load = recorder::Stop();
  ASSERT_NE(library, nullptr) << dlerror();
  const std::string control = ControlAtomName(ModuleOf(library), GetCurrentThreadId());
  EXPECT_NE(ModuleOf(library), HInstance());
  EXPECT_EQ(load, (Calls{"GetVersionExA", "RegisterWindowMessageA TntUnicodeVcl.DestroyWindow",
                         "GlobalAddAtomA " + window, "GlobalAddAtomA " + control}));
  EXPECT_NE(GlobalFindAtomA(control.c_str()), 0);
  EXPECT_EQ(LiveGdiObjects(), live);

  recorder::Start();
  ASSERT_EQ(dlclose(library), 0);
  const Calls unload = recorder::Stop();
  EXPECT_EQ(dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library stayed loaded";
  EXPECT_EQ(unload, (Calls{"GlobalDeleteAtom " + control, "GlobalDeleteAtom " + window}));
  EXPECT_EQ(DropAtom(window), 2);
  EXPECT_EQ(DropAtom(control), 0);
  EXPECT_EQ(LiveGdiObjects(), live);
}
#endif

}  // namespace

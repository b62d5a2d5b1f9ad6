// The Tarvik library loaded and freed by the system, which calls its entry.
// The library binds its own imports, so its calls are not recorded here: what
// its units did shows in the atoms they add and delete.
#include <gtest/gtest.h>

#include <string>

#include "QuarnCommon/Source/ModuleInstance.h"
#include "QuarnCommon/Source/WideControls.h"
#include "RateIntf/Tarvik.h"
#include "tests/Ink.h"
#include "tests/QuarnCommon/Atoms.h"
#include "tests/QuarnCommon/LibraryFile.h"
#include "tests/ScratchCatalogue.h"

namespace {

#ifdef TARVIK_OLDER_VARIANT
// The older library takes no atoms at load: a full atom table is no failure.
TEST(TarvikLibrary, LoadsWithTheAtomTableFullAndUnloads) {
  ScratchCatalogue store;  // GetTarviks opens the catalogue
  HMODULE library;
  {
    FullAtomTable table(0);
    library = LoadLibraryA(LibraryPath().c_str());
  }
  ASSERT_NE(library, nullptr);
  auto getTarviks = reinterpret_cast<TGetTarviks>(reinterpret_cast<void (*)()>(GetProcAddress(library, "GetTarviks")));
  ASSERT_NE(getTarviks, nullptr);
  IntfPtr<IRateBQs> catalogue;
  getTarviks(catalogue);
  EXPECT_TRUE(catalogue);
  catalogue.Clear();
  ASSERT_TRUE(FreeLibrary(library));
  EXPECT_EQ(GetModuleHandleA(LibraryPath().c_str()), nullptr) << "the library stayed loaded";
}
#else
TEST(TarvikLibrary, LoadsAndUnloadsItsUnitsGivingBackWhatTheyTook) {
  const DWORD live = LiveGdiObjects();
  const std::string window = WindowAtomName(GetCurrentProcessId());
  GlobalAddAtomA(window.c_str());  // as the class library's own controls would have
  GlobalAddAtomA(window.c_str());

  HMODULE library = LoadLibraryA(LibraryPath().c_str());
  ASSERT_NE(library, nullptr);
  const std::string control = ControlAtomName(library, GetCurrentThreadId());
  EXPECT_NE(library, HInstance());
  EXPECT_NE(GlobalFindAtomA(control.c_str()), 0);
  EXPECT_EQ(LiveGdiObjects(), live);

  ASSERT_TRUE(FreeLibrary(library));
  EXPECT_EQ(GetModuleHandleA(LibraryPath().c_str()), nullptr) << "the library stayed loaded";
  EXPECT_EQ(DropAtom(window), 2);
  EXPECT_EQ(DropAtom(control), 0);
  EXPECT_EQ(LiveGdiObjects(), live);
}
#endif

}  // namespace

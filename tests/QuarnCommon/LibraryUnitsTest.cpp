#include <gtest/gtest.h>

#include <string>

#include "QuarnCommon/Source/DrawSymbol.h"
#include "QuarnCommon/Source/ModuleInstance.h"
#include "QuarnCommon/Source/QuarnGridThemes.h"
#include "QuarnCommon/Source/ScratchBitmap.h"
#include "QuarnCommon/Source/WideControls.h"
#include "RateIntf/Tarvik.h"
#include "RateIntf/TarvikUnits.h"
#include "platform/KivUtils.h"
#include "rtl/Exceptions.h"
#include "tests/Ink.h"
#include "tests/QuarnCommon/Atoms.h"
#include "tests/QuarnCommon/GdiRecorder.h"
#include "tests/QuarnCommon/LibraryFile.h"
#include "tests/Variant.h"
#include "winport/Module.h"

namespace {

using Calls = std::vector<std::string>;

TEST(TarvikUnits, InTheLibrarysOrder) {
  std::vector<std::string> names;
  for (const TarvikUnit& unit : TarvikUnits) names.push_back(unit.Name);
  EXPECT_EQ(names, ByVariant<std::vector<std::string>>(
                       {"QuarnZipEnc", "KivEngineUtils", "KivUtils", "WideControls", "ScratchBitmap", "DrawSymbol",
                        "QuarnGridThemes"},
                       {"QuarnZipEnc", "KivEngineUtils", "ScratchBitmap", "DrawSymbol"}));
}

TEST(TarvikUnits, LoadSetsUpEveryUnitAndUnloadReleasesIt) {
  const DWORD live = LiveGdiObjects();
  recorder::Start();
  InitializeTarvikUnits();
  const Calls load = recorder::Stop();
  ASSERT_NE(ScratchBitmap, nullptr);
  ASSERT_NE(DrawSymbolManager, nullptr);
  EXPECT_EQ(DrawSymbolManager->SymbolClasses().size(), 2u);
  EXPECT_EQ(recorder::Only(load, "GlobalAddAtomA").size(), ByVariant(2u, 0u));
  EXPECT_EQ(LiveGdiObjects(), live);

  FinalizeTarvikUnits();
  EXPECT_EQ(ScratchBitmap, nullptr);
  EXPECT_EQ(DrawSymbolManager, nullptr);
  EXPECT_EQ(LiveGdiObjects(), live);
}

// What only the current variant's units do.
#ifndef TARVIK_OLDER_VARIANT
TEST(TarvikUnits, LoadBuildsTheDataTypeTablesAddsTheAtomsAndClearsTheThemes) {
  const std::string window = WindowAtomName(GetCurrentProcessId());
  InitializeTarvikUnits();
  EXPECT_NE(DataTypeCodes, nullptr);
  EXPECT_NE(WindowAtom, 0);
  EXPECT_EQ(TQuarnGridThemeServices::Instance(), nullptr);

  TQuarnGridThemeServices::NewInstance();  // released at unload
  FinalizeTarvikUnits();
  EXPECT_EQ(DataTypeCodes, nullptr);
  EXPECT_EQ(OwnedComponents, nullptr);
  EXPECT_EQ(TQuarnGridThemeServices::Instance(), nullptr);
  EXPECT_EQ(DropAtom(window), 0);
}

TEST(TarvikUnits, AFailingUnitUndoesItselfAndTheUnitsBeforeIt) {
  {
    FullAtomTable table(0);
    EXPECT_THROW(InitializeTarvikUnits(), EOSError);
  }
  EXPECT_EQ(DataTypeCodes, nullptr);
  EXPECT_EQ(OwnedComponents, nullptr);
  EXPECT_EQ(ScratchBitmap, nullptr);  // never made
  FinalizeTarvikUnits();              // nothing left to do
}

TEST(TarvikLibrary, ALoadThatFailedRaisesItsErrorOnEveryCall) {
  HMODULE library;
  {
    FullAtomTable table(0);
    library = LoadLibraryA(LibraryPath().c_str());
  }
  ASSERT_NE(library, nullptr);
  auto getTarviks = reinterpret_cast<TGetTarviks>(reinterpret_cast<void (*)()>(GetProcAddress(library, "GetTarviks")));
  ASSERT_NE(getTarviks, nullptr);
  IntfPtr<IRateBQs> catalogue;
  for (int i = 0; i < 2; ++i) {
    try {
      getTarviks(catalogue);
      ADD_FAILURE();
    } catch (const EOSError& e) {
      EXPECT_EQ(e.ErrorCode, 8u);
    }
  }
  EXPECT_FALSE(catalogue);
  FreeLibrary(library);
  EXPECT_EQ(DropAtom(WindowAtomName(GetCurrentProcessId())), 0);
}
#endif

}  // namespace

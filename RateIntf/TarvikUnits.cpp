#include "RateIntf/TarvikUnits.h"

#include "QuarnCommon/Source/DrawSymbol.h"
#include "QuarnCommon/Source/QuarnGridThemes.h"
#include "QuarnCommon/Source/ScratchBitmap.h"
#include "QuarnCommon/Source/WideControls.h"
#include "archive/QuarnZipEnc.h"
#include "platform/KivEngineUtils.h"
#include "platform/KivUtils.h"

namespace {

// The older variant builds no data-type tables at load and has neither the
// wide controls nor the grid themes.
#ifdef TARVIK_OLDER_VARIANT
constexpr TarvikUnit kUnits[] = {
    {"QuarnZipEnc", QuarnZipEncInitialize, nullptr},
    {"KivEngineUtils", KivEngineUtilsInitialize, KivEngineUtilsFinalize},
    {"ScratchBitmap", ScratchBitmapInitialize, ScratchBitmapFinalize},
    {"DrawSymbol", DrawSymbolInitialize, DrawSymbolFinalize},
};
#else
constexpr TarvikUnit kUnits[] = {
    {"QuarnZipEnc", QuarnZipEncInitialize, nullptr},
    {"KivEngineUtils", KivEngineUtilsInitialize, KivEngineUtilsFinalize},
    {"KivUtils", KivUtilsInitialize, KivUtilsFinalize},
    {"WideControls", WideControlsInitialize, WideControlsFinalize},
    {"ScratchBitmap", ScratchBitmapInitialize, ScratchBitmapFinalize},
    {"DrawSymbol", DrawSymbolInitialize, DrawSymbolFinalize},
    {"QuarnGridThemes", QuarnGridThemesInitialize, QuarnGridThemesFinalize},
};
#endif

size_t initialized = 0;

}  // namespace

const std::span<const TarvikUnit> TarvikUnits = kUnits;

void InitializeTarvikUnits() {
  try {
    // A unit counts as initialized once its initialization starts, so that a
    // failing one undoes its own first steps too.
    while (initialized < TarvikUnits.size()) TarvikUnits[initialized++].Initialize();
  } catch (...) {
    FinalizeTarvikUnits();
    throw;
  }
}

void FinalizeTarvikUnits() {
  while (initialized > 0) {
    const TarvikUnit& unit = TarvikUnits[--initialized];
    if (!unit.Finalize) continue;
    try {
      unit.Finalize();
    } catch (...) {
      // The library is going away: a unit that cannot finish is left as it is.
    }
  }
}

// The main unit: the export, and the load-time and unload-time hooks that run
// every unit's initialization in a fixed order and the finalizations in
// reverse.
#include "RateIntf/Tarvik.h"

#include "RateIntf/RateImpl.h"
#include "archive/QuarnZipEnc.h"
#include "platform/KivEngineUtils.h"
#include "platform/KivUtils.h"

namespace {

__attribute__((constructor)) void TarvikLoad() {
  QuarnZipEncInitialize();
  KivEngineUtilsInitialize();
  KivUtilsInitialize();
}

__attribute__((destructor)) void TarvikUnload() {
  KivUtilsFinalize();
  KivEngineUtilsFinalize();
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void GetTarviks(IntfPtr<IRateBQs>& Result) {
  IntfPtr<IRateBQs> catalogue(New<TRateBQs>());
  Result = std::move(catalogue);
}

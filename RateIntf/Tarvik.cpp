// The main unit: the export, and the load-time and unload-time hooks that run
// every unit's initialization in a fixed order and the finalizations in
// reverse. No unit has any yet.
#include "RateIntf/Tarvik.h"

#include "RateIntf/RateImpl.h"

namespace {

__attribute__((constructor)) void TarvikLoad() {}
__attribute__((destructor)) void TarvikUnload() {}

}  // namespace

extern "C" __attribute__((visibility("default"))) void GetTarviks(IntfPtr<IRateBQs>& Result) {
  IntfPtr<IRateBQs> catalogue(New<TRateBQs>());
  Result = std::move(catalogue);
}

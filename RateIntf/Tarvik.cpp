// The main unit: the export, and the load-time and unload-time hooks that run
// every unit's initialization in a fixed order and the finalizations in
// reverse.
#include "RateIntf/Tarvik.h"

#include <exception>

#include "RateIntf/RateImpl.h"
#include "RateIntf/TarvikUnits.h"

namespace {

// Why the library did not start: what a unit's initialization raised. The
// units before it have been finalized again, and every call raises it anew.
std::exception_ptr loadFailure;

__attribute__((constructor)) void TarvikLoad() {
  try {
    InitializeTarvikUnits();
  } catch (...) {
    loadFailure = std::current_exception();
  }
}

__attribute__((destructor)) void TarvikUnload() {
  FinalizeTarvikUnits();
  loadFailure = nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void GetTarviks(IntfPtr<IRateBQs>& Result) {
  if (loadFailure) std::rethrow_exception(loadFailure);
  IntfPtr<IRateBQs> catalogue(New<TRateBQs>());
  Result = std::move(catalogue);
}

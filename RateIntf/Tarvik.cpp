// The main unit: the export, and the load-time and unload-time hooks that run
// every unit's initialization in a fixed order and the finalizations in
// reverse.
#include "RateIntf/Tarvik.h"

#include <exception>
#include <utility>

#include "RateIntf/RateImpl.h"
#include "RateIntf/TarvikUnits.h"

namespace {

// Why the library did not start: what a unit's initialization raised. The
// units before it have been finalized again, and every call raises it anew.
// A plain pointer: the hooks may run before this file's static objects are
// made and after they are gone.
std::exception_ptr* loadFailure = nullptr;

__attribute__((constructor)) void TarvikLoad() {
  try {
    InitializeTarvikUnits();
  } catch (...) {
    loadFailure = new std::exception_ptr(std::current_exception());
  }
}

__attribute__((destructor)) void TarvikUnload() {
  FinalizeTarvikUnits();
  delete std::exchange(loadFailure, nullptr);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void GetTarviks(IntfPtr<IRateBQs>& Result) {
  if (loadFailure) std::rethrow_exception(*loadFailure);
  IntfPtr<IRateBQs> catalogue(New<TRateBQs>());
  Result = std::move(catalogue);
}

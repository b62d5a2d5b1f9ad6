// The main unit: the export, and the load and unload of the library, which
// run every unit's initialization in a fixed order and the finalizations in
// reverse. The platform's entry calls them (Tarvik_posix.cpp,
// Tarvik_windows.cpp).
#include "RateIntf/Tarvik.h"

#include <exception>
#include <utility>

#include "RateIntf/RateImpl.h"
#include "RateIntf/TarvikUnits.h"

namespace {

// Why the library did not start: what a unit's initialization raised. The
// units before it have been finalized again, and every call raises it anew.
// A plain pointer: the entry may run before this file's static objects are
// made and after they are gone.
std::exception_ptr* loadFailure = nullptr;

}  // namespace

void TarvikLoad() {
  try {
    InitializeTarvikUnits();
  } catch (...) {
    loadFailure = new std::exception_ptr(std::current_exception());
  }
}

void TarvikUnload() {
  FinalizeTarvikUnits();
  delete std::exchange(loadFailure, nullptr);
}

extern "C" __attribute__((visibility("default"))) void GetTarviks(IntfPtr<IRateBQs>& Result) {
  if (loadFailure) std::rethrow_exception(*loadFailure);
  IntfPtr<IRateBQs> catalogue(New<TRateBQs>());
  Result = std::move(catalogue);
}

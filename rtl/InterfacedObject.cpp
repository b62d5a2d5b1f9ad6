#include "rtl/InterfacedObject.h"

#include "rtl/Exceptions.h"

void TInterfacedObject::AfterConstruction() { FRefCount.fetch_sub(1); }

// Once destruction is under way the count stands far from 0, so references
// that the destructors take and drop cannot start a second destruction.
void TInterfacedObject::BeforeDestruction() {
  if (FRefCount.load() != 0) throw EInvalidPointer(SInvalidPointer);
  FRefCount = kDestroyingRefCount;
}

int32_t TInterfacedObject::AddRefImpl() { return FRefCount.fetch_add(1) + 1; }

int32_t TInterfacedObject::ReleaseImpl() {
  int32_t count = FRefCount.fetch_sub(1) - 1;
  if (count == 0) Free();
  return count;
}

// TQuarnRefCntIntfObject: the base of classes that implement interfaces with
// their own reference count. A class gets its IInterface slots from
// Implements<TQuarnRefCntIntfObject, IFoo, ...>.
#pragma once

#include "rtl/InterfacedObject.h"

// Counts as the class library's interfaced object does (1 while constructing,
// then 0, atomic steps); destroying it differs.
class TQuarnRefCntIntfObject : public TInterfacedObject {
 public:
  // Refuses to destroy an object that is still referenced, naming its class;
  // otherwise parks the count where references taken and dropped during
  // destruction cannot bring it to 0 again.
  void BeforeDestruction() override;
};

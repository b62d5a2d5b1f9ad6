// TQuarnRefCntIntfObject: the base of classes that implement interfaces with
// their own reference count. A class gets its IInterface slots from
// Implements<TQuarnRefCntIntfObject, IFoo, ...>.
#pragma once

#include "rtl/InterfacedObject.h"

#ifdef TARVIK_OLDER_VARIANT
// Asked of an object, answers the object itself (a TQuarnRefCntIntfObject*,
// no reference added), so that a holder of one of its interfaces reaches it.
inline constexpr TGUID IID_ImplementingObject = StringToGUID("{83751180-9596-46CC-BB49-A9E9DEF8C8C4}");
#endif

// Counts as the class library's interfaced object does (1 while constructing,
// then 0, atomic steps, so that references may be taken and dropped on several
// threads); destroying it differs. In the older variant the steps are plain
// and an object is for one thread at a time.
class TQuarnRefCntIntfObject : public TInterfacedObject {
 public:
  // Refuses to destroy an object that is still referenced, naming its class
  // ("Invalid pointer operation" in the older variant); otherwise parks the
  // count where references taken and dropped during destruction cannot bring
  // it to 0 again.
  void BeforeDestruction() override;

#ifdef TARVIK_OLDER_VARIANT
 protected:
  int32_t AddRefImpl();
  int32_t ReleaseImpl();
  HRESULT QueryUnlisted(const TGUID& iid, void** obj);
#endif
};

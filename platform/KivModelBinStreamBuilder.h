// Decoders of the platform's binary record stream into the engine's records,
// fields and tables. The stream names nothing: it holds field values one after
// another and is read against the engine's own field list, kinds and data
// types. The classes offer class-level operations only and are never made.
#pragma once

#include "platform/KivEngineIntf.h"
#include "platform/QuarnClasses.h"
#include "rtl/Stream.h"

// Has the engine read a table body from the stream; the table must be loading.
class TKivTableStreamBuilder : public TQuarnRefCntIntfObject {
 public:
  TKivTableStreamBuilder() = delete;
  static void LoadFromStream(TStream* stream, IKivTable* table);
};

// One field: a flags byte, then what the field's kind and the flags call for.
// flag selects the second layout of kinds 4, 5 and 6.
class TKivFieldStreamBuilder : public TQuarnRefCntIntfObject {
 public:
  TKivFieldStreamBuilder() = delete;
  static void LoadFromStream(TStream* stream, IKivField* field, bool flag);
};

// Every field of the record, in the engine's field order.
class TKivRecordStreamBuilder : public TQuarnRefCntIntfObject {
 public:
  TKivRecordStreamBuilder() = delete;
  static void LoadFromStream(TStream* stream, IKivRecord* record, bool flag);
  // The fewest bytes that decoding the record takes: a record of a table
  // without fields takes none, so a count of records is checked against the
  // bytes left by this, never by the count alone.
  static int64_t LeastStreamSize(IKivRecord* record, bool flag);
};

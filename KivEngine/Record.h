// Records and their fields. A record made by NewRecord holds its table until
// it is appended; after that the table holds it.
//
// A record keeps its values in one block with itself: an 8-byte slot per
// field, then one per kind-4 field for its text, a state byte per field (null,
// and the flag bits as set), and room for its texts as large as its table
// suggests. A slot holds a number, a Boolean, a table, or the place of a text
// among the record's texts, which move to a block of their own only when they
// outgrow that room. The block is the table's (its chunks), and goes back
// there when the record is destroyed. Field objects are views of a record,
// made on the first Fields call. The views hold the record with one reference
// for them all, taken at the first and kept while the record is decoded field
// by field, until the table takes the record in or nothing else holds it. A record and its fields are used by one thread at a time.
#pragma once

#include <bit>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "KivEngine/FieldValue.h"
#include "KivEngine/ModelDef.h"
#include "KivEngine/ModelObject.h"
#include "KivEngine/RecordChunks.h"
#include "KivEngine/TableIndex.h"
#include "platform/KivEngineIntf.h"
#include "rtl/InterfacedObject.h"

namespace kivengine {

class TTable;
class TRecord;

// One field of a record. Its references are its record's; it lives as long
// as the record does.
class TField final : public IKivField {
 public:
  HRESULT QueryInterface(const TGUID& iid, void** obj) override;
  int32_t _AddRef() override;
  int32_t _Release() override;

  void OwnerRecord(IntfPtr<IKivRecord>& Result) override;
  int32_t DataType() override;
  uint8_t FieldKind() override;
  void SetAsString(const std::string& Value) override;
  void SetAsFloat(double Value) override;
  void SetAsInteger(int32_t Value) override;
  void SetAsBoolean(uint8_t Value) override;
  void NestedTable(IntfPtr<IKivTable>& Result) override;
  void SetText(const std::string& Value) override;
  void SetFlagBit3(bool Value) override;
  void SetIsNull(bool Value) override;
  void SetFlagBit1(bool Value) override;
  void SetFlagBit5(bool Value) override;

 private:
  friend class TRecord;
  TField(TRecord* record, int index) : FRecord(record), FIndex(index) {}
  const FieldDef& Def() const;

  TRecord* FRecord;
  int FIndex;
};

class TRecord final : public Implements<TModelObject, IKivRecord> {
 public:
  // A new record of the table, not in it yet: its fields null, its table
  // fields holding empty tables.
  static IntfPtr<TRecord> Create(TTable* table);
  ~TRecord() override;

  TTable* OwnerTable() const { return FTable; }
  int32_t Index() const { return FIndex; }
  const TableDef& Def() const { return *FDef; }

  // A new reference to the record for a caller of the table. Taken without a
  // call through the interface, which would first wait for the record's
  // memory (mostly out of the cache) to learn where to call.
  IntfPtr<IKivRecord> Reference() {
    AddRefImpl();
    return IntfPtr<IKivRecord>::Attach(this);
  }

  // The table has taken the record in at that position.
  void Attach(int32_t index);
  // Gives the room that the record's texts leave unused back to its chunk
  // when its block is the last one taken there, as it is when records are
  // made, decoded and appended one at a time.
  void TrimRoom();
  // The table has let the record go.
  void Orphan();

  // Values, read in the field's class; a null field's slot means nothing.
  bool IsNull(int field) const { return States()[field] & kNullState; }
  uint8_t Flags(int field) const { return States()[field] & ~kNullState; }
  int32_t Integer(int field) const { return static_cast<int32_t>(Slots()[field]); }
  double Float(int field) const { return std::bit_cast<double>(Slots()[field]); }
  bool Boolean(int field) const { return Slots()[field] != 0; }
  std::string_view String(int field) const { return TextAt(Slots()[field]); }
  // The text of a kind-4 field (empty for other kinds).
  std::string_view Text(int field) const;
  // The table that a table field (kind 7) holds.
  TTable* Nested(int field) const { return reinterpret_cast<TTable*>(static_cast<uintptr_t>(Slots()[field])); }
  // Null, the value in the field's class, or empty for a table field that
  // holds its table.
  Variant Value(int field) const;
  // The value as the table's indexes see it.
  FieldKey IndexKey(int field) const;
  // The bytes of the record's texts, a hint for the room of the next records.
  uint32_t TextBytes() const { return FTextsSize; }
  // Passes over a table's records find them mostly out of the cache: they ask
  // for the block of the record so many places ahead while they work on one.
  static constexpr size_t kPrefetchAhead = 6;
  void Prefetch() const {
    for (int line = 0; line < 4; ++line) __builtin_prefetch(reinterpret_cast<const char*>(this) + 64 * line);
  }

  // The size of a record's block with that room for texts.
  static size_t BlockSize(const TableDef& def, uint32_t textRoom) {
    return sizeof(TRecord) + def.SlotCount * sizeof(uint64_t) + def.Fields.size() + textRoom;
  }

  // Value changes, each converted to the field's class (EConvertError when
  // it does not convert).
  void SetInteger(int field, int32_t value);
  void SetFloat(int field, double value);
  void SetBoolean(int field, bool value);
  void SetString(int field, std::string_view value);
  void Assign(int field, const Variant& value);
  void SetNull(int field, bool isNull);
  void SetFlag(int field, uint8_t bit, bool on) {
    uint8_t& state = States()[field];
    state = on ? state | bit : state & ~bit;
  }
  void SetText(int field, std::string_view text);

  int32_t _Release() override;

#ifndef TARVIK_OLDER_VARIANT
  bool AllowsFieldLoad() override;
#endif
  void Table(IntfPtr<IKivTable>& Result) override;
  int32_t RecordIndex() override;
  int32_t Key() override;
  uint8_t FieldCount() override;
  void Fields(int32_t Index, IntfPtr<IKivField>& Result) override;
  int32_t FieldAsInteger(const std::string& FieldName) override;

 private:
  friend class TField;
  static constexpr uint8_t kNullState = 0x01;

  // Records are built in blocks that the table hands out (after the object:
  // slots, states, room for texts), and destroyed by the operator below,
  // which gives the block back to its chunk.
  static void* operator new(size_t, void* block) { return block; }
  static void operator delete(void*, void*) {}
  static void operator delete(TRecord* record, std::destroying_delete_t);
  TRecord(TTable* table, uint32_t textRoom, TRecordChunk* chunk);

  uint64_t* Slots() const { return reinterpret_cast<uint64_t*>(const_cast<TRecord*>(this) + 1); }
  uint8_t* States() const { return reinterpret_cast<uint8_t*>(Slots() + FDef->SlotCount); }
  char* TextRoom() const { return reinterpret_cast<char*>(States() + FDef->Fields.size()); }
  bool Appended() const { return FTable && FIndex >= 0; }
  // A new record holds its table until the table takes it in.
  bool HoldsTable() const { return FTable && FIndex < 0; }
  void CheckNotTable(int field) const;

  // Stores a value of the field's class, keeping the table's indexes right.
  void StoreNull(int field);
  void StoreBits(int field, uint64_t bits, const FieldKey& key);
  void StoreString(int field, std::string_view value);
  void StoreVariant(int field, const Variant& value);

  std::string_view TextAt(uint64_t slot) const;
  // Places text in the block and points the slot at it.
  void WriteText(uint64_t& slot, std::string_view text);
  // A block with room for extra more bytes, holding only the live texts.
  void Regrow(size_t extra);

  int32_t FieldAddRef();
  int32_t FieldRelease();
  // Frees the views and lets go of their reference (which may free the record).
  int32_t DropViews();

  TTable* FTable;
  TRecordChunk* FChunk;  // where the record's block is from; it keeps FDef
  const TableDef* FDef;
  TField* FFields = nullptr;  // the views, once asked for; they hold the record
  char* FTexts;               // the room after the slots, or a block of their own
  int32_t FFieldRefs = 0;     // references held through them
  int32_t FIndex = -1;
  uint32_t FTextsSize = 0, FTextsCapacity;
};

}  // namespace kivengine

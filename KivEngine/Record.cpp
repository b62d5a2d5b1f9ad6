#include "KivEngine/Record.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "KivEngine/Messages.h"
#include "KivEngine/Table.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"

namespace kivengine {

namespace {

uint64_t TextSlot(uint32_t offset, size_t length) { return offset | static_cast<uint64_t>(length) << 32; }

}  // namespace

IntfPtr<TRecord> TRecord::Create(TTable* table) {
  const TableDef& def = *table->Def();
  const uint32_t textRoom = table->TextRoom();
  TRecordChunk* chunk;
  void* block = table->TakeRecordBlock(chunk);
  TRecord* record = new (block) TRecord(table, textRoom, chunk);
  record->AfterConstruction();
  IntfPtr<TRecord> hold(record);  // frees what was made if a nested table fails
  for (size_t i = 0; i < def.Fields.size(); ++i) {
    const FieldDef& field = def.Fields[i];
    if (field.Kind != KivFieldKindTable) continue;
    TTable* nested = New<TTable>(field.Nested, table->State());
    nested->_AddRef();
    record->Slots()[i] = reinterpret_cast<uintptr_t>(nested);
    record->States()[i] = 0;  // a table field holds its (empty) table from the start
  }
  return hold;
}

TRecord::TRecord(TTable* table, uint32_t textRoom, TRecordChunk* chunk)
    : FTable(table),
      FChunk(chunk),
      FDef(table->Def().get()),
      FTexts(TextRoom()),
      FTextsCapacity(textRoom) {
  FTable->_AddRef();
  std::memset(States(), kNullState, FDef->Fields.size());
  std::memset(Slots(), 0, FDef->SlotCount * sizeof(uint64_t));
}

TRecord::~TRecord() {
  if (HoldsTable()) FTable->_Release();
  ::operator delete(FFields);
  for (size_t i = 0; i < FDef->Fields.size(); ++i)
    if (FDef->Fields[i].Kind == KivFieldKindTable)
      if (TTable* nested = Nested(static_cast<int>(i))) nested->_Release();
  if (FTexts != TextRoom()) std::free(FTexts);
}

void TRecord::operator delete(TRecord* record, std::destroying_delete_t) {
  TRecordChunk* chunk = record->FChunk;
  record->~TRecord();
  TRecordChunks::Give(chunk);
}

// The table calls this while it holds itself and the record, so letting go
// of either frees nothing.
void TRecord::Attach(int32_t index) {
  FTable->_Release();
  FIndex = index;
  // A record is mostly decoded before it is appended: its views are done with.
  if (FFields && FFieldRefs == 0) DropViews();
}

void TRecord::TrimRoom() {
  if (FTexts != TextRoom()) return;
  const size_t block =
      TRecordChunks::Shrink(FChunk, this, BlockSize(*FDef, FTextsCapacity), BlockSize(*FDef, FTextsSize));
  FTextsCapacity = static_cast<uint32_t>(block - BlockSize(*FDef, 0));
}

void TRecord::Orphan() {
  FTable = nullptr;
  FIndex = -1;
}

std::string_view TRecord::TextAt(uint64_t slot) const {
  const uint32_t length = static_cast<uint32_t>(slot >> 32);
  return length ? std::string_view(FTexts + static_cast<uint32_t>(slot), length) : std::string_view();
}

std::string_view TRecord::Text(int field) const {
  const int slot = FDef->Fields[field].TextSlot;
  return slot < 0 ? std::string_view() : TextAt(Slots()[slot]);
}

Variant TRecord::Value(int field) const {
  const FieldDef& def = FDef->Fields[field];
  if (IsNull(field)) return Variant::Null();
  if (def.Kind == KivFieldKindTable) return Variant();
  switch (def.Class) {
    case ValueClass::Integer: return Integer(field);
    case ValueClass::Float: return Float(field);
    case ValueClass::Boolean: return Boolean(field);
    case ValueClass::String: return std::string(String(field));
  }
  return Variant::Null();
}

FieldKey TRecord::IndexKey(int field) const {
  if (IsNull(field)) return {};
  switch (FDef->Fields[field].Class) {
    case ValueClass::Integer: return FieldKey::OfInteger(Integer(field));
    case ValueClass::Float: return FieldKey::OfFloat(Float(field));
    case ValueClass::Boolean: return FieldKey::OfBoolean(Boolean(field));
    case ValueClass::String: return FieldKey::OfText(String(field));
  }
  return {};
}

void TRecord::CheckNotTable(int field) const {
  const FieldDef& def = FDef->Fields[field];
  if (def.Kind == KivFieldKindTable) throw Exception(Format(STableField, def.Name));
}

void TRecord::StoreNull(int field) {
  if (Appended()) FTable->ValueChanging(*this, field, FieldKey());
  if (FDef->Fields[field].Class == ValueClass::String) Slots()[field] = 0;  // its text is garbage now
  States()[field] |= kNullState;
}

void TRecord::StoreBits(int field, uint64_t bits, const FieldKey& key) {
  if (Appended()) FTable->ValueChanging(*this, field, key);
  Slots()[field] = bits;
  States()[field] &= ~kNullState;
}

void TRecord::StoreString(int field, std::string_view value) {
  if (Appended()) FTable->ValueChanging(*this, field, FieldKey::OfText(value));
  WriteText(Slots()[field], value);
  States()[field] &= ~kNullState;
}

void TRecord::StoreVariant(int field, const Variant& value) {
  switch (value.VarType()) {
    case TVarType::varInteger: StoreBits(field, static_cast<uint32_t>(value.Integer()), FieldKey::OfInteger(value.Integer())); break;
    case TVarType::varDouble: StoreBits(field, std::bit_cast<uint64_t>(value.Double()), FieldKey::OfFloat(value.Double())); break;
    case TVarType::varBoolean: StoreBits(field, value.Boolean(), FieldKey::OfBoolean(value.Boolean())); break;
    case TVarType::varString: StoreString(field, value.String()); break;
    default: StoreNull(field); break;
  }
}

void TRecord::SetInteger(int field, int32_t value) {
  CheckNotTable(field);
  if (FDef->Fields[field].Class != ValueClass::Integer) return Assign(field, value);
  StoreBits(field, static_cast<uint32_t>(value), FieldKey::OfInteger(value));
}

void TRecord::SetFloat(int field, double value) {
  CheckNotTable(field);
  if (FDef->Fields[field].Class != ValueClass::Float) return Assign(field, value);
  StoreBits(field, std::bit_cast<uint64_t>(value), FieldKey::OfFloat(value));
}

void TRecord::SetBoolean(int field, bool value) {
  CheckNotTable(field);
  if (FDef->Fields[field].Class != ValueClass::Boolean) return Assign(field, value);
  StoreBits(field, value, FieldKey::OfBoolean(value));
}

void TRecord::SetString(int field, std::string_view value) {
  CheckNotTable(field);
  if (FDef->Fields[field].Class != ValueClass::String) return Assign(field, std::string(value));
  StoreString(field, value);
}

void TRecord::Assign(int field, const Variant& value) {
  CheckNotTable(field);
  const FieldDef& def = FDef->Fields[field];
  Variant converted;
  if (!Coerce(def.Class, value, converted)) throw EConvertError(Format(SBadValue, ValueText(value), def.Name));
  StoreVariant(field, converted);
}

void TRecord::SetNull(int field, bool isNull) {
  const FieldDef& def = FDef->Fields[field];
  if (def.Kind == KivFieldKindTable) {
    SetFlag(field, kNullState, isNull);
  } else if (isNull) {
    StoreNull(field);
  } else if (IsNull(field)) {
    StoreVariant(field, DefaultValue(def.Class));
  }
}

void TRecord::SetText(int field, std::string_view text) {
  const int slot = FDef->Fields[field].TextSlot;
  if (slot >= 0) WriteText(Slots()[slot], text);
}

void TRecord::WriteText(uint64_t& slot, std::string_view text) {
  if (text.empty()) {
    slot = 0;
    return;
  }
  if (text.size() <= (slot >> 32)) {  // fits where the old text stood
    std::memmove(FTexts + static_cast<uint32_t>(slot), text.data(), text.size());
    slot = TextSlot(static_cast<uint32_t>(slot), text.size());
    return;
  }
  std::string copy;
  if (text.data() >= FTexts && text.data() < FTexts + FTextsSize) text = copy.assign(text);
  slot = 0;
  if (text.size() > FTextsCapacity - FTextsSize) Regrow(text.size());
  std::memcpy(FTexts + FTextsSize, text.data(), text.size());
  slot = TextSlot(FTextsSize, text.size());
  FTextsSize += static_cast<uint32_t>(text.size());
}

void TRecord::Regrow(size_t extra) {
  uint64_t* slots = Slots();
  const auto holdsText = [&](int slot) {
    return slot >= static_cast<int>(FDef->Fields.size()) ||
           (FDef->Fields[slot].Class == ValueClass::String && FDef->Fields[slot].Kind != KivFieldKindTable);
  };
  size_t live = extra;
  for (int slot = 0; slot < FDef->SlotCount; ++slot)
    if (holdsText(slot)) live += slots[slot] >> 32;
  if (live > UINT32_MAX / 2) throw std::bad_alloc();
  const size_t capacity = live + live / 2;
  char* texts = static_cast<char*>(std::malloc(capacity));
  if (!texts) throw std::bad_alloc();
  uint32_t size = 0;
  for (int slot = 0; slot < FDef->SlotCount; ++slot) {
    if (!holdsText(slot)) continue;
    const std::string_view text = TextAt(slots[slot]);
    if (text.empty()) continue;
    std::memcpy(texts + size, text.data(), text.size());
    slots[slot] = TextSlot(size, text.size());
    size += static_cast<uint32_t>(text.size());
  }
  if (FTexts != TextRoom()) std::free(FTexts);
  FTexts = texts;
  FTextsSize = size;
  FTextsCapacity = static_cast<uint32_t>(capacity);
}

int32_t TRecord::FieldAddRef() { return ++FFieldRefs; }

// The last field let go of: an appended record drops its views (its table
// holds it), any other goes when nothing else holds it.
int32_t TRecord::FieldRelease() {
  const int32_t count = --FFieldRefs;
  if (count == 0 && (Appended() || RefCount() == 1)) DropViews();  // the calling view with them: it touches nothing more
  return count;
}

int32_t TRecord::_Release() {
  const int32_t count = ReleaseImpl();
  // Only the views hold the record now, and none of them is held.
  if (count == 1 && FFields && FFieldRefs == 0) return DropViews();
  return count;
}

int32_t TRecord::DropViews() {
  ::operator delete(std::exchange(FFields, nullptr));
  return ReleaseImpl();
}

#ifndef TARVIK_OLDER_VARIANT
bool TRecord::AllowsFieldLoad() { return FTable && FIndex < 0; }
#endif

void TRecord::Table(IntfPtr<IKivTable>& Result) { Result = FTable; }

int32_t TRecord::RecordIndex() { return FIndex; }

int32_t TRecord::Key() { return IsNull(FDef->KeyField) ? 0 : Integer(FDef->KeyField); }

uint8_t TRecord::FieldCount() { return static_cast<uint8_t>(FDef->Fields.size()); }

void TRecord::Fields(int32_t Index, IntfPtr<IKivField>& Result) {
  const int32_t count = static_cast<int32_t>(FDef->Fields.size());
  if (Index < 0 || Index >= count) throw Exception(Format(SFieldIndex, FDef->Name, Index));
  if (!FFields) {
    FFields = static_cast<TField*>(::operator new(count * sizeof(TField)));
    for (int32_t i = 0; i < count; ++i) new (&FFields[i]) TField(this, i);
    AddRefImpl();  // the views' reference, while they are there
  }
  Result = &FFields[Index];
}

int32_t TRecord::FieldAsInteger(const std::string& FieldName) {
  const int field = FDef->FieldIndex(FieldName);
  if (field < 0) throw Exception(Format(SUnknownField, FDef->Name, FieldName));
  if (FDef->Fields[field].Class == ValueClass::Integer && FDef->Fields[field].Kind != KivFieldKindTable)
    return IsNull(field) ? 0 : Integer(field);
  return ValueAsInteger(Value(field));
}

HRESULT TField::QueryInterface(const TGUID& iid, void** obj) {
  if (iid != IKivField::IID && iid != IInterface::IID) {
    *obj = nullptr;
    return E_NOINTERFACE;
  }
  *obj = static_cast<IKivField*>(this);
  _AddRef();
  return S_OK;
}

int32_t TField::_AddRef() { return FRecord->FieldAddRef(); }
int32_t TField::_Release() { return FRecord->FieldRelease(); }

const FieldDef& TField::Def() const { return FRecord->Def().Fields[FIndex]; }

void TField::OwnerRecord(IntfPtr<IKivRecord>& Result) { Result = FRecord; }
int32_t TField::DataType() { return Def().DataType; }
uint8_t TField::FieldKind() { return Def().Kind; }
void TField::SetAsString(const std::string& Value) { FRecord->SetString(FIndex, Value); }
void TField::SetAsFloat(double Value) { FRecord->SetFloat(FIndex, Value); }
void TField::SetAsInteger(int32_t Value) { FRecord->SetInteger(FIndex, Value); }
void TField::SetAsBoolean(uint8_t Value) { FRecord->SetBoolean(FIndex, Value != 0); }
void TField::NestedTable(IntfPtr<IKivTable>& Result) {
  Result = Def().Kind == KivFieldKindTable ? FRecord->Nested(FIndex) : nullptr;
}
void TField::SetText(const std::string& Value) { FRecord->SetText(FIndex, Value); }
void TField::SetFlagBit3(bool Value) { FRecord->SetFlag(FIndex, kFlagBit3, Value); }
void TField::SetIsNull(bool Value) { FRecord->SetNull(FIndex, Value); }
void TField::SetFlagBit1(bool Value) { FRecord->SetFlag(FIndex, kFlagBit1, Value); }
void TField::SetFlagBit5(bool Value) { FRecord->SetFlag(FIndex, kFlagBit5, Value); }

}  // namespace kivengine

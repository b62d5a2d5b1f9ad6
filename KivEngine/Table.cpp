#include "KivEngine/Table.h"

#include <algorithm>
#include <cmath>

#include "KivEngine/FieldValue.h"
#include "KivEngine/Messages.h"
#include "KivEngine/Record.h"
#include "KivEngine/TableBody.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"

namespace kivengine {

namespace {

// The key of a value already in the field's class.
FieldKey KeyOfValue(const Variant& value) {
  switch (value.VarType()) {
    case TVarType::varInteger: return FieldKey::OfInteger(value.Integer());
    case TVarType::varDouble: return FieldKey::OfFloat(value.Double());
    case TVarType::varBoolean: return FieldKey::OfBoolean(value.Boolean());
    case TVarType::varString: return FieldKey::OfText(value.String());
    default: return {};
  }
}

}  // namespace

TTable::TTable(std::shared_ptr<const TableDef> def, std::shared_ptr<ModelState> state)
    : FDef(std::move(def)), FState(std::move(state)), FChunks(FDef) {}

TTable::~TTable() { ReleaseRecords(); }

void* TTable::TakeRecordBlock(TRecordChunk*& chunk) {
  return FChunks.Take(TRecord::BlockSize(*FDef, FTextRoom), chunk);
}

// Records that others still hold outlive the table without it; the blocks of
// the others go back to the table's chunks. One pass: each record is touched
// once.
void TTable::ReleaseRecords() {
  for (size_t i = 0; i < FRecords.size(); ++i) {
    if (i + TRecord::kPrefetchAhead < FRecords.size()) FRecords[i + TRecord::kPrefetchAhead]->Prefetch();
    FRecords[i]->Orphan();
    FRecords[i].Clear();
  }
  FChunks.Trim();
  FRecords.clear();
  FKeys.Clear();
  FValues.clear();
}

int32_t TTable::KeyOf(const FieldKey& value) const {
  if (value.Null) throw Exception(Format(SNullKey, FDef->Name, FDef->Fields[FDef->KeyField].Name));
  return static_cast<int32_t>(value.Bits);
}

ValueIndex& TTable::IndexOf(int field) {
  if (FValues.empty()) FValues.resize(FDef->Fields.size());
  std::unique_ptr<ValueIndex>& index = FValues[field];
  if (!index) {
    index = std::make_unique<ValueIndex>([this, field](int32_t row) { return FRecords[row]->String(field); });
    for (int32_t row = 0; row < static_cast<int32_t>(FRecords.size()); ++row)
      index->Add(FRecords[row]->IndexKey(field), row);
  }
  return *index;
}

void TTable::ValueChanging(TRecord& record, int field, const FieldKey& value) {
  const int32_t row = record.Index();
  if (field == FDef->KeyField) {
    const int32_t key = KeyOf(value);
    const int32_t oldKey = record.Integer(field);
    if (key != oldKey) {
      if (FKeys.Add(key, &record)) throw Exception(Format(SDuplicateKey, FDef->Name, key));
      FKeys.Remove(oldKey);
    }
  }
  if (!FValues.empty() && FValues[field]) {
    FValues[field]->Remove(record.IndexKey(field), row);
    FValues[field]->Add(value, row);
  }
}

void TTable::NewRecord(IntfPtr<IKivRecord>& Result) {
  Result = IntfPtr<IKivRecord>::Attach(TRecord::Create(this).Detach());
}

void TTable::AppendRecord(IKivRecord* Record) {
  IntfPtr<IKivTable> self(this);  // the record may hold the last other reference
  TRecord* record = dynamic_cast<TRecord*>(Record);
  if (!record || record->OwnerTable() != this || record->Index() >= 0)
    throw Exception(Format(SNotNewRecord, FDef->Name));
  const int32_t key = KeyOf(record->IndexKey(FDef->KeyField));
  const int32_t row = static_cast<int32_t>(FRecords.size());
  if (FKeys.Add(key, record)) throw Exception(Format(SDuplicateKey, FDef->Name, key));
  try {
    FRecords.emplace_back(record);
  } catch (...) {
    FKeys.Remove(key);
    throw;
  }
  record->Attach(row);
  record->TrimRoom();
  for (int field = 0; field < static_cast<int>(FValues.size()); ++field)
    if (FValues[field]) FValues[field]->Add(record->IndexKey(field), row);
  // Room grows in steps, up to a bound; longer texts take a block of their own.
  constexpr uint32_t kRoomStep = 16, kMostRoom = 1024;
  if (record->TextBytes() > FTextRoom && FTextRoom < kMostRoom)
    FTextRoom = std::min(kMostRoom, (record->TextBytes() + kRoomStep - 1) / kRoomStep * kRoomStep);
}

void TTable::ClearRecords() { ReleaseRecords(); }

void TTable::Locate(const std::string& FieldName, const Variant& Value, IntfPtr<IKivRecord>& Result) {
  const int field = FDef->FieldIndex(FieldName);
  if (field < 0) {
    Result.Clear();
    throw Exception(Format(SUnknownField, FDef->Name, FieldName));
  }
  TRecord* record = Find(field, Value);
  if (record)
    Result = record->Reference();
  else
    Result.Clear();
}

TRecord* TTable::Find(int field, const Variant& value) {
  const FieldDef& def = FDef->Fields[field];
  if (def.Kind == KivFieldKindTable) return nullptr;
  if (def.Class == ValueClass::Integer && value.VarType() == TVarType::varInteger) return FindValue(field, value);
  Variant converted;
  return Coerce(def.Class, value, converted) ? FindValue(field, converted) : nullptr;
}

// The key field is searched through the records by key: every appended
// record holds a key of its own, so the first record with the value is the
// only one.
TRecord* TTable::FindValue(int field, const Variant& value) {
  if (field == FDef->KeyField)  // null: no key is
    return value.VarType() == TVarType::varInteger ? FKeys.Find(value.Integer()) : nullptr;
  // A float that is not a number equals nothing, itself included.
  if (value.VarType() == TVarType::varDouble && std::isnan(value.Double())) return nullptr;
  const int32_t row = IndexOf(field).First(KeyOfValue(value));
  return row >= 0 ? FRecords[row].get() : nullptr;
}

void TTable::FindByKey(int32_t Key, IntfPtr<IKivRecord>& Result) {
  if (TRecord* record = FKeys.Find(Key))
    Result = record->Reference();
  else
    Result.Clear();
}

int32_t TTable::RecordCount() { return static_cast<int32_t>(FRecords.size()); }

// Rows are mostly taken one after another, in a pass over the table: the
// record so many places ahead is asked for while this one is handed out.
void TTable::RecordByIndex(int32_t Index, IntfPtr<IKivRecord>& Result) {
  if (Index < 0 || Index >= RecordCount()) throw Exception(Format(SRecordIndex, FDef->Name, Index));
  if (Index + TRecord::kPrefetchAhead < FRecords.size()) FRecords[Index + TRecord::kPrefetchAhead]->Prefetch();
  Result = FRecords[Index]->Reference();
}

uint8_t TTable::LoadState() { return FState->LoadState; }

void TTable::LoadFromStream(TStream* Stream) { ReadTableBody(*Stream, *this); }

}  // namespace kivengine

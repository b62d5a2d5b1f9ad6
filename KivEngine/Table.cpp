#include "KivEngine/Table.h"

#include "KivEngine/Messages.h"
#include "KivEngine/Record.h"
#include "KivEngine/TableBody.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"

namespace kivengine {

TTable::TTable(std::shared_ptr<const TableDef> def, std::shared_ptr<ModelState> state)
    : FDef(std::move(def)), FState(std::move(state)) {}

TTable::~TTable() { ReleaseRecords(); }

// Records that others still hold outlive the table without it.
void TTable::ReleaseRecords() {
  for (const IntfPtr<TRecord>& record : FRecords) record->Orphan();
  FRecords.clear();
  FIndex.Clear();
}

int32_t TTable::KeyOf(const Variant& value) const {
  if (value.IsNull()) throw Exception(Format(SNullKey, FDef->Name, FDef->Fields[FDef->KeyField].Name));
  return value.Integer();
}

void TTable::ValueChanging(const TRecord& record, int field, const Variant& value) {
  const Variant& old = record.Values()[field].Value;
  if (field == FDef->KeyField) {
    const int32_t key = KeyOf(value);
    const int32_t oldKey = old.Integer();
    if (key != oldKey) {
      if (FIndex.FindKey(key) >= 0) throw Exception(Format(SDuplicateKey, FDef->Name, key));
      FIndex.RemoveKey(oldKey);
      FIndex.AddKey(key, record.Index());
    }
  }
  FIndex.RemoveValue(field, old, record.Index());
  FIndex.AddValue(field, value, record.Index());
}

void TTable::NewRecord(IntfPtr<IKivRecord>& Result) { Result = New<TRecord>(this); }

void TTable::AppendRecord(IKivRecord* Record) {
  IntfPtr<IKivTable> self(this);  // the record may hold the last other reference
  TRecord* record = dynamic_cast<TRecord*>(Record);
  if (!record || record->OwnerTable() != this || record->Index() >= 0)
    throw Exception(Format(SNotNewRecord, FDef->Name));
  const std::vector<FieldValue>& values = record->Values();
  const int32_t key = KeyOf(values[FDef->KeyField].Value);
  if (FIndex.FindKey(key) >= 0) throw Exception(Format(SDuplicateKey, FDef->Name, key));
  const int32_t row = static_cast<int32_t>(FRecords.size());
  FRecords.emplace_back(record);
  record->Attach(row);
  FIndex.AddKey(key, row);
  for (int field = 0; field < static_cast<int>(values.size()); ++field) FIndex.AddValue(field, values[field].Value, row);
}

void TTable::ClearRecords() { ReleaseRecords(); }

void TTable::Locate(const std::string& FieldName, const Variant& Value, IntfPtr<IKivRecord>& Result) {
  Result.Clear();
  const int field = FDef->FieldIndex(FieldName);
  if (field < 0) throw Exception(Format(SUnknownField, FDef->Name, FieldName));
  const FieldDef& def = FDef->Fields[field];
  Variant value;
  if (def.Kind == KivFieldKindTable || !Coerce(ClassOfDataType(def.DataType), Value, value)) return;
  if (!FIndex.HasField(field)) {
    FIndex.AddField(field);
    for (int32_t row = 0; row < static_cast<int32_t>(FRecords.size()); ++row)
      FIndex.AddValue(field, FRecords[row]->Values()[field].Value, row);
  }
  const int32_t row = FIndex.FirstRow(field, value);
  if (row >= 0) Result = FRecords[row].get();
}

void TTable::FindByKey(int32_t Key, IntfPtr<IKivRecord>& Result) {
  const int32_t row = FIndex.FindKey(Key);
  if (row < 0)
    Result.Clear();
  else
    Result = FRecords[row].get();
}

int32_t TTable::RecordCount() { return static_cast<int32_t>(FRecords.size()); }

void TTable::RecordByIndex(int32_t Index, IntfPtr<IKivRecord>& Result) {
  if (Index < 0 || Index >= RecordCount()) throw Exception(Format(SRecordIndex, FDef->Name, Index));
  Result = FRecords[Index].get();
}

uint8_t TTable::LoadState() { return FState->LoadState; }

void TTable::LoadFromStream(TStream* Stream) { ReadTableBody(*Stream, *this); }

}  // namespace kivengine

#include "KivEngine/Record.h"

#include "KivEngine/Messages.h"
#include "KivEngine/Table.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"

namespace kivengine {

TRecord::TRecord(TTable* table) : FTable(table), FTableHold(table), FDef(table->Def()), FValues(FDef->Fields.size()) {
  for (size_t i = 0; i < FValues.size(); ++i) {
    const FieldDef& field = FDef->Fields[i];
    if (field.Kind != KivFieldKindTable) continue;
    FValues[i].Value = Variant();  // a table field holds its (empty) table from the start
    FValues[i].Nested = New<TTable>(field.Nested, table->State());
  }
}

void TRecord::Attach(int32_t index) {
  FIndex = index;
  FTableHold.Clear();
}

void TRecord::Orphan() {
  FTable = nullptr;
  FIndex = -1;
}

void TRecord::Store(int field, Variant value) {
  if (FTable && FIndex >= 0) FTable->ValueChanging(*this, field, value);
  FValues[field].Value = std::move(value);
}

void TRecord::Assign(int field, const Variant& value) {
  const FieldDef& def = FDef->Fields[field];
  if (def.Kind == KivFieldKindTable) throw Exception(Format(STableField, def.Name));
  Variant converted;
  if (!Coerce(ClassOfDataType(def.DataType), value, converted))
    throw EConvertError(Format(SBadValue, ValueText(value), def.Name));
  Store(field, std::move(converted));
}

void TRecord::SetNull(int field, bool isNull) {
  const FieldDef& def = FDef->Fields[field];
  if (def.Kind == KivFieldKindTable)
    FValues[field].Value = isNull ? Variant::Null() : Variant();
  else if (isNull)
    Store(field, Variant::Null());
  else if (FValues[field].Value.IsNull())
    Store(field, DefaultValue(ClassOfDataType(def.DataType)));
}

void TRecord::SetFlag(int field, uint8_t bit, bool on) {
  uint8_t& flags = FValues[field].Flags;
  flags = on ? flags | bit : flags & ~bit;
}

void TRecord::SetText(int field, const std::string& text) { FValues[field].Text = text; }

bool TRecord::AllowsFieldLoad() { return FTable && FIndex < 0; }

void TRecord::Table(IntfPtr<IKivTable>& Result) { Result = FTable; }

int32_t TRecord::RecordIndex() { return FIndex; }

int32_t TRecord::Key() { return ValueAsInteger(FValues[FDef->KeyField].Value); }

uint8_t TRecord::FieldCount() { return static_cast<uint8_t>(FValues.size()); }

void TRecord::Fields(int32_t Index, IntfPtr<IKivField>& Result) {
  if (Index < 0 || Index >= static_cast<int32_t>(FValues.size()))
    throw Exception(Format(SFieldIndex, FDef->Name, Index));
  Result = New<TField>(this, Index);
}

int32_t TRecord::FieldAsInteger(const std::string& FieldName) {
  const int field = FDef->FieldIndex(FieldName);
  if (field < 0) throw Exception(Format(SUnknownField, FDef->Name, FieldName));
  return ValueAsInteger(FValues[field].Value);
}

void TField::OwnerRecord(IntfPtr<IKivRecord>& Result) { Result = FRecord.get(); }
int32_t TField::DataType() { return Def().DataType; }
uint8_t TField::FieldKind() { return Def().Kind; }
void TField::SetAsString(const std::string& Value) { FRecord->Assign(FIndex, Value); }
void TField::SetAsFloat(double Value) { FRecord->Assign(FIndex, Value); }
void TField::SetAsInteger(int32_t Value) { FRecord->Assign(FIndex, Value); }
void TField::SetAsBoolean(uint8_t Value) { FRecord->Assign(FIndex, Value != 0); }
void TField::NestedTable(IntfPtr<IKivTable>& Result) { Result = FRecord->Values()[FIndex].Nested; }
void TField::SetText(const std::string& Value) { FRecord->SetText(FIndex, Value); }
void TField::SetFlagBit3(bool Value) { FRecord->SetFlag(FIndex, kFlagBit3, Value); }
void TField::SetIsNull(bool Value) { FRecord->SetNull(FIndex, Value); }
void TField::SetFlagBit1(bool Value) { FRecord->SetFlag(FIndex, kFlagBit1, Value); }
void TField::SetFlagBit5(bool Value) { FRecord->SetFlag(FIndex, kFlagBit5, Value); }

}  // namespace kivengine

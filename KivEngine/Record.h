// Records and their fields. A record made by NewRecord holds its table until
// it is appended; after that the table holds it. A field object is a view of
// one value of a record and holds the record.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "KivEngine/FieldValue.h"
#include "KivEngine/ModelDef.h"
#include "platform/KivEngineIntf.h"
#include "rtl/InterfacedObject.h"

namespace kivengine {

class TTable;

class TRecord : public Implements<TInterfacedObject, IKivRecord> {
 public:
  // A new record of the table, not in it yet.
  explicit TRecord(TTable* table);

  TTable* OwnerTable() const { return FTable; }
  int32_t Index() const { return FIndex; }
  const TableDef& Def() const { return *FDef; }
  const std::vector<FieldValue>& Values() const { return FValues; }

  // The table has taken the record in at that position.
  void Attach(int32_t index);
  // The table has let the record go.
  void Orphan();

  // Value changes, each converted to the field's class.
  void Assign(int field, const Variant& value);
  void SetNull(int field, bool isNull);
  void SetFlag(int field, uint8_t bit, bool on);
  void SetText(int field, const std::string& text);

  bool AllowsFieldLoad() override;
  void Table(IntfPtr<IKivTable>& Result) override;
  int32_t RecordIndex() override;
  int32_t Key() override;
  uint8_t FieldCount() override;
  void Fields(int32_t Index, IntfPtr<IKivField>& Result) override;
  int32_t FieldAsInteger(const std::string& FieldName) override;

 private:
  void Store(int field, Variant value);

  TTable* FTable;
  IntfPtr<IKivTable> FTableHold;  // while not appended
  std::shared_ptr<const TableDef> FDef;
  int32_t FIndex = -1;
  std::vector<FieldValue> FValues;
};

class TField : public Implements<TInterfacedObject, IKivField> {
 public:
  TField(TRecord* record, int index) : FRecord(record), FIndex(index) {}

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
  const FieldDef& Def() const { return FRecord->Def().Fields[FIndex]; }

  IntfPtr<TRecord> FRecord;
  int FIndex;
};

}  // namespace kivengine

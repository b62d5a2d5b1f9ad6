// A table: its records in append order, with hash indexes by key and by the
// value of each field searched. The table holds its records; a record knows its
// table without holding it once appended.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "KivEngine/ModelDef.h"
#include "KivEngine/ModelObject.h"
#include "KivEngine/RecordChunks.h"
#include "KivEngine/TableIndex.h"
#include "platform/KivEngineIntf.h"
#include "rtl/InterfacedObject.h"

namespace kivengine {

// The state every table of one model shares.
struct ModelState {
  uint8_t LoadState = 0;
};

class TRecord;

class TTable : public Implements<TModelObject, IKivTable, IKivTableStreamLoader> {
 public:
  TTable(std::shared_ptr<const TableDef> def, std::shared_ptr<ModelState> state);
  ~TTable() override;

  const std::shared_ptr<const TableDef>& Def() const { return FDef; }
  const std::shared_ptr<ModelState>& State() const { return FState; }
  const std::vector<IntfPtr<TRecord>>& Records() const { return FRecords; }
  // The room for texts in a new record's block: as much as the texts of the
  // records appended so far took (rounded up, and within bounds).
  uint32_t TextRoom() const { return FTextRoom; }
  // The block of a new record, from the table's chunks: a table emptied and
  // filled again reuses its memory.
  void* TakeRecordBlock(TRecordChunk*& chunk);

  // Called by an appended record before one of its values changes: keeps the
  // indexes right, and refuses a key that another record holds.
  void ValueChanging(TRecord& record, int field, const FieldKey& value);

  void NewRecord(IntfPtr<IKivRecord>& Result) override;
  void AppendRecord(IKivRecord* Record) override;
  void ClearRecords() override;
  void Locate(const std::string& FieldName, const Variant& Value, IntfPtr<IKivRecord>& Result) override;
  void FindByKey(int32_t Key, IntfPtr<IKivRecord>& Result) override;
  int32_t RecordCount() override;
  void RecordByIndex(int32_t Index, IntfPtr<IKivRecord>& Result) override;
  uint8_t LoadState() override;

  void LoadFromStream(TStream* Stream) override;

 private:
  int32_t KeyOf(const FieldKey& value) const;
  // The first record whose field holds the value, converted to the field's
  // class; FindValue takes a value of that class.
  TRecord* Find(int field, const Variant& value);
  TRecord* FindValue(int field, const Variant& value);
  // The field's value index, made from the records at its first search.
  ValueIndex& IndexOf(int field);
  void ReleaseRecords();

  std::shared_ptr<const TableDef> FDef;
  std::shared_ptr<ModelState> FState;
  std::vector<IntfPtr<TRecord>> FRecords;
  KeyIndex FKeys;
  std::vector<std::unique_ptr<ValueIndex>> FValues;  // by field; none until searched
  uint32_t FTextRoom = 0;
  TRecordChunks FChunks;
};

}  // namespace kivengine

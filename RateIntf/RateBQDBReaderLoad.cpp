// Retrieval: keys to block offsets through the indexes, then the blocks
// decoded into the tables of the rate model's data set "UserBQItemDB".
#include "RateIntf/RateBQDBReaderImpl.h"
#include "archive/QuarnZipFile.h"
#include "platform/KivEngineUtils.h"
#include "platform/KivModelBinStreamBuilder.h"
#include "rtl/Assert.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "rtl/SysUtils.h"

namespace {

constexpr const char* SPasswordError = "Password Error";
constexpr const char* SBlockCountTooLarge = "数据块已损坏: 表[%s]的%d条记录超出数据块剩余的%d字节";
constexpr const char* SBlockRecordCut = "数据块已损坏: 表[%s]的记录不完整";
constexpr const char* kUnit = "RateBQDBReaderImpl";

// In the order every request empties them.
constexpr const char* kUserTables[] = {"BQItem",   "Resource", "LMMDetail", "MixResLMMDetail",
                                       "NormItem", "ConvInfo", "BQSpec",    "BQWorkScope"};

// A count at the end of a block: bytes that the stream no longer holds read
// as 0.
int32_t ReadCount(TStream* stream) {
  uint8_t bytes[4] = {};
  for (int32_t got = 0, n; got < 4 && (n = stream->Read(bytes + got, 4 - got)) > 0;) got += n;
  return static_cast<int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

// A count of records that the bytes left cannot back, at the fewest bytes a
// record of the table takes, is damage; a table whose records take no bytes
// may have any count.
void CheckCount(const std::string& tableName, int32_t count, IKivRecord* record, TStream* stream) {
  const int64_t left = stream->Size() - stream->Position();
  if (count * TKivRecordStreamBuilder::LeastStreamSize(record, true) > left)
    throw Exception(Format(SBlockCountTooLarge, tableName, count, static_cast<int32_t>(left)));
}

void NewRecord(IKivTable* table, IntfPtr<IKivRecord>& record) {
  table->NewRecord(record);
  EngineResult(record, "NewRecord");
}

// A record that runs past the end of its block is damage, not a stream fault.
void DecodeRecord(IKivRecord* record, const std::string& tableName, TStream* stream) {
  try {
    TKivRecordStreamBuilder::LoadFromStream(stream, record, true);
  } catch (const EReadError&) {
    throw Exception(Format(SBlockRecordCut, tableName));
  }
}

}  // namespace

void TRateBQDBReader::LoadByCodes(const std::vector<std::string>& Codes, std::string& Result) {
  TOffsets offsets;
  CollectCodeOffsets(Codes, offsets);
  FillUserDB(offsets, Result);
}

void TRateBQDBReader::LoadByBQKeys(const std::vector<int32_t>& BQKeys, std::string& Result) {
  TOffsets offsets;
  CollectBQKeyOffsets(BQKeys, offsets);
  FillUserDB(offsets, Result);
}

void TRateBQDBReader::LoadByGroupKeys(const std::vector<int32_t>& GroupKeys, std::string& Result) {
  TOffsets offsets;
  CollectGroupKeyOffsets(GroupKeys, offsets);
  FillUserDB(offsets, Result);
}

void TRateBQDBReader::CollectCodeOffsets(const std::vector<std::string>& Codes, TOffsets& Offsets) const {
  for (const std::string& given : Codes) {
    const std::string code = Trim(given);
    const TStrKeyHash* index = code.size() == 9 ? Code9ToOffset : CodeToOffset;
    for (const TStrKeyHashNode* node = index->Find(code); node; node = node->Next)
      if (SameText(node->Key, code)) Offsets.Add(node->Value);
  }
}

// Only the node found: of several records with one bill key, the last in the
// index file.
void TRateBQDBReader::CollectBQKeyOffsets(const std::vector<int32_t>& BQKeys, TOffsets& Offsets) const {
  for (int32_t key : BQKeys)
    if (const TIntKeyHashNode* node = BQKeyToOffset->Find(key)) Offsets.Add(node->Value);
}

// The blocks of one group come newest first, the reverse of the index file.
void TRateBQDBReader::CollectGroupKeyOffsets(const std::vector<int32_t>& GroupKeys, TOffsets& Offsets) const {
  for (int32_t key : GroupKeys)
    for (const TIntKeyHashNode* node = GroupKeyToOffset->Find(key); node; node = node->Next)
      if (node->Key == key) Offsets.Add(node->Value);
}

void TRateBQDBReader::FillUserDB(const TOffsets& Offsets, std::string& Result) {
  RateModel->SetLoadState(KivLoadStateFilling);
  try {
    IntfPtr<IKivTable> table;
    for (const char* name : kUserTables) {
      GetTable(name, table);
      table->ClearRecords();
    }
    for (int32_t offset : Offsets.Items()) LoadBQItem(offset);
    ResolveResources("LMMDetail", "ResID");
    ResolveResources("MixResLMMDetail", "ResID");
    ResolveResources("MixResLMMDetail", "MasterResID");
  } catch (...) {
    RateModel->SetLoadState(KivLoadStateDone);
    throw;
  }
  RateModel->SetLoadState(KivLoadStateDone);
  RateModel->MakeResult(0, 0, Result);
}

void TRateBQDBReader::GetTable(const std::string& Name, IntfPtr<IKivTable>& Result) {
  IntfPtr<IKivDatabase> database;
  RateModel->DatabaseByName("UserBQItemDB", database);
  IntfPtr<IKivTables> tables;
  EngineResult(database, "DatabaseByName")->Tables(tables);
  EngineResult(tables, "Tables")->TableByName(Name, Result);
  EngineResult(Result, "TableByName");
}

void TRateBQDBReader::LoadBQItem(int32_t Offset) {
  IntfPtr<IKivTable> bqItems, normItems;
  GetTable("BQItem", bqItems);
  GetTable("NormItem", normItems);
  IntfPtr<IKivRecord> record, held;
  NewRecord(bqItems.get(), record);
  ReadBlock(RateBQData, BQOffsetToLength, Offset);
  if (!UnzipFirstEntryInPlace(RecordBuffer, Password)) throw Exception(SPasswordError);
  RecordBuffer->SetPosition(0);
  DecodeRecord(record.get(), "BQItem", RecordBuffer);
  bqItems->FindByKey(record->Key(), held);
  Assert(!held, "Assertion failure", kUnit, 371);
  bqItems->AppendRecord(record.get());
  ReadTable("BQSpec", RecordBuffer);
  ReadTable("BQWorkScope", RecordBuffer);

  const int32_t norms = ReadCount(RecordBuffer);
  for (int32_t i = 0; i < norms; ++i) {
    NewRecord(normItems.get(), record);
    if (i == 0) CheckCount("NormItem", norms, record.get(), RecordBuffer);
    DecodeRecord(record.get(), "NormItem", RecordBuffer);
    // A norm the table refuses is left out; its lines still load.
    try {
      normItems->AppendRecord(record.get());
    } catch (const Exception&) {
    }
    ReadTable("LMMDetail", RecordBuffer);
    ReadTable("ConvInfo", RecordBuffer);
  }
}

void TRateBQDBReader::ReadTable(const std::string& TableName, TStream* Stream) {
  IntfPtr<IKivTable> table;
  GetTable(TableName, table);
  const int32_t count = ReadCount(Stream);
  IntfPtr<IKivRecord> record;
  for (int32_t i = 0; i < count; ++i) {
    NewRecord(table.get(), record);
    if (i == 0) CheckCount(TableName, count, record.get(), Stream);
    DecodeRecord(record.get(), TableName, Stream);
    table->AppendRecord(record.get());
  }
}

// Rows that this pass appends to the table itself are not visited by it.
void TRateBQDBReader::ResolveResources(const std::string& TableName, const std::string& FieldName) {
  IntfPtr<IKivTable> table, resources;
  GetTable(TableName, table);
  GetTable("Resource", resources);
  const int32_t count = table->RecordCount();
  IntfPtr<IKivRecord> row, resource;
  for (int32_t i = 0; i < count; ++i) {
    table->RecordByIndex(i, row);
    const int32_t resID = EngineResult(row, "RecordByIndex")->FieldAsInteger(FieldName);
    resources->Locate("ResID", Variant(resID), resource);
    if (resource) continue;
    const TIntKeyHashNode* node = ResIDToOffset->Find(resID);
    Assert(node != nullptr, "Assertion failure", kUnit, 453);
    LoadResource(node->Value);
  }
}

void TRateBQDBReader::LoadResource(int32_t Offset) {
  IntfPtr<IKivTable> resources;
  GetTable("Resource", resources);
  ReadBlock(ResourceData, ResOffsetToLength, Offset, ResourcePages.get());
  IntfPtr<IKivRecord> record;
  NewRecord(resources.get(), record);
  DecodeRecord(record.get(), "Resource", RecordBuffer);
  resources->AppendRecord(record.get());
  ReadTable("MixResLMMDetail", RecordBuffer);
}

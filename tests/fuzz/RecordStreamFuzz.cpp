// The record stream decoder into the stand-in engine's model of the template:
// the first byte picks a table of "UserBQItemDB" (bits 0-2) and the decoder's
// flag (bit 3 clear: set, as the reader passes it); the rest is decoded into
// records of that table until it ends or fails. Records written back by the
// rate library builder's encoder from what the engine holds must decode to
// the same records.
#include <cstdint>
#include <string>
#include <vector>

#include "KivEngine/ModelFile.h"
#include "platform/KivModelBinStreamBuilder.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/TemplateModel.h"
#include "tools/json/Json.h"
#include "tools/ratebq-build/RecordEncoder.h"

namespace {

constexpr const char* kTables[] = {"BQItem",   "Resource", "LMMDetail", "MixResLMMDetail",
                                   "NormItem", "ConvInfo", "BQSpec",    "BQWorkScope"};
// Enough records for any layout the mutator finds, few enough to stay fast.
constexpr int kMaxRecords = 64;

// Decodes records from the stream into the table, each appended when the
// table takes it, until the stream ends, a record fails or kMaxRecords.
void DecodeInto(IKivTable* table, TStream* stream, bool flag) {
  for (int i = 0; i < kMaxRecords && stream->Position() < stream->Size(); ++i) {
    IntfPtr<IKivRecord> record;
    table->NewRecord(record);
    const int64_t start = stream->Position();
    try {
      TKivRecordStreamBuilder::LoadFromStream(stream, record.get(), flag);
    } catch (const Exception&) {
      return;
    }
    FuzzCheck(stream->Position() > start && stream->Position() <= stream->Size(),
              "a record was decoded from outside the stream or from no bytes at all");
    try {
      table->AppendRecord(record.get());
    } catch (const Exception&) {
    }
  }
}

// The table's records as the engine's result gives them.
Json RecordsOf(IKivModel* model, const char* table) {
  std::string result;
  model->MakeResult(0, 0, result);
  const Json document = ParseJson(result);
  for (const Json& t : document.at("databases").at(0).at("tables"))
    if (t.at("name") == table) return t.at("records");
  FuzzFailure(std::string("the result has no table ") + table);
}

struct Models {
  Models() : Decoded(NewTemplateModel()), Again(NewTemplateModel()), Definition(kivengine::LoadModelFile(TemplateFile())) {}
  IntfPtr<IKivModel> Decoded, Again;
  kivengine::ModelDef Definition;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Models models;
  if (size == 0) return 0;
  const char* tableName = kTables[data[0] & 7];
  const bool flag = !(data[0] & 8);

  IntfPtr<IKivTable> table = UserTable(models.Decoded.get(), tableName);
  TStringStream stream(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  models.Decoded->SetLoadState(KivLoadStateFilling);
  table->ClearRecords();
  DecodeInto(table.get(), &stream, flag);
  models.Decoded->SetLoadState(KivLoadStateDone);
  const Json records = RecordsOf(models.Decoded.get(), tableName);
  if (!flag) return 0;  // the encoder writes the layout of the flag set

  RecordEncoder encoder(UserTableDef(models.Definition, tableName));
  std::string encoded;
  try {
    for (const Json& record : records) encoder.Append(encoded, encoder.Resolve(record, {}));
  } catch (const SourceError&) {
    return 0;  // text that GBK cannot give back the same way
  }
  IntfPtr<IKivTable> again = UserTable(models.Again.get(), tableName);
  TStringStream written(encoded);
  models.Again->SetLoadState(KivLoadStateFilling);
  again->ClearRecords();
  DecodeInto(again.get(), &written, true);
  models.Again->SetLoadState(KivLoadStateDone);
  FuzzCheck(written.Position() == written.Size(), "records written back did not decode to their end");
  FuzzCheck(RecordsOf(models.Again.get(), tableName) == records, "records written back decode to other values");
  return 0;
}

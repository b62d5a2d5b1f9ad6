#include "bench/ratebq/ReplayReader.h"

#include <stdexcept>
#include <unordered_set>

#include "archive/QuarnZipFile.h"
#include "bench/Stopwatch.h"
#include "platform/KivEngineUtils.h"
#include "platform/KivModelBinStreamBuilder.h"
#include "rtl/Variant.h"

namespace {

// What one reading of the stopwatch costs: a stopped call reads it twice.
double StopwatchCost() {
  static const double cost = [] {
    constexpr int kRuns = 200000;
    const double start = NowSeconds();
    for (int i = 0; i < kRuns; ++i) NowSeconds();
    return (NowSeconds() - start) / kRuns;
  }();
  return cost;
}

// Runs f and adds its wall time, in seconds, to phase, less the stopwatch's
// own share (one reading inside the span).
template <class F>
auto Timed(double& phase, F&& f) {
  struct Stop {
    double& Phase;
    double Start;
    ~Stop() { Phase += NowSeconds() - Start - StopwatchCost(); }
  } stop{phase, NowSeconds()};
  return f();
}

constexpr const char* kTables[] = {"BQItem", "Resource", "LMMDetail", "MixResLMMDetail",
                                   "NormItem", "ConvInfo", "BQSpec", "BQWorkScope"};

}  // namespace

ReplayReader::ReplayReader(const std::string& engineFile, const std::string& model, const std::string& folder,
                           const BareIndexes& indexes, std::string password)
    : FIndexes(indexes), FPassword(std::move(password)) {
  IntfPtr<IKivEngine> engine;
  GetKivEngine(engineFile, engine);
  IntfPtr<IInterface> param;
  engine->GetModelParam(param);
  engine->CreateModel(false, param.get(), FModel);
  IntfPtr<IKivModelLoader> loader;
  engine->GetLoader(loader);
  loader->LoadFile(model, FModel.get(), 0);
  FModel->SetLoadState(KivLoadStateDone);
  FBillData = New<TFileStream>(folder + "/RateBQ.data", fmOpenRead | fmShareDenyWrite);
  FResourceData = New<TFileStream>(folder + "/Resource.data", fmOpenRead | fmShareDenyWrite);
  FResourcePages = std::make_unique<TPagedFile>(FResourceData);
}

ReplayReader::~ReplayReader() {
  FResourcePages.reset();
  FBillData->Free();
  FResourceData->Free();
}

IntfPtr<IKivTable> ReplayReader::TableByName(const char* name) {
  return Timed(FTimes.Engine, [&] {
    IntfPtr<IKivDatabase> database;
    FModel->DatabaseByName("UserBQItemDB", database);
    IntfPtr<IKivTables> tables;
    database->Tables(tables);
    IntfPtr<IKivTable> table;
    tables->TableByName(name, table);
    return table;
  });
}

void ReplayReader::ReadBlock(TFileStream& file, int32_t offset, int32_t length, TPagedFile* pages) {
  Timed(FTimes.Read, [&] {
    FBuffer.SetSize(length);
    if (pages) {
      pages->Read(offset, FBuffer.Memory(), length);
    } else {
      file.SetPosition(offset);
      file.ReadBuffer(FBuffer.Memory(), length);
    }
    FBuffer.SetPosition(0);
  });
}

void ReplayReader::AppendDecoded(const char* name) {
  IntfPtr<IKivTable> table = TableByName(name);
  IntfPtr<IKivRecord> record;
  Timed(FTimes.Engine, [&] { table->NewRecord(record); });
  Timed(FTimes.Decode, [&] { TKivRecordStreamBuilder::LoadFromStream(&FBuffer, record.get(), true); });
  FTimes.Fields += record->FieldCount();
  Timed(FTimes.Engine, [&] { table->AppendRecord(record.get()); });
}

void ReplayReader::ReadRun(const char* name) {
  int32_t count = 0;
  Timed(FTimes.Decode, [&] { FBuffer.Read(&count, 4); });
  for (int32_t i = 0; i < count; ++i) AppendDecoded(name);
}

void ReplayReader::LoadBill(int32_t offset) {
  const int32_t length = Timed(FTimes.Lookup, [&] { return FIndexes.BQOffsetToLength.at(offset); });
  ReadBlock(*FBillData, offset, length);
  if (!Timed(FTimes.Unzip, [&] { return UnzipFirstEntryInPlace(&FBuffer, FPassword); }))
    throw std::runtime_error("Password Error");
  FBuffer.SetPosition(0);
  AppendDecoded("BQItem");
  ReadRun("BQSpec");
  ReadRun("BQWorkScope");
  int32_t norms = 0;
  Timed(FTimes.Decode, [&] { FBuffer.Read(&norms, 4); });
  for (int32_t i = 0; i < norms; ++i) {
    AppendDecoded("NormItem");
    ReadRun("LMMDetail");
    ReadRun("ConvInfo");
  }
}

void ReplayReader::LoadResource(int32_t offset) {
  const int32_t length = Timed(FTimes.Lookup, [&] { return FIndexes.ResOffsetToLength.at(offset); });
  ReadBlock(*FResourceData, offset, length, FResourcePages.get());
  AppendDecoded("Resource");
  ReadRun("MixResLMMDetail");
}

void ReplayReader::ResolveResources(const char* name, const char* field) {
  IntfPtr<IKivTable> table = TableByName(name);
  IntfPtr<IKivTable> resources = TableByName("Resource");
  const int32_t count = Timed(FTimes.Engine, [&] { return table->RecordCount(); });
  for (int32_t i = 0; i < count; ++i) {
    IntfPtr<IKivRecord> row, found;
    const int32_t id = Timed(FTimes.Engine, [&] {
      table->RecordByIndex(i, row);
      const int32_t value = row->FieldAsInteger(field);
      resources->Locate("ResID", Variant(value), found);
      return value;
    });
    if (found) continue;
    LoadResource(Timed(FTimes.Lookup, [&] { return FIndexes.ResIDToOffset.at(id); }));
  }
}

PhaseTimes ReplayReader::LoadByCodes(const std::vector<std::string>& codes) {
  FTimes = PhaseTimes();
  std::vector<int32_t> offsets;
  Timed(FTimes.Lookup, [&] {
    std::unordered_set<int32_t> seen;
    for (const std::string& code : codes) {
      const auto& index = code.size() == 9 ? FIndexes.Code9ToOffset : FIndexes.CodeToOffset;
      auto [first, last] = index.equal_range(code);
      for (; first != last; ++first)
        if (seen.insert(first->second).second) offsets.push_back(first->second);
    }
  });
  Timed(FTimes.Engine, [&] { FModel->SetLoadState(KivLoadStateFilling); });
  for (const char* name : kTables) {
    IntfPtr<IKivTable> table = TableByName(name);
    Timed(FTimes.Engine, [&] { table->ClearRecords(); });
  }
  for (int32_t offset : offsets) LoadBill(offset);
  ResolveResources("LMMDetail", "ResID");
  ResolveResources("MixResLMMDetail", "ResID");
  ResolveResources("MixResLMMDetail", "MasterResID");
  Timed(FTimes.Engine, [&] { FModel->SetLoadState(KivLoadStateDone); });
  Timed(FTimes.Result, [&] {
    std::string result;
    FModel->MakeResult(0, 0, result);
  });
  return FTimes;
}

int64_t ReplayReader::RowCount() {
  int64_t rows = 0;
  for (const char* name : kTables) rows += TableByName(name)->RecordCount();
  return rows;
}

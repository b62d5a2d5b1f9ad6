// Fills the template model's "Resource" table with 1,000 to 300,000 records
// through the engine's interfaces, empties it and fills it again as every
// request of a reader does, then times FindByKey and Locate by "ResID": the
// time per row and per lookup should not grow with the table. The first fill
// also pays for memory the process never had (on some virtual machines a
// fresh page costs microseconds); the refill is the engine's own cost.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/Stopwatch.h"
#include "platform/KivEngineUtils.h"

namespace {

constexpr int kLookups = 200000;

void Run(IKivEngine* engine, const std::string& templateFile, int32_t records) {
  IntfPtr<IKivModel> model;
  engine->CreateModel(false, nullptr, model);
  IntfPtr<IKivModelLoader> loader;
  engine->GetLoader(loader);
  loader->LoadFile(templateFile, model.get(), 0);
  IntfPtr<IKivDatabase> db;
  model->DatabaseByName("UserBQItemDB", db);
  IntfPtr<IKivTables> tables;
  db->Tables(tables);
  IntfPtr<IKivTable> table;
  tables->TableByName("Resource", table);

  const auto fill = [&] {
    const double start = NowMs();
    for (int32_t id = 1; id <= records; ++id) {
      IntfPtr<IKivRecord> record;
      table->NewRecord(record);
      IntfPtr<IKivField> field;
      record->Fields(0, field);
      field->SetAsInteger(id);
      record->Fields(2, field);
      field->SetAsString("resource");
      table->AppendRecord(record.get());
    }
    return (NowMs() - start) * 1e6 / records;
  };
  const double firstNs = fill();
  table->ClearRecords();
  const double appendNs = fill();

  std::mt19937 random(records);
  std::uniform_int_distribution<int32_t> ids(1, records);
  std::vector<int32_t> probes(kLookups);
  for (int32_t& probe : probes) probe = ids(random);

  long found = 0;
  IntfPtr<IKivRecord> record;
  double start = NowMs();
  for (int32_t id : probes) {
    table->FindByKey(id, record);
    found += record ? 1 : 0;
  }
  const double keyNs = (NowMs() - start) * 1e6 / kLookups;

  start = NowMs();
  table->Locate("ResID", int32_t{1}, record);  // builds the field's index
  const double buildMs = NowMs() - start;
  start = NowMs();
  for (int32_t id : probes) {
    table->Locate("ResID", id, record);
    found += record ? 1 : 0;
  }
  const double locateNs = (NowMs() - start) * 1e6 / kLookups;

  std::printf("%9d records: append %6.0f ns (first fill %6.0f ns), FindByKey %5.0f ns, Locate %5.0f ns "
              "(index built in %6.1f ms)%s\n",
              records, appendNs, firstNs, keyNs, locateNs, buildMs, found == 2 * kLookups ? "" : " (lookups missed)");
}

}  // namespace

int main() {
  KivEngineUtilsInitialize();
  {
    IntfPtr<IKivEngine> engine;
    GetKivEngine("", engine);  // KivEngine.dll beside this program
    std::string folder = TKivEngine::ResolveEngineFileName("");
    folder.erase(folder.rfind('/') + 1);
    for (int32_t records : {1000, 10000, 100000, 300000}) Run(engine.get(), folder + "预算综合单价库.Kiv", records);
  }
  KivEngineUtilsFinalize();
}

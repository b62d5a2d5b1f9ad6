// Fills the template model's "Resource" table with 1,000 to 300,000 records
// through the engine's interfaces, empties it and fills it again as every
// request of a reader does, then times FindByKey and Locate by "ResID" (the
// key, as the reader locates resources): the time per row and per lookup
// should not grow with the table. The first fill also pays for memory the
// process never had (on some virtual machines a fresh page costs
// microseconds); the refill is the engine's own cost. Locate by a field that
// is no key is timed on "LMMDetail", filled with as many records, each with a
// "ResID" of its own.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/Stopwatch.h"
#include "platform/KivEngineUtils.h"

namespace {

constexpr int kLookups = 200000;

IntfPtr<IKivTable> TableOf(IKivModel* model, const std::string& name) {
  IntfPtr<IKivDatabase> db;
  model->DatabaseByName("UserBQItemDB", db);
  IntfPtr<IKivTables> tables;
  db->Tables(tables);
  IntfPtr<IKivTable> table;
  tables->TableByName(name, table);
  return table;
}

// Appends records 1 to n, each with its key and field `other` set (to a text
// or to the key again); ns per record.
double Fill(IKivTable* table, int32_t records, int other, bool text) {
  const double start = NowMs();
  for (int32_t id = 1; id <= records; ++id) {
    IntfPtr<IKivRecord> record;
    table->NewRecord(record);
    IntfPtr<IKivField> field;
    record->Fields(0, field);
    field->SetAsInteger(id);
    record->Fields(other, field);
    if (text)
      field->SetAsString("resource");
    else
      field->SetAsInteger(id);
    table->AppendRecord(record.get());
  }
  return (NowMs() - start) * 1e6 / records;
}

// ns per lookup of the probes; -1 when one of them missed.
template <class Lookup>
double TimeLookups(const std::vector<int32_t>& probes, Lookup lookup) {
  long found = 0;
  const double start = NowMs();
  for (int32_t id : probes) found += lookup(id) ? 1 : 0;
  const double ns = (NowMs() - start) * 1e6 / probes.size();
  return found == static_cast<long>(probes.size()) ? ns : -1;
}

void Run(IKivEngine* engine, const std::string& templateFile, int32_t records) {
  IntfPtr<IKivModel> model;
  engine->CreateModel(false, nullptr, model);
  IntfPtr<IKivModelLoader> loader;
  engine->GetLoader(loader);
  loader->LoadFile(templateFile, model.get(), 0);

  IntfPtr<IKivTable> table = TableOf(model.get(), "Resource");
  const double firstNs = Fill(table.get(), records, 2, true);
  table->ClearRecords();
  const double appendNs = Fill(table.get(), records, 2, true);

  std::mt19937 random(records);
  std::uniform_int_distribution<int32_t> ids(1, records);
  std::vector<int32_t> probes(kLookups);
  for (int32_t& probe : probes) probe = ids(random);

  IntfPtr<IKivRecord> record;
  const double keyNs = TimeLookups(probes, [&](int32_t id) {
    table->FindByKey(id, record);
    return bool(record);
  });
  const double locateNs = TimeLookups(probes, [&](int32_t id) {
    table->Locate("ResID", id, record);
    return bool(record);
  });

  IntfPtr<IKivTable> lines = TableOf(model.get(), "LMMDetail");
  Fill(lines.get(), records, 2, false);
  const double start = NowMs();
  lines->Locate("ResID", int32_t{1}, record);  // builds the field's index
  const double buildMs = NowMs() - start;
  const double valueNs = TimeLookups(probes, [&](int32_t id) {
    lines->Locate("ResID", id, record);
    return bool(record);
  });

  std::printf("%9d records: append %6.0f ns (first fill %6.0f ns), FindByKey %5.0f ns, Locate %5.0f ns; "
              "Locate by a field that is no key %5.0f ns (index built in %6.1f ms)%s\n",
              records, appendNs, firstNs, keyNs, locateNs, valueNs, buildMs,
              keyNs < 0 || locateNs < 0 || valueNs < 0 ? " (lookups missed)" : "");
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

#include "KivEngine/ResultJson.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "KivEngine/Json.h"
#include "KivEngine/LargePages.h"
#include "KivEngine/Model.h"
#include "KivEngine/Record.h"

namespace kivengine {

namespace {

class ResultWriter {
 public:
  explicit ResultWriter(std::string& out) : FJson(out) {}

  void Model(const TModel& model) {
    FJson.Raw("{\"databases\":[");
    bool firstDatabase = true;
    for (const IntfPtr<TDatabase>& database : model.Databases()) {
      if (!firstDatabase) FJson.Char(',');
      firstDatabase = false;
      FJson.Raw("{\"name\":");
      FJson.String(database->Name());
      FJson.Raw(",\"tables\":[");
      bool firstTable = true;
      for (const IntfPtr<TTable>& table : database->TableList().Items()) {
        if (!firstTable) FJson.Char(',');
        firstTable = false;
        FJson.Char('{');
        TableDefinition(*table->Def());
        FJson.Raw(",\"records\":");
        Records(*table);
        FJson.Char('}');
      }
      FJson.Raw("]}");
    }
    FJson.Raw("]}");
    FJson.Flush();
  }

  void Records(const TTable& table) {
    const std::vector<std::string>& names = FieldNames(*table.Def());
    const auto& records = table.Records();
    FJson.Char('[');
    for (size_t i = 0; i < records.size(); ++i) {
      if (i + TRecord::kPrefetchAhead < records.size()) records[i + TRecord::kPrefetchAhead]->Prefetch();
      if (i) FJson.Char(',');
      Record(*records[i], names);
    }
    FJson.Char(']');
  }

  void Record(const TRecord& record) { Record(record, FieldNames(record.Def())); }

  size_t Written() const { return FJson.Written(); }

 private:
  void TableDefinition(const TableDef& table) {
    FJson.Raw("\"name\":");
    FJson.String(table.Name);
    FJson.Raw(",\"key\":");
    FJson.String(table.Fields[table.KeyField].Name);
    FJson.Raw(",\"fields\":[");
    for (size_t i = 0; i < table.Fields.size(); ++i) {
      const FieldDef& field = table.Fields[i];
      if (i) FJson.Char(',');
      FJson.Raw("{\"name\":");
      FJson.String(field.Name);
      FJson.Raw(",\"type\":");
      FJson.Integer(field.DataType);
      FJson.Raw(",\"kind\":");
      FJson.Integer(field.Kind);
      if (field.Nested) {
        FJson.Raw(",\"table\":{");
        TableDefinition(*field.Nested);
        FJson.Char('}');
      }
      FJson.Char('}');
    }
    FJson.Char(']');
  }

  // Each field's name as a JSON member name with its colon, made once per
  // table definition.
  const std::vector<std::string>& FieldNames(const TableDef& table) {
    std::vector<std::string>& names = FNames[&table];
    if (names.empty())
      for (const FieldDef& field : table.Fields) {
        std::string name;
        JsonWriter json(name);
        json.String(field.Name);
        json.Char(':');
        json.Flush();
        names.push_back(std::move(name));
      }
    return names;
  }

  void Value(const TRecord& record, int field) {
    if (record.IsNull(field)) return FJson.Raw("null");
    switch (record.Def().Fields[field].Class) {
      case ValueClass::Integer: return FJson.Integer(record.Integer(field));
      case ValueClass::Float: return FJson.Number(record.Float(field));
      case ValueClass::Boolean: return FJson.Raw(record.Boolean(field) ? "true" : "false");
      case ValueClass::String: return FJson.String(record.String(field));
    }
  }

  void Record(const TRecord& record, const std::vector<std::string>& names) {
    const TableDef& def = record.Def();
    FJson.Char('{');
    for (size_t i = 0; i < def.Fields.size(); ++i) {
      const int field = static_cast<int>(i);
      if (i) FJson.Char(',');
      FJson.Raw(names[i]);
      switch (def.Fields[i].Kind) {
        case KivFieldKindTable:
          if (record.IsNull(field))
            FJson.Raw("null");
          else
            Records(*record.Nested(field));
          break;
        case KivFieldKindText:
          FJson.Raw("{\"value\":");
          Value(record, field);
          FJson.Raw(",\"text\":");
          FJson.String(record.Text(field));
          FJson.Char('}');
          break;
        default:
          Value(record, field);
          break;
      }
    }
    FJson.Char('}');
  }

  JsonWriter FJson;
  std::unordered_map<const TableDef*, std::vector<std::string>> FNames;
};

// Room for the whole document, guessed from a few records of each table
// spread over it: the string then grows once instead of doubling, and the
// pages that a generous guess leaves unwritten are never touched (but for the
// rest of a large page).
size_t ExpectedSize(const TModel& model) {
  constexpr size_t kSamples = 16;
  size_t expected = 4096;
  std::string sample;
  ResultWriter writer(sample);
  for (const IntfPtr<TDatabase>& database : model.Databases())
    for (const IntfPtr<TTable>& table : database->TableList().Items()) {
      const auto& records = table->Records();
      expected += 1024;  // the definition
      if (records.empty()) continue;
      const size_t samples = std::min(kSamples, records.size());
      const size_t before = writer.Written();
      for (size_t i = 0; i < samples; ++i) writer.Record(*records[i * records.size() / samples]);
      const size_t perRecord = (writer.Written() - before) / samples + 1;
      expected += perRecord * records.size() / 8 * 9;
    }
  return expected;
}

}  // namespace

void WriteModelJson(const TModel& model, std::string& result) {
  result.clear();
  try {
    result.reserve(ExpectedSize(model));
    AdviseLargePages(result.data(), result.capacity());
    ResultWriter writer(result);
    writer.Model(model);
  } catch (...) {
    result.clear();
    throw;
  }
}

}  // namespace kivengine

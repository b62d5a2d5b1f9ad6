#include "KivEngine/ResultJson.h"

#include "KivEngine/Json.h"
#include "KivEngine/Model.h"
#include "KivEngine/Record.h"

namespace kivengine {

namespace {

void AppendTableDef(std::string& out, const TableDef& table) {
  out += "\"name\":";
  AppendJsonString(out, table.Name);
  out += ",\"key\":";
  AppendJsonString(out, table.Fields[table.KeyField].Name);
  out += ",\"fields\":[";
  for (size_t i = 0; i < table.Fields.size(); ++i) {
    const FieldDef& field = table.Fields[i];
    if (i) out += ',';
    out += "{\"name\":";
    AppendJsonString(out, field.Name);
    out += ",\"type\":" + std::to_string(field.DataType) + ",\"kind\":" + std::to_string(field.Kind);
    if (field.Nested) {
      out += ",\"table\":{";
      AppendTableDef(out, *field.Nested);
      out += '}';
    }
    out += '}';
  }
  out += ']';
}

void AppendValue(std::string& out, const Variant& value) {
  switch (value.VarType()) {
    case TVarType::varInteger: out += std::to_string(value.Integer()); break;
    case TVarType::varDouble: AppendJsonNumber(out, value.Double()); break;
    case TVarType::varBoolean: out += value.Boolean() ? "true" : "false"; break;
    case TVarType::varString: AppendJsonString(out, value.String()); break;
    default: out += "null"; break;
  }
}

void AppendRecords(std::string& out, const TTable& table);

void AppendRecord(std::string& out, const TRecord& record) {
  const TableDef& def = record.Def();
  out += '{';
  for (size_t i = 0; i < def.Fields.size(); ++i) {
    const FieldDef& field = def.Fields[i];
    const FieldValue& value = record.Values()[i];
    if (i) out += ',';
    AppendJsonString(out, field.Name);
    out += ':';
    if (field.Kind == KivFieldKindTable && !value.Value.IsNull()) {
      AppendRecords(out, static_cast<const TTable&>(*value.Nested));
    } else if (field.Kind == KivFieldKindText) {
      out += "{\"value\":";
      AppendValue(out, value.Value);
      out += ",\"text\":";
      AppendJsonString(out, value.Text);
      out += '}';
    } else {
      AppendValue(out, value.Value);
    }
  }
  out += '}';
}

void AppendRecords(std::string& out, const TTable& table) {
  out += '[';
  bool first = true;
  for (const IntfPtr<TRecord>& record : table.Records()) {
    if (!first) out += ',';
    first = false;
    AppendRecord(out, *record);
  }
  out += ']';
}

}  // namespace

std::string ModelJson(const TModel& model) {
  std::string out = "{\"databases\":[";
  bool firstDatabase = true;
  for (const IntfPtr<TDatabase>& database : model.Databases()) {
    if (!firstDatabase) out += ',';
    firstDatabase = false;
    out += "{\"name\":";
    AppendJsonString(out, database->Name());
    out += ",\"tables\":[";
    bool firstTable = true;
    for (const IntfPtr<TTable>& table : database->TableList().Items()) {
      if (!firstTable) out += ',';
      firstTable = false;
      out += '{';
      AppendTableDef(out, *table->Def());
      out += ",\"records\":";
      AppendRecords(out, *table);
      out += '}';
    }
    out += "]}";
  }
  out += "]}";
  return out;
}

}  // namespace kivengine

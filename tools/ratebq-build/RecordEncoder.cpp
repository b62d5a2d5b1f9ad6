#include "tools/ratebq-build/RecordEncoder.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "rtl/DateTime.h"
#include "rtl/Exceptions.h"
#include "winport/Codepage.h"

using kivengine::FieldDef;

namespace {

constexpr uint8_t kFlagNull = 0x01;
// With the flag argument set, a kind-6 field is null only when bits 3 and 0 are both set.
constexpr uint8_t kFlagNullKind6 = 0x09;
constexpr uint8_t kKindText = 4;
constexpr uint8_t kKindNullPair = 6;
constexpr uint8_t kKindTable = 7;

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

// "YYYY-MM-DD", optionally followed by " HH:MM[:SS]" or "THH:MM[:SS]".
bool ParseDateTime(const std::string& text, TDateTime& value) {
  int year, month, day, hour = 0, minute = 0, second = 0, used = 0;
  char sep = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &used) != 3) return false;
  if (static_cast<size_t>(used) != text.size()) {
    int timeUsed = 0;
    const char* rest = text.c_str() + used;
    if (std::sscanf(rest, "%c%2d:%2d%n:%2d%n", &sep, &hour, &minute, &timeUsed, &second, &timeUsed) < 3) return false;
    if ((sep != ' ' && sep != 'T') || static_cast<size_t>(used + timeUsed) != text.size()) return false;
  }
  try {
    value = EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0);
  } catch (const Exception&) {
    return false;
  }
  return true;
}

}  // namespace

std::string SourceTextToGbk(const std::string& utf8) {
  if (IsAscii(utf8)) return utf8;
  std::string gbk = Utf8ToGbk(utf8);
  if (GbkToUtf8(gbk) != utf8) throw SourceError("\"" + utf8 + "\" is not UTF-8 text that GBK can hold");
  return gbk;
}

RecordEncoder::RecordEncoder(const kivengine::TableDef& table) : FTable(table), FNested(table.Fields.size()) {
  for (size_t i = 0; i < table.Fields.size(); ++i)
    if (table.Fields[i].Kind == kKindTable) FNested[i] = std::make_unique<RecordEncoder>(*table.Fields[i].Nested);
}

int RecordEncoder::RequiredField(const char* name) const {
  const int field = FTable.FieldIndex(name);
  if (field < 0) throw SourceError("table " + GbkToUtf8(FTable.Name) + " of the model has no field " + name);
  return field;
}

int RecordEncoder::FieldOfMember(const std::string& member) {
  auto found = FMemberFields.find(member);
  if (found != FMemberFields.end()) return found->second;
  const int field = FTable.FieldIndex(SourceTextToGbk(member));
  FMemberFields.emplace(member, field);
  return field;
}

std::vector<const Json*> RecordEncoder::Resolve(const Json& record, const std::vector<std::string>& childMembers) {
  if (!record.is_object())
    throw SourceError("a record of table " + GbkToUtf8(FTable.Name) + " must be an object, not " +
                      record.type_name());
  std::vector<const Json*> values(FTable.Fields.size());
  std::vector<bool> given(FTable.Fields.size());
  for (const auto& [name, value] : record.items()) {
    const int field = FieldOfMember(name);
    if (field >= 0) {
      if (given[field]) Fail(field, "given twice");
      given[field] = true;
      if (!value.is_null()) values[field] = &value;
      continue;
    }
    bool isChild = false;
    for (const std::string& child : childMembers) isChild = isChild || child == name;
    if (!isChild) throw SourceError("table " + GbkToUtf8(FTable.Name) + " has no field " + name);
  }
  return values;
}

void RecordEncoder::Fail(int field, const std::string& what) const {
  throw SourceError(GbkToUtf8(FTable.Name) + "." + GbkToUtf8(FTable.Fields[field].Name) + ": " + what);
}

int32_t RecordEncoder::IntegerOf(int field, const Json* value) const {
  if (!value) Fail(field, "missing");
  if (!value->is_number_integer() || value->get<int64_t>() < std::numeric_limits<int32_t>::min() ||
      value->get<int64_t>() > std::numeric_limits<int32_t>::max())
    Fail(field, "expected a 32-bit integer");
  return value->get<int32_t>();
}

std::string RecordEncoder::TextOf(int field, const Json* value) const {
  if (!value) return {};
  if (!value->is_string()) Fail(field, "expected a string");
  try {
    return SourceTextToGbk(value->get_ref<const std::string&>());
  } catch (const SourceError& e) {
    Fail(field, e.what());
  }
}

void RecordEncoder::Append(std::string& out, const std::vector<const Json*>& values) {
  for (size_t i = 0; i < values.size(); ++i) {
    const int field = static_cast<int>(i);
    const FieldDef& def = FTable.Fields[i];
    const Json* value = values[i];
    const Json* text = nullptr;
    if (def.Kind == kKindText && value && value->is_object()) {
      for (const auto& [name, member] : value->items())
        if (name != "value" && name != "text") Fail(field, "a value with text has only \"value\" and \"text\"");
      text = JsonMember(*value, "text");
      value = JsonMember(*value, "value");
      if (value && value->is_null()) value = nullptr;
    }
    if (!value) {
      out += static_cast<char>(def.Kind == kKindNullPair ? kFlagNullKind6 : kFlagNull);
    } else {
      out += '\0';
      if (def.Kind == kKindTable)
        AppendNestedBody(out, field, *value);
      else
        AppendValue(out, field, *value);
    }
    if (def.Kind == kKindText) {
      const std::string gbk = text && !text->is_null() ? TextOf(field, text) : std::string();
      AppendLE<int32_t>(out, static_cast<int32_t>(gbk.size()));
      out += gbk;
    }
  }
}

void RecordEncoder::AppendValue(std::string& out, int field, const Json& value) const {
  const int32_t type = FTable.Fields[field].DataType;
  auto integer = [&](int64_t low, int64_t high) {
    if (!value.is_number_integer() || value.get<int64_t>() < low || value.get<int64_t>() > high)
      Fail(field, "expected an integer from " + std::to_string(low) + " to " + std::to_string(high));
    return value.get<int64_t>();
  };
  switch (type) {
    case 0: {
      const std::string gbk = TextOf(field, &value);
      if (gbk.size() > 255) Fail(field, "a short string holds at most 255 bytes");
      out += static_cast<char>(gbk.size());
      out += gbk;
      return;
    }
    case 1:
      if (!value.is_boolean()) Fail(field, "expected true or false");
      out += static_cast<char>(value.get<bool>() ? 1 : 0);
      return;
    case 2: AppendLE<int32_t>(out, static_cast<int32_t>(integer(INT32_MIN, INT32_MAX))); return;
    case 3: AppendLE<int8_t>(out, static_cast<int8_t>(integer(INT8_MIN, INT8_MAX))); return;
    case 4: AppendLE<uint8_t>(out, static_cast<uint8_t>(integer(0, UINT8_MAX))); return;
    case 5: AppendLE<int16_t>(out, static_cast<int16_t>(integer(INT16_MIN, INT16_MAX))); return;
    case 6: AppendLE<uint16_t>(out, static_cast<uint16_t>(integer(0, UINT16_MAX))); return;
    case 7: case 8: case 9: {
      double number = 0;
      if (type == 9 && value.is_string()) {
        if (!ParseDateTime(value.get<std::string>(), number)) Fail(field, "expected a date \"YYYY-MM-DD[ HH:MM[:SS]]\"");
      } else if (value.is_number()) {
        number = value.get<double>();
      } else {
        Fail(field, type == 9 ? "expected a number or a date" : "expected a number");
      }
      AppendLE<double>(out, number);
      return;
    }
    default: {
      const std::string gbk = TextOf(field, &value);
      AppendLE<int32_t>(out, static_cast<int32_t>(gbk.size()));
      out += gbk;
      return;
    }
  }
}

// The flags the builder writes (0x00, 0x01, and 0x09 for a null kind-6 field)
// read the same in the table body format, so nested records share Append.
void RecordEncoder::AppendNestedBody(std::string& out, int field, const Json& records) {
  if (!records.is_array()) Fail(field, "expected an array of records");
  RecordEncoder& nested = *FNested[field];
  const kivengine::TableDef& table = nested.Table();
  AppendLE<int32_t>(out, static_cast<int32_t>(records.size()));
  int32_t nextKey = 1;
  for (const Json& record : records) {
    std::vector<const Json*> values = nested.Resolve(record, {});
    const Json autoKey = nextKey;
    if (!values[table.KeyField]) values[table.KeyField] = &autoKey;
    nextKey = nested.IntegerOf(table.KeyField, values[table.KeyField]) + 1;
    nested.Append(out, values);
  }
}

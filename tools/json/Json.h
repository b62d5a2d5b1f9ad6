// JSON values and a strict parser (UTF-8), for the tools: the builder's source
// documents and the model results that the host and the tests read.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class JsonValue {
 public:
  enum class Type { Null, Boolean, Number, String, Array, Object };

  JsonValue() = default;
  JsonValue(bool value) : FType(Type::Boolean), FBoolean(value) {}
  JsonValue(double value) : FType(Type::Number), FNumber(value) {}
  JsonValue(int64_t value) : FType(Type::Number), FNumber(static_cast<double>(value)), FInteger(value), FIntegral(true) {}
  JsonValue(int32_t value) : JsonValue(int64_t{value}) {}
  JsonValue(std::string value) : FType(Type::String), FText(std::move(value)) {}
  JsonValue(const char* value) : JsonValue(std::string(value)) {}

  static JsonValue Array() { return WithType(Type::Array); }
  static JsonValue Object() { return WithType(Type::Object); }

  Type GetType() const { return FType; }
  bool IsNull() const { return FType == Type::Null; }
  bool AsBoolean() const { return FBoolean; }
  double AsNumber() const { return FNumber; }
  // Whether the number was written without fraction or exponent and fits 64 bits.
  bool IsIntegral() const { return FIntegral; }
  int64_t AsInteger() const { return FInteger; }
  const std::string& AsString() const { return FText; }

  const std::vector<JsonValue>& Items() const { return FItems; }
  const std::vector<std::pair<std::string, JsonValue>>& Members() const { return FMembers; }
  // The member of that name, or nullptr.
  const JsonValue* Find(const std::string& name) const;

  JsonValue& Append(JsonValue item);
  // Adds a member, or replaces the one of that name.
  JsonValue& Set(const std::string& name, JsonValue value);

 private:
  static JsonValue WithType(Type type) {
    JsonValue value;
    value.FType = type;
    return value;
  }
  friend class JsonParser;

  Type FType = Type::Null;
  bool FBoolean = false;
  double FNumber = 0;
  int64_t FInteger = 0;
  bool FIntegral = false;
  std::string FText;
  std::vector<JsonValue> FItems;
  std::vector<std::pair<std::string, JsonValue>> FMembers;
};

// Parses a whole document; std::runtime_error with line and column when the
// text is not JSON. Duplicate member names are refused.
JsonValue ParseJson(const std::string& text);

// The name of a value's type, for messages.
const char* JsonTypeName(JsonValue::Type type);

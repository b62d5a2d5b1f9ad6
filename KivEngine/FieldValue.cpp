#include "KivEngine/FieldValue.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "rtl/Exceptions.h"
#include "rtl/Format.h"

namespace kivengine {

namespace {

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool ParseInteger(const std::string& text, int32_t& result) {
  const std::string trimmed = Trimmed(text);
  const char* begin = trimmed.data() + (trimmed.size() > 1 && trimmed[0] == '+');
  auto [end, error] = std::from_chars(begin, trimmed.data() + trimmed.size(), result);
  return !trimmed.empty() && error == std::errc() && end == trimmed.data() + trimmed.size();
}

bool ParseFloat(const std::string& text, double& result) {
  const std::string trimmed = Trimmed(text);
  char* end = nullptr;
  result = std::strtod(trimmed.c_str(), &end);
  return !trimmed.empty() && end == trimmed.c_str() + trimmed.size();
}

bool FloatToInteger(double value, int32_t& result) {
  if (!std::isfinite(value) || value < -2147483648.5 || value >= 2147483647.5) return false;
  result = static_cast<int32_t>(std::llround(value));
  return true;
}

// Numbers of any class as a double; false for text that is no number.
bool AsDouble(const Variant& value, double& result) {
  switch (value.VarType()) {
    case TVarType::varInteger: result = value.Integer(); return true;
    case TVarType::varDouble: result = value.Double(); return true;
    case TVarType::varBoolean: result = value.Boolean() ? 1 : 0; return true;
    case TVarType::varString: return ParseFloat(value.String(), result);
    default: return false;
  }
}

}  // namespace

bool Coerce(ValueClass valueClass, const Variant& value, Variant& result) {
  if (value.IsNull() || value.IsEmpty()) {
    result = Variant::Null();
    return true;
  }
  switch (valueClass) {
    case ValueClass::String:
      result = ValueText(value);
      return true;
    case ValueClass::Boolean: {
      if (value.VarType() == TVarType::varString) {
        const std::string word = FoldName(Trimmed(value.String()));
        if (word != "TRUE" && word != "FALSE" && word != "1" && word != "0") return false;
        result = word == "TRUE" || word == "1";
        return true;
      }
      double number;
      if (!AsDouble(value, number)) return false;
      result = number != 0;
      return true;
    }
    case ValueClass::Integer: {
      int32_t integer;
      if (value.VarType() == TVarType::varString) {
        if (!ParseInteger(value.String(), integer)) return false;
      } else {
        double number;
        if (!AsDouble(value, number) || !FloatToInteger(number, integer)) return false;
      }
      result = integer;
      return true;
    }
    case ValueClass::Float: {
      double number;
      if (!AsDouble(value, number)) return false;
      result = number;
      return true;
    }
  }
  return false;
}

Variant DefaultValue(ValueClass valueClass) {
  switch (valueClass) {
    case ValueClass::String: return std::string();
    case ValueClass::Boolean: return false;
    case ValueClass::Integer: return int32_t{0};
    case ValueClass::Float: return 0.0;
  }
  return Variant::Null();
}

int32_t ValueAsInteger(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return 0;
  Variant integer;
  if (!Coerce(ValueClass::Integer, value, integer))
    throw EConvertError(Format("'%s' is not a valid integer value", ValueText(value)));
  return integer.Integer();
}

std::string ValueText(const Variant& value) {
  switch (value.VarType()) {
    case TVarType::varInteger: return std::to_string(value.Integer());
    case TVarType::varDouble: {
      char text[32];
      auto [end, error] = std::to_chars(text, text + sizeof text, value.Double());
      return std::string(text, error == std::errc() ? end : text);
    }
    case TVarType::varBoolean: return value.Boolean() ? "True" : "False";
    case TVarType::varString: return value.String();
    default: return {};
  }
}

}  // namespace kivengine

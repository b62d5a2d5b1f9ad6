// The class library's variant: a value of one of a few types, or null, or
// unassigned. Engines take lookup values as variants.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

enum class TVarType : uint8_t { varEmpty, varNull, varInteger, varDouble, varBoolean, varString };

class Variant {
 public:
  Variant() = default;
  Variant(int32_t value) : FValue(value) {}
  Variant(double value) : FValue(value) {}
  Variant(bool value) : FValue(value) {}
  Variant(std::string value) : FValue(std::move(value)) {}
  Variant(const char* value) : FValue(std::string(value)) {}

  static Variant Null() {
    Variant v;
    v.FValue = NullValue{};
    return v;
  }

  TVarType VarType() const { return static_cast<TVarType>(FValue.index()); }
  bool IsEmpty() const { return VarType() == TVarType::varEmpty; }
  bool IsNull() const { return VarType() == TVarType::varNull; }

  // The value held; the type must be the one asked for.
  int32_t Integer() const { return std::get<int32_t>(FValue); }
  double Double() const { return std::get<double>(FValue); }
  bool Boolean() const { return std::get<bool>(FValue); }
  const std::string& String() const { return std::get<std::string>(FValue); }

  friend bool operator==(const Variant& a, const Variant& b) { return a.FValue == b.FValue; }

 private:
  struct NullValue {
    friend bool operator==(NullValue, NullValue) { return true; }
  };
  // The order of the alternatives is the order of TVarType.
  std::variant<std::monostate, NullValue, int32_t, double, bool, std::string> FValue;
};

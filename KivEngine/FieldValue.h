// What a record holds for each field, and the conversions between the value
// classes. A value is always held in its field's class, so equal values
// compare and hash alike whatever type they were given as.
#pragma once

#include <cstdint>
#include <string>

#include "KivEngine/ModelDef.h"
#include "platform/KivEngineIntf.h"
#include "rtl/Variant.h"

namespace kivengine {

struct FieldValue {
  Variant Value = Variant::Null();  // Null while the field is null
  uint8_t Flags = 0;                // bits 1, 3 and 5 as last set
  std::string Text;                 // kind 4
  IntfPtr<IKivTable> Nested;        // kind 7: the table the field holds
};

constexpr uint8_t kFlagBit1 = 0x02;
constexpr uint8_t kFlagBit3 = 0x08;
constexpr uint8_t kFlagBit5 = 0x20;

// The value in the given class; false when it does not convert.
bool Coerce(ValueClass valueClass, const Variant& value, Variant& result);

// The value a field of the class takes when it stops being null.
Variant DefaultValue(ValueClass valueClass);

// The value as an integer (null gives 0); EConvertError when it has none.
int32_t ValueAsInteger(const Variant& value);

// The value as text, for messages and for string fields.
std::string ValueText(const Variant& value);

}  // namespace kivengine

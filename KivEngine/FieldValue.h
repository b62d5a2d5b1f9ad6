// The conversions between the value classes. A record holds each value in
// its field's class, so equal values compare and hash alike whatever type
// they were given as.
#pragma once

#include <cstdint>
#include <string>

#include "KivEngine/ModelDef.h"
#include "rtl/Variant.h"

namespace kivengine {

// The flag bits a field keeps as set.
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

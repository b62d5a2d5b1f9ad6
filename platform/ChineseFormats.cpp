#include "platform/ChineseFormats.h"

#include <cstdint>

#include "rtl/SysUtils.h"

bool IsIntegerText(const std::string& text) {
  int32_t value;
  return TryStrToInt(Trim(text), value);
}

int LastCharPos(char ch, const std::string& s) {
  const size_t pos = s.rfind(ch);
  return pos == std::string::npos ? 0 : static_cast<int>(pos) + 1;
}

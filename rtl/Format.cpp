#include "rtl/Format.h"

#include <cstdarg>
#include <cstdio>

std::string FormatV(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), n + 1, format, again);
  va_end(again);
  return out;
}

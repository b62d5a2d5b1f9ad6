// Assertions that raise EAssertionFailed with "%s (%s, line %d)". The unit and
// line are fixed at the call site, so messages do not move when a file changes.
#pragma once

#include "rtl/Exceptions.h"

[[noreturn]] void AssertionFailed(const char* text, const char* unit, int line);

inline void Assert(bool condition, const char* text, const char* unit, int line) {
  if (!condition) AssertionFailed(text, unit, line);
}

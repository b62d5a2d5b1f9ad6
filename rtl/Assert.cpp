#include "rtl/Assert.h"

#include "rtl/Format.h"

void AssertionFailed(const char* text, const char* unit, int line) {
  const char* shown = (text && *text) ? text : SAssertionFailed;
  throw EAssertionFailed(Format(SAssertError, shown, unit, line));
}

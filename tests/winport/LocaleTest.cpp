#include "winport/Locale.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int Compare(const std::string& a, const std::string& b, DWORD flags = NORM_IGNORECASE) {
  return CompareStringA(LOCALE_USER_DEFAULT, flags, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size()));
}

TEST(CompareStringA, IgnoresCaseOfEveryScript) {
  EXPECT_EQ(Compare("edtInteger", "EDTINTEGER"), CSTR_EQUAL);
  EXPECT_EQ(Compare("edtInteger", "EDTINTEGER", 0), CSTR_GREATER_THAN);
  // An ASCII prefix followed by Greek, Cyrillic and full-width letters.
  EXPECT_EQ(Compare("ab αд ａ", "AB ΑД Ａ"), CSTR_EQUAL);
  EXPECT_EQ(Compare("ab αд ａ", "AB ΑД Ａ", 0), CSTR_GREATER_THAN);
  EXPECT_EQ(Compare("代码", "代码"), CSTR_EQUAL);
}

TEST(CompareStringA, AsciiDifferenceOrEndDecidesBeforeOtherText) {
  EXPECT_EQ(Compare("aBα", "AbΒ"), CSTR_LESS_THAN);
  EXPECT_EQ(Compare("abc代码", "abd代码"), CSTR_LESS_THAN);
  EXPECT_EQ(Compare("abd", "ABC代码"), CSTR_GREATER_THAN);
  EXPECT_EQ(Compare("ab", "AB代"), CSTR_LESS_THAN);
  EXPECT_EQ(Compare("ab\x81", "AB"), CSTR_GREATER_THAN);
  EXPECT_EQ(Compare("", ""), CSTR_EQUAL);
  EXPECT_EQ(Compare("", "α"), CSTR_LESS_THAN);
}

}  // namespace

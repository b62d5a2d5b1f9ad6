// The wildcard mask: whole-name matching, sets, case, double-byte characters,
// and the error of a malformed mask.
#include "rtl/Mask.h"

#include <gtest/gtest.h>

#include <string>

#include "rtl/Exceptions.h"

namespace {

bool Match(const std::string& mask, const std::string& name) { return TMask(mask).Matches(name); }

std::string MaskError(const std::string& mask) {
  try {
    TMask m(mask);
  } catch (const EMaskException& e) {
    return e.Message();
  }
  return "no error";
}

TEST(Mask, StarsQuestionMarksAndWholeNames) {
  EXPECT_TRUE(Match("*.txt", "sub/a.txt"));  // "*" crosses delimiters
  EXPECT_TRUE(Match("*", ""));
  EXPECT_TRUE(Match("a*b*c", "abc"));
  EXPECT_TRUE(Match("a*b*c", "a-b-b-c"));
  EXPECT_FALSE(Match("a*b*c", "a-b-c-d"));
  EXPECT_FALSE(Match("a", "ab"));  // the whole name must match
  EXPECT_FALSE(Match("b", "ab"));
  EXPECT_TRUE(Match("?.t?t", "a.txt"));
  EXPECT_FALSE(Match("?", ""));
  EXPECT_FALSE(Match("??", "a"));
  EXPECT_TRUE(Match("*.TXT", "dir/A.txt"));  // ASCII letters without case
  EXPECT_FALSE(Match("*.txt", "a.txt.bak"));
  // Many stars against a long name that fails at its end: no blow-up.
  EXPECT_FALSE(Match("*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
}

TEST(Mask, SetsAndRanges) {
  EXPECT_TRUE(Match("[abc].txt", "b.txt"));
  EXPECT_TRUE(Match("[a-c]x", "Bx"));  // sets ignore ASCII case as well
  EXPECT_FALSE(Match("[a-c]x", "dx"));
  EXPECT_TRUE(Match("[!a-c]x", "dx"));
  EXPECT_FALSE(Match("[!a-c]x", "Ax"));
  EXPECT_TRUE(Match("[A-z]", "_"));
  EXPECT_TRUE(Match("[a-]", "-"));  // a "-" before "]" is itself
  EXPECT_TRUE(Match("[-]", "-"));
  EXPECT_TRUE(Match("[a!]", "!"));
  EXPECT_TRUE(Match("v[0-9][0-9]", "v42"));
  EXPECT_FALSE(Match("v[0-9][0-9]", "v4"));
}

// GBK characters are pairs: "?" takes both bytes, and a trail byte that looks
// like a letter or "\" is never matched on its own.
TEST(Mask, DoubleByteCharactersMatchAsPairs) {
  const std::string zhong = "\xD6\xD0", wen = "\xCE\xC4";
  const std::string trailA = "\x81\x41", trailBackslash = "\x81\x5C";
  EXPECT_TRUE(Match(zhong + "*", zhong + wen + ".txt"));
  EXPECT_TRUE(Match("?" + wen, zhong + wen));
  EXPECT_FALSE(Match("???", zhong + wen));
  EXPECT_FALSE(Match("*a*", trailA));
  EXPECT_FALSE(Match("*A", trailA));
  EXPECT_TRUE(Match(trailA, trailA));
  EXPECT_FALSE(Match(trailA, "\x81\x61"));  // no case folding inside a pair
  EXPECT_FALSE(Match("*\\*", trailBackslash));
  EXPECT_TRUE(Match("[" + zhong + wen + "]", wen));
  EXPECT_FALSE(Match("[" + zhong + "]", "\xD6\xD1"));
}

// The position is the byte, from 1, of the "[" that opens the faulty set.
TEST(Mask, MalformedMasksNameTheSet) {
  EXPECT_EQ(MaskError("*.[tx"), "'*.[tx' is an invalid mask at (3)");
  EXPECT_EQ(MaskError("a[]"), "'a[]' is an invalid mask at (2)");
  EXPECT_EQ(MaskError("[!]"), "'[!]' is an invalid mask at (1)");
  EXPECT_EQ(MaskError("\xD6\xD0[-z]"), "'\xD6\xD0[-z]' is an invalid mask at (3)");
  EXPECT_EQ(MaskError("[a-z-9]"), "'[a-z-9]' is an invalid mask at (1)");
  EXPECT_EQ(MaskError("x["), "'x[' is an invalid mask at (2)");
  EXPECT_EQ(MaskError("a]b*?"), "no error");
}

}  // namespace

#include "platform/ChineseFormats.h"

#include <gtest/gtest.h>

namespace {

TEST(ChineseFormats, IsIntegerText) {
  for (const char* yes : {" 42 ", "-7", "+0", "\t12\r\n", "2147483647", "-2147483648", "$A", "$ff", "x1F", "X1f",
                          "0x7fffffff", "0XFFFFFFFF", "$FFFFFFFF", "-$10", "007"})
    EXPECT_TRUE(IsIntegerText(yes)) << yes;
  for (const char* no : {"", "   ", "12a", "2147483648", "-2147483649", "1 2", "$", "0x", "x", "-", "+",
                         "$100000000", "$G", "1.5", "--1", "0x-1", "４２"})
    EXPECT_FALSE(IsIntegerText(no)) << no;
}

TEST(ChineseFormats, LastCharPos) {
  EXPECT_EQ(LastCharPos('.', "a.b.c"), 4);
  EXPECT_EQ(LastCharPos('.', "abc"), 0);
  EXPECT_EQ(LastCharPos('.', ""), 0);
  EXPECT_EQ(LastCharPos('.', "."), 1);
}

}  // namespace

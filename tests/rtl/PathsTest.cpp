#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "rtl/Paths.h"

namespace {

TEST(Paths, ExtractFilePathOfANameWithoutFolder) {
  EXPECT_EQ(ExtractFilePath("a.dll"), "");
  EXPECT_EQ(ExtractFilePath(std::string("lib") + PathDelim + "a.dll"), std::string("lib") + PathDelim);
}

TEST(Paths, FileExistsOnlyForFiles) {
  const char* bin = std::getenv("TARVIK_BIN");
  ASSERT_NE(bin, nullptr);
  EXPECT_TRUE(FileExists(GetModuleName(nullptr)));
  EXPECT_FALSE(FileExists(bin));
  EXPECT_TRUE(DirectoryExists(bin));
  EXPECT_FALSE(FileExists(std::string(bin) + "/absent"));
  EXPECT_FALSE(FileExists(""));
}

}  // namespace

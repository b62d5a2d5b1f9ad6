#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "rtl/Paths.h"

namespace {

std::string CurrentDirectory() {
  char* cwd = getcwd(nullptr, 0);
  std::string dir = cwd;
  free(cwd);
  return dir;
}

TEST(Paths, ExpandFileNameResolvesAgainstTheCurrentDirectoryAsText) {
  const std::string cwd = CurrentDirectory();
  EXPECT_EQ(ExpandFileName("a.dll"), cwd + "/a.dll");
  EXPECT_EQ(ExpandFileName("./x/../a.dll"), cwd + "/a.dll");
  EXPECT_EQ(ExpandFileName("/usr//lib/./x/../y.dll"), "/usr/lib/y.dll");
  EXPECT_EQ(ExpandFileName("/../../a"), "/a");
  EXPECT_EQ(ExpandFileName("/usr/lib/"), "/usr/lib/");
  EXPECT_EQ(ExpandFileName("/usr/.."), "/");
  EXPECT_EQ(ExpandFileName(""), "");
}

TEST(Paths, ExtractFilePathKeepsTheDelimiter) {
  EXPECT_EQ(ExtractFilePath("/usr/lib/a.dll"), "/usr/lib/");
  EXPECT_EQ(ExtractFilePath("a.dll"), "");
  // A backslash is a letter of a file name here.
  EXPECT_EQ(ExtractFilePath("/usr/lib\\a.dll"), "/usr/");
}

}  // namespace

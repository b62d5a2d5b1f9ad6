#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "rtl/Exceptions.h"
#include "rtl/Paths.h"
#include "tests/ScratchFolder.h"

namespace {

const std::string D(1, PathDelim);

TEST(Paths, PartsOfANameAndTrailingDelimiters) {
  EXPECT_EQ(ExtractFilePath("a.dll"), "");
  EXPECT_EQ(ExtractFilePath("lib" + D + "a.dll"), "lib" + D);
  EXPECT_EQ(ExtractFileName("lib" + D + "a.dll"), "a.dll");
  EXPECT_EQ(ExtractFileName("lib" + D), "");
  EXPECT_EQ(ExtractFileName("a.dll"), "a.dll");
  EXPECT_EQ(IncludeTrailingPathDelimiter("a"), "a" + D);
  EXPECT_EQ(IncludeTrailingPathDelimiter("a" + D), "a" + D);
  EXPECT_EQ(ExcludeTrailingPathDelimiter("a" + D), "a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("a"), "a");
}

TEST(Paths, ForceDirectoriesMakesEveryMissingParent) {
  ScratchFolder dir;
  EXPECT_TRUE(ForceDirectories(dir / "a/b/c/"));
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  EXPECT_TRUE(ForceDirectories(dir / "a/b"));
  EXPECT_TRUE(ForceDirectories(dir / "a/x/../y"));
  EXPECT_TRUE(DirectoryExists(dir / "a/y"));
  dir.Write("file", "f");
  EXPECT_FALSE(ForceDirectories(dir / "file/sub"));
  EXPECT_FALSE(DirectoryExists(dir / "file/sub"));
  EXPECT_THROW(ForceDirectories(""), EInOutError);
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

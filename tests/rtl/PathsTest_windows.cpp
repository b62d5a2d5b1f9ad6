#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "rtl/Paths.h"
#include "tests/TempFolder.h"

namespace {

std::string CurrentDirectory() {
  char dir[MAX_PATH];
  return std::string(dir, GetCurrentDirectoryA(MAX_PATH, dir));
}

TEST(Paths, ExpandFileNameIsTheSystemsFullPath) {
  const std::string cwd = IncludeTrailingPathDelimiter(CurrentDirectory());
  EXPECT_EQ(ExpandFileName("a.dll"), cwd + "a.dll");
  EXPECT_EQ(ExpandFileName("./x/../a.dll"), cwd + "a.dll");
  EXPECT_EQ(ExpandFileName("C:/Program Files//x/../y.dll"), "C:\\Program Files\\y.dll");
  EXPECT_EQ(ExpandFileName("C:\\a\\"), "C:\\a\\");
  EXPECT_EQ(ExpandFileName(""), "");
}

TEST(Paths, FolderDelimitersAreBothSlashesAndTheDriveColon) {
  EXPECT_EQ(ExtractFilePath("C:\\Program Files\\Tarvik\\Tarvik.dll"), "C:\\Program Files\\Tarvik\\");
  EXPECT_EQ(ExtractFilePath("C:/Tarvik/Tarvik.dll"), "C:/Tarvik/");
  EXPECT_EQ(ExtractFilePath("C:Tarvik.dll"), "C:");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\Tarvik"), "C:\\Tarvik\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:/Tarvik/"), "C:/Tarvik/");
}

TEST(Paths, ForceDirectoriesMakesEveryMissingFolderOfADrivePath) {
  TempFolder temp("rtl-paths");
  const std::string deep = temp.Path() + "\\a/b\\c";
  EXPECT_TRUE(ForceDirectories(deep + "\\"));
  EXPECT_TRUE(DirectoryExists(temp.Path() + "\\a\\b\\c"));
  EXPECT_FALSE(FileExists(deep));
}

}  // namespace

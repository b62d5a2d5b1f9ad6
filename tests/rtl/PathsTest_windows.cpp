#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "rtl/Paths.h"
#include "tests/ScratchFolder.h"

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
  ScratchFolder temp;
  const std::string deep = temp.Path().string() + "\\a/b\\c";
  EXPECT_TRUE(ForceDirectories(deep + "\\"));
  EXPECT_TRUE(DirectoryExists(temp.Path().string() + "\\a\\b\\c"));
  EXPECT_FALSE(FileExists(deep));
}

TEST(Paths, ADoubleByteCharacterEndingIn5CIsNoDelimiter) {
  const std::string jou = "\x81\x5C";  // a GBK character whose second byte is "\"
  EXPECT_EQ(ExtractFilePath("C:\\a\\" + jou), "C:\\a\\");
  EXPECT_EQ(ExtractFileName("C:\\a\\" + jou), jou);
  EXPECT_EQ(IncludeTrailingPathDelimiter(jou), jou + "\\");
  EXPECT_EQ(ExcludeTrailingPathDelimiter(jou), jou);
  EXPECT_EQ(ExtractRelativePath("C:\\" + jou + "\\", "C:\\" + jou + "\\a.txt"), "a.txt");
}

TEST(Paths, ExtractRelativePathStaysOnItsDrive) {
  EXPECT_EQ(ExtractRelativePath("C:\\data\\in\\", "c:/data/out/a.txt"), "..\\out\\a.txt");
  EXPECT_EQ(ExtractRelativePath("C:\\data\\in\\", "C:\\data\\in\\sub\\"), "sub\\");
  EXPECT_EQ(ExtractRelativePath("C:\\data\\", "D:\\data\\a.txt"), "D:\\data\\a.txt");
  EXPECT_EQ(ExtractRelativePath("C:\\data\\", "data\\a.txt"), "data\\a.txt");
}

TEST(Paths, ResolveFileNameNamesWhatExistsAsTheFileSystemDoes) {
  ScratchFolder dir;
  const std::string root = ResolveFileName(dir.Path().string());
  ASSERT_FALSE(root.empty());
  ASSERT_TRUE(ForceDirectories(dir / "real/deep"));
  EXPECT_EQ(ResolveFileName(dir / "real/deep/new/file"), root + "\\real\\deep\\new\\file");
  EXPECT_EQ(ResolveFileName(dir / "missing/../real/"), root + "\\real");
  EXPECT_EQ(ResolveFileName("C:\\"), "C:\\");
  EXPECT_EQ(ResolveFileName(""), "");
}

TEST(Paths, FileNameTooLongPastTheClassicLimit) {
  EXPECT_FALSE(FileNameTooLong("C:\\" + std::string(255, 'n')));
  EXPECT_TRUE(FileNameTooLong("C:\\" + std::string(256, 'n')));
  EXPECT_TRUE(FileNameTooLong("C:\\" + std::string(200, 'a') + "\\" + std::string(60, 'b')));
  // 120 double-byte characters: 240 bytes, but 120 characters to Windows.
  std::string wide;
  for (int i = 0; i < 120; ++i) wide += "\xD6\xD0";
  EXPECT_FALSE(FileNameTooLong("C:\\" + wide + "\\" + wide));
}

}  // namespace

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "rtl/Paths.h"
#include "tests/ScratchFolder.h"

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

TEST(Paths, ABackslashIsALetterOfAFileName) {
  EXPECT_EQ(ExtractFilePath("/usr/lib\\a.dll"), "/usr/");
  EXPECT_EQ(ExtractFileName("/usr/lib\\a.dll"), "lib\\a.dll");
}

TEST(Paths, ExtractRelativePathStepsUpFromTheBase) {
  EXPECT_EQ(ExtractRelativePath("/data/in/", "/data/in/sub/a.txt"), "sub/a.txt");
  EXPECT_EQ(ExtractRelativePath("/data/in/", "/data/in/sub/"), "sub/");
  EXPECT_EQ(ExtractRelativePath("/data/in/x.zip", "/data/out/a.txt"), "../out/a.txt");
  EXPECT_EQ(ExtractRelativePath("/data/in/deep/", "/other/a.txt"), "../../../other/a.txt");
  EXPECT_EQ(ExtractRelativePath("/DATA/In/", "/data/in/a.txt"), "a.txt");  // ASCII case ignored
  EXPECT_EQ(ExtractRelativePath("/data//in/", "/data/in/a.txt"), "a.txt");
  EXPECT_EQ(ExtractRelativePath("./", "./a.txt"), "a.txt");
  EXPECT_EQ(ExtractRelativePath("/data/", "rel/a.txt"), "rel/a.txt");  // as on another drive
}

TEST(Paths, ResolveFileNameFollowsLinks) {
  ScratchFolder dir;
  const std::string root = ResolveFileName(dir.Path().string());
  ASSERT_FALSE(root.empty());
  ASSERT_TRUE(ForceDirectories(dir / "real/deep"));
  ASSERT_EQ(symlink((dir / "real").c_str(), (dir / "link").c_str()), 0);
  ASSERT_EQ(symlink("real/deep", (dir / "relative").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (dir / "dangling").c_str()), 0);
  ASSERT_EQ(symlink("loop", (dir / "loop").c_str()), 0);
  EXPECT_EQ(ResolveFileName(dir / "link/deep/new/file"), root + "/real/deep/new/file");
  EXPECT_EQ(ResolveFileName(dir / "relative/.."), root + "/real");  // ".." from where the link leads
  EXPECT_EQ(ResolveFileName(dir / "./real//deep/"), root + "/real/deep");
  EXPECT_EQ(ResolveFileName(dir / "missing/../real"), root + "/real");
  EXPECT_EQ(ResolveFileName(dir / "dangling"), "");
  EXPECT_EQ(ResolveFileName(dir / "loop/x"), "");
  EXPECT_EQ(ResolveFileName("/"), "/");
  EXPECT_EQ(ResolveFileName(""), "");
}

TEST(Paths, FileNameTooLongForTheFileSystem) {
  EXPECT_FALSE(FileNameTooLong("/tmp/" + std::string(255, 'n')));
  EXPECT_TRUE(FileNameTooLong("/tmp/" + std::string(256, 'n') + "/x"));
  // 128 GBK characters are 256 bytes, but 384 bytes of UTF-8 on disk.
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += "\xD6\xD0";
  EXPECT_TRUE(FileNameTooLong(wide));
  std::string deep;
  for (int i = 0; i < 1100; ++i) deep += "abc/";
  EXPECT_TRUE(FileNameTooLong(deep));
  EXPECT_FALSE(FileNameTooLong(deep.substr(0, 4000)));
}

}  // namespace

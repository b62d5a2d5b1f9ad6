// The archive on a POSIX file system: attributes and times from the file's
// mode and name, links, FIFOs, and the file system's limits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <set>
#include <string>

#include "rtl/DateTime.h"
#include "tests/archive/ZipFiles.h"

namespace {

using namespace ziptest;

TEST_F(ZipFiles, AddFilesKeepsAttributesAndTimes) {
  src_.Write(".dot", "hidden");
  chmod((src_ / "a.txt").c_str(), 0444);
  const struct timespec times[2] = {{0, 0}, {1600000000, 0}};
  utimensat(AT_FDCWD, (src_ / "a.txt").c_str(), times, 0);
  IntfPtr<IZipFile> zip = NewArchive();
  zip->AddFiles(Src(), "", false, "", 0);
  IntfPtr<IZipFileEntry> a = Named(zip, "a.txt");
  EXPECT_EQ(a->Attributes(), 0x21u);
  const time_t seconds = 1600000000;
  struct tm local;
  localtime_r(&seconds, &local);
  EXPECT_DOUBLE_EQ(a->DateTime(), EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                                      EncodeTime(local.tm_hour, local.tm_min, local.tm_sec / 2 * 2, 0));
  EXPECT_EQ(Named(zip, ".dot")->Attributes(), 0x22u);
  EXPECT_EQ(NewArchive()->AddFiles(Src(), "", false, "", 0x30), 2);  // archive and directory: .dot is hidden
}

// Links back up the tree are not followed without end; FIFOs are not read.
TEST_F(ZipFiles, AddFilesEndsOnLinksAndSkipsWhatIsNoFile) {
  ASSERT_EQ(symlink("..", (src_ / "sub/up").c_str()), 0);
  ASSERT_EQ(symlink("/", (src_ / "root").c_str()), 0);
  src_.Write("x/y.txt", "y");
  ASSERT_EQ(symlink("../z", (src_ / "x/to-z").c_str()), 0);
  src_.Write("z/w.txt", "w");
  ASSERT_EQ(symlink("../x", (src_ / "z/to-x").c_str()), 0);
  ASSERT_EQ(mkfifo((src_ / "pipe").c_str(), 0666), 0);
  IntfPtr<IZipFile> zip = NewArchive();
  zip->AddFiles(Src(), "", true, "", 0);
  const std::set<std::string> set = NameSet(zip);
  EXPECT_EQ(set.count("sub/up/"), 1u);  // its entry, but not entered
  EXPECT_EQ(set.count("sub/up/a.txt"), 0u);
  EXPECT_EQ(set.count("root/"), 1u);
  EXPECT_EQ(set.count("root/tmp/"), 0u);
  EXPECT_EQ(set.count("x/to-z/w.txt"), 1u);  // a link to a sibling is followed once
  EXPECT_EQ(set.count("x/to-z/to-x/"), 1u);
  EXPECT_EQ(set.count("x/to-z/to-x/y.txt"), 0u);
  EXPECT_EQ(set.count("pipe"), 0u);
  IntfPtr<IZipFileEntry> none;
  zip->AddFile("pipe", src_ / "pipe", none);
  EXPECT_FALSE(none);
}

// A folder that cannot be searched (here: its path is too long to name) is an
// error, not a folder left out unseen.
TEST_F(ZipFiles, AddFilesReportsAFolderItCannotSearch) {
  {
    InFolder deep(src_.Path());
    const std::string part(200, 'd');
    for (int i = 0; i < 21; ++i) {
      fs::create_directory(part);
      fs::current_path(part);
    }
    std::ofstream("bottom.txt") << "b";
  }
  const std::string message = ErrorText([&] { NewArchive()->AddFiles(Src(), "", true, "", 0); });
  EXPECT_EQ(message.rfind("无法读取文件夹 " + Src() + "/ddd", 0), 0u) << message;
  EXPECT_EQ(message.substr(message.size() - 20), ": File name too long");
}

// "\" is a folder delimiter in an entry name, as on Windows; a 0x5C byte that
// ends a double-byte character is not.
TEST_F(ZipFiles, BackslashesInNamesAreDelimiters) {
  IntfPtr<IZipFile> zip = Hostile({Stored("win\\dir\\a.txt", "1"), Stored("\x81\x5C.txt", "2")});
  zip->ExtractFiles(out_.Path().string(), "win/*");
  EXPECT_EQ(out_.Read("win/dir/a.txt"), "1");
  zip->ExtractFiles(out_.Path().string(), "");
  EXPECT_EQ(out_.Read(Utf8(u8"\u4E57.txt")), "2");
}

TEST_F(HostileNames, LinksInsideTheDestination) {
  ASSERT_EQ(symlink("../outside", (dest_ / "out").c_str()), 0);
  ASSERT_EQ(symlink("../outside/new.txt", (dest_ / "leaf").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (dest_ / "dangling").c_str()), 0);
  ASSERT_EQ(symlink("..", (dest_ / "up").c_str()), 0);
  before_ = Tree(out_.Path());
  ExpectRefused({Stored("out/x.txt", "e")}, "文件 out/x.txt 不能解压: 目标在解压文件夹之外");
  ExpectRefused({Stored("leaf", "e")}, "文件 leaf 不能解压: 目标在解压文件夹之外");
  ExpectRefused({Stored("dangling", "e")}, "文件 dangling 不能解压: 目标在解压文件夹之外");
  Record folder = Stored("up/made/", "");
  folder.attributes = 0x10;
  ExpectRefused({folder}, "文件 up/made/ 不能解压: 目标在解压文件夹之外");
  // A link that stays inside is followed.
  fs::create_directories(dest_ / "real");
  ASSERT_EQ(symlink("real", (dest_ / "alias").c_str()), 0);
  Hostile({Stored("alias/kept.txt", "k")})->ExtractFiles(dest_.string(), "");
  EXPECT_EQ(out_.Read("dest/real/kept.txt"), "k");
}

TEST_F(HostileNames, NamesTooLongForTheFileSystem) {
  std::string deep;
  while (deep.size() < 65000) deep += "abcdefgh/";
  deep += "end.txt";
  const std::string longest = std::string(65535 - 4, 'n') + ".txt";
  const std::string part = std::string(256, 'p') + "/x.txt";
  ExpectRefused({Stored("good.txt", "g"), Stored(deep, "e")}, Format(SZipUnsafeName, deep, SZipNameTooLong));
  ExpectRefused({Stored(longest, "e")}, Format(SZipUnsafeName, longest, SZipNameTooLong));
  ExpectRefused({Stored(part, "e")}, Format(SZipUnsafeName, part, SZipNameTooLong));
}

}  // namespace

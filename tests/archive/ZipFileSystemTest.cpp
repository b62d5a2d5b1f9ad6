// The archive on the file system: adding files and trees, extracting by mask
// into a folder that nothing may leave, and archives as files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "archive/QuarnZipFile.h"
#include "rtl/FileStream.h"
#include "tests/ScratchFolder.h"
#include "tests/archive/ZipTestSupport.h"

namespace {

using namespace ziptest;
namespace fs = std::filesystem;

IntfPtr<IZipFile> NewArchive(const std::string& password = "") {
  IntfPtr<IZipFile> zip;
  CreateZipFile(password, zip);
  return zip;
}

IntfPtr<IZipFileEntry> Entry(const IntfPtr<IZipFile>& zip, int32_t index) {
  IntfPtr<IZipFileEntry> entry;
  zip->Entries(index, entry);
  return entry;
}

std::vector<std::string> Names(const IntfPtr<IZipFile>& zip) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < zip->Count(); ++i) names.push_back(Entry(zip, i)->Name());
  return names;
}

std::set<std::string> NameSet(const IntfPtr<IZipFile>& zip) {
  const std::vector<std::string> names = Names(zip);
  return {names.begin(), names.end()};
}

// An archive loaded from hand-made records, so that any name can stand in it.
IntfPtr<IZipFile> Hostile(const std::vector<Record>& records) {
  std::string bytes;
  for (const Record& r : records) bytes += LocalRecord(r);
  TStringStream stream(bytes);
  IntfPtr<IZipFile> zip;
  OpenZipStream(&stream, "", zip);
  return zip;
}

// Every path below root, with "/" after folders.
std::set<std::string> Tree(const fs::path& root) {
  std::set<std::string> paths;
  for (const auto& item : fs::recursive_directory_iterator(root))
    paths.insert(fs::relative(item.path(), root).string() + (item.is_directory() ? "/" : ""));
  return paths;
}

// Works in another current directory until the scope ends.
class InFolder {
 public:
  explicit InFolder(const fs::path& folder) : FBack(fs::current_path()) { fs::current_path(folder); }
  ~InFolder() { fs::current_path(FBack); }

 private:
  fs::path FBack;
};

IntfPtr<IZipFileEntry> Named(const IntfPtr<IZipFile>& zip, const std::string& name) {
  return static_cast<TZipFile*>(zip.get())->FindEntry(name);
}

class ZipFiles : public testing::Test {
 protected:
  void SetUp() override {
    src_.Write("a.txt", "alpha");
    src_.Write("sub/b.txt", "beta");
  }
  std::string Src() const { return src_.Path().string(); }

  ScratchFolder src_;
  ScratchFolder out_;
};

// ---- Adding

TEST_F(ZipFiles, AddFilesDepthFirstWithTheCountOfAllLevels) {
  IntfPtr<IZipFile> zip = NewArchive();
  EXPECT_EQ(zip->AddFiles(Src(), "", true, "", 0), 3);
  const std::vector<std::string> names = Names(zip);
  ASSERT_EQ(names.size(), 3u);
  const auto sub = std::find(names.begin(), names.end(), "sub/");
  ASSERT_NE(sub, names.end());
  EXPECT_EQ(*(sub + 1), "sub/b.txt");  // a folder's entry, then what lies below it
  EXPECT_EQ(zip->ExtractToString("a.txt"), "alpha");
  EXPECT_EQ(zip->ExtractToString("sub/b.txt"), "beta");
  EXPECT_EQ(zip->ExtractToString("sub/"), "");
  EXPECT_EQ(Named(zip, "sub/")->Attributes(), 0x10u);

  IntfPtr<IZipFile> flat = NewArchive();
  EXPECT_EQ(flat->AddFiles(Src() + "/", "", false, "", 0), 2);
  EXPECT_EQ(NameSet(flat), (std::set<std::string>{"a.txt", "sub/"}));
  IntfPtr<IZipFile> filesOnly = NewArchive();
  EXPECT_EQ(filesOnly->AddFiles(Src(), "", true, "", 0x20), 1);
  EXPECT_EQ(Names(filesOnly), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(NewArchive()->AddFiles(src_ / "missing", "", true, "", 0), 0);
  EXPECT_EQ(NewArchive()->AddFiles(Src(), "", true, "*.none", 0), 0);
}

TEST_F(ZipFiles, AddFilesMaskAlsoChoosesTheFolders) {
  src_.Write("docs.txt/inner.txt", "in a folder that matches");
  src_.Write("docs.txt/inner.bin", "no match");
  IntfPtr<IZipFile> zip = NewArchive();
  EXPECT_EQ(zip->AddFiles(Src(), "", true, "*.TXT", 0), 3);
  EXPECT_EQ(NameSet(zip), (std::set<std::string>{"a.txt", "docs.txt/", "docs.txt/inner.txt"}));
}

TEST_F(ZipFiles, AddFilesNamesRelativeToTheBase) {
  IntfPtr<IZipFile> zip = NewArchive();
  EXPECT_EQ(zip->AddFiles(src_ / "sub", Src(), true, "", 0), 1);
  EXPECT_EQ(Names(zip), std::vector<std::string>{"sub/b.txt"});
  IntfPtr<IZipFile> beside = NewArchive();
  EXPECT_EQ(beside->AddFiles(src_ / "sub", src_ / "other", true, "", 0), 1);
  EXPECT_EQ(Names(beside), std::vector<std::string>{"../sub/b.txt"});
}

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

TEST_F(ZipFiles, AddFileReadsTheFileBeforeMakingItsEntry) {
  IntfPtr<IZipFile> zip = NewArchive("pw");
  IntfPtr<IZipFileEntry> e;
  zip->AddFile("renamed\\a.txt", src_ / "a.txt", e);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Name(), "renamed/a.txt");
  EXPECT_EQ(e->GetData(), "alpha");
  EXPECT_EQ(e->Attributes(), 0x20u);
  zip->AddFile("x", src_ / "missing", e);
  EXPECT_FALSE(e);
  zip->AddFile("x", src_ / "sub", e);
  EXPECT_FALSE(e);
  {
    // A writer that shares with nobody: the file cannot be opened, nothing is added.
    TFileStream writer(src_ / "a.txt", fmOpenReadWrite | fmShareExclusive);
    EXPECT_THROW(zip->AddFile("y", src_ / "a.txt", e), EFOpenError);
    EXPECT_EQ(zip->Count(), 1);
    // AddFiles has made the entry before its file fails to open.
    EXPECT_THROW(zip->AddFiles(Src(), "", false, "a.txt", 0), EFOpenError);
    EXPECT_EQ(zip->Count(), 2);
  }
}

// ---- Extracting

TEST_F(ZipFiles, ExtractFilesBuildsTheTree) {
  IntfPtr<IZipFile> zip = NewArchive();
  zip->AddFiles(Src(), "", true, "", 0);
  IntfPtr<IZipFileEntry> e;
  static_cast<TZipFile*>(zip.get())->NewEntry("empty/", 0x10, 0, e);
  zip->AddBuffer("/rooted.txt", "r", 1, e);
  zip->AddBuffer("deep/er/c.txt", "c", 1, e);
  out_.Write("a.txt", "to be replaced by a longer text");
  zip->ExtractFiles(out_.Path().string() + "/", "");
  EXPECT_EQ(Tree(out_.Path()), (std::set<std::string>{"a.txt", "sub/", "sub/b.txt", "empty/", "rooted.txt", "deep/",
                                                      "deep/er/", "deep/er/c.txt"}));
  EXPECT_EQ(out_.Read("a.txt"), "alpha");
  EXPECT_EQ(out_.Read("rooted.txt"), "r");

  ScratchFolder picked;
  zip->ExtractFiles(picked.Path().string(), "*.TXT");
  EXPECT_EQ(Tree(picked.Path()), (std::set<std::string>{"a.txt", "sub/", "sub/b.txt", "rooted.txt", "deep/",
                                                        "deep/er/", "deep/er/c.txt"}));
  ScratchFolder none;
  zip->ExtractFiles(none.Path().string(), "sub/?.bin");
  EXPECT_TRUE(Tree(none.Path()).empty());
}

TEST_F(ZipFiles, MalformedMaskFailsBeforeAnythingIsWritten) {
  IntfPtr<IZipFile> zip = NewArchive();
  zip->AddFiles(Src(), "", true, "", 0);
  EXPECT_EQ(ErrorText([&] { zip->ExtractFiles(out_.Path().string(), "*.[tx"); }),
            "'*.[tx' is an invalid mask at (3)");
  EXPECT_TRUE(Tree(out_.Path()).empty());
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

// An empty folder name is the current directory, never the root.
TEST_F(ZipFiles, EmptyFolderIsTheCurrentDirectory) {
  InFolder here(out_.Path());
  IntfPtr<IZipFile> zip = NewArchive();
  IntfPtr<IZipFileEntry> e;
  zip->AddBuffer("/here.txt", "h", 1, e);
  zip->AddBuffer("sub/there.txt", "t", 1, e);
  zip->ExtractFiles("", "");
  EXPECT_EQ(out_.Read("here.txt"), "h");
  EXPECT_EQ(out_.Read("sub/there.txt"), "t");
  IntfPtr<IZipFile> added = NewArchive();
  EXPECT_EQ(added->AddFiles("", "", true, "", 0), 3);
  EXPECT_EQ(NameSet(added), (std::set<std::string>{"here.txt", "sub/", "sub/there.txt"}));
}

TEST_F(ZipFiles, FailingEntryStopsTheExtraction) {
  IntfPtr<IZipFile> zip = NewArchive("pw");
  zip->AddFiles(Src(), "", true, "a.txt", 0);
  IntfPtr<IZipFile> back;
  TStringStream saved;
  zip->SaveToStream(&saved);
  saved.SetPosition(0);
  OpenZipStream(&saved, "wrong", back);
  EXPECT_EQ(ErrorText([&] { back->ExtractFiles(out_.Path().string(), ""); }), "文件密码不正确");
  EXPECT_EQ(out_.Read("a.txt"), "");  // created before its data failed
}

// ---- Hostile names: refused, naming the entry, and nothing written at all.

class HostileNames : public ZipFiles {
 protected:
  void ExpectRefused(const std::vector<Record>& records, const std::string& message) {
    IntfPtr<IZipFile> zip = Hostile(records);
    EXPECT_EQ(ErrorText([&] { zip->ExtractFiles(dest_.string(), ""); }), message);
    EXPECT_EQ(Tree(out_.Path()), before_);
  }
  void SetUp() override {
    ZipFiles::SetUp();
    dest_ = out_.Path() / "dest";
    out_.Write("dest/inside.txt", "i");
    fs::create_directories(out_.Path() / "outside");
    before_ = Tree(out_.Path());
  }
  fs::path dest_;
  std::set<std::string> before_;
};

TEST_F(HostileNames, ParentStepsAndNulBytes) {
  const Record good = Stored("good.txt", "g");
  ExpectRefused({good, Stored("../evil.txt", "e")}, "文件 ../evil.txt 不能解压: 名称含有上级目录 \"..\"");
  ExpectRefused({good, Stored("a/../../evil.txt", "e")}, "文件 a/../../evil.txt 不能解压: 名称含有上级目录 \"..\"");
  ExpectRefused({good, Stored("..\\evil.txt", "e")}, "文件 ..\\evil.txt 不能解压: 名称含有上级目录 \"..\"");
  ExpectRefused({good, Stored("/../evil.txt", "e")}, "文件 /../evil.txt 不能解压: 名称含有上级目录 \"..\"");
  ExpectRefused({good, Stored(std::string("ok\0/../../x", 11), "e")}, "文件 ok 不能解压: 名称含有空字符");
  // A name that only looks like a step is fine.
  IntfPtr<IZipFile> dots = Hostile({Stored("..a/...", "d")});
  dots->ExtractFiles(dest_.string(), "");
  EXPECT_EQ(out_.Read("dest/..a/..."), "d");
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

// ---- Archives as files

TEST_F(ZipFiles, SaveToFileAndLoadFromFileUnderAPassword) {
  IntfPtr<IZipFile> zip = NewArchive("secret");
  zip->SetComment("files");
  zip->AddFiles(Src(), "", true, "", 0);
  const std::string path = out_ / "archive.zip";
  zip->SaveToFile(path);
  IntfPtr<IZipFile> back = NewArchive("secret");
  back->LoadFromFile(path);
  EXPECT_EQ(Names(back), Names(zip));
  EXPECT_EQ(back->Comment(), "files");
  EXPECT_EQ(back->ExtractToString("sub/b.txt"), "beta");
  EXPECT_TRUE(Named(back, "a.txt")->Encrypted());

  EXPECT_THROW(back->LoadFromFile(out_ / "missing.zip"), EFOpenError);
  EXPECT_EQ(back->Count(), zip->Count());  // untouched
  {
    // Readers share with readers; a writer in the way is a sharing violation.
    TFileStream reader(path, fmOpenRead | fmShareDenyWrite);
    back->LoadFromFile(path);
    EXPECT_THROW(back->SaveToFile(path), EFCreateError);
  }
  {
    TFileStream writer(path, fmOpenReadWrite | fmShareDenyWrite);
    EXPECT_THROW(back->LoadFromFile(path), EFOpenError);
  }
  EXPECT_EQ(back->Count(), zip->Count());
}

}  // namespace

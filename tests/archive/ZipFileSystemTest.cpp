// The archive on the file system: adding files and trees, extracting by mask
// into a folder that nothing may leave, and archives as files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/archive/ZipFiles.h"

namespace {

using namespace ziptest;

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

TEST_F(HostileNames, ParentStepsAndNulBytes) {
  const Record good = Stored("good.txt", "g");
  ExpectRefused({good, Stored("../evil.txt", "e")}, "文件 ../evil.txt 不能解压: 名称含有上级目录 \"..\"");
  ExpectRefused({good, Stored("a/../../evil.txt", "e")}, "文件 a/../../evil.txt 不能解压: 名称含有上级目录 \"..\"");
  ExpectRefused({good, Stored("..\\evil.txt", "e")}, "文件 ..\\evil.txt 不能解压: 名称含有上级目录 \"..\"");
  ExpectRefused({good, Stored("/../evil.txt", "e")}, "文件 /../evil.txt 不能解压: 名称含有上级目录 \"..\"");
  ExpectRefused({good, Stored(std::string("ok\0/../../x", 11), "e")}, "文件 ok 不能解压: 名称含有空字符");
  // A name that only looks like a step is fine.
  IntfPtr<IZipFile> dots = Hostile({Stored("..a/...b", "d")});
  dots->ExtractFiles(dest_.string(), "");
  EXPECT_EQ(out_.Read("dest/..a/...b"), "d");
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

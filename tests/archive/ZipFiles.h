// Test support: archives on the file system, the fixtures of the tests of
// adding and extracting files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "archive/QuarnZipFile.h"
#include "rtl/FileStream.h"
#include "tests/ScratchFolder.h"
#include "tests/archive/ZipTestSupport.h"

namespace ziptest {

namespace fs = std::filesystem;


inline IntfPtr<IZipFile> NewArchive(const std::string& password = "") {
  IntfPtr<IZipFile> zip;
  CreateZipFile(password, zip);
  return zip;
}

inline IntfPtr<IZipFileEntry> Entry(const IntfPtr<IZipFile>& zip, int32_t index) {
  IntfPtr<IZipFileEntry> entry;
  zip->Entries(index, entry);
  return entry;
}

inline std::vector<std::string> Names(const IntfPtr<IZipFile>& zip) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < zip->Count(); ++i) names.push_back(Entry(zip, i)->Name());
  return names;
}

inline std::set<std::string> NameSet(const IntfPtr<IZipFile>& zip) {
  const std::vector<std::string> names = Names(zip);
  return {names.begin(), names.end()};
}

// An archive loaded from hand-made records, so that any name can stand in it.
inline IntfPtr<IZipFile> Hostile(const std::vector<Record>& records) {
  std::string bytes;
  for (const Record& r : records) bytes += LocalRecord(r);
  TStringStream stream(bytes);
  IntfPtr<IZipFile> zip;
  OpenZipStream(&stream, "", zip);
  return zip;
}

// Every path below root, "/" between and after folders.
inline std::set<std::string> Tree(const fs::path& root) {
  std::set<std::string> paths;
  for (const auto& item : fs::recursive_directory_iterator(root))
    paths.insert(fs::relative(item.path(), root).generic_string() + (item.is_directory() ? "/" : ""));
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

inline IntfPtr<IZipFileEntry> Named(const IntfPtr<IZipFile>& zip, const std::string& name) {
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

}  // namespace ziptest

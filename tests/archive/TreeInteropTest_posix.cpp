// Whole trees between this archive code and the Linux side's real tools: a
// tree added with AddFiles passes Info-ZIP's listing and test and extracts
// back byte for byte; a tree zipped by Info-ZIP extracts here as unzip
// extracts it; archives that Python writes to a pipe are refused rather than
// read as empty.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "archive/QuarnZipFile.h"
#include "rtl/Format.h"
#include "tests/ScratchFolder.h"
#include "tests/archive/ZipTestSupport.h"
#include "winport/Codepage.h"

namespace {

namespace fs = std::filesystem;
using ziptest::ErrorText;
using ziptest::Shell;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// Each path below root (its name in GBK; on disk in UTF-8 when utf8Names)
// with its bytes, or "/" for a folder.
std::map<std::string, std::string> Snapshot(const fs::path& root, bool utf8Names) {
  std::map<std::string, std::string> items;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(item.path(), root).string();
    std::string bytes = "/";
    if (!item.is_directory()) {
      std::ifstream in(item.path(), std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    items[utf8Names ? Utf8ToGbk(name) : name] = bytes;
  }
  return items;
}

// The names that `unzip -l` lists, as raw bytes.
std::set<std::string> UnzipListing(const std::string& archive) {
  std::set<std::string> names;
  std::istringstream lines(Shell("LC_ALL=C unzip -l " + Quoted(archive)));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string length, date, time, name;
    if (!(fields >> length >> date >> time) || length.find_first_not_of("0123456789") != std::string::npos ||
        date.find('-') == std::string::npos)
      continue;
    std::getline(fields >> std::ws, name);
    names.insert(name);
  }
  return names;
}

// Python's zipfile, for the exact bytes of names: `list ARCHIVE` prints each
// stored name in hex; `make ARCHIVE HEX...` writes an archive of empty entries
// with exactly those names, made on a FAT system as ours are, so that unzip
// shows its names through the same code-page table as ours.
constexpr const char* kNamesScript = R"(import sys, zipfile
class RawName(zipfile.ZipInfo):
    __slots__ = ('raw',)
    def _encodeFilenameFlags(self):
        return self.raw, self.flag_bits
if sys.argv[1] == 'list':
    for info in zipfile.ZipFile(sys.argv[2]).infolist():
        print(info.filename.encode('utf-8' if info.flag_bits & 0x800 else 'cp437').hex())
else:
    with zipfile.ZipFile(sys.argv[2], 'w') as z:
        for name in sys.argv[3:]:
            info = RawName(bytes.fromhex(name).decode('cp437'))
            info.raw = bytes.fromhex(name)
            info.create_system = 0
            z.writestr(info, b'')
)";

std::string Hex(const std::string& bytes) {
  std::string hex;
  for (unsigned char c : bytes) hex += Format("%02x", c);
  return hex;
}

std::string RandomBytes(size_t size) {
  std::mt19937 gen(5);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(gen());
  return bytes;
}

// A tree with nested folders, GBK names (one with a 0x5C trail byte), an empty
// file, an empty folder and a file of 1 MiB; names are written by `name`,
// which turns the GBK name into the bytes that stand on disk.
template <class NameOnDisk>
void MakeTree(const ScratchFolder& dir, const fs::path& root, NameOnDisk name) {
  dir.Write(name(root / "预算/单价/说明.txt"), "综合单价\n");
  dir.Write(name(root / "\x81\x5C.txt"), "trail byte 0x5C");
  dir.Write(name(root / "nested/a/b/c.txt"), "deep");
  dir.Write(name(root / "empty.dat"), "");
  dir.Write(name(root / "big/1mib.bin"), RandomBytes(1 << 20));
  fs::create_directories(dir.Path() / name(root / "hollow"));
}

TEST(TreeInterop, AddedTreePassesInfoZipAndExtractsBackWhole) {
  ScratchFolder dir;
  MakeTree(dir, "src", [](const fs::path& p) { return GbkToUtf8(p.string()); });
  IntfPtr<IZipFile> zip;
  CreateZipFile("tree-pw", zip);
  EXPECT_EQ(zip->AddFiles(dir / "src", "", true, "", 0), 12);
  const std::string archive = dir / "tree.zip";
  zip->SaveToFile(archive);

  const std::set<std::string> names = {"预算/",   "预算/单价/", "预算/单价/说明.txt", "\x81\x5C.txt",
                                       "nested/", "nested/a/",  "nested/a/b/",        "nested/a/b/c.txt",
                                       "empty.dat", "big/",     "big/1mib.bin",       "hollow/"};
  dir.Write("names.py", kNamesScript);
  std::set<std::string> expected, stored;
  std::string hexArguments;
  for (const std::string& name : names) {
    expected.insert(Hex(name));
    hexArguments += " " + Hex(name);
  }
  std::istringstream listed(Shell("python3 " + Quoted(dir / "names.py") + " list " + Quoted(archive)));
  for (std::string line; std::getline(listed, line);) stored.insert(line);
  EXPECT_EQ(stored, expected);
  int status;
  Shell("python3 " + Quoted(dir / "names.py") + " make " + Quoted(dir / "reference.zip") + hexArguments, &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(UnzipListing(archive), UnzipListing(dir / "reference.zip"));
  EXPECT_EQ(UnzipListing(archive).size(), names.size());
  const std::string tested = Shell("unzip -t -P tree-pw " + Quoted(archive) + " 2>&1", &status);
  EXPECT_EQ(status, 0) << tested;

  IntfPtr<IZipFile> back;
  CreateZipFile("tree-pw", back);
  back->LoadFromFile(archive);
  back->ExtractFiles(dir / "out", "");
  const std::string diff = Shell("diff -r " + Quoted(dir / "src") + " " + Quoted(dir / "out") + " 2>&1", &status);
  EXPECT_EQ(status, 0) << diff;
}

TEST(TreeInterop, InfoZipTreeExtractsAsUnzipDoes) {
  ScratchFolder dir;
  // Info-ZIP keeps the bytes of the names on disk: GBK names stand in GBK.
  MakeTree(dir, "src", [](const fs::path& p) { return p.string(); });
  int status;
  Shell("cd " + Quoted(dir / "src") + " && LC_ALL=C zip -q -r -P zip-pw ../made.zip .", &status);
  ASSERT_EQ(status, 0);
  Shell("LC_ALL=C unzip -q -P zip-pw " + Quoted(dir / "made.zip") + " -d " + Quoted(dir / "by-unzip"), &status);
  ASSERT_EQ(status, 0);

  IntfPtr<IZipFile> zip;
  CreateZipFile("zip-pw", zip);
  zip->LoadFromFile(dir / "made.zip");
  zip->ExtractFiles(dir / "by-us", "");
  // Here names on disk are UTF-8; unzip wrote the stored GBK bytes.
  const auto ours = Snapshot(dir.Path() / "by-us", true);
  EXPECT_EQ(ours, Snapshot(dir.Path() / "by-unzip", false));
  EXPECT_EQ(ours.size(), 12u);
}

// Python's zipfile on a pipe keeps sizes only in data descriptors.
TEST(TreeInterop, PipedPythonArchiveIsRefusedNotReadAsEmpty) {
  ScratchFolder dir;
  int status;
  Shell("python3 -c \"import zipfile, sys\n"
        "z = zipfile.ZipFile(sys.stdout.buffer, 'w', zipfile.ZIP_DEFLATED)\n"
        "z.writestr('first.txt', 'x' * 100)\n"
        "z.writestr('second.txt', 'y')\n"
        "z.close()\" | cat > " +
            Quoted(dir / "piped.zip"),
        &status);
  ASSERT_EQ(status, 0);
  IntfPtr<IZipFile> zip;
  CreateZipFile("", zip);
  zip->LoadFromFile(dir / "piped.zip");
  ASSERT_GE(zip->Count(), 1);
  EXPECT_EQ(ErrorText([&] { zip->ExtractToString("first.txt"); }), "文件 first.txt 的数据大小无法确定");
  EXPECT_THROW(zip->ExtractFiles(dir / "out", ""), EZipFileException);
}

}  // namespace

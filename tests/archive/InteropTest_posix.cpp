// Interoperability with the real programs on this machine: archives that
// Info-ZIP zip makes load here, and archives written here pass unzip and
// Python's zipfile.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "archive/QuarnZipFile.h"
#include "rtl/FileStream.h"
#include "tests/archive/ZipTestSupport.h"

namespace {

namespace fs = std::filesystem;
using ziptest::Shell;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class ZipInterop : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarvik-zip-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::mt19937 gen(11);
    std::string random(70000, '\0');
    for (char& c : random) c = static_cast<char>(gen());
    std::string text;
    for (int i = 0; i < 6000; ++i) text += "bill item " + std::to_string(i * 7919 % 4099) + " norm line\n";
    files_ = {
        {"text.txt", text}, {"random.bin", random}, {"empty.dat", ""}, {"sub/deep.txt", "deep\n"}, {"one.txt", "x"}};
    for (const auto& [name, data] : files_) WriteFile(dir_ / name, data);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string FileList() const {
    std::string list;
    for (const auto& [name, data] : files_) list += " " + name;
    return list;
  }

  fs::path dir_;
  std::map<std::string, std::string> files_;
};

TEST_F(ZipInterop, InfoZipArchivesLoadAtEveryLevel) {
  bool sawCheckFromTime = false;
  for (int level = 0; level <= 9; ++level) {
    for (const std::string password : {"", "S3cret-pw"}) {
      const fs::path zipPath = dir_ / ("made-" + std::to_string(level) + (password.empty() ? "" : "-pw") + ".zip");
      int status;
      Shell("cd '" + dir_.string() + "' && zip -q -" + std::to_string(level) +
                (password.empty() ? "" : " -P " + password) + " '" + zipPath.string() + "'" + FileList(),
            &status);
      ASSERT_EQ(status, 0) << "zip failed";
      const std::string bytes = ReadFile(zipPath);
      sawCheckFromTime |= (ziptest::GetLe16(bytes, 6) & 9) == 9;

      IntfPtr<IZipFile> zip;
      CreateZipFile(password, zip);
      zip->LoadFromFile(zipPath.string());
      ASSERT_EQ(zip->Count(), static_cast<int32_t>(files_.size())) << zipPath;
      for (const auto& [name, data] : files_) {
        EXPECT_EQ(zip->ExtractToString(name), data) << name << " at level " << level;
      }
      IntfPtr<IZipFileEntry> first;
      zip->Entries(0, first);
      EXPECT_EQ(first->Encrypted(), !password.empty());
    }
  }
  EXPECT_TRUE(sawCheckFromTime) << "zip -P wrote no entry whose check byte comes from the time";
}

TEST_F(ZipInterop, InfoZipBlockUnzipsInPlace) {
  const fs::path zipPath = dir_ / "block.zip";
  int status;
  Shell("cd '" + dir_.string() + "' && zip -q -9 -P blockpw '" + zipPath.string() + "' text.txt", &status);
  ASSERT_EQ(status, 0);
  TMemoryStream block;
  block.LoadFromFile(zipPath.string());
  EXPECT_FALSE(UnzipFirstEntryInPlace(&block, "other"));
  ASSERT_TRUE(UnzipFirstEntryInPlace(&block, "blockpw"));
  EXPECT_EQ(std::string(static_cast<const char*>(block.Memory()), block.Size()), files_["text.txt"]);
}

TEST_F(ZipInterop, SavedArchivesPassUnzipAndPython) {
  std::string expected;
  for (const auto& [name, data] : files_) {
    const std::string md5 = Shell("md5sum '" + (dir_ / name).string() + "' | cut -c1-32");
    expected += name + " " + std::to_string(data.size()) + " " + md5;
  }
  for (const std::string password : {"", "pw-of-ours"}) {
    for (uint8_t level : {0, 2, 3}) {
      IntfPtr<IZipFile> zip;
      CreateZipFile(password, zip);
      zip->SetLevel(level);
      zip->SetComment("made by Tarvik");
      for (const auto& [name, data] : files_) {
        // An empty file stays an entry never given data.
        IntfPtr<IZipFileEntry> entry;
        zip->AddBuffer(name, data.data(), static_cast<int32_t>(data.size()), entry);
      }
      const fs::path zipPath = dir_ / ("ours-" + std::to_string(level) + (password.empty() ? "" : "-pw") + ".zip");
      zip->SaveToFile(zipPath.string());
      const std::string pw = password.empty() ? "" : " -P " + password;

      int status;
      const std::string tested = Shell("unzip -t" + pw + " '" + zipPath.string() + "' 2>&1", &status);
      EXPECT_EQ(status, 0) << tested;
      for (const auto& [name, data] : files_) {
        EXPECT_EQ(Shell("unzip -p" + pw + " '" + zipPath.string() + "' '" + name + "'"), data) << name;
      }

      // zipfile checks each CRC-32 as it reads; print name, size and a digest.
      const std::string script =
          "import sys, zipfile, hashlib\n"
          "z = zipfile.ZipFile(sys.argv[1])\n"
          "if len(sys.argv) > 2: z.setpassword(sys.argv[2].encode())\n"
          "for i in z.infolist():\n"
          "    d = z.read(i)\n"
          "    print(i.filename, len(d), hashlib.md5(d).hexdigest())\n"
          "print('comment', z.comment.decode())\n";
      WriteFile(dir_ / "read.py", script);
      const std::string listing =
          Shell("python3 '" + (dir_ / "read.py").string() + "' '" + zipPath.string() + "' " + password + " 2>&1");
      EXPECT_EQ(listing, expected + "comment made by Tarvik\n");
    }
  }
}

}  // namespace

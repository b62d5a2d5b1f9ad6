#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "rtl/Assert.h"
#include "rtl/FileStream.h"
#include "rtl/Stream.h"

namespace {

TEST(Assert, MessageNamesUnitAndLine) {
  try {
    Assert(false, "", "QuarnZipEnc", 120);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Assertion failed (QuarnZipEnc, line 120)");
  }
}

TEST(MemoryStream, ReadBufferPastEndRaises) {
  TMemoryStream m;
  m.WriteBuffer("abc", 3);
  m.SetPosition(1);
  char buf[4] = {};
  EXPECT_EQ(m.Read(buf, 4), 2);
  m.SetPosition(1);
  EXPECT_THROW(m.ReadBuffer(buf, 3), EReadError);
}

TEST(MemoryStream, CopyFromZeroCopiesWholeSource) {
  TStringStream src("hello");
  src.SetPosition(3);
  TMemoryStream dst;
  EXPECT_EQ(dst.CopyFrom(&src, 0), 5);
  EXPECT_EQ(std::string(static_cast<char*>(dst.Memory()), 5), "hello");
}

class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("rtl-fs-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    name = (dir / "f.bin").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
  std::string name;
};

TEST_F(FileStreamTest, DenyWriteReaderBlocksCreateAndWriterBlocksReader) {
  { TFileStream(name, fmCreate).WriteBuffer("x", 1); }
  {
    TFileStream reader(name, fmOpenRead | fmShareDenyWrite);
    TFileStream second(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_THROW(TFileStream(name, fmCreate), EFCreateError);
    EXPECT_THROW(TFileStream(name, fmOpenReadWrite | fmShareDenyNone), EFOpenError);
  }
  TFileStream writer(name, fmOpenReadWrite | fmShareExclusive);
  EXPECT_THROW(TFileStream(name, fmOpenRead | fmShareDenyWrite), EFOpenError);
}

TEST_F(FileStreamTest, OpenMissingFileNamesFileAndReason) {
  try {
    TFileStream f(name + ".missing", fmOpenRead | fmShareDenyWrite);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(),
              "Cannot open file \"" + name + ".missing\". The system cannot find the file specified.");
  }
}

}  // namespace

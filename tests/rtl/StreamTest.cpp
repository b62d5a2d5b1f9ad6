#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <type_traits>

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
    // The system's reason, in the system's language.
    EXPECT_EQ(e.Message(), "Cannot open file \"" + name + ".missing\". " + SysErrorMessage(ERROR_FILE_NOT_FOUND));
  }
}

static_assert(!std::is_copy_constructible_v<TMemoryStream>, "a copy would free the memory twice");

TEST(MemoryStream, ReadBeforeStartGivesNothing) {
  for (TStream* s : std::initializer_list<TStream*>{new TMemoryStream, new TStringStream}) {
    s->WriteBuffer("abcdef", 6);
    EXPECT_EQ(s->Seek(-4, TSeekOrigin::soBeginning), -4);
    char buf[8];
    EXPECT_EQ(s->Read(buf, 8), 0);
    EXPECT_THROW(s->ReadBuffer(buf, 1), EReadError);
    delete s;
  }
}

TEST(MemoryStream, SeekSetSizeAndWritePastEnd) {
  TMemoryStream m;
  m.WriteBuffer("abcdef", 6);
  EXPECT_EQ(m.Seek(-2, TSeekOrigin::soEnd), 4);
  EXPECT_EQ(m.Seek(-1, TSeekOrigin::soCurrent), 3);
  m.SetSize(2);
  EXPECT_EQ(m.Position(), 2);
  m.WriteBuffer("XY", 2);
  EXPECT_EQ(m.Size(), 4);
  EXPECT_EQ(std::string(static_cast<char*>(m.Memory()), 4), "abXY");
}

TEST(MemoryStream, ExchangeTradesBytesSizeAndPosition) {
  TMemoryStream a, b;
  a.WriteBuffer("abcdef", 6);
  a.SetPosition(2);
  b.WriteBuffer("xy", 2);
  const void* bytesOfA = a.Memory();
  a.Exchange(b);
  EXPECT_EQ(std::string(static_cast<const char*>(a.Memory()), a.Size()), "xy");
  EXPECT_EQ(a.Position(), 2);
  EXPECT_EQ(b.Memory(), bytesOfA);  // no copy
  EXPECT_EQ(b.Size(), 6);
  EXPECT_EQ(b.Position(), 2);
  // Each goes on with what it was given: growing, reading, freeing it.
  b.Seek(0, TSeekOrigin::soEnd);
  b.WriteBuffer(std::string(100000, 'g').data(), 100000);
  char head[3] = {};
  b.SetPosition(0);
  b.ReadBuffer(head, 2);
  EXPECT_EQ(std::string(head), "ab");
  a.Clear();
  EXPECT_EQ(b.Size(), 100006);
}

TEST(StringStream, CopyFromTakesCountFromSourcePosition) {
  TStringStream src("0123456789");
  src.SetPosition(4);
  TStringStream dst("ab");
  dst.Seek(0, TSeekOrigin::soEnd);
  EXPECT_EQ(dst.CopyFrom(&src, 3), 3);
  EXPECT_EQ(dst.DataString(), "ab456");
  EXPECT_EQ(src.Position(), 7);
  EXPECT_THROW(dst.CopyFrom(&src, 4), EReadError);
}

}  // namespace

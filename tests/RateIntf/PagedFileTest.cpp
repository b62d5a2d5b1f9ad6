#include "RateIntf/PagedFile.h"

#include <gtest/gtest.h>

#include <string>

#include "rtl/Exceptions.h"
#include "tests/ScratchFolder.h"

namespace {

class PagedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 150000; ++i) Bytes += static_cast<char>(i * 7 + i / 251);
    Folder.Write("data", Bytes);
    File = new TFileStream(Folder / "data", fmOpenRead | fmShareDenyWrite);
  }
  void TearDown() override { FreeAndNil(File); }

  std::string Read(TPagedFile& pages, int64_t offset, int32_t count) {
    std::string out(count, '\0');
    pages.Read(offset, out.data(), count);
    return out;
  }

  ScratchFolder Folder;
  std::string Bytes;
  TFileStream* File = nullptr;
};

TEST_F(PagedFileTest, BlocksComeOutAsTheFileHoldsThemAcrossPages) {
  TPagedFile pages(File);
  const struct {
    int64_t Offset;
    int32_t Count;
  } blocks[] = {{0, 10}, {65530, 12}, {65536, 1}, {100, 140000}, {149990, 10}, {131071, 2}, {5, 0}, {150000, 0}};
  for (const auto& b : blocks) EXPECT_EQ(Read(pages, b.Offset, b.Count), Bytes.substr(b.Offset, b.Count)) << b.Offset;
  // Pages are read once: the file's own position no longer matters.
  File->SetPosition(3);
  EXPECT_EQ(Read(pages, 65000, 2000), Bytes.substr(65000, 2000));
}

TEST_F(PagedFileTest, BlocksOutsideTheFileAreReadErrors) {
  TPagedFile pages(File);
  char buffer[16] = {};
  EXPECT_THROW(pages.Read(149995, buffer, 6), EReadError);
  EXPECT_THROW(pages.Read(-1, buffer, 1), EReadError);
  EXPECT_THROW(pages.Read(0, buffer, -1), EReadError);
  EXPECT_THROW(pages.Read(int64_t{1} << 40, buffer, 1), EReadError);
}

}  // namespace

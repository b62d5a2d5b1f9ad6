// The rate library format is the same for both variants: the sample library
// loads through the current and the older library into the same tables.
#include "rtl/Paths.h"
#include "tests/Programs.h"
#include "tests/RateIntf/RateLibraryFixture.h"

namespace ratetest {
namespace {

class SampleLibrary : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    const std::string source = std::string(std::getenv("TARVIK_SOURCE")) + "/samples/RateLibrary.json";
    const std::string folder = Scratch() + PathDelim + "sample";
    ASSERT_EQ(RunProgram("ratebq-build", {source, folder, "--password", "pw"}), 0);
    Register("sample", 7, folder);
  }

  // What tarvik-host prints for the request through the library.
  static std::string Load(const std::string& library, std::vector<std::string> request) {
    request.insert(request.begin(), {"--library", library, "load", "7", "--password", "pw"});
    std::string out, err;
    EXPECT_EQ(RunProgram("tarvik-host", request, &out, &err), 0) << err;
    return out;
  }
  static std::string Current() { return std::getenv("TARVIK_PROGRAMS") + std::string(1, PathDelim) + TarvikLibraryFile; }
  static std::string Older() { return Bin() + PathDelim + TarvikLibraryFile; }
};

TEST_F(SampleLibrary, BothVariantsFillTheSameTables) {
  const std::vector<std::string> everyBill = {"--group-keys", "101,104,105,109,111,112,117"};
  const std::string older = Load(Older(), everyBill);
  EXPECT_EQ(Load(Current(), everyBill), older);
  EXPECT_EQ(RowCounts(older).at("BQItem"), 36u);
  EXPECT_GT(RowCounts(older).at("Resource"), 0u);
  EXPECT_GT(RowCounts(older).at("MixResLMMDetail"), 0u);

  const std::vector<std::string> requests[] = {{"--codes", "010501005,011201001002"}, {"--bq-keys", "1,2,2"}};
  for (const auto& request : requests) EXPECT_EQ(Load(Older(), request), Load(Current(), request)) << request[1];
}

}  // namespace
}  // namespace ratetest

// The rate library format is the same for both variants: the sample library
// loads through the current and the older library into the same tables.
#include "tests/Programs.h"
#include "tests/RateIntf/RateLibraryFixture.h"

namespace ratetest {
namespace {

class SampleLibrary : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    const std::string source = std::string(std::getenv("TARVIK_SOURCE")) + "/samples/RateLibrary.json";
    ASSERT_EQ(RunProgram("ratebq-build", "'" + source + "' " + Scratch() + "/sample --password pw"), 0);
    Register("sample", 7, Scratch() + "/sample");
  }

  // What tarvik-host prints for the request through the library.
  static std::string Load(const std::string& library, const std::string& request) {
    std::string out, err;
    EXPECT_EQ(RunProgram("tarvik-host", "--library " + library + " load 7 --password pw " + request, &out, &err), 0)
        << err;
    return out;
  }
  static std::string Current() { return std::string(std::getenv("TARVIK_PROGRAMS")) + "/libTarvik.so"; }
  static std::string Older() { return Bin() + "/libTarvik.so"; }
};

TEST_F(SampleLibrary, BothVariantsFillTheSameTables) {
  const std::string everyBill = "--group-keys 101,104,105,109,111,112,117";
  const std::string older = Load(Older(), everyBill);
  EXPECT_EQ(Load(Current(), everyBill), older);
  EXPECT_EQ(RowCounts(older).at("BQItem"), 36u);
  EXPECT_GT(RowCounts(older).at("Resource"), 0u);
  EXPECT_GT(RowCounts(older).at("MixResLMMDetail"), 0u);

  for (const char* request : {"--codes 010501005,011201001002", "--bq-keys 1,2,2"})
    EXPECT_EQ(Load(Older(), request), Load(Current(), request)) << request;
}

}  // namespace
}  // namespace ratetest

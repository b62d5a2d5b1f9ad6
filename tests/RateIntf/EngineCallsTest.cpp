// The calls a reader makes to the engine, in order, recorded by an engine
// library in the real one's place.
#include "tests/Programs.h"
#include "tests/RateIntf/RateLibraryFixture.h"
#include "tests/Variant.h"

namespace ratetest {
namespace {

class EngineCalls : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    FInstalled = Scratch() + "/installed";
    std::filesystem::create_directories(FInstalled);
    std::filesystem::copy_file(Bin() + "/libTarvik.so", FInstalled + "/libTarvik.so");
    std::filesystem::copy_file(Bin() + "/recording/KivEngine.dll", FInstalled + "/KivEngine.dll");
    std::filesystem::copy_file(TemplateFile(), FInstalled + reinterpret_cast<const char*>(u8"/预算综合单价库.Kiv"));
    FLog = Scratch() + "/calls.log";
    setenv("RECORDING_ENGINE_LOG", FLog.c_str(), 1);
  }

  // Runs tarvik-host on the installed copy and answers its exit status, with
  // the calls it made in `calls`.
  int Host(const std::string& arguments, std::string& calls) {
    std::filesystem::remove(FLog);
    std::string out, err;
    int status = RunProgram("tarvik-host", "--library " + FInstalled + "/libTarvik.so " + arguments, &out, &err);
    std::ifstream in(FLog);
    calls.assign(std::istreambuf_iterator<char>(in), {});
    return status;
  }

  std::string FInstalled, FLog;
};

// How a model is made: the older engine makes it without a parameter.
const std::string kMakeModel = ByVariant<std::string>("GetModelParam\nCreateModel\n", "CreateModel\n");
const std::string kRateModel = kMakeModel + "GetLoader\nLoadFile RateBQ.Kiv\nSetLoadState 2\n";
constexpr const char* kEmptying =
    "SetLoadState 1\nClearRecords BQItem\nClearRecords Resource\nClearRecords LMMDetail\n"
    "ClearRecords MixResLMMDetail\nClearRecords NormItem\nClearRecords ConvInfo\nClearRecords BQSpec\n"
    "ClearRecords BQWorkScope\n";

TEST_F(EngineCalls, OpeningLoadsTheTemplateModelFirstAndSettlesEachModel) {
  Library library = NewLibrary();
  std::string calls;
  ASSERT_EQ(Host("open 1", calls), 0);
  EXPECT_EQ(calls, kRateModel);
  WriteFile(library.File("Templ_BQ.Kiv"), "");
  ASSERT_EQ(Host("open 1", calls), 0);
  EXPECT_EQ(calls, kMakeModel + "GetLoader\nLoadFile Templ_BQ.Kiv\nSetLoadState 2\n" + kRateModel);
}

TEST_F(EngineCalls, ARequestFillsInLoadStateOneAndSettlesAlsoWhenItFails) {
  Library library = NewLibrary();
  library.AddRawBill(1, 1, "A", "A", ZipBlock("bill", "pw"));
  std::string calls;
  ASSERT_EQ(Host("load 1 --password pw --bq-keys 99", calls), 0);
  EXPECT_EQ(calls, kRateModel + kEmptying + "SetLoadState 2\nMakeResult\n");
  EXPECT_EQ(Host("load 1 --password wrong --bq-keys 1", calls), 1);
  EXPECT_EQ(calls, kRateModel + kEmptying + "NewRecord BQItem\nSetLoadState 2\n");
}

}  // namespace
}  // namespace ratetest

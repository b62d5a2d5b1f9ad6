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
  // the calls it made in `calls` and what it reported in `err`.
  int Host(std::vector<std::string> arguments, std::string& calls, std::string* err = nullptr) {
    std::filesystem::remove(FLog);
    std::string out;
    arguments.insert(arguments.begin(), {"--library", FInstalled + "/libTarvik.so"});
    int status = RunProgram("tarvik-host", arguments, &out, err);
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
  ASSERT_EQ(Host({"open", "1"}, calls), 0);
  EXPECT_EQ(calls, kRateModel);
  WriteFile(library.File("Templ_BQ.Kiv"), "");
  ASSERT_EQ(Host({"open", "1"}, calls), 0);
  EXPECT_EQ(calls, kMakeModel + "GetLoader\nLoadFile Templ_BQ.Kiv\nSetLoadState 2\n" + kRateModel);
}

TEST_F(EngineCalls, ARequestFillsInLoadStateOneAndSettlesAlsoWhenItFails) {
  Library library = NewLibrary();
  library.AddRawBill(1, 1, "A", "A", ZipBlock("bill", "pw"));
  std::string calls;
  ASSERT_EQ(Host({"load", "1", "--password", "pw", "--bq-keys", "99"}, calls), 0);
  EXPECT_EQ(calls, kRateModel + kEmptying + "SetLoadState 2\nMakeResult\n");
  EXPECT_EQ(Host({"load", "1", "--password", "wrong", "--bq-keys", "1"}, calls), 1);
  EXPECT_EQ(calls, kRateModel + kEmptying + "NewRecord BQItem\nSetLoadState 2\n");
}

// This engine's records have no fields and take no bytes: a count far above
// the bytes of its block is still valid data.
TEST_F(EngineCalls, RecordsThatTakeNoBytesLoadWhateverTheirCount) {
  Library library = NewLibrary();
  library.AddBill(1, 1, "A", "A", Le32(300) + Le32(0) + Le32(2) + Le32(0) + Le32(0), "pw");
  std::string calls;
  ASSERT_EQ(Host({"load", "1", "--password", "pw", "--bq-keys", "1"}, calls), 0);
  auto count = [&](const std::string& line) {
    size_t n = 0;
    for (size_t at = 0; (at = calls.find(line + "\n", at)) != std::string::npos; at += line.size()) ++n;
    return n;
  };
  EXPECT_EQ(count("AppendRecord BQSpec"), 300u);
  EXPECT_EQ(count("AppendRecord NormItem"), 2u);
  EXPECT_EQ(count("AppendRecord BQItem"), 1u);
}

// A replaced engine library may hand out nil where an object is due: the
// request fails, naming the call, instead of crashing the host.
TEST_F(EngineCalls, ANilFromTheEngineIsRefusedNamingTheCall) {
  Library library = NewLibrary();
  library.AddRawBill(1, 1, "A", "A", ZipBlock("", "pw"));
  const std::string engine = FInstalled + "/KivEngine.dll";
  const std::vector<std::string> open = {"open", "1"}, load = {"load", "1", "--password", "pw", "--bq-keys", "1"},
                                 loadNone = {"load", "1", "--password", "pw", "--bq-keys", "99"};
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"Entry", open},  {"CreateModel", open}, {"GetLoader", open}, {"DatabaseByName", load},
      {"Tables", load}, {"TableByName", load}, {"NewRecord", load}, {"RecordByIndex", loadNone}};
  for (auto [call, command] : cases) {
    setenv("RECORDING_ENGINE_NIL", call, 1);
    std::string calls, err;
    EXPECT_EQ(Host(command, calls, &err), 1) << call;
    const std::string expected = std::string(call) == "Entry"
                                     ? Utf8(u8"初始化的平台引擎文件 ") + engine + Utf8(u8" 失败")
                                     : Utf8(u8"平台引擎的") + call + Utf8(u8"没有返回对象");
    EXPECT_EQ(err, "tarvik-host: " + expected + "\n") << call;
  }
  unsetenv("RECORDING_ENGINE_NIL");
}

}  // namespace
}  // namespace ratetest

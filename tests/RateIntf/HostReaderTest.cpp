#include "tests/Programs.h"
#include "tests/RateIntf/RateLibraryFixture.h"

namespace ratetest {
namespace {

class HostReader : public ReaderTest {
 protected:
  Library MakeLibrary() {
    Library library = NewLibrary();
    library.AddResource(100, ResourceBlock(100));
    library.AddBill(1, 5, "010101001", "010101001001", BillBlock(11, {{21, {{31, 100}}}}));
    library.AddBill(2, 5, "010101002", "010101002001", BillBlock(12));
    return library;
  }
};

TEST_F(HostReader, OpenTellsTheFolderAndTheTemplateModel) {
  Library library = MakeLibrary();
  std::string out;
  ASSERT_EQ(RunProgram("tarvik-host", "open 1", &out), 0);
  EXPECT_EQ(out, "folder\t" + library.Folder() + "\ntemplate\tno\n");
  std::filesystem::copy_file(TemplateFile(), library.File("Templ_BQ.Kiv"));
  ASSERT_EQ(RunProgram("tarvik-host", "--json open 1", &out), 0);
  EXPECT_EQ(out, "{\"bqid\": 1, \"folder\": \"" + library.Folder() + "\", \"template\": true}\n");
}

TEST_F(HostReader, CheckPasswordPrintsTrueOrFalseAndSucceedsEitherWay) {
  MakeLibrary();
  std::string out;
  EXPECT_EQ(RunProgram("tarvik-host", "check-password 1 pw", &out), 0);
  EXPECT_EQ(out, "true\n");
  EXPECT_EQ(RunProgram("tarvik-host", "check-password 1 nope", &out), 0);
  EXPECT_EQ(out, "false\n");
}

// A Tarvik library alone in its folder has neither the template nor the
// engine beside it; the host reports what it raises and ends cleanly.
TEST_F(HostReader, ALibraryWithoutTemplateOrEngineBesideIt) {
  Library library = MakeLibrary();
  unsetenv("KivEngine");
  const std::string alone = Scratch() + "/alone";
  std::filesystem::create_directories(alone);
  std::filesystem::copy_file(Bin() + "/libTarvik.so", alone + "/libTarvik.so");
  const std::string command = "--library " + alone + "/libTarvik.so open 1";
  std::string out, err;
  EXPECT_EQ(RunProgram("tarvik-host", command, &out, &err), 1);
  EXPECT_EQ(err, reinterpret_cast<const char*>(u8"tarvik-host: 无法复制综合单价库模板文件。\n"));
  std::filesystem::copy_file(TemplateFile(), library.File("RateBQ.Kiv"));
  EXPECT_EQ(RunProgram("tarvik-host", command, &out, &err), 1);
  EXPECT_EQ(err, reinterpret_cast<const char*>(u8"tarvik-host: 平台引擎文件  不存在\n"));
}

}  // namespace
}  // namespace ratetest

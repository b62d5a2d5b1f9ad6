// tarvik-host driving a rate library: what it prints and how it ends.
#include <cstdlib>

#include "rtl/Paths.h"
#include "tests/RateIntf/HostReader.h"
#include "tests/ScratchFolder.h"
#include "tests/Variant.h"

namespace ratetest {
namespace {

TEST_F(HostReader, OpenTellsTheFolderAndTheTemplateModel) {
  Library library = MakeLibrary();
  std::string out;
  ASSERT_EQ(Host({"open", "1"}, &out), 0);
  EXPECT_EQ(out, "folder\t" + library.Folder() + "\ntemplate\tno\n");
  std::filesystem::copy_file(TemplateFile(), library.File("Templ_BQ.Kiv"));
  ASSERT_EQ(Host({"--json", "open", "1"}, &out), 0);
  std::string folder;  // as a JSON string holds it
  for (char c : library.Folder()) folder += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_EQ(out, "{\"bqid\": 1, \"folder\": \"" + folder + "\", \"template\": true}\n");
}

TEST_F(HostReader, CheckPasswordPrintsTrueOrFalseAndSucceedsEitherWay) {
  MakeLibrary();
  std::string out;
  EXPECT_EQ(Host({"check-password", "1", "pw"}, &out), 0);
  EXPECT_EQ(out, "true\n");
  EXPECT_EQ(Host({"check-password", "1", "nope"}, &out), 0);
  EXPECT_EQ(out, "false\n");
}

TEST_F(HostReader, LoadPrintsTheResultOrItsRowCounts) {
  MakeLibrary();
  std::string out, err;
  ASSERT_EQ(Host({"load", "1", "--password", "pw", "--codes", "010101001"}, &out), 0);
  EXPECT_EQ(Column(out, "BQItem", "BQItemID"), std::vector<int32_t>{11});
  EXPECT_EQ(Column(out, "Resource", "ResID"), std::vector<int32_t>{100});
  ASSERT_EQ(Host({"load", "1", "--password", "pw", "--group-keys", "5", "--summary"}, &out), 0);
  EXPECT_EQ(out, "BQItem\t2\nResource\t1\nLMMDetail\t1\nMixResLMMDetail\t0\nNormItem\t1\nConvInfo\t0\nBQSpec\t0\n"
                 "BQWorkScope\t0\n");
  ASSERT_EQ(Host({"--json", "load", "1", "--bq-keys", "2,9", "--summary", "--password", "pw"}, &out), 0);
  EXPECT_EQ(out.substr(0, 27), "{\"BQItem\": 1, \"Resource\": 0");
  EXPECT_EQ(Host({"load", "1", "--password", "bad", "--bq-keys", "1"}, &out, &err), 1);
  EXPECT_EQ(err, "tarvik-host: Password Error\n");
  EXPECT_EQ(Host({"load", "1", "--bq-keys", "x", "--password", "pw"}, &out, &err), 1);
  EXPECT_EQ(Host({"load", "1", "--password", "pw"}, &out, &err), 2);
  EXPECT_EQ(Host({"load", "1", "--password", "pw", "--codes", "A", "--bq-keys", "1"}, &out, &err), 2);
  EXPECT_EQ(Host({"open", "2"}, &out, &err), 1);
  EXPECT_EQ(err, "tarvik-host: no rate library with BQID 2\n");
}

// A Tarvik library alone in its folder has neither the template nor the
// engine beside it; the host reports what it raises and ends cleanly. (On
// Windows the modules it imports come from the program's folder.)
TEST_F(HostReader, ALibraryWithoutTemplateOrEngineBesideIt) {
  Library library = MakeLibrary();
  static char noEngineVariable[] = "KivEngine=";  // empty or unset: no fallback either way
  putenv(noEngineVariable);
  const std::string alone = Scratch() + PathDelim + "alone" + PathDelim;
  std::filesystem::create_directories(alone);
  std::filesystem::copy_file(Bin() + PathDelim + TarvikLibraryFile, alone + TarvikLibraryFile);
  const std::vector<std::string> command = {"--library", alone + TarvikLibraryFile, "open", "1"};
  std::string out, err;
  EXPECT_EQ(RunProgram("tarvik-host", command, &out, &err), 1);
  EXPECT_EQ(err, reinterpret_cast<const char*>(u8"tarvik-host: 无法复制综合单价库模板文件。\n"));
  std::filesystem::copy_file(TemplateFile(), library.File("RateBQ.Kiv"));
  EXPECT_EQ(RunProgram("tarvik-host", command, &out, &err), 1);
  // The current variant names the library that the variable "KivEngine" gives
  // in place of the missing one (none); the older names the missing one.
  const std::string missing = ByVariant<std::string>("", alone + "KivEngine.dll");
  EXPECT_EQ(err, Utf8(u8"tarvik-host: 平台引擎文件 ") + missing + Utf8(u8" 不存在\n"));
}

}  // namespace
}  // namespace ratetest

// tarvik-host with the library copied away from the engine and the template
// model, and into a folder whose name is a long-path prefix.
#include "tests/RateIntf/HostReader.h"

namespace ratetest {
namespace {

// A Tarvik library alone in its folder has neither the template nor the
// engine beside it; the host reports what it raises and ends cleanly.
TEST_F(HostReader, ALibraryWithoutTemplateOrEngineBesideIt) {
  Library library = MakeLibrary();
  unsetenv("KivEngine");
  const std::string alone = Scratch() + "/alone";
  std::filesystem::create_directories(alone);
  std::filesystem::copy_file(Bin() + "/libTarvik.so", alone + "/libTarvik.so");
  const std::vector<std::string> command = {"--library", alone + "/libTarvik.so", "open", "1"};
  std::string out, err;
  EXPECT_EQ(RunProgram("tarvik-host", command, &out, &err), 1);
  EXPECT_EQ(err, reinterpret_cast<const char*>(u8"tarvik-host: 无法复制综合单价库模板文件。\n"));
  std::filesystem::copy_file(TemplateFile(), library.File("RateBQ.Kiv"));
  EXPECT_EQ(RunProgram("tarvik-host", command, &out, &err), 1);
  EXPECT_EQ(err, reinterpret_cast<const char*>(u8"tarvik-host: 平台引擎文件  不存在\n"));
}

// The template lies beside the library once a long-path prefix is taken out
// of the library's file name; the engine is found where the library is.
TEST_F(HostReader, TheTemplateIsFoundWithoutTheLongPathPrefix) {
  Library library = MakeLibrary();
  const std::string outer = Scratch() + "/installed";
  const std::string inner = outer + "/\\\\?\\";
  std::filesystem::create_directories(inner);
  for (const char* file : {"/libTarvik.so", "/KivEngine.dll"}) std::filesystem::copy_file(Bin() + file, inner + file);
  std::filesystem::copy_file(TemplateFile(), outer + reinterpret_cast<const char*>(u8"/预算综合单价库.Kiv"));
  std::string out;
  EXPECT_EQ(RunProgram("tarvik-host", {"--library", inner + "/libTarvik.so", "open", "1"}, &out), 0);
  EXPECT_EQ(out, "folder\t" + library.Folder() + "\ntemplate\tno\n");
}

}  // namespace
}  // namespace ratetest

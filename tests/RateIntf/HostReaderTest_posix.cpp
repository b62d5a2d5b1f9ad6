// tarvik-host with the library in a folder whose name is a long-path prefix.
#include "tests/RateIntf/HostReader.h"

namespace ratetest {
namespace {

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

// tarvik-host with the library loaded through a long-path ("\\?\") name.
#include "tests/RateIntf/HostReader.h"

namespace ratetest {
namespace {

// Loaded as "\\?\C:\...\Tarvik.dll", the library still finds the template
// beside itself, and the engine where it is.
TEST_F(HostReader, TheTemplateIsFoundThroughALongPathName) {
  Library library = MakeLibrary();
  const std::filesystem::path installed = Scratch() + "\\installed";
  std::filesystem::create_directories(installed);
  for (const char* file : {"\\Tarvik.dll", "\\KivEngine.dll"})
    std::filesystem::copy_file(Bin() + file, installed.string() + file);
  std::filesystem::copy_file(TemplateFile(), installed / TemplateFile().filename());
  std::string out, err;
  EXPECT_EQ(RunProgram("tarvik-host", {"--library", "\\\\?\\" + installed.string() + "\\Tarvik.dll", "open", "1"}, &out,
                       &err),
            0)
      << err;
  EXPECT_EQ(out, "folder\t" + library.Folder() + "\ntemplate\tno\n");
}

}  // namespace
}  // namespace ratetest

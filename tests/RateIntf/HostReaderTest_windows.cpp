// tarvik-host with the library copied away from the engine and the template
// model, and loaded through a long-path ("\\?\") name.
#include "tests/RateIntf/HostReader.h"

namespace ratetest {
namespace {

// A Tarvik library alone in its folder has neither the template nor the
// engine beside it; the host reports what it raises and ends cleanly. (The
// modules it imports come from the program's folder.)
TEST_F(HostReader, ALibraryWithoutTemplateOrEngineBesideIt) {
  Library library = MakeLibrary();
  SetEnvironmentVariableA("KivEngine", nullptr);
  const std::string alone = Scratch() + "\\alone";
  std::filesystem::create_directories(alone);
  std::filesystem::copy_file(Bin() + "\\Tarvik.dll", alone + "\\Tarvik.dll");
  const std::vector<std::string> command = {"--library", alone + "\\Tarvik.dll", "open", "1"};
  std::string out, err;
  EXPECT_EQ(RunProgram("tarvik-host", command, &out, &err), 1);
  EXPECT_EQ(err, reinterpret_cast<const char*>(u8"tarvik-host: 无法复制综合单价库模板文件。\n"));
  std::filesystem::copy_file(TemplateFile(), library.File("RateBQ.Kiv"));
  EXPECT_EQ(RunProgram("tarvik-host", command, &out, &err), 1);
  EXPECT_EQ(err, reinterpret_cast<const char*>(u8"tarvik-host: 平台引擎文件  不存在\n"));
}

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

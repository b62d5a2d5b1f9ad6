// tarvik-zip: lists, builds and extracts zip archives with the library's own
// archive code. Names on the command line and in the output are UTF-8; the
// archive keeps them in GBK, as the library does.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "archive/QuarnZipFile.h"
#include "rtl/DateTime.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "rtl/Paths.h"
#include "rtl/SysUtils.h"
#include "tools/ReportFailure.h"
#include "winport/Codepage.h"

namespace {

constexpr const char* kUsage =
    "usage: tarvik-zip list ARCHIVE [--password P]\n"
    "       tarvik-zip add ARCHIVE DIR [--password P] [--mask M] [--attr N] [--no-recurse] [--base DIR]\n"
    "       tarvik-zip extract ARCHIVE DEST [--password P] [--mask M]\n"
    "  list prints name, size, packed size, CRC-32 and time, one entry a line;\n"
    "  add creates ARCHIVE, or loads and extends it.\n";

struct Command {
  std::string Name;
  std::vector<std::string> Positional;
  std::map<std::string, std::string> Options;
};

[[noreturn]] void Usage(const std::string& problem) {
  std::fprintf(stderr, "tarvik-zip: %s\n%s", problem.c_str(), kUsage);
  std::exit(2);
}

Command ParseArguments(const std::vector<std::string>& arguments) {
  if (arguments.empty()) Usage("needs a command");
  Command command{arguments[0], {}, {}};
  // The options each command takes; true when the option has a value.
  const std::map<std::string, std::map<std::string, bool>> allowed = {
      {"list", {{"--password", true}}},
      {"add",
       {{"--password", true}, {"--mask", true}, {"--attr", true}, {"--no-recurse", false}, {"--base", true}}},
      {"extract", {{"--password", true}, {"--mask", true}}},
  };
  const auto options = allowed.find(command.Name);
  if (options == allowed.end()) Usage("unknown command " + command.Name);
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (arg.rfind("--", 0) != 0) {
      command.Positional.push_back(arg);
      continue;
    }
    const auto option = options->second.find(arg);
    if (option == options->second.end()) Usage("unknown option " + arg + " for " + command.Name);
    if (option->second && i + 1 >= arguments.size()) Usage(arg + " needs a value");
    command.Options[arg] = option->second ? arguments[++i] : "";
  }
  if (command.Positional.size() != (command.Name == "list" ? 1u : 2u))
    Usage(command.Name == "list" ? "list needs ARCHIVE" : command.Name + " needs ARCHIVE and a folder");
  return command;
}

std::string Option(const Command& command, const std::string& name) {
  const auto found = command.Options.find(name);
  return found == command.Options.end() ? std::string() : found->second;
}

std::string EntryTime(IZipFileEntry* entry) {
  int year, month, day, hour, minute, second, msec;
  try {
    const TDateTime time = entry->DateTime();
    DecodeDate(time, year, month, day);
    DecodeTime(time, hour, minute, second, msec);
  } catch (const EConvertError&) {
    return "-";
  }
  return Format("%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
}

int List(IZipFile* zip) {
  for (int32_t i = 0; i < zip->Count(); ++i) {
    IntfPtr<IZipFileEntry> entry;
    zip->Entries(i, entry);
    std::printf("%s\t%u\t%u\t%08x\t%s\n", GbkToUtf8(entry->Name()).c_str(),
                static_cast<uint32_t>(entry->UncompressedSize()), static_cast<uint32_t>(entry->CompressedSize()),
                entry->CRC32(), EntryTime(entry.get()).c_str());
  }
  return 0;
}

int Add(const Command& command, IZipFile* zip, const std::string& archive) {
  int32_t attr = 0;
  const std::string attrText = Option(command, "--attr");
  if (!attrText.empty() && !TryStrToInt(attrText, attr)) Usage("--attr needs a 32-bit integer");
  if (FileExists(archive)) zip->LoadFromFile(archive);
  const int32_t added = zip->AddFiles(Utf8ToGbk(command.Positional[1]), Utf8ToGbk(Option(command, "--base")),
                                      command.Options.count("--no-recurse") == 0,
                                      Utf8ToGbk(Option(command, "--mask")), attr);
  zip->SaveToFile(archive);
  std::printf("tarvik-zip: added %d entries to %s\n", added, command.Positional[0].c_str());
  return 0;
}

int Run(const Command& command) {
  const std::string archive = Utf8ToGbk(command.Positional[0]);
  IntfPtr<IZipFile> zip;
  CreateZipFile(Option(command, "--password"), zip);
  if (command.Name == "add") return Add(command, zip.get(), archive);
  zip->LoadFromFile(archive);
  if (command.Name == "list") return List(zip.get());
  zip->ExtractFiles(Utf8ToGbk(command.Positional[1]), Utf8ToGbk(Option(command, "--mask")));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Command command = ParseArguments(Utf8Arguments(argc, argv));
  return RunReportingFailure("tarvik-zip", [&] { return Run(command); });
}

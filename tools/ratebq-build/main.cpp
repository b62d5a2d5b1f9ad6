// ratebq-build: writes a rate library folder from a JSON source.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "KivEngine/ModelFile.h"
#include "rtl/Exceptions.h"
#include "tools/ModuleFile.h"
#include "tools/ReportFailure.h"
#include "tools/Utf8Path.h"
#include "tools/ratebq-build/CatalogueReg.h"
#include "tools/ratebq-build/RateLibraryWriter.h"
#include "winport/Codepage.h"
#include "winport/RegistryText.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: ratebq-build SOURCE.json FOLDER --password P [options]\n"
    "  --model FILE.Kiv   the rate model: records are encoded against it and it is\n"
    "                     written as RateBQ.Kiv (default: the template model\n"
    "                     beside this program or in the install's library\n"
    "                     folder, left to the reader to copy)\n"
    "  --templ FILE.Kiv   written as the library's template model Templ_BQ.Kiv\n"
    "  --reg FILE.reg     writes the catalogue entry that installs the library:\n"
    "  --bqid N --region TEXT --period TEXT --type TEXT --region-id N --period-id N\n"
    "  --utf16            writes it as regedit does (UTF-16LE), not as UTF-8\n";

// The template model that the engine library carries beside it.
constexpr const char* kTemplateModel = "\xE9\xA2\x84\xE7\xAE\x97\xE7\xBB\xBC\xE5\x90\x88\xE5\x8D\x95"
                                       "\xE4\xBB\xB7\xE5\xBA\x93.Kiv";  // 预算综合单价库.Kiv, UTF-8

struct Options {
  std::string Source, Folder, Password, Model, Templ, Reg;
  bool HasPassword = false, RegUtf16 = false;
  CatalogueEntry Entry;
};

[[noreturn]] void Usage(const std::string& problem) {
  std::fprintf(stderr, "ratebq-build: %s\n%s", problem.c_str(), kUsage);
  std::exit(2);
}

int32_t IntegerArgument(const std::string& option, const std::string& text) {
  size_t used = 0;
  long long value = 0;
  try {
    value = std::stoll(text, &used);
  } catch (const std::exception&) {
  }
  if (used == 0 || used != text.size() || value < INT32_MIN || value > INT32_MAX)
    Usage(option + " needs a 32-bit integer");
  return static_cast<int32_t>(value);
}

Options ParseArguments(const std::vector<std::string>& arguments) {
  Options options;
  options.Entry.BQID = 1;
  std::vector<std::string> positional;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (arg.rfind("--", 0) != 0) {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--utf16") {
      options.RegUtf16 = true;
      continue;
    }
    if (i + 1 >= arguments.size()) Usage(arg + " needs a value");
    const std::string& value = arguments[++i];
    if (arg == "--password") options.Password = value, options.HasPassword = true;
    else if (arg == "--model") options.Model = value;
    else if (arg == "--templ") options.Templ = value;
    else if (arg == "--reg") options.Reg = value;
    else if (arg == "--bqid") options.Entry.BQID = IntegerArgument(arg, value);
    else if (arg == "--region") options.Entry.RegionName = value;
    else if (arg == "--period") options.Entry.PeriodName = value;
    else if (arg == "--type") options.Entry.LibType = value;
    else if (arg == "--region-id") options.Entry.RegionID = IntegerArgument(arg, value);
    else if (arg == "--period-id") options.Entry.PeriodID = IntegerArgument(arg, value);
    else Usage("unknown option " + arg);
  }
  if (positional.size() != 2) Usage("needs SOURCE.json and FOLDER");
  if (!options.HasPassword) Usage("needs --password");
  options.Source = positional[0];
  options.Folder = positional[1];
  return options;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(Utf8Path(path), std::ios::binary);
  if (!in) throw SourceError(path + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(Utf8Path(path), std::ios::binary);
  out << text;
  if (!out.flush()) throw SourceError(path + ": cannot be written");
}

void CopyModel(const std::string& from, const fs::path& to) {
  std::error_code error;
  fs::copy_file(Utf8Path(from), to, fs::copy_options::overwrite_existing, error);
  if (error) throw SourceError(from + ": " + error.message());
}

int Run(const Options& options) {
  const std::string modelFile =
      options.Model.empty() ? GbkToUtf8(ModuleFile(Utf8ToGbk(kTemplateModel))) : options.Model;
  const kivengine::ModelDef model = kivengine::LoadModelFile(Utf8ToGbk(modelFile));
  const Json source = ParseJson(ReadFile(options.Source));
  WriteRateLibrary(model, source, options.Folder, options.Password);

  const fs::path folder = Utf8Path(options.Folder);
  if (!options.Model.empty()) CopyModel(options.Model, folder / "RateBQ.Kiv");
  if (!options.Templ.empty()) {
    kivengine::LoadModelFile(Utf8ToGbk(options.Templ));  // refuse a file the engine could not load
    CopyModel(options.Templ, folder / "Templ_BQ.Kiv");
  }
  if (!options.Reg.empty()) {
    CatalogueEntry entry = options.Entry;
    const fs::path full = fs::absolute(folder).lexically_normal();
    entry.PathName = PathUtf8(full);
    entry.SubKey = PathUtf8(full.filename());
    if (entry.SubKey.empty()) entry.SubKey = PathUtf8(full.parent_path().filename());
    const std::string text = CatalogueRegText(entry);
    WriteFile(options.Reg, options.RegUtf16 ? WindowsRegFile(text) : text);
  }
  std::printf("ratebq-build: wrote %s\n", options.Folder.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseArguments(Utf8Arguments(argc, argv));
  return RunReportingFailure("ratebq-build", [&] { return Run(options); });
}

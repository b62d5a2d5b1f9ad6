// Support for the libFuzzer targets: failing a check the way libFuzzer keeps
// as a finding, a scratch folder of the process's own, and the sections of an
// input that stands for several files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A check beyond "no crash" that failed: printed, then the process aborts, so
// that libFuzzer saves the input.
[[noreturn]] inline void FuzzFailure(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

inline void FuzzCheck(bool holds, const std::string& what) {
  if (!holds) FuzzFailure(what);
}

// A folder under $TMPDIR (or /tmp) that lives as long as the process.
inline const std::string& ScratchFolder() {
  static const struct Folder {
    Folder() {
      const char* tmp = std::getenv("TMPDIR");
      Path = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarvik-fuzz-XXXXXX";
      if (!mkdtemp(Path.data())) FuzzFailure("cannot make a scratch folder");
    }
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(Path, ec);
    }
    std::string Path;
  } folder;
  return folder.Path;
}

// Inputs that stand for several files hold them one after another, each
// followed by this line; libFuzzer's dictionary for such a target has it.
inline constexpr std::string_view kSectionEnd = "\n--8<--\n";

// The first `count` sections of the input; missing ones are empty.
inline std::vector<std::string> Sections(const uint8_t* data, size_t size, size_t count) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> sections;
  while (sections.size() + 1 < count) {
    const size_t end = rest.find(kSectionEnd);
    if (end == std::string_view::npos) break;
    sections.emplace_back(rest.substr(0, end));
    rest.remove_prefix(end + kSectionEnd.size());
  }
  sections.emplace_back(rest);
  sections.resize(count);
  return sections;
}

// Joins files into one input; the inverse of Sections.
inline std::string JoinSections(const std::vector<std::string>& sections) {
  std::string joined;
  for (size_t i = 0; i < sections.size(); ++i) {
    if (i) joined += kSectionEnd;
    joined += sections[i];
  }
  return joined;
}

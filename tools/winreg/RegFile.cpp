#include "tools/winreg/RegFile.h"

#include <vector>

#include "winport/Codepage.h"
#include "winport/Errors.h"
#include "winport/RegistryStore.h"

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kAnsiHeader = "REGEDIT4";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

struct ValueChange {
  RegValue Value;
  bool Deletes;
};

struct Section {
  std::string Path;
  bool Deletes;
  std::vector<ValueChange> Values;
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Logical lines: a line ending in a backslash goes on in the next one.
std::vector<std::pair<int, std::string>> LogicalLines(std::string_view text) {
  std::vector<std::pair<int, std::string>> lines;
  bool continues = false;
  int number = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    ++number;
    if (continues)
      lines.back().second += line;
    else
      lines.emplace_back(number, std::string(line));
    continues = !line.empty() && line.back() == '\\';
    if (continues) lines.back().second.pop_back();
  }
  return lines;
}

std::string LineError(int line, const std::string& why) { return "line " + std::to_string(line) + ": " + why; }

// The file's text in UTF-8 and how its hex text is spelt: UTF-16LE with its
// byte-order mark and UTF-8 with or without one carry the current header,
// files in the ANSI code page the old one.
std::string Decode(std::string_view bytes, std::string& text, std::string_view& header, RegHexText& hexText) {
  header = kHeader;
  hexText = RegHexText::Utf16;
  if (bytes.substr(0, kUtf16Mark.size()) == kUtf16Mark) {
    bytes.remove_prefix(kUtf16Mark.size());
    if (bytes.size() % 2) return "a UTF-16 file ends in half a character";
    text = RegTextFromUtf16Le(bytes);
  } else if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    text = bytes.substr(kUtf8Mark.size());
  } else if (bytes.substr(0, kAnsiHeader.size()) == kAnsiHeader) {
    header = kAnsiHeader;
    hexText = RegHexText::Ansi;
    text = GbkToUtf8(bytes);
  } else {
    text = bytes;
  }
  return "";
}

// The key names of a "ROOT\path" below its root, checked.
bool ValidKeyPath(std::string_view path) {
  for (size_t start = path.find('\\'); start != std::string_view::npos;) {
    size_t end = path.find('\\', start + 1);
    std::string_view name = path.substr(start + 1, end == std::string_view::npos ? end : end - start - 1);
    if (!name.empty() && !IsRegKeyName(name)) return false;
    start = end;
  }
  return true;
}

std::string Parse(std::string_view bytes, std::vector<Section>& sections) {
  std::string text;
  std::string_view header;
  RegHexText hexText;
  if (std::string error = Decode(bytes, text, header, hexText); !error.empty()) return error;
  auto lines = LogicalLines(text);
  if (lines.empty() || lines[0].second != header)
    return "the file does not start with \"" + std::string(kHeader) + "\" or \"" + std::string(kAnsiHeader) + "\"";
  for (size_t i = 1; i < lines.size(); ++i) {
    const auto& [number, line] = lines[i];
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']') return LineError(number, "a key line ends with ']'");
      bool deletes = line.size() > 1 && line[1] == '-';
      std::string path = line.substr(deletes ? 2 : 1, line.size() - (deletes ? 3 : 2));
      if (RootKeyDirectory(path.substr(0, path.find('\\'))).empty())
        return LineError(number, "unknown root key in [" + path + "]");
      if (!ValidKeyPath(path)) return LineError(number, "a key name cannot hold a NUL byte");
      if (deletes && path.find_first_not_of('\\', path.find('\\')) == std::string::npos)
        return LineError(number, "a root key cannot be deleted");
      sections.push_back({path, deletes, {}});
      continue;
    }
    if (sections.empty() || sections.back().Deletes) return LineError(number, "a value outside a key");
    ValueChange change;
    std::string error;
    if (!ParseRegValue(line, change.Value, change.Deletes, error, hexText)) return LineError(number, error);
    if (!IsRegValueName(change.Value.Name))
      return LineError(number, "a value name cannot hold a NUL byte or a line break");
    sections.back().Values.push_back(std::move(change));
  }
  return "";
}

std::string Failure(const std::string& what, const std::string& path, LONG rc) {
  return what + " " + path + ": " + WinErrorText(static_cast<DWORD>(rc));
}

// The root key's directory and the rest of a "ROOT\path".
std::string SplitRoot(const std::string& keyPath, std::string& rest) {
  size_t slash = keyPath.find('\\');
  rest = slash == std::string::npos ? "" : keyPath.substr(slash + 1);
  return RootKeyDirectory(keyPath.substr(0, slash));
}

std::string Apply(const Section& section) {
  std::string rest, dir;
  std::string root = SplitRoot(section.Path, rest);
  if (section.Deletes) {
    LONG rc = FindRegKey(root, rest, dir);
    if (rc == ERROR_SUCCESS) rc = DeleteRegKeyTree(dir);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? "" : Failure("cannot delete", section.Path, rc);
  }
  bool isNew;
  LONG rc = CreateRegKey(root, rest, dir, isNew);
  if (rc != ERROR_SUCCESS) return Failure("cannot open", section.Path, rc);
  if (section.Values.empty()) return "";
  rc = ChangeRegValues(dir, [&](std::vector<RegValue>& values) {
    for (const ValueChange& change : section.Values) {
      if (!change.Deletes) {
        if (LONG put = PutRegValue(values, change.Value); put != ERROR_SUCCESS) return put;
      } else if (RegValue* old = FindRegValue(values, change.Value.Name)) {
        values.erase(values.begin() + (old - values.data()));
      }
    }
    return LONG{ERROR_SUCCESS};
  });
  return rc == ERROR_SUCCESS ? "" : Failure("cannot write the values of", section.Path, rc);
}

LONG ExportTree(const std::string& dir, const std::string& path, std::string& text) {
  std::vector<RegValue> values;
  std::vector<std::string> subKeys;
  LONG rc = ReadRegValues(dir, values);
  if (rc == ERROR_SUCCESS) rc = ListRegSubKeys(dir, subKeys);
  if (rc != ERROR_SUCCESS) return rc;
  text += "[" + path + "]\n";
  for (const RegValue& v : values) text += FormatRegValue(v) + "\n";
  text += "\n";
  for (const std::string& name : subKeys) {
    std::string child;
    rc = FindRegKey(dir, name, child);
    if (rc == ERROR_SUCCESS) rc = ExportTree(child, path + "\\" + RegKeyName(child), text);
    if (rc != ERROR_SUCCESS) return rc;
  }
  return ERROR_SUCCESS;
}

}  // namespace

std::string ImportRegFile(const std::string& bytes) {
  std::vector<Section> sections;
  std::string error = Parse(bytes, sections);
  for (size_t i = 0; error.empty() && i < sections.size(); ++i) error = Apply(sections[i]);
  return error;
}

std::string ExportRegKey(const std::string& keyPath, std::string& text) {
  std::string rest;
  std::string dir = SplitRoot(keyPath, rest);
  if (dir.empty()) return "unknown root key in " + keyPath;
  // The path as stored, in the spelling its keys were created with.
  std::string path = RegKeyName(dir);
  for (size_t start = 0; start <= rest.size();) {
    size_t end = std::min(rest.find('\\', start), rest.size());
    if (end > start) {
      LONG rc = FindRegKey(dir, rest.substr(start, end - start), dir);
      if (rc != ERROR_SUCCESS) return Failure("cannot open", keyPath, rc);
      path += "\\" + RegKeyName(dir);
    }
    start = end + 1;
  }
  if (LONG rc = FindRegKey(dir, "", dir); rc != ERROR_SUCCESS) return Failure("cannot open", keyPath, rc);
  text = std::string(kHeader) + "\n\n";
  LONG rc = ExportTree(dir, path, text);
  return rc == ERROR_SUCCESS ? "" : Failure("cannot read", keyPath, rc);
}

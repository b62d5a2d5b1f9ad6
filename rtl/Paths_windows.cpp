// How Windows sees a name: the final path of what exists, read through a
// handle, which follows symbolic links and junctions; the classic path limit
// of the A-calls, counted in the characters that Windows counts.
#include <vector>

#include "rtl/Paths.h"
#include "winport/Files.h"

namespace {

constexpr size_t kMaxComponent = 255;

size_t Characters(const std::string& ansi) {
  return ansi.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
}

// The folder that holds the item ("C:\a" for "C:\a\b", "C:\" for "C:\a"), or
// "" for a root.
std::string Parent(const std::string& path) {
  const std::string folder = ExtractFilePath(path);
  if (folder.size() == path.size()) return {};
  const std::string trimmed = ExcludeTrailingPathDelimiter(folder);
  return trimmed.empty() || trimmed.back() == ':' ? folder : trimmed;
}

// The final path of an existing file or folder, without the "\\?\" prefix.
bool FinalPath(const std::string& name, std::string& path) {
  HANDLE file = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buffer(MAX_PATH);
  DWORD n;
  while ((n = GetFinalPathNameByHandleA(file, buffer.data(), static_cast<DWORD>(buffer.size()), 0)) >= buffer.size())
    buffer.resize(n + 1);
  CloseHandle(file);
  if (n == 0) return false;
  path.assign(buffer.data(), n);
  if (path.rfind("\\\\?\\UNC\\", 0) == 0)
    path.replace(0, 8, "\\\\");
  else if (path.rfind("\\\\?\\", 0) == 0)
    path.erase(0, 4);
  return true;
}

}  // namespace

std::string ResolveFileName(const std::string& fileName) {
  if (fileName.empty()) return {};
  std::string head = ExpandFileName(fileName);
  const std::string trimmed = ExcludeTrailingPathDelimiter(head);
  if (!trimmed.empty() && trimmed.back() != ':') head = trimmed;
  // The longest leading part that exists, as the file system names it, then
  // the rest as text.
  std::string rest;
  for (;;) {
    if (GetFileAttributesA(head.c_str()) != INVALID_FILE_ATTRIBUTES) {
      std::string path;
      if (!FinalPath(head, path)) return {};
      return rest.empty() ? path : IncludeTrailingPathDelimiter(path) + rest;
    }
    const DWORD error = GetLastError();
    const std::string parent = Parent(head);
    if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) || parent.empty()) return {};
    rest = ExtractFileName(head) + (rest.empty() ? "" : "\\" + rest);
    head = parent;
  }
}

// A name that the system cannot expand is too long for it to name.
bool FileNameTooLong(const std::string& fileName) {
  const std::string full = ExpandFileName(fileName);
  if (full.empty() || Characters(full) >= MAX_PATH) return !fileName.empty();
  for (std::string path = full; !path.empty(); path = Parent(path))
    if (Characters(ExtractFileName(path)) > kMaxComponent) return true;
  return false;
}

#include "winport/Directories.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

#include "winport/Codepage.h"
#include "winport/Errors.h"
#include "winport/Files.h"

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
// Seconds from 1 January 1601 to 1 January 1970.
constexpr int64_t kEpochDelta = 11644473600LL;

struct Search {
  DIR* Dir = nullptr;         // null for a pattern without wildcards
  std::string Folder;         // on-disk name
  std::u32string Pattern;     // the last part of the pattern, as characters
  std::string Literal;        // the one name a pattern without wildcards gives
};

// UTF-8 as characters; a byte that starts no character stands for itself,
// above every Unicode character, so that it matches only itself.
std::u32string Characters(const std::string& utf8) {
  std::u32string out;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = utf8[i];
    const int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t value = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
    bool whole = c < 0x80 || extra > 0;
    for (int k = 1; whole && k <= extra; ++k) {
      whole = i + k < utf8.size() && (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
      if (whole) value = value << 6 | (utf8[i + k] & 0x3F);
    }
    if (!whole) {
      out.push_back(0x110000 + c);
      ++i;
    } else {
      out.push_back(value);
      i += 1 + extra;
    }
  }
  return out;
}

char32_t FoldAscii(char32_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

// "*" and "?" against the whole name; a failed run after a "*" retries with
// that "*" taking one more character, so the time stays within name × pattern.
bool WildcardMatch(const std::u32string& name, const std::u32string& pattern) {
  size_t n = 0, p = 0, starP = std::u32string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || FoldAscii(pattern[p]) == FoldAscii(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::u32string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool PatternMatches(const std::u32string& name, const std::u32string& pattern) {
  if (WildcardMatch(name, pattern)) return true;
  const size_t n = pattern.size();
  return n >= 2 && pattern[n - 2] == '.' && pattern[n - 1] == '*' && WildcardMatch(name, pattern.substr(0, n - 2));
}

FILETIME ToFileTime(const struct timespec& t) {
  const uint64_t ticks = static_cast<uint64_t>((t.tv_sec + kEpochDelta) * kTicksPerSecond + t.tv_nsec / 100);
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

int64_t UnixSeconds(const FILETIME& t) {
  const int64_t ticks = static_cast<int64_t>(static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime);
  return ticks / kTicksPerSecond - kEpochDelta;
}

// Fills data for the item `name`, looked at as `path` from the folder `at`;
// false for anything that is neither a file nor a folder, or that cannot be
// looked at.
bool Describe(int at, const std::string& path, const std::string& name, WIN32_FIND_DATAA* data) {
  struct stat st;
  if (fstatat(at, path.c_str(), &st, 0) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) return false;
  const std::string gbk = Utf8ToGbk(name);
  if (gbk.size() >= MAX_PATH) return false;
  std::memset(data, 0, sizeof *data);
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if ((st.st_mode & 0222) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  if (name[0] == '.' && name != "." && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  data->dwFileAttributes = attributes;
  // No birth time is kept here: creation is taken as the last write.
  data->ftCreationTime = ToFileTime(st.st_mtim);
  data->ftLastAccessTime = ToFileTime(st.st_atim);
  data->ftLastWriteTime = ToFileTime(st.st_mtim);
  const uint64_t size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size);
  std::memcpy(data->cFileName, gbk.data(), gbk.size());
  return true;
}

// The next item of the search that matches, or false when there is none.
bool NextMatch(Search* search, WIN32_FIND_DATAA* data) {
  if (!search->Dir) {
    const std::string name = std::exchange(search->Literal, std::string());
    const std::string path = search->Folder == "/" ? "/" + name : search->Folder + "/" + name;
    return !name.empty() && Describe(AT_FDCWD, path, name, data);
  }
  // Items are looked at from their open folder, so that a path too long to
  // name still shows its items.
  while (const dirent* item = readdir(search->Dir)) {
    if (PatternMatches(Characters(item->d_name), search->Pattern) &&
        Describe(dirfd(search->Dir), item->d_name, item->d_name, data))
      return true;
  }
  return false;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
  const std::string native = NativeFileName(pattern);
  const size_t slash = native.rfind('/');
  auto search = new Search;
  search->Folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
  const std::string last = slash == std::string::npos ? native : native.substr(slash + 1);
  if (last.find_first_of("*?") == std::string::npos) {
    search->Literal = last;
  } else {
    search->Pattern = Characters(last);
    search->Dir = opendir(search->Folder.c_str());
    if (!search->Dir) {
      SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrnoToWinError(errno));
      delete search;
      return INVALID_HANDLE_VALUE;
    }
  }
  if (!NextMatch(search, data)) {
    FindClose(search);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return search;
}

BOOL FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data) {
  if (!handle || handle == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (NextMatch(static_cast<Search*>(handle), data)) return TRUE;
  SetLastError(ERROR_NO_MORE_FILES);
  return FALSE;
}

BOOL FindClose(HANDLE handle) {
  if (!handle || handle == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto search = static_cast<Search*>(handle);
  if (search->Dir) closedir(search->Dir);
  delete search;
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
  const time_t seconds = static_cast<time_t>(UnixSeconds(*utc));
  struct tm parts;
  if (!localtime_r(&seconds, &parts)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const uint64_t ticks = (static_cast<uint64_t>(utc->dwHighDateTime) << 32 | utc->dwLowDateTime) +
                         static_cast<int64_t>(parts.tm_gmtoff) * kTicksPerSecond;
  *local = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  return TRUE;
}

BOOL FileTimeToDosDateTime(const FILETIME* time, WORD* dosDate, WORD* dosTime) {
  const time_t seconds = static_cast<time_t>(UnixSeconds(*time));
  struct tm parts;
  if (!gmtime_r(&seconds, &parts) || parts.tm_year < 80 || parts.tm_year > 207) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *dosDate = static_cast<WORD>(parts.tm_mday + ((parts.tm_mon + 1) << 5) + ((parts.tm_year - 80) << 9));
  *dosTime = static_cast<WORD>(parts.tm_sec / 2 + (parts.tm_min << 5) + (parts.tm_hour << 11));
  return TRUE;
}

BOOL CreateDirectoryA(LPCSTR pathName, void*) {
  if (mkdir(NativeFileName(pathName).c_str(), 0777) == 0) return TRUE;
  SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS : errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrnoToWinError(errno));
  return FALSE;
}

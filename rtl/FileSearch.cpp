#include "rtl/FileSearch.h"

#include "winport/Errors.h"

namespace {

// 1 January 1980 00:00:00 and 31 December 2107 23:59:58, and as FILETIMEs
// the first of them and the moment after the last.
constexpr int32_t kFirstDosTime = 0x00210000;
constexpr int32_t kLastDosTime = static_cast<int32_t>(0xFF9FBF7D);
constexpr uint64_t kFirstDosFileTime = 119600064000000000ULL;
constexpr uint64_t kAfterDosFileTimes = 159992928000000000ULL;

// The range is checked here: not every FileTimeToDosDateTime refuses the
// years after 2107 (Wine's wraps them).
int32_t LocalDosTime(const FILETIME& utc) {
  FILETIME local;
  WORD date, time;
  if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
  const uint64_t ticks = static_cast<uint64_t>(local.dwHighDateTime) << 32 | local.dwLowDateTime;
  if (ticks < kFirstDosFileTime) return kFirstDosTime;
  if (ticks >= kAfterDosFileTimes || !FileTimeToDosDateTime(&local, &date, &time)) return kLastDosTime;
  return static_cast<int32_t>(date) << 16 | time;
}

// Advances the search to an item that the filter lets through.
int32_t FindMatching(TSearchRec& f, WIN32_FIND_DATAA& data) {
  while (static_cast<int32_t>(data.dwFileAttributes) & f.ExcludeAttr) {
    if (!FindNextFileA(f.FindHandle, &data)) return static_cast<int32_t>(GetLastError());
  }
  f.Time = LocalDosTime(data.ftLastWriteTime);
  f.Size = static_cast<int64_t>(static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
  f.Attr = static_cast<int32_t>(data.dwFileAttributes);
  f.Name = data.cFileName;
  return 0;
}

}  // namespace

int32_t FindFirst(const std::string& path, int32_t attr, TSearchRec& f) {
  f.ExcludeAttr = ~attr & (faHidden | faSysFile | faDirectory);
  WIN32_FIND_DATAA data;
  f.FindHandle = FindFirstFileA(path.c_str(), &data);
  if (f.FindHandle == INVALID_HANDLE_VALUE) return static_cast<int32_t>(GetLastError());
  const int32_t result = FindMatching(f, data);
  if (result != 0) FindClose(f);
  return result;
}

int32_t FindNext(TSearchRec& f) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(f.FindHandle, &data)) return static_cast<int32_t>(GetLastError());
  return FindMatching(f, data);
}

void FindClose(TSearchRec& f) {
  if (f.FindHandle == INVALID_HANDLE_VALUE) return;
  ::FindClose(f.FindHandle);
  f.FindHandle = INVALID_HANDLE_VALUE;
}

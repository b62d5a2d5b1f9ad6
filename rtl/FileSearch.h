// The class library's directory search: the items of a folder that match a
// pattern, filtered by attributes, with their last-write time as a local
// MS-DOS date-time. Names are GBK.
#pragma once

#include <cstdint>
#include <string>

#include "winport/Directories.h"

constexpr int32_t faReadOnly = FILE_ATTRIBUTE_READONLY;
constexpr int32_t faHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr int32_t faSysFile = FILE_ATTRIBUTE_SYSTEM;
constexpr int32_t faDirectory = FILE_ATTRIBUTE_DIRECTORY;
constexpr int32_t faArchive = FILE_ATTRIBUTE_ARCHIVE;
constexpr int32_t faAnyFile = 0x3F;  // the above and the volume label

// One search: filled by FindFirst and FindNext, freed by FindClose. Used by one
// thread at a time.
struct TSearchRec {
  int32_t Time = 0;  // local MS-DOS date (upper half) and time
  int64_t Size = 0;
  int32_t Attr = 0;
  std::string Name;
  int32_t ExcludeAttr = 0;
  HANDLE FindHandle = INVALID_HANDLE_VALUE;
};

// The first item of `path` (a folder and a pattern, as FindFirstFileA takes it)
// whose attributes pass the filter: hidden, system and directory items only
// when their bit is in attr; every other bit of attr has no effect. 0 when an
// item was found, else the Windows error code (the search is then closed).
// A last-write time before 1980 or after 2107 is given as the nearest that
// MS-DOS can hold.
int32_t FindFirst(const std::string& path, int32_t attr, TSearchRec& f);
// 0 for the next item, else the Windows error code (ERROR_NO_MORE_FILES).
int32_t FindNext(TSearchRec& f);
void FindClose(TSearchRec& f);

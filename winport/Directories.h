// Directory search, file times and directory creation. Names are GBK, as the
// A-calls take them; on disk they are UTF-8.
//
// Attributes of what the search finds, from the POSIX file:
//   FILE_ATTRIBUTE_DIRECTORY  a folder (a symbolic link reports what it points to)
//   FILE_ATTRIBUTE_ARCHIVE    a regular file
//   FILE_ATTRIBUTE_READONLY   none of the write bits (owner, group, others) is set
//   FILE_ATTRIBUTE_HIDDEN     the name starts with "." (but is not "." or "..")
// The search sees files and folders only: FIFOs, sockets, devices and links
// that lead nowhere are not reported. A search handle is used by one thread at
// a time; different handles are independent.
#pragma once

#include "winport/Files.h"
#include "winport/Module.h"

#ifndef _WIN32

constexpr LONG ERROR_NO_MORE_FILES = 18;

// 100-nanosecond intervals since 1 January 1601.
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;  // UTC
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  char cFileName[MAX_PATH];
  char cAlternateFileName[14];
};

// Searches the folder of `pattern` for names that match its last part: "*"
// stands for any run of characters, "?" for one; ASCII letters match without
// case; a pattern ending in ".*" also matches names without a dot, so "*.*"
// matches every name. A last part without wildcards names one item exactly.
// "." and ".." are reported like the folders they are. The handle, or
// INVALID_HANDLE_VALUE with GetLastError set (ERROR_FILE_NOT_FOUND when
// nothing matches); close it with FindClose.
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
// FALSE with ERROR_NO_MORE_FILES after the last match.
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE search);

// UTC to the local time of that moment.
BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
// MS-DOS date and time words; FALSE outside 1980 to 2107.
BOOL FileTimeToDosDateTime(const FILETIME* time, WORD* dosDate, WORD* dosTime);

// Creates one folder; FALSE with ERROR_ALREADY_EXISTS when the name is taken,
// ERROR_PATH_NOT_FOUND when its parent is missing.
BOOL CreateDirectoryA(LPCSTR pathName, void* securityAttributes);
#endif

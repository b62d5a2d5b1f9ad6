// Opening files with Windows share modes. File names are GBK, as the A-calls
// take them; on disk they are UTF-8.
#pragma once

#include <string>

#include "winport/WinTypes.h"

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;

// A file descriptor, or -1 with GetLastError set (ERROR_SHARING_VIOLATION when
// another open, in this process or another, conflicts with the access or share
// mode asked for). CREATE_ALWAYS creates or empties the file; it empties it only
// once the share check has passed.
int OpenFileShared(LPCSTR fileName, DWORD access, DWORD share, DWORD disposition);

// The on-disk (UTF-8) name of a GBK file name.
std::string NativeFileName(LPCSTR fileName);

// Copies the file's bytes to newName (a GBK name), creating or emptying it;
// with failIfExists an existing target is left alone and the copy fails.
// FALSE with GetLastError set on any failure.
BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists);

// Files: opening with Windows share modes, reading and writing through
// handles, attributes and full path names. File names are GBK, as
// the A-calls take them; on disk they are UTF-8.
#pragma once

#include <string>

#include "winport/WinTypes.h"

#ifndef _WIN32

// A file's handle is its file descriptor.
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(intptr_t{-1});

union LARGE_INTEGER {
  int64_t QuadPart;
};

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

// INVALID_HANDLE_VALUE with GetLastError set (ERROR_SHARING_VIOLATION when
// another open, in this process or another, conflicts with the access or share
// mode asked for). CREATE_ALWAYS creates or empties the file; it empties it
// only once the share check has passed. Security, flags and template are
// accepted and ignored.
HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD share, void* security, DWORD disposition, DWORD flags,
                   HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method);
// Ends the file at its current position.
BOOL SetEndOfFile(HANDLE file);
BOOL CloseHandle(HANDLE object);

// Copies the file's bytes to newName, creating or emptying it; with
// failIfExists an existing target is left alone and the copy fails.
// FALSE with GetLastError set on any failure.
BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists);

// FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_NORMAL; INVALID_FILE_ATTRIBUTES
// with GetLastError set when nothing is there.
DWORD GetFileAttributesA(LPCSTR fileName);

// The full path of a file name: relative names are taken against the current
// directory; "." and ".." parts and doubled delimiters are resolved as text,
// without following links. Answers the length copied, or the size needed
// (with its NUL) when the buffer is too small; 0 for an empty name.
DWORD GetFullPathNameA(LPCSTR fileName, DWORD size, LPSTR buffer, LPSTR* filePart);

// The on-disk (UTF-8) name of a GBK file name.
std::string NativeFileName(LPCSTR fileName);

#endif

// Modules: loading and freeing shared libraries, module handles and file names.
// A module handle is the address at which the module is loaded.
#pragma once

#include "winport/WinTypes.h"

#ifndef _WIN32

using HMODULE = void*;
using HINSTANCE = HMODULE;

constexpr DWORD MAX_PATH = 260;
constexpr LONG ERROR_MOD_NOT_FOUND = 126;

constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT = 0x2;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 0x4;

// Loads the library (a GBK file name) or adds a reference to it; 0 with
// GetLastError set when it does not load.
HMODULE LoadLibraryA(LPCSTR fileName);

// Drops one reference taken by LoadLibraryA; the last one unloads the library.
BOOL FreeLibrary(HMODULE module);

// The module that holds an address (flags must include FROM_ADDRESS; no
// reference is added, as with UNCHANGED_REFCOUNT).
BOOL GetModuleHandleExA(DWORD flags, LPCSTR address, HMODULE* module);

// The module's full file name (GBK), the program's for a nil handle. Answers
// the length copied; a buffer too small receives a truncated, terminated name,
// the answer is the buffer size and the error ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// The address of an exported function of a library loaded by LoadLibraryA, or
// nil with GetLastError set.
using FARPROC = intptr_t (*)();
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);

DWORD GetCurrentProcessId();
DWORD GetCurrentThreadId();
#endif

// The version of Windows that winport stands in for.
#pragma once

#include "winport/WinTypes.h"

#ifndef _WIN32

constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  char szCSDVersion[128];
};

// Fills the structure, whose dwOSVersionInfoSize the caller sets. winport
// answers what Windows answers a program that declares no later version:
// NT family, 6.2, build 9200, no service pack. FALSE with
// ERROR_INVALID_PARAMETER when the size is not that of the structure.
BOOL GetVersionExA(OSVERSIONINFOA* info);
#endif

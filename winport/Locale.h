// Locale-aware string comparison of GBK text.
#pragma once

#include "winport/WinTypes.h"

#ifndef _WIN32

constexpr DWORD LOCALE_USER_DEFAULT = 0x0400;
constexpr DWORD NORM_IGNORECASE = 0x00000001;
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

// Compares two GBK strings as Unicode; with NORM_IGNORECASE letters of every
// script compare without case (Greek, Cyrillic and full-width Latin included).
// A length of -1 means the string ends at its NUL. Answers CSTR_*, 0 on failure.
int CompareStringA(DWORD locale, DWORD flags, LPCSTR s1, int len1, LPCSTR s2, int len2);
#endif

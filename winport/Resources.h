// Resources of a module: named data blocks carried inside the module's image,
// found by module handle, type, name and language. A module carries them as
// ELF notes (see ResourceNote.h), so nothing runs to make them known.
#pragma once

#include <cstdint>

#include "winport/Module.h"

#ifndef _WIN32

using HRSRC = const void*;
using HGLOBAL = void*;

// Integer resource types stand where a type name would.
inline LPCSTR MAKEINTRESOURCEA(uint16_t id) { return reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(id)); }
inline bool IS_INTRESOURCE(LPCSTR p) { return (reinterpret_cast<uintptr_t>(p) >> 16) == 0; }
inline const LPCSTR RT_BITMAP = MAKEINTRESOURCEA(2);

constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD LANG_CHINESE = 0x04;
constexpr WORD SUBLANG_CHINESE_SIMPLIFIED = 0x02;
constexpr WORD MAKELANGID(WORD primary, WORD sub) { return static_cast<WORD>((sub << 10) | primary); }

constexpr LONG ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr LONG ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr LONG ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr LONG ERROR_RESOURCE_LANG_NOT_FOUND = 1815;

// The resource of the module with that type (an integer type) and name
// (compared without ASCII case; integer names are never found). A language of
// LANG_NEUTRAL takes the first resource of any language; another language must
// match. Nil with ERROR_RESOURCE_*_NOT_FOUND. The handle stays valid while
// the module is loaded.
HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language);
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);

// The resource's bytes, inside the module's image: read-only, valid while the
// module is loaded, never freed.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
#endif

// Window classes: a process-wide table shared by every module, keyed by the
// registering module and the class name (compared without ASCII case).
#pragma once

#include <cstdint>

#include "winport/Module.h"

#ifndef _WIN32

using ATOM = WORD;
using HWND = void*;
using HICON = void*;
using HCURSOR = void*;
using HBRUSH = void*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr LONG ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr LONG ERROR_CLASS_DOES_NOT_EXIST = 1411;

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};

// 0 with ERROR_CLASS_ALREADY_EXISTS when the module has a class of that name.
ATOM RegisterClassA(const WNDCLASSA* wndClass);

// FALSE with ERROR_CLASS_DOES_NOT_EXIST when the module has no such class.
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);

// Fills *wndClass with the registered class; its names point into the table
// and stay valid until the class is unregistered.
BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* wndClass);
#endif

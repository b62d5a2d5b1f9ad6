#include <gtest/gtest.h>

#include "winport/Errors.h"
#include "winport/WindowClass.h"

namespace {

LRESULT Procedure(HWND, UINT, WPARAM, LPARAM) { return 7; }

HINSTANCE Instance(uintptr_t address) { return reinterpret_cast<HINSTANCE>(address); }

TEST(WindowClass, RegisteredPerModuleAndFoundWithoutCase) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &Procedure;
  wc.hInstance = Instance(0x1000);
  std::string name = "com.example.Probe";
  wc.lpszClassName = name.c_str();
  ASSERT_NE(RegisterClassA(&wc), 0);
  name = "overwritten";  // the table keeps its own copy

  WNDCLASSA found{};
  ASSERT_TRUE(GetClassInfoA(Instance(0x1000), "COM.EXAMPLE.PROBE", &found));
  EXPECT_EQ(found.lpfnWndProc, &Procedure);
  EXPECT_STREQ(found.lpszClassName, "com.example.Probe");
  EXPECT_FALSE(GetClassInfoA(Instance(0x2000), "com.example.Probe", &found));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));

  wc.lpszClassName = "com.example.probe";
  EXPECT_EQ(RegisterClassA(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  wc.hInstance = Instance(0x2000);
  EXPECT_NE(RegisterClassA(&wc), 0);

  EXPECT_TRUE(UnregisterClassA("com.example.probe", Instance(0x1000)));
  EXPECT_FALSE(GetClassInfoA(Instance(0x1000), "com.example.Probe", &found));
  EXPECT_FALSE(UnregisterClassA("com.example.probe", Instance(0x1000)));
  EXPECT_TRUE(UnregisterClassA("com.example.probe", Instance(0x2000)));
}

}  // namespace

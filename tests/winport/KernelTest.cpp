#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "winport/Atoms.h"
#include "winport/Errors.h"
#include "winport/GlobalMemory.h"
#include "winport/Version.h"
#include "winport/WindowMessage.h"

namespace {

TEST(GlobalAtoms, CountReferencesAndFindNamesWithoutCase) {
  const ATOM atom = GlobalAddAtomA("KernelTest.Counted");
  ASSERT_GE(atom, 0xC000);
  EXPECT_EQ(GlobalAddAtomA("KERNELTEST.COUNTED"), atom);
  EXPECT_EQ(GlobalFindAtomA("kerneltest.counted"), atom);
  char name[64];
  EXPECT_EQ(GlobalGetAtomNameA(atom, name, sizeof name), 18u);
  EXPECT_STREQ(name, "KernelTest.Counted");  // the first spelling stays
  EXPECT_EQ(GlobalGetAtomNameA(atom, name, 7), 6u);
  EXPECT_STREQ(name, "Kernel");

  EXPECT_EQ(GlobalDeleteAtom(atom), 0);
  EXPECT_EQ(GlobalFindAtomA("KernelTest.Counted"), atom);  // one reference left
  EXPECT_EQ(GlobalDeleteAtom(atom), 0);
  EXPECT_EQ(GlobalFindAtomA("KernelTest.Counted"), 0);
  EXPECT_EQ(GlobalDeleteAtom(atom), atom);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(GlobalAtoms, RefuseBadNamesAndAFullTable) {
  EXPECT_EQ(GlobalAddAtomA(""), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GlobalAddAtomA(std::string(256, 'x').c_str()), 0);
  EXPECT_NE(GlobalAddAtomA(std::string(255, 'x').c_str()), 0);
  GlobalDeleteAtom(GlobalFindAtomA(std::string(255, 'x').c_str()));

  std::vector<ATOM> taken;
  for (int i = 0;; ++i) {
    ATOM atom = GlobalAddAtomA(("KernelTest.Fill" + std::to_string(i)).c_str());
    if (!atom) break;
    taken.push_back(atom);
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_LE(taken.size(), 0x4000u);
  EXPECT_GT(taken.size(), 0x3F00u);
  for (ATOM atom : taken) GlobalDeleteAtom(atom);
  EXPECT_NE(GlobalAddAtomA("KernelTest.AfterFill"), 0);
  GlobalDeleteAtom(GlobalFindAtomA("KernelTest.AfterFill"));
}

TEST(WindowMessages, OneIdPerNameWithoutCase) {
  const UINT id = RegisterWindowMessageA("KernelTest.Message");
  EXPECT_GE(id, 0xC000u);
  EXPECT_EQ(RegisterWindowMessageA("kerneltest.MESSAGE"), id);
  EXPECT_NE(RegisterWindowMessageA("KernelTest.Other"), id);
  EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

TEST(Version, AnswersNtSixTwoForTheRightSize) {
  OSVERSIONINFOA info{};
  EXPECT_FALSE(GetVersionExA(&info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(info.dwMajorVersion, 6u);
  EXPECT_EQ(info.dwMinorVersion, 2u);
  EXPECT_EQ(info.dwOSVersionInfoSize, sizeof info);
}

TEST(GlobalMemory, BlocksAreReachedThroughCountedLocks) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100);
  ASSERT_NE(block, nullptr);
  auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[99], 0);
  EXPECT_EQ(GlobalLock(block), bytes);
  EXPECT_TRUE(GlobalUnlock(block));
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalFree(block), block);
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GlobalAlloc(0x8000, 10), nullptr);
}

TEST(MulDiv, RoundsHalfAwayFromZeroAndRefusesWhatDoesNotFit) {
  EXPECT_EQ(MulDiv(13, 200, 100), 26);
  EXPECT_EQ(MulDiv(9, 96, 72), 12);
  EXPECT_EQ(MulDiv(5, 96, 72), 7);    // 6.67
  EXPECT_EQ(MulDiv(3, 1, 2), 2);      // 1.5
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(MulDiv(3, 1, -2), -2);
  EXPECT_EQ(MulDiv(-14, 72, 96), -11);  // -10.5
  EXPECT_EQ(MulDiv(1, 2, 0), -1);
  EXPECT_EQ(MulDiv(0x40000000, 4, 1), -1);
  EXPECT_EQ(MulDiv(0x40000000, 4, 2), -1);
  EXPECT_EQ(MulDiv(-0x40000000, 4, 2), INT32_MIN);
}

}  // namespace

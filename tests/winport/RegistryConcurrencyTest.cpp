// The store under several writers at once, writers killed half-way and
// readers beside writers: no change is lost, no key is left half written.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/TempRegistry.h"
#include "winport/Registry.h"
#include "winport/RegistryStore.h"

namespace {

LONG SetText(HKEY key, const std::string& name, const std::string& text) {
  return RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

LONG GetText(HKEY key, const std::string& name, std::string& text) {
  DWORD size = 0;
  LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size);
  if (rc != ERROR_SUCCESS) return rc;
  text.assign(size, '\0');
  rc = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size);
  text.resize(size ? size - 1 : 0);
  return rc;
}

// A text that tells its generation and whether it is whole.
std::string Generation(int gen, size_t size) {
  std::string text = std::to_string(gen) + ":";
  text.resize(size, static_cast<char>('a' + gen % 26));
  return text;
}

bool IsWholeGeneration(const std::string& text, size_t size) {
  return text.size() == size && text.find(':') != std::string::npos &&
         text == Generation(std::stoi(text.substr(0, text.find(':'))), size);
}

class RegistryConcurrency : public ::testing::Test {
 protected:
  static HKEY Open(const std::string& path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                    nullptr);
    return key;
  }
  std::string Folder(const std::string& path) {
    std::string dir;
    EXPECT_EQ(FindRegKey(FRegistry.Root() + "/HKEY_LOCAL_MACHINE", path, dir), ERROR_SUCCESS);
    return dir;
  }

  TempRegistry FRegistry;
};

// Processes, and threads within them, each set values of their own on one
// key at once: every value is there afterwards.
TEST_F(RegistryConcurrency, WritersAtOnceLoseNoValue) {
  constexpr int kProcesses = 3, kThreads = 2, kValues = 100;
  RegCloseKey(Open("Busy"));
  std::vector<pid_t> writers;
  for (int p = 0; p < kProcesses; ++p)
    writers.push_back(Spawn([p] {
      std::atomic<int> failures{0};
      std::vector<std::thread> threads;
      for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
          HKEY key = Open("Busy", KEY_SET_VALUE);
          for (int i = 0; i < kValues; ++i) {
            std::string name = "p" + std::to_string(p) + "t" + std::to_string(t) + "v" + std::to_string(i);
            if (SetText(key, name, name) != ERROR_SUCCESS) ++failures;
          }
          RegCloseKey(key);
        });
      for (std::thread& t : threads) t.join();
      return failures.load();
    }));
  for (pid_t pid : writers) EXPECT_EQ(Reap(pid), 0);

  HKEY key = Open("Busy", KEY_READ);
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, static_cast<DWORD>(kProcesses * kThreads * kValues));
  for (int p = 0; p < kProcesses; ++p)
    for (int t = 0; t < kThreads; ++t)
      for (int i = 0; i < kValues; ++i) {
        std::string name = "p" + std::to_string(p) + "t" + std::to_string(t) + "v" + std::to_string(i), text;
        ASSERT_EQ(GetText(key, name, text), ERROR_SUCCESS) << name;
        EXPECT_EQ(text, name);
      }
  RegCloseKey(key);
}

// Processes creating one key in different case at once make one key.
TEST_F(RegistryConcurrency, KeysMadeAtOnceInDifferentCaseAreOne) {
  constexpr int kParents = 30;
  const char* const spellings[] = {"key", "KEY", "Key", "kEY"};
  std::vector<pid_t> creators;
  for (const char* spelling : spellings)
    creators.push_back(Spawn([spelling] {
      for (int i = 0; i < kParents; ++i) {
        HKEY key = Open("Case\\P" + std::to_string(i) + "\\" + spelling);
        if (!key) return 1;
        RegCloseKey(key);
      }
      return 0;
    }));
  for (pid_t pid : creators) EXPECT_EQ(Reap(pid), 0);
  std::vector<std::string> names;
  ASSERT_EQ(ListRegSubKeys(Folder("Case"), names), ERROR_SUCCESS);
  EXPECT_EQ(names.size(), static_cast<size_t>(kParents));
  for (int i = 0; i < kParents; ++i) {
    ASSERT_EQ(ListRegSubKeys(Folder("Case\\P" + std::to_string(i)), names), ERROR_SUCCESS);
    EXPECT_EQ(names.size(), 1u) << i;
  }
}

// A writer killed at any moment leaves every key readable, each value whole
// (as it was or as it was being set), and the keys writable at once.
TEST_F(RegistryConcurrency, KilledWriterLeavesEveryKeyWhole) {
  constexpr int kKeys = 4;
  constexpr size_t kSize = 64 * 1024;
  for (int k = 0; k < kKeys; ++k) {
    HKEY key = Open("Killed\\K" + std::to_string(k));
    ASSERT_EQ(SetText(key, "text", Generation(0, kSize)), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, "copy", Generation(0, kSize)), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  std::mt19937 random(11);
  for (int round = 0; round < 6; ++round) {
    pid_t writer = Spawn([] {
      for (int gen = 1;; ++gen)
        for (int k = 0; k < kKeys; ++k) {
          HKEY key = Open("Killed\\K" + std::to_string(k));
          SetText(key, "text", Generation(gen, kSize));
          SetText(key, "copy", Generation(gen, kSize));
          RegCloseKey(key);
        }
      return 0;
    });
    usleep(static_cast<useconds_t>(20000 + random() % 60000));
    kill(writer, SIGKILL);
    ASSERT_EQ(Reap(writer), 128 + SIGKILL);
    for (int k = 0; k < kKeys; ++k) {
      HKEY key = Open("Killed\\K" + std::to_string(k));
      std::string text, copy;
      ASSERT_EQ(GetText(key, "text", text), ERROR_SUCCESS);
      ASSERT_EQ(GetText(key, "copy", copy), ERROR_SUCCESS);
      EXPECT_TRUE(IsWholeGeneration(text, kSize)) << text.substr(0, 16);
      EXPECT_TRUE(IsWholeGeneration(copy, kSize)) << copy.substr(0, 16);
      EXPECT_EQ(SetText(key, "copy", text), ERROR_SUCCESS);  // no lock is left held
      RegCloseKey(key);
    }
  }
  std::vector<RegValue> values;
  ASSERT_EQ(ReadRegValues(Folder("Killed\\K0"), values), ERROR_SUCCESS);
  EXPECT_EQ(values.size(), 2u);
  std::vector<std::string> names;
  ASSERT_EQ(ListRegSubKeys(Folder("Killed"), names), ERROR_SUCCESS);
  EXPECT_EQ(names, (std::vector<std::string>{"K0", "K1", "K2", "K3"}));
}

// A reader beside a writer that adds values one by one sees them in order,
// each whole, and never fewer than before.
TEST_F(RegistryConcurrency, ReadersBesideAWriterSeeWholeValueLists) {
  constexpr int kValues = 100;
  constexpr size_t kSize = 1024;
  RegCloseKey(Open("Growing"));
  const std::string dir = Folder("Growing");
  pid_t writer = Spawn([] {
    HKEY key = Open("Growing", KEY_SET_VALUE);
    for (int i = 0; i < kValues; ++i)
      if (SetText(key, "v" + std::to_string(i), Generation(i, kSize)) != ERROR_SUCCESS) return 1;
    return 0;
  });
  size_t seen = 0;
  int reads = 0;
  while (seen < kValues) {
    std::vector<RegValue> values;
    ASSERT_EQ(ReadRegValues(dir, values), ERROR_SUCCESS);
    ASSERT_GE(values.size(), seen);
    for (size_t i = 0; i < values.size(); ++i) {
      ASSERT_EQ(values[i].Name, "v" + std::to_string(i));
      ASSERT_EQ(values[i].Data, Generation(static_cast<int>(i), kSize) + '\0');
    }
    seen = values.size();
    ++reads;
  }
  EXPECT_EQ(Reap(writer), 0);
  EXPECT_GT(reads, 1);
}

}  // namespace

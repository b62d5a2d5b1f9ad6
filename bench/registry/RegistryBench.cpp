// What a durable registry write costs: RegSetValueExA on a key of the size of
// a catalogue entry (7 values) and of a larger one (100 values), and beside
// it the bare file work of one write (a new file renamed over the old one)
// with and without the two flushes, whose difference is what the flushes add
// to each write. Reads (RegQueryValueExA, shared lock) for comparison. All in
// a scratch store under $TMPDIR (default /tmp), removed at the end.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/Stopwatch.h"
#include "winport/Registry.h"

namespace {

constexpr int kWrites = 300;

std::string ScratchFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarvik-bench-registry-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  return pattern;
}

HKEY KeyWithValues(const std::string& name, int values) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot create %s\n", name.c_str());
    std::exit(1);
  }
  const char text[] = "D:\\RateLibraries\\Region\\Period";
  for (int i = 0; i < values; ++i)
    RegSetValueExA(key, ("value" + std::to_string(i)).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   sizeof text);
  return key;
}

// Milliseconds per RegSetValueExA of one DWORD on the key.
double SetValueMs(HKEY key) {
  double start = NowMs();
  for (DWORD i = 0; i < kWrites; ++i)
    if (RegSetValueExA(key, "value0", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), sizeof i) != ERROR_SUCCESS) {
      std::fprintf(stderr, "RegSetValueExA failed\n");
      std::exit(1);
    }
  return (NowMs() - start) / kWrites;
}

double QueryValueMs(HKEY key) {
  double start = NowMs();
  for (int i = 0; i < kWrites; ++i) {
    DWORD v, size = sizeof v;
    RegQueryValueExA(key, "value0", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size);
  }
  return (NowMs() - start) / kWrites;
}

// Milliseconds per bare replacement of a file of `size` bytes in `dir`.
double BareWriteMs(const std::string& dir, size_t size, bool flush) {
  const std::string file = dir + "/values", temp = dir + "/values.new", text(size, 'x');
  double start = NowMs();
  for (int i = 0; i < kWrites; ++i) {
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::exit(1);
    if (flush) fsync(fd);
    close(fd);
    rename(temp.c_str(), file.c_str());
    if (flush) {
      int folder = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
      fsync(folder);
      close(folder);
    }
  }
  return (NowMs() - start) / kWrites;
}

void Row(const std::string& label, double ms) { std::printf("%-44s %8.3f\n", label.c_str(), ms); }

}  // namespace

int main() {
  const std::string scratch = ScratchFolder();
  setenv("WINPORT_REGISTRY", (scratch + "/registry").c_str(), 1);
  std::printf("%d writes each, scratch store in %s\n\n", kWrites, scratch.c_str());
  std::printf("%-44s %8s\n", "", "ms/op");
  for (int values : {7, 100}) {
    HKEY key = KeyWithValues("Bench\\Key" + std::to_string(values), values);
    Row("RegSetValueExA, key of " + std::to_string(values) + " values", SetValueMs(key));
    Row("RegQueryValueExA, key of " + std::to_string(values) + " values", QueryValueMs(key));
    RegCloseKey(key);
  }
  std::filesystem::create_directory(scratch + "/bare");
  double plain = BareWriteMs(scratch + "/bare", 300, false);
  double flushed = BareWriteMs(scratch + "/bare", 300, true);
  Row("bare file replacement, no flush", plain);
  Row("bare file replacement, file and folder flush", flushed);
  Row("what the flushes add to a write", flushed - plain);
  std::filesystem::remove_all(scratch);
}

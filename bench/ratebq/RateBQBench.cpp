// bench_ratebq [--bills N] [--repeat-request R]: a generated rate library of N
// bills (default 100,000; about 5 norms each, about 8 lines per norm, 20,000
// resources of which 10 % mixed), kept under build/bench-data and reused while
// its shape holds.
//
//   1. Opening a reader (models loaded, files opened, indexes built) against a
//      bare std::unordered_map build of the same keys from the same files.
//   2. Loading bills by code through the reader, per bill, for 100, 1,000,
//      10,000 and 100,000 bills: the cost per row stays flat when it grows
//      linearly.
//   3. Where the time of a 1,000-bill request goes: the reader's steps replayed
//      with a stopwatch around each call; the request through the reader
//      against its own unzip phase, the decoder per field, the engine per row,
//      the result in MB/s.
//   4. Peak resident memory of `tarvik-host load` of 10,000 bills, with and
//      without --summary, against the size of the result (getrusage of the
//      child process).
//
// --repeat-request R runs only the 1,000-bill request, R times, for a profiler.
//
// The reader is reached as a host reaches it: libTarvik.so, GetTarviks, the
// catalogue entry (installed into a scratch registry), IRateBQ.OpenReader.
#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include "KivEngine/ModelFile.h"
#include "RateIntf/Tarvik.h"
#include "bench/Stopwatch.h"
#include "bench/ratebq/BareIndexes.h"
#include "bench/ratebq/LibraryGenerator.h"
#include "bench/ratebq/ReplayReader.h"
#include "tools/ratebq-build/CatalogueReg.h"
#include "winport/Codepage.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPassword = "bench-password";
constexpr int32_t kLibraryBQID = 1, kEmptyBQID = 2;
const std::string kTemplateModel = Utf8ToGbk("\xE9\xA2\x84\xE7\xAE\x97\xE7\xBB\xBC\xE5\x90\x88\xE5\x8D\x95"
                                             "\xE4\xBB\xB7\xE5\xBA\x93.Kiv");  // 预算综合单价库.Kiv

double Seconds(const std::function<void()>& f) {
  const double start = NowSeconds();
  f();
  return NowSeconds() - start;
}

double BestOf(int runs, const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) best = std::min(best, Seconds(f));
  return best;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes the library unless the folder already holds one of this shape.
void EnsureLibrary(const kivengine::ModelDef& model, const LibraryShape& shape, const fs::path& folder) {
  const fs::path stamp = folder / "shape.txt";
  if (ReadText(stamp) == shape.Stamp()) return;
  fs::remove_all(folder);
  std::printf("generating %s ...\n", shape.Stamp().c_str());
  // Every block's deflate state is a fresh large allocation; kept in the heap
  // instead of mapped and unmapped each time, the writing runs several times faster.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
  const double seconds = Seconds([&] { GenerateLibrary(model, shape, folder.string(), kPassword); });
  mallopt(M_MMAP_THRESHOLD, 128 << 10);  // glibc's defaults, for the measurements
  mallopt(M_TRIM_THRESHOLD, 128 << 10);
  std::ofstream(stamp) << shape.Stamp();
  std::printf("generated in %.1f s: RateBQ.data %.1f MB, RateBQ.Index %.1f MB, Resource.data %.1f MB\n", seconds,
              fs::file_size(folder / "RateBQ.data") / 1e6, fs::file_size(folder / "RateBQ.Index") / 1e6,
              fs::file_size(folder / "Resource.data") / 1e6);
}

// Installs both libraries in a scratch registry of the bench's own.
void InstallCatalogue(const fs::path& bin, const fs::path& data, const fs::path& library, const fs::path& empty) {
  const fs::path registry = data / "registry";
  fs::remove_all(registry);
  setenv("WINPORT_REGISTRY", registry.c_str(), 1);
  for (auto [bqid, folder] : {std::pair{kLibraryBQID, library}, std::pair{kEmptyBQID, empty}}) {
    CatalogueEntry entry;
    entry.SubKey = folder.filename().string();
    entry.LibType = "bench";
    entry.BQID = bqid;
    entry.PathName = folder.string();
    const fs::path reg = data / (entry.SubKey + ".reg");
    std::ofstream(reg) << CatalogueRegText(entry);
    const std::string command = (bin / "winreg").string() + " import '" + reg.string() + "' >/dev/null";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("winreg import failed");
  }
}

class Tarvik {
 public:
  explicit Tarvik(const fs::path& file) : FHandle(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (!FHandle) throw std::runtime_error(dlerror());
    FGetTarviks = reinterpret_cast<TGetTarviks>(dlsym(FHandle, GetTarviksName));
  }
  ~Tarvik() { dlclose(FHandle); }

  void OpenReader(int32_t bqid, IntfPtr<IRateBQDBReader>& reader) {
    IntfPtr<IRateBQs> catalogue;
    FGetTarviks(catalogue);
    IntfPtr<IRateBQ> entry;
    catalogue->ItemByBQID(bqid, entry);
    if (!entry) throw std::runtime_error("library not in the catalogue");
    entry->OpenReader(reader);
  }

 private:
  void* FHandle;
  TGetTarviks FGetTarviks;
};

// Runs programs and answers their peak resident memory. A child's peak counts
// the memory of the process it was started from (Linux takes it over when the
// child's program starts), so the programs are started by a helper process
// forked while the bench is still small.
class Spawner {
 public:
  Spawner() {
    int requests[2], answers[2];
    if (pipe(requests) != 0 || pipe(answers) != 0) throw std::runtime_error("pipe failed");
    FPid = fork();
    if (FPid < 0) throw std::runtime_error("fork failed");
    if (FPid == 0) {
      close(requests[1]);
      close(answers[0]);
      Serve(requests[0], answers[1]);
      _exit(0);
    }
    close(requests[0]);
    close(answers[1]);
    FRequests = requests[1];
    FAnswers = answers[0];
  }
  ~Spawner() {
    close(FRequests);
    close(FAnswers);
    waitpid(FPid, nullptr, 0);
  }

  // The program's peak resident memory in bytes; its output is dropped and
  // the environment is the bench's at the time of the call.
  int64_t PeakResidentBytes(const std::vector<std::string>& arguments) {
    std::vector<std::string> strings = arguments;
    for (char** variable = environ; *variable; ++variable) strings.push_back(*variable);
    std::string request = std::to_string(arguments.size()) + ' ' + std::to_string(strings.size()) + '\n';
    for (const std::string& string : strings) request += std::to_string(string.size()) + '\n' + string;
    if (write(FRequests, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
      throw std::runtime_error("the spawner is gone");
    int64_t peak = -1;
    if (read(FAnswers, &peak, sizeof peak) != sizeof peak || peak < 0) throw std::runtime_error(arguments[0] + " failed");
    return peak;
  }

 private:
  // Requests: the number of arguments and of strings, then each string as
  // its length and its bytes: the program's arguments, then its environment.
  static void Serve(int requests, int answers) {
    FILE* in = fdopen(requests, "r");
    for (size_t arguments, count; std::fscanf(in, "%zu %zu\n", &arguments, &count) == 2;) {
      std::vector<std::string> strings(count);
      for (std::string& s : strings) {
        size_t length = 0;
        if (std::fscanf(in, "%zu\n", &length) != 1) return;
        s.resize(length);
        if (std::fread(s.data(), 1, length, in) != length) return;
      }
      std::vector<char*> argv, envp;
      for (size_t i = 0; i < count; ++i) (i < arguments ? argv : envp).push_back(strings[i].data());
      argv.push_back(nullptr);
      envp.push_back(nullptr);
      int64_t peak = -1;
      posix_spawn_file_actions_t actions;
      posix_spawn_file_actions_init(&actions);
      posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
      pid_t pid;
      if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0)
          peak = int64_t{usage.ru_maxrss} * 1024;
      }
      posix_spawn_file_actions_destroy(&actions);
      if (write(answers, &peak, sizeof peak) != sizeof peak) return;
    }
  }

  pid_t FPid;
  int FRequests, FAnswers;
};

std::vector<std::string> SampleCodes(int32_t bills, int32_t count) {
  std::vector<int32_t> picks(bills);
  for (int32_t i = 0; i < bills; ++i) picks[i] = i;
  std::shuffle(picks.begin(), picks.end(), std::mt19937(7));
  std::vector<std::string> codes;
  for (int32_t i = 0; i < count; ++i) codes.push_back(GeneratedBillCode(picks[i]));
  return codes;
}

// The 1,000-bill request through the reader, repeats times; prints the best
// and the median time per bill, in wall time and in the thread's processor
// time (which other work on a busy machine moves less).
void RepeatRequest(IRateBQDBReader* reader, const LibraryShape& shape, int32_t repeats) {
  const std::vector<std::string> codes = SampleCodes(shape.Bills, std::min(1000, shape.Bills));
  reader->SetPassword(kPassword);
  std::vector<double> wall, processor;
  for (int32_t i = 0; i < repeats; ++i) {
    const double start = ThreadSeconds();
    wall.push_back(Seconds([&] {
      std::string result;
      reader->LoadByCodes(codes, result);
    }));
    processor.push_back(ThreadSeconds() - start);
  }
  for (auto* times : {&wall, &processor}) std::sort(times->begin(), times->end());
  const double perBill = 1e6 / codes.size();
  std::printf("%zu-bill request, %d times, us per bill: wall best %.1f median %.1f, processor best %.1f median %.1f\n",
              codes.size(), repeats, wall.front() * perBill, wall[wall.size() / 2] * perBill,
              processor.front() * perBill, processor[processor.size() / 2] * perBill);
}

void Run(const LibraryShape& shape, Spawner& spawner, int32_t repeats) {
  const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
  const fs::path data = bin.parent_path() / "bench-data";
  const fs::path library = data / ("ratebq-" + std::to_string(shape.Bills));
  const fs::path empty = data / "ratebq-empty";
  const std::string modelFile = (bin / GbkToUtf8(kTemplateModel)).string();
  const kivengine::ModelDef model = kivengine::LoadModelFile(Utf8ToGbk(modelFile));
  EnsureLibrary(model, shape, library);
  LibraryShape none = shape;
  none.Bills = none.Resources = 0;
  EnsureLibrary(model, none, empty);
  InstallCatalogue(bin, data, library, empty);

  if (repeats > 0) {
    Tarvik tarvik(bin / "libTarvik.so");
    IntfPtr<IRateBQDBReader> reader;
    tarvik.OpenReader(kLibraryBQID, reader);
    RepeatRequest(reader.get(), shape, repeats);
    return;
  }

  std::printf("\n== opening (best of 5)\n");
  const double bare = BestOf(5, [&] { BareIndexes().Build(library.string()); });
  Tarvik tarvik(bin / "libTarvik.so");
  IntfPtr<IRateBQDBReader> reader;
  const double emptyOpen = BestOf(5, [&] {
    reader.Clear();
    tarvik.OpenReader(kEmptyBQID, reader);
  });
  const double open = BestOf(5, [&] {
    reader.Clear();
    tarvik.OpenReader(kLibraryBQID, reader);
  });
  std::printf("std::unordered_map build of the same keys:   %8.1f ms\n", bare * 1e3);
  std::printf("reader open, library of %6d bills:          %8.1f ms\n", shape.Bills, open * 1e3);
  std::printf("reader open, empty library (models, files):   %8.1f ms\n", emptyOpen * 1e3);
  std::printf("reader index build (the difference):          %8.1f ms  (%.2fx the bare build)\n",
              (open - emptyOpen) * 1e3, (open - emptyOpen) / bare);

  KivEngineUtilsInitialize();
  {
    BareIndexes indexes;
    indexes.Build(library.string());
    ReplayReader replay((bin / "KivEngine.dll").string(), Utf8ToGbk(modelFile), library.string(), indexes, kPassword);

    // Bills share resources, and a request loads each resource once: rows
    // loaded, not bills, are the measure of the work.
    std::printf("\n== LoadByCodes through the reader (best of 3; 100,000 bills once)\n");
    std::printf("%8s %10s %12s %10s %10s %10s\n", "bills", "ms", "us per bill", "rows", "us per row", "result MB");
    reader->SetPassword(kPassword);
    double requestPerBill = 0, firstPerRow = 0, lastPerRow = 0;
    for (int32_t count : {100, 1000, 10000, 100000}) {
      if (count > shape.Bills) break;
      const std::vector<std::string> codes = SampleCodes(shape.Bills, count);
      size_t resultSize = 0;
      const double seconds = BestOf(count >= 100000 ? 1 : 3, [&] {
        std::string result;
        reader->LoadByCodes(codes, result);
        resultSize = result.size();
      });
      replay.LoadByCodes(codes);
      const int64_t rows = replay.RowCount();
      std::printf("%8d %10.1f %12.1f %10lld %10.2f %10.1f\n", count, seconds * 1e3, seconds / count * 1e6,
                  static_cast<long long>(rows), seconds / rows * 1e6, resultSize / 1e6);
      if (count == 1000) requestPerBill = seconds / count;
      if (firstPerRow == 0) firstPerRow = seconds / rows;
      lastPerRow = seconds / rows;
    }
    std::printf("per row, the largest request against the smallest: %.2fx\n", lastPerRow / firstPerRow);

    const int32_t replayCount = std::min(1000, shape.Bills);
    std::printf("\n== where a %d-bill request goes (the reader's steps replayed, best of 3)\n", replayCount);
    const std::vector<std::string> codes = SampleCodes(shape.Bills, replayCount);
    PhaseTimes best;
    best.Engine = 1e300;
    for (int i = 0; i < 3; ++i) {
      const PhaseTimes times = replay.LoadByCodes(codes);
      if (times.Total() < best.Total()) best = times;
    }
    const double total = best.Total();
    auto line = [&](const char* what, double seconds) {
      std::printf("%-34s %8.1f ms %8.1f us per bill %6.1f %%\n", what, seconds * 1e3, seconds / replayCount * 1e6,
                  seconds / total * 100);
    };
    line("unzip (decrypt + inflate)", best.Unzip);
    line("decoding (record stream)", best.Decode);
    line("engine: records, tables, lookups", best.Engine);
    line("engine: the result (MakeResult)", best.Result);
    line("block reads", best.Read);
    line("index lookups", best.Lookup);
    line("total", total);
    std::string result;
    reader->LoadByCodes(codes, result);
    const int64_t rows = replay.RowCount();
    std::printf("decoding:  %7.1f ns per field (%lld fields)\n", best.Decode / best.Fields * 1e9,
                static_cast<long long>(best.Fields));
    std::printf("engine:    %7.1f ns per row (%lld rows)\n", best.Engine / rows * 1e9, static_cast<long long>(rows));
    std::printf("result:    %7.1f MB/s of JSON (%.1f MB)\n", result.size() / best.Result / 1e6, result.size() / 1e6);
    if (requestPerBill > 0)
      std::printf("the request through the reader: %.1f us per bill, %.2fx the replay's unzip phase\n",
                  requestPerBill * 1e6, requestPerBill * replayCount / best.Unzip);

    // The host parses nothing but what --summary counts; group keys keep the
    // command line short.
    const int32_t groups = std::min(200, std::max(1, shape.Bills / shape.BillsPerGroup));
    std::vector<int32_t> groupKeys(std::max(1, shape.Bills / shape.BillsPerGroup));
    for (size_t i = 0; i < groupKeys.size(); ++i) groupKeys[i] = static_cast<int32_t>(i) + 1;
    std::shuffle(groupKeys.begin(), groupKeys.end(), std::mt19937(11));
    groupKeys.resize(groups);
    std::string keyList;
    for (int32_t key : groupKeys) keyList += (keyList.empty() ? "" : ",") + std::to_string(key);
    reader->LoadByGroupKeys(groupKeys, result);
    const std::vector<std::string> load = {(bin / "tarvik-host").string(), "load", std::to_string(kLibraryBQID),
                                           "--password", kPassword, "--group-keys", keyList};
    std::vector<std::string> summary = load;
    summary.push_back("--summary");
    const int64_t loadPeak = spawner.PeakResidentBytes(load), summaryPeak = spawner.PeakResidentBytes(summary);
    std::printf("\n== peak resident memory of tarvik-host load, %d bills (%d group keys)\n",
                groups * shape.BillsPerGroup, groups);
    std::printf("result:          %8.1f MB\n", result.size() / 1e6);
    std::printf("load:            %8.1f MB  (%.2fx the result)\n", loadPeak / 1e6, double(loadPeak) / result.size());
    std::printf("load --summary:  %8.1f MB  (%.2fx the load)\n", summaryPeak / 1e6, double(summaryPeak) / loadPeak);
  }
  reader.Clear();
  KivEngineUtilsFinalize();
}

}  // namespace

int main(int argc, char** argv) {
  LibraryShape shape;
  int32_t repeats = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--bills" && i + 1 < argc) {
      shape.Bills = std::atoi(argv[++i]);
      shape.Resources = std::max(shape.Bills / 5, 100);
    } else if (std::string(argv[i]) == "--repeat-request" && i + 1 < argc) {
      repeats = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: bench_ratebq [--bills N] [--repeat-request R]\n");
      return 2;
    }
  }
  try {
    Spawner spawner;
    Run(shape, spawner, repeats);
  } catch (const Exception& e) {
    std::fprintf(stderr, "bench_ratebq: %s\n", GbkToUtf8(e.Message()).c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_ratebq: %s\n", e.what());
    return 1;
  }
  return 0;
}

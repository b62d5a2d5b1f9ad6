// Throughput of UnzipFirstEntryInPlace on encrypted, deflated one-entry blocks
// of 4 KiB, 64 KiB and 4 MiB, against bare zlib inflate of the same deflate
// data and against `unzip -P -p` on the same archive. Prints MB/s of plain
// output and the ratios, all from one run.
//
// A second pass repeats the in-place figures with glibc told to keep freed
// memory: each 4 MiB call peaks near 10 MB of heap, above glibc's trim
// threshold, so by default every call hands its pages back to the kernel and
// faults them in again, which on some virtual machines costs more than the
// unzip itself.
#include <malloc.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

#include "archive/QuarnZipFile.h"
#include "bench/Stopwatch.h"

namespace {

constexpr const char* kPassword = "bench-password";

// Text much like a decoded bill block: repetitive field names, varying numbers.
std::string PlainBlock(size_t size) {
  std::mt19937 gen(static_cast<uint32_t>(size));
  std::string s;
  while (s.size() < size) {
    s += "BQItem code=" + std::to_string(gen() % 100000) + " unit=m3 qty=" + std::to_string(gen() % 1000) + "." +
         std::to_string(gen() % 100) + " norm=" + std::to_string(gen() % 5000) + "\n";
  }
  s.resize(size);
  return s;
}

std::string BuildBlock(const std::string& plain, std::string& rawDeflate) {
  IntfPtr<IZipFile> zip;
  CreateZipFile(kPassword, zip);
  IntfPtr<IZipFileEntry> entry;
  zip->AddBuffer("block", plain.data(), static_cast<int32_t>(plain.size()), entry);
  TStringStream out;
  zip->SaveToStream(&out);
  // The same deflate data, unencrypted, for bare zlib.
  IntfPtr<IZipFile> open;
  CreateZipFile("", open);
  open->AddBuffer("block", plain.data(), static_cast<int32_t>(plain.size()), entry);
  TStringStream openOut;
  open->SaveToStream(&openOut);
  rawDeflate = openOut.DataString().substr(30 + 5, entry->CompressedSize());
  return out.DataString();
}

// Runs f repeatedly for at least minSeconds; returns seconds per run.
template <class F>
double TimePerRun(F f, double minSeconds) {
  int runs = 0;
  double spent = 0;
  while (spent < minSeconds || runs < 3) spent += f(), ++runs;
  return spent / runs;
}

double InflateOnce(const std::string& raw, std::string& out) {
  const auto start = NowSeconds();
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int code = inflate(&z, Z_FINISH);
  inflateEnd(&z);
  const auto spent = NowSeconds() - start;
  if (code != Z_STREAM_END || z.total_out != out.size()) throw std::runtime_error("zlib inflate failed");
  return spent;
}

double UnzipInPlaceOnce(const std::string& block, size_t plainSize, TMemoryStream& stream) {
  stream.SetSize(0);
  stream.WriteBuffer(block.data(), static_cast<int32_t>(block.size()));
  const auto start = NowSeconds();
  const bool ok = UnzipFirstEntryInPlace(&stream, kPassword);
  const auto spent = NowSeconds() - start;
  if (!ok || static_cast<size_t>(stream.Size()) != plainSize) throw std::runtime_error("in-place unzip failed");
  return spent;
}

double InfoZipOnce(const std::string& path) {
  const auto start = NowSeconds();
  const int rc = std::system(("unzip -qq -P " + std::string(kPassword) + " -p '" + path + "' > /dev/null").c_str());
  const auto spent = NowSeconds() - start;
  if (rc != 0) throw std::runtime_error("unzip failed");
  return spent;
}

struct Figures {
  double inPlace, zlib, infoZip;
};

Figures Measure(size_t size, bool withPeers) {
  const std::string plain = PlainBlock(size);
  std::string raw;
  const std::string block = BuildBlock(plain, raw);
  TMemoryStream stream;
  Figures f{};
  f.inPlace = TimePerRun([&] { return UnzipInPlaceOnce(block, size, stream); }, 1.0);
  if (!withPeers) return f;
  std::string out(size, '\0');
  f.zlib = TimePerRun([&] { return InflateOnce(raw, out); }, 1.0);
  const std::string path = "/tmp/tarvik-bench-unzip-" + std::to_string(size) + ".zip";
  {
    TMemoryStream file;
    file.WriteBuffer(block.data(), static_cast<int32_t>(block.size()));
    file.SaveToFile(path);
  }
  f.infoZip = TimePerRun([&] { return InfoZipOnce(path); }, 1.0);
  std::remove(path.c_str());
  return f;
}

std::string Label(size_t size) {
  return size >= (1u << 20) ? std::to_string(size >> 20) + " MiB" : std::to_string(size >> 10) + " KiB";
}

}  // namespace

int main() {
  const size_t sizes[] = {size_t{4} << 10, size_t{64} << 10, size_t{4} << 20};
  Figures figures[3];
  std::printf("%-8s %13s %13s %13s %15s %15s\n", "block", "in-place", "zlib", "unzip -p", "in-place/zlib",
              "in-place/unzip");
  for (int i = 0; i < 3; ++i) {
    const Figures& f = figures[i] = Measure(sizes[i], true);
    const double mb = static_cast<double>(sizes[i]) / 1e6;
    std::printf("%-8s %8.1f MB/s %8.1f MB/s %8.1f MB/s %15.2f %15.2f\n", Label(sizes[i]).c_str(), mb / f.inPlace,
                mb / f.zlib, mb / f.infoZip, f.zlib / f.inPlace, f.infoZip / f.inPlace);
  }
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  std::printf("\nwith freed memory kept by glibc:\n");
  for (int i = 0; i < 3; ++i) {
    const double inPlace = Measure(sizes[i], false).inPlace;
    const double mb = static_cast<double>(sizes[i]) / 1e6;
    std::printf("%-8s %8.1f MB/s %15.2f %15.2f\n", Label(sizes[i]).c_str(), mb / inPlace, figures[i].zlib / inPlace,
                figures[i].infoZip / inPlace);
  }
  return 0;
}

// Throughput of UnzipFirstEntryInPlace on encrypted, deflated one-entry blocks
// of 4 KiB, 64 KiB and 4 MiB, against a bare decrypt + inflate + CRC-32 of the
// same block (the cipher, zlib and plain buffers, nothing else), bare zlib
// inflate of the same deflate data, and `unzip -P -p` on the same archive.
// Prints MB/s of plain output and the ratios, all from one run, and the
// cipher alone in MB/s of encrypted bytes.
//
// A second pass repeats the in-place figures with glibc told to keep freed
// memory: each 4 MiB call peaks near 10 MB of heap, above glibc's trim
// threshold, so by default every call hands its pages back to the kernel and
// faults them in again, which on some virtual machines costs more than the
// unzip itself.
#include <malloc.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/QuarnZipEnc.h"
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

uint32_t LittleEndian(const std::string& bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// What any program must do to get the plain bytes out of the block: find the
// entry's data after its local header, check the encryption header, decrypt,
// inflate into a buffer of the declared size, check the CRC-32.
double BareOnce(const std::string& block, size_t plainSize) {
  const auto start = NowSeconds();
  const uint32_t crc = LittleEndian(block, 14, 4), stored = LittleEndian(block, 18, 4);
  const size_t data = 30 + LittleEndian(block, 26, 2) + LittleEndian(block, 28, 2);
  uint8_t* work = static_cast<uint8_t*>(std::malloc(stored));
  std::memcpy(work, block.data() + data, stored);
  TZipDecryptEngine cipher;
  if (!cipher.VerifyHeader(*reinterpret_cast<TZipHeader*>(work), kPassword, crc)) throw std::runtime_error("bad header");
  cipher.Decode(work + kZipHeaderSize, static_cast<int32_t>(stored - kZipHeaderSize));
  uint8_t* plain = static_cast<uint8_t*>(std::malloc(plainSize));
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = work + kZipHeaderSize;
  z.avail_in = static_cast<uInt>(stored - kZipHeaderSize);
  z.next_out = plain;
  z.avail_out = static_cast<uInt>(plainSize);
  const int code = inflate(&z, Z_FINISH);
  inflateEnd(&z);
  const bool good = code == Z_STREAM_END && z.total_out == plainSize && crc32(0, plain, plainSize) == crc;
  std::free(plain);
  std::free(work);
  const auto spent = NowSeconds() - start;
  if (!good) throw std::runtime_error("bare unzip failed");
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

// The decryption of a 4 MiB buffer: the cipher's serial key chain, nothing
// else. Best of 8, in MB/s of encrypted bytes.
double CipherMBs() {
  std::vector<uint8_t> bytes(size_t{4} << 20);
  std::mt19937 gen(1);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(gen());
  TZipHeader header;
  std::memcpy(header, bytes.data(), kZipHeaderSize);
  double best = 1e300;
  for (int run = 0; run < 8; ++run) {
    // Byte 11 of the header decrypts to something; the check that names it passes.
    TZipDecryptEngine engine;
    for (uint32_t top = 0; top < 256 && !engine.VerifyHeader(header, kPassword, top << 24);) ++top;
    const double start = NowSeconds();
    engine.Decode(bytes.data(), static_cast<int32_t>(bytes.size()));
    best = std::min(best, NowSeconds() - start);
  }
  return static_cast<double>(bytes.size()) / best / 1e6;
}

struct Figures {
  double inPlace, bare, zlib, infoZip;
};

Figures Measure(size_t size, bool withPeers) {
  const std::string plain = PlainBlock(size);
  std::string raw;
  const std::string block = BuildBlock(plain, raw);
  TMemoryStream stream;
  Figures f{};
  f.inPlace = TimePerRun([&] { return UnzipInPlaceOnce(block, size, stream); }, 1.0);
  if (!withPeers) return f;
  f.bare = TimePerRun([&] { return BareOnce(block, size); }, 1.0);
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
  std::printf("%-8s %13s %13s %13s %13s %13s %13s\n", "block", "in-place", "bare C", "zlib only", "unzip -p",
              "in-place/C", "in-place/unzip");
  for (int i = 0; i < 3; ++i) {
    const Figures& f = figures[i] = Measure(sizes[i], true);
    const double mb = static_cast<double>(sizes[i]) / 1e6;
    std::printf("%-8s %8.1f MB/s %8.1f MB/s %8.1f MB/s %8.1f MB/s %13.2f %13.2f\n", Label(sizes[i]).c_str(),
                mb / f.inPlace, mb / f.bare, mb / f.zlib, mb / f.infoZip, f.bare / f.inPlace, f.infoZip / f.inPlace);
  }
  std::printf("\ncipher alone: %.1f MB/s of encrypted bytes\n", CipherMBs());
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  std::printf("\nwith freed memory kept by glibc:\n");
  for (int i = 0; i < 3; ++i) {
    const double inPlace = Measure(sizes[i], false).inPlace;
    const double mb = static_cast<double>(sizes[i]) / 1e6;
    std::printf("%-8s %8.1f MB/s %41s %13.2f %13.2f\n", Label(sizes[i]).c_str(), mb / inPlace, "",
                figures[i].bare / inPlace, figures[i].infoZip / inPlace);
  }
  return 0;
}

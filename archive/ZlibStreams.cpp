#include "archive/ZlibStreams.h"

namespace {

constexpr int kBufferSize = 0x10000;
// Negative window bits select raw deflate; 32 KB window, zlib's memory level.
constexpr int kRawWindowBits = -MAX_WBITS;
constexpr int kMemLevel = 8;

std::string ZlibMessage(const z_stream& z, int code) { return z.msg ? std::string(z.msg) : std::string(zError(code)); }

}  // namespace

TCompressionStream::TCompressionStream(TStream* dest, int level) : FDest(dest) {
  int code = deflateInit2(&FZ, level, Z_DEFLATED, kRawWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
  if (code != Z_OK) throw ECompressionError(ZlibMessage(FZ, code));
}

TCompressionStream::~TCompressionStream() { deflateEnd(&FZ); }

void TCompressionStream::Drain(int flush) {
  int code;
  do {
    FZ.next_out = reinterpret_cast<Bytef*>(FBuffer);
    FZ.avail_out = kBufferSize;
    code = deflate(&FZ, flush);
    if (code == Z_STREAM_ERROR) throw ECompressionError(ZlibMessage(FZ, code));
    FDest->WriteBuffer(FBuffer, kBufferSize - static_cast<int32_t>(FZ.avail_out));
  } while (FZ.avail_out == 0 || (flush == Z_FINISH && code != Z_STREAM_END));
}

int32_t TCompressionStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  FZ.next_in = static_cast<Bytef*>(const_cast<void*>(buffer));
  FZ.avail_in = static_cast<uInt>(count);
  Drain(Z_NO_FLUSH);
  return count;
}

void TCompressionStream::Finish() {
  FZ.next_in = nullptr;
  FZ.avail_in = 0;
  Drain(Z_FINISH);
}

int32_t TCompressionStream::Read(void*, int32_t) { throw ECompressionError("Invalid stream operation"); }

int64_t TCompressionStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (offset == 0 && origin == TSeekOrigin::soCurrent) return static_cast<int64_t>(FZ.total_in);
  throw ECompressionError("Invalid stream operation");
}

TDecompressionStream::TDecompressionStream(TStream* source) : FSource(source) {
  int code = inflateInit2(&FZ, kRawWindowBits);
  if (code != Z_OK) throw EDecompressionError(ZlibMessage(FZ, code));
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(&FZ); }

int32_t TDecompressionStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || FEnded) return 0;
  FZ.next_out = static_cast<Bytef*>(buffer);
  FZ.avail_out = static_cast<uInt>(count);
  while (FZ.avail_out > 0) {
    if (FZ.avail_in == 0) {
      FZ.next_in = reinterpret_cast<Bytef*>(FBuffer);
      FZ.avail_in = static_cast<uInt>(FSource->Read(FBuffer, kBufferSize));
      if (FZ.avail_in == 0) break;
    }
    int code = inflate(&FZ, Z_NO_FLUSH);
    if (code == Z_STREAM_END) {
      FEnded = true;
      break;
    }
    if (code != Z_OK) throw EDecompressionError(ZlibMessage(FZ, code));
  }
  return count - static_cast<int32_t>(FZ.avail_out);
}

int32_t TDecompressionStream::Write(const void*, int32_t) { throw EDecompressionError("Invalid stream operation"); }

int64_t TDecompressionStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (offset == 0 && origin == TSeekOrigin::soCurrent) return static_cast<int64_t>(FZ.total_out);
  throw EDecompressionError("Invalid stream operation");
}

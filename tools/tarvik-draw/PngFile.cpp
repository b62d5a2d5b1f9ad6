// A PNG file is the signature and three chunks: IHDR (the size and the pixel
// format), IDAT (the rows, each after a filter byte, deflated by zlib) and
// IEND. Each chunk is its length, its type, its data and the CRC-32 of type
// and data, numbers big-endian.
#include "tools/tarvik-draw/PngFile.h"

#include <zlib.h>

#include <fstream>
#include <vector>

#include "tools/Utf8Path.h"

namespace {

void PutBE32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBE32(out, static_cast<uint32_t>(data.size()));
  const std::string typed = type + data;
  out += typed;
  PutBE32(out, crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
}

// The rows top-down, red, green and blue, each after filter byte 0 (none).
bool ReadRows(TBitmap* bitmap, std::string& rows) {
  const int width = bitmap->Width(), height = bitmap->Height();
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const size_t stride = (3 * static_cast<size_t>(width) + 3) & ~size_t{3};
  std::vector<uint8_t> bits(stride * height);
  HDC screen = GetDC(nullptr);
  const int read = GetDIBits(screen, bitmap->Handle(), 0, height, bits.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (read != height) return false;
  rows.clear();
  rows.reserve((1 + 3 * static_cast<size_t>(width)) * height);
  for (int y = 0; y < height; ++y) {
    rows += '\0';
    for (int x = 0; x < width; ++x) {
      const uint8_t* bgr = &bits[y * stride + 3 * x];
      rows += {static_cast<char>(bgr[2]), static_cast<char>(bgr[1]), static_cast<char>(bgr[0])};
    }
  }
  return true;
}

}  // namespace

bool WritePng(TBitmap* bitmap, const std::string& fileName, std::string& error) {
  std::string rows;
  if (!ReadRows(bitmap, rows)) {
    error = "cannot read the picture's pixels";
    return false;
  }
  uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(rows.data()),
                static_cast<uLong>(rows.size()), Z_BEST_COMPRESSION) != Z_OK) {
    error = "cannot compress the picture";
    return false;
  }
  packed.resize(packedSize);

  std::string header;
  PutBE32(header, static_cast<uint32_t>(bitmap->Width()));
  PutBE32(header, static_cast<uint32_t>(bitmap->Height()));
  header += {8, 2, 0, 0, 0};  // 8 bits a sample, RGB, deflate, adaptive filters, no interlace
  std::string png = "\x89PNG\r\n\x1A\n";
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", "");

  std::ofstream file(Utf8Path(fileName), std::ios::binary);
  if (!file.write(png.data(), static_cast<std::streamsize>(png.size())) || !file.flush()) {
    error = "cannot write " + fileName;
    return false;
  }
  return true;
}

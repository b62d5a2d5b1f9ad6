#include "tools/tarvik-draw/PngFile.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

bool WritePng(TBitmap* bitmap, const std::string& fileName, std::string& error) {
  const int width = bitmap->Width(), height = bitmap->Height();
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const size_t stride = (3 * static_cast<size_t>(width) + 3) & ~size_t{3};
  std::vector<uint8_t> bits(stride * height);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap->Handle(), 0, height, bits.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != height) {
    error = "cannot read the picture's pixels";
    return false;
  }
  for (int y = 0; y < height; ++y)  // BGR to RGB
    for (int x = 0; x < width; ++x) std::swap(bits[y * stride + 3 * x], bits[y * stride + 3 * x + 2]);

  FILE* file = std::fopen(fileName.c_str(), "wb");
  if (!file) {
    error = "cannot create " + fileName;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop pngInfo = png ? png_create_info_struct(png) : nullptr;
  volatile bool ok = false;  // set between setjmp and a possible longjmp
  if (pngInfo && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_set_IHDR(png, pngInfo, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, pngInfo);
    for (int y = 0; y < height; ++y) png_write_row(png, bits.data() + y * stride);
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &pngInfo);
  if (std::fclose(file) != 0) ok = false;
  if (!ok) error = "cannot write " + fileName;
  return ok;
}

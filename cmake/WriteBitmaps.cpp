// A step of the Windows build, compiled for the build machine: writes each
// diameter picture of DrawSymbolPictures.h as NAME.bmp into the folder given,
// for the resource compiler, and then the file "written" that marks the step
// done.
#include <cstdio>
#include <string>

#include "QuarnCommon/Source/DrawSymbolPictures.h"

namespace {

void PutLE32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool Write(const std::string& fileName, const uint8_t* bytes, size_t size, const uint8_t* more, size_t moreSize) {
  FILE* file = std::fopen(fileName.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes, 1, size, file) == size && std::fwrite(more, 1, moreSize, file) == moreSize;
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: WriteBitmaps FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  for (const DiameterPicture& picture : kDiameterPictures) {
    const auto dib = PackedDib(picture);
    // BITMAPFILEHEADER: "BM", the file's size, two reserved words, where the pixels start.
    uint8_t header[14] = {'B', 'M'};
    PutLE32(header + 2, sizeof header + dib.size());
    PutLE32(header + 10, sizeof header + kPictureHeaderSize);
    if (!Write(folder + "/" + picture.Name + ".bmp", header, sizeof header, dib.data(), dib.size())) {
      std::fprintf(stderr, "WriteBitmaps: cannot write %s/%s.bmp\n", folder.c_str(), picture.Name);
      return 1;
    }
  }
  return Write(folder + "/written", nullptr, 0, nullptr, 0) ? 0 : 1;
}

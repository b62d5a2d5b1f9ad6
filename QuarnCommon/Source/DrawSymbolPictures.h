// The pictures of the diameter symbols, the one source of their pixels on
// both platforms: each 13 x 13 pixels at 24 bits, black on white, drawn as
// rows of pixels ("#" black, "." white, top row first). A module carries them
// as bitmap resources in Chinese (simplified), each the packed DIB that
// PackedDib makes: on POSIX as resource notes (DrawSymbolPictures_posix.cpp),
// on Windows through DrawSymbolPictures.rc, whose .bmp files the build writes
// from these rows (cmake/WriteBitmaps.cpp). The older variant has six of
// them: no G and no Y.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

constexpr int kPictureSide = 13;
constexpr size_t kPictureHeaderSize = 40;  // BITMAPINFOHEADER
constexpr size_t kPictureStride = (3 * kPictureSide + 3) & ~3;
constexpr size_t kPictureDibSize = kPictureHeaderSize + kPictureStride * kPictureSide;
constexpr uint16_t kPictureLanguage = 2052;  // LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED

struct DiameterPicture {
  const char* Name;
  const char* Rows[kPictureSide];
};

inline constexpr DiameterPicture kDiameterPictures[] = {
    {"SDIAA",
     {"......#......",
      "....#####....",
      "...#..#..#...",
      "..#...#...#..",
      "..#...#...#..",
      "..#...#...#..",
      "..#...#...#..",
      "..#...#...#..",
      "...#..#..#...",
      "....#####....",
      "......#......",
      ".............",
      "............."}},
    {"SDIAB",
     {"......#......",
      "....#####....",
      "...#..#..#...",
      "..#...#...#..",
      "..#...#...#..",
      "..#...#...#..",
      "..#...#...#..",
      "..#...#...#..",
      "...#..#..#...",
      "....#####....",
      "......#......",
      ".............",
      "..#########.."}},
    {"SDIAC",
     {".....#.#.....",
      "....#####....",
      "...#.#.#.#...",
      "..#..#.#..#..",
      "..#..#.#..#..",
      "..#..#.#..#..",
      "..#..#.#..#..",
      "..#..#.#..#..",
      "...#.#.#.#...",
      "....#####....",
      ".....#.#.....",
      ".............",
      "..#########.."}},
    {"SDIAD",
     {"...#.#.......",
      "..#####......",
      ".#.#.#.#.....",
      "#..#.#..#....",
      "#..#.#..#.###",
      "#..#.#..#.#..",
      "#..#.#..#.##.",
      "#..#.#..#.#..",
      ".#.#.#.#..#..",
      "..#####......",
      "...#.#.......",
      ".............",
      "#########...."}},
    {"SDIAL",
     {"........#....",
      "........#....",
      "........#....",
      "........#....",
      "...#....####.",
      "..###........",
      ".#.#.#.......",
      "#..#..#......",
      "#..#..#......",
      "#..#..#......",
      ".#.#.#.......",
      "..###........",
      "...#........."}},
    {"SDIAN",
     {"........#...#",
      "........##..#",
      "........#.#.#",
      "........#..##",
      "...#....#...#",
      "..###........",
      ".#.#.#.......",
      "#..#..#......",
      "#..#..#......",
      "#..#..#......",
      ".#.#.#.......",
      "..###........",
      "...#........."}},
// The two grades that the older variant lacks.
#ifndef TARVIK_OLDER_VARIANT
    {"SDIAG",
     {".........###.",
      "........#....",
      "........#..##",
      "........#...#",
      "...#.....###.",
      "..###........",
      ".#.#.#.......",
      "#..#..#......",
      "#..#..#......",
      "#..#..#......",
      ".#.#.#.......",
      "..###........",
      "...#........."}},
    {"SDIAY",
     {"........#...#",
      ".........#.#.",
      "..........#..",
      "..........#..",
      "...#......#..",
      "..###........",
      ".#.#.#.......",
      "#..#..#......",
      "#..#..#......",
      "#..#..#......",
      ".#.#.#.......",
      "..###........",
      "...#........."}},
#endif
};

// The picture as a bitmap resource holds it: a BITMAPINFOHEADER for 24 bits
// without compression, then the rows bottom-up, each padded to 4 bytes.
constexpr std::array<uint8_t, kPictureDibSize> PackedDib(const DiameterPicture& picture) {
  std::array<uint8_t, kPictureDibSize> dib{};
  const uint32_t header[] = {kPictureHeaderSize, kPictureSide, kPictureSide, 1 | (24 << 16), 0,
                             kPictureStride * kPictureSide, 0, 0, 0, 0};
  for (size_t i = 0; i < kPictureHeaderSize; ++i) dib[i] = static_cast<uint8_t>(header[i / 4] >> (8 * (i % 4)));
  for (int y = 0; y < kPictureSide; ++y)
    for (int x = 0; x < kPictureSide; ++x)
      for (int c = 0; c < 3; ++c)
        dib[kPictureHeaderSize + (kPictureSide - 1 - y) * kPictureStride + 3 * x + c] =
            picture.Rows[y][x] == '#' ? 0x00 : 0xFF;
  return dib;
}

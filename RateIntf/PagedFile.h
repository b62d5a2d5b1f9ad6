// A data file read through pages kept in memory, for blocks that are small and
// many: each page is read from the file once, when a block first needs it.
// The file is open with writes denied to others, so what is kept stays true.
// One thread at a time; the file is borrowed and must outlive the object.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "rtl/FileStream.h"

class TPagedFile {
 public:
  explicit TPagedFile(TFileStream* file);

  // Copies count bytes from offset on into buffer; a block that runs past
  // the end of the file is the stream read error, and nothing is copied.
  void Read(int64_t offset, void* buffer, int32_t count);

 private:
  static constexpr int64_t kPageSize = 64 * 1024;
  const char* Page(int64_t index);

  TFileStream* FFile;
  int64_t FSize;
  std::vector<std::unique_ptr<char[]>> FPages;
};

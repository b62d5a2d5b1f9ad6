#include "RateIntf/PagedFile.h"

#include <algorithm>
#include <cstring>

#include "rtl/Exceptions.h"

TPagedFile::TPagedFile(TFileStream* file) : FFile(file), FSize(file->Size()) {
  FPages.resize(static_cast<size_t>((FSize + kPageSize - 1) / kPageSize));
}

const char* TPagedFile::Page(int64_t index) {
  std::unique_ptr<char[]>& page = FPages[static_cast<size_t>(index)];
  if (!page) {
    const int64_t start = index * kPageSize;
    const int32_t size = static_cast<int32_t>(std::min(kPageSize, FSize - start));
    std::unique_ptr<char[]> bytes(new char[size]);
    FFile->SetPosition(start);
    FFile->ReadBuffer(bytes.get(), size);
    page = std::move(bytes);
  }
  return page.get();
}

void TPagedFile::Read(int64_t offset, void* buffer, int32_t count) {
  if (count < 0 || offset < 0 || offset > FSize - count) throw EReadError(SReadError);
  char* out = static_cast<char*>(buffer);
  while (count > 0) {
    const int64_t index = offset / kPageSize;
    const int32_t at = static_cast<int32_t>(offset - index * kPageSize);
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(count, kPageSize - at));
    std::memcpy(out, Page(index) + at, n);
    out += n;
    offset += n;
    count -= n;
  }
}

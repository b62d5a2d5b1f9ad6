#include "rtl/FileStream.h"

#include <unistd.h>

#include <cerrno>

#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "rtl/Paths.h"
#include "winport/Errors.h"
#include "winport/Files.h"

namespace {

DWORD ShareOf(uint16_t mode) {
  switch (mode & 0xF0) {
    case fmShareExclusive: return 0;
    case fmShareDenyWrite: return FILE_SHARE_READ;
    case fmShareDenyRead: return FILE_SHARE_WRITE;
    default: return FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : FFileName(fileName) {
  if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
    const DWORD share = mode == fmCreate ? 0 : ShareOf(mode);
    FHandle = OpenFileShared(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, share, CREATE_ALWAYS);
    if (FHandle < 0)
      throw EFCreateError(Format(SFCreateErrorEx, ExpandFileName(fileName), SysErrorMessage(GetLastError())));
    return;
  }
  DWORD access = GENERIC_READ;
  if ((mode & 3) == fmOpenWrite) access = GENERIC_WRITE;
  if ((mode & 3) == fmOpenReadWrite) access = GENERIC_READ | GENERIC_WRITE;
  FHandle = OpenFileShared(fileName.c_str(), access, ShareOf(mode), OPEN_EXISTING);
  if (FHandle < 0)
    throw EFOpenError(Format(SFOpenErrorEx, ExpandFileName(fileName), SysErrorMessage(GetLastError())));
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) close(FHandle);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  ssize_t n = read(FHandle, buffer, count);
  return n < 0 ? 0 : static_cast<int32_t>(n);
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  ssize_t n = write(FHandle, buffer, count);
  return n < 0 ? 0 : static_cast<int32_t>(n);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  return lseek(FHandle, offset, whence);
}

void TFileStream::SetSize(int64_t size) {
  int64_t position = Position();
  if (ftruncate(FHandle, size) != 0) throw EStreamError(SysErrorMessage(ErrnoToWinError(errno)));
  if (position > size) Seek(size, TSeekOrigin::soBeginning);
}

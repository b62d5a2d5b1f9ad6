#include "rtl/FileStream.h"

#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "rtl/Paths.h"
#include "winport/Errors.h"

namespace {

DWORD ShareOf(uint16_t mode) {
  switch (mode & 0xF0) {
    case fmShareExclusive: return 0;
    case fmShareDenyWrite: return FILE_SHARE_READ;
    case fmShareDenyRead: return FILE_SHARE_WRITE;
    default: return FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
}

HANDLE Open(const std::string& fileName, DWORD access, DWORD share, DWORD disposition) {
  return CreateFileA(fileName.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : FFileName(fileName) {
  if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
    const DWORD share = mode == fmCreate ? 0 : ShareOf(mode);
    FHandle = Open(fileName, GENERIC_READ | GENERIC_WRITE, share, CREATE_ALWAYS);
    if (FHandle == INVALID_HANDLE_VALUE)
      throw EFCreateError(Format(SFCreateErrorEx, ExpandFileName(fileName), SysErrorMessage(GetLastError())));
    return;
  }
  DWORD access = GENERIC_READ;
  if ((mode & 3) == fmOpenWrite) access = GENERIC_WRITE;
  if ((mode & 3) == fmOpenReadWrite) access = GENERIC_READ | GENERIC_WRITE;
  FHandle = Open(fileName, access, ShareOf(mode), OPEN_EXISTING);
  if (FHandle == INVALID_HANDLE_VALUE)
    throw EFOpenError(Format(SFOpenErrorEx, ExpandFileName(fileName), SysErrorMessage(GetLastError())));
}

TFileStream::~TFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  DWORD n = 0;
  if (count <= 0 || !ReadFile(FHandle, buffer, static_cast<DWORD>(count), &n, nullptr)) return 0;
  return static_cast<int32_t>(n);
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  DWORD n = 0;
  if (count <= 0 || !WriteFile(FHandle, buffer, static_cast<DWORD>(count), &n, nullptr)) return 0;
  return static_cast<int32_t>(n);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                       : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                          : FILE_END;
  LARGE_INTEGER distance, position;
  distance.QuadPart = offset;
  return SetFilePointerEx(FHandle, distance, &position, method) ? position.QuadPart : -1;
}

void TFileStream::SetSize(int64_t size) {
  const int64_t position = Position();
  const bool ended = Seek(size, TSeekOrigin::soBeginning) == size && SetEndOfFile(FHandle);
  const DWORD error = GetLastError();
  Seek(ended && position > size ? size : position, TSeekOrigin::soBeginning);
  if (!ended) throw EStreamError(SysErrorMessage(error));
}

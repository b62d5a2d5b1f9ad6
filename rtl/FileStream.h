// The class library's file stream, with Delphi's open and share modes.
#pragma once

#include <string>

#include "rtl/Stream.h"
#include "winport/Files.h"

constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;
// Creates or empties the file, shared with nobody.
constexpr uint16_t fmCreate = 0xFF00;

class TFileStream : public TStream {
 public:
  // EFOpenError or EFCreateError, naming the file and the system's reason.
  TFileStream(const std::string& fileName, uint16_t mode);
  ~TFileStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;

  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
  HANDLE FHandle = INVALID_HANDLE_VALUE;
};

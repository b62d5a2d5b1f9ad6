#include "rtl/Exceptions.h"

#include "rtl/Format.h"
#include "winport/Errors.h"

Exception::Exception(std::string message) : FMessage(std::move(message)) {}
Exception::~Exception() = default;

std::string SysErrorMessage(uint32_t error) {
  char text[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                           sizeof text, nullptr);
  while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= ' ') --n;
  return std::string(text, n);
}

void RaiseLastOSError() {
  const uint32_t error = GetLastError();
  if (error == 0) throw EOSError(SUnkOSError, 0);
  throw EOSError(Format(SOSError, static_cast<int>(error), SysErrorMessage(error)), error);
}

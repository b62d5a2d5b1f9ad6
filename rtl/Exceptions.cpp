#include "rtl/Exceptions.h"

#include "rtl/Format.h"
#include "winport/Errors.h"

Exception::Exception(std::string message) : FMessage(std::move(message)) {}
Exception::~Exception() = default;

std::string SysErrorMessage(uint32_t error) { return WinErrorText(error); }

void RaiseLastOSError() {
  const uint32_t error = GetLastError();
  if (error == 0) throw EOSError(SUnkOSError, 0);
  throw EOSError(Format(SOSError, static_cast<int>(error), SysErrorMessage(error)), error);
}

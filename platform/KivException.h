// EKivException, the platform exception: a message and a numeric code. Every
// member is inline, so a host that loads the library at run time catches it by
// class with its own type information.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "rtl/Exceptions.h"
#include "rtl/Format.h"

class EKivException : public Exception {
 public:
  EKivException(std::string message, int32_t errCode) : Exception(std::move(message)), FErrCode(errCode) {}

  // The message formatted from msg and args, as Format does.
  template <class... Args>
  static EKivException CreateFmt(const std::string& msg, int32_t errCode, const Args&... args) {
    return EKivException(Format(msg, args...), errCode);
  }

  int32_t ErrCode() const { return FErrCode; }

 private:
  int32_t FErrCode;
};

[[noreturn]] inline void RaiseKivError(const std::string& msg, int32_t code) { throw EKivException(msg, code); }

template <class... Args>
[[noreturn]] void RaiseKivErrorFmt(const std::string& msg, int32_t code, const Args&... args) {
  throw EKivException::CreateFmt(msg, code, args...);
}

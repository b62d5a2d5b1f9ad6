// The class library's exception classes. Messages are GBK text, byte for byte.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message);
  ~Exception() override;

  const std::string& Message() const { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

class EAssertionFailed : public Exception { using Exception::Exception; };
class EInvalidPointer : public Exception { using Exception::Exception; };
class EConvertError : public Exception { using Exception::Exception; };
class EListError : public Exception { using Exception::Exception; };
class EStringListError : public Exception { using Exception::Exception; };
class EStreamError : public Exception { using Exception::Exception; };
class EInOutError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class ERegistryException : public Exception { using Exception::Exception; };
class EMaskException : public Exception { using Exception::Exception; };
class EIntfCastError : public Exception { using Exception::Exception; };
class EInvalidOperation : public Exception { using Exception::Exception; };

// A failed operating-system call, with the system's error code.
class EOSError : public Exception {
 public:
  EOSError(std::string message, uint32_t errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
  uint32_t ErrorCode;
};

// The run-time library's fixed messages.
inline constexpr const char* SInvalidPointer = "Invalid pointer operation";
inline constexpr const char* SReadError = "Stream read error";
inline constexpr const char* SWriteError = "Stream write error";
inline constexpr const char* SFOpenErrorEx = "Cannot open file \"%s\". %s";
inline constexpr const char* SCannotCreateDir = "Unable to create directory";
inline constexpr const char* SFCreateErrorEx = "Cannot create file \"%s\". %s";
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SAssertionFailed = "Assertion failed";
inline constexpr const char* SAssertError = "%s (%s, line %d)";
inline constexpr const char* SIntfCastError = "Interface not supported";
inline constexpr const char* SOSError = "System Error.  Code: %d.\r\n%s";
inline constexpr const char* SUnkOSError = "A call to an OS function failed";
inline constexpr const char* SNoCanvasHandle = "Canvas does not allow drawing";

// The system's reason for a Windows error code (GetLastError), as a sentence.
std::string SysErrorMessage(uint32_t error);

// Raises EOSError for the calling thread's last error (GetLastError).
[[noreturn]] void RaiseLastOSError();

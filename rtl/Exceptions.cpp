#include "rtl/Exceptions.h"

#include "winport/Errors.h"

Exception::Exception(std::string message) : FMessage(std::move(message)) {}
Exception::~Exception() = default;

std::string SysErrorMessage(uint32_t error) { return WinErrorText(error); }

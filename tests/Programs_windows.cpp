// Runs a program with its output and errors going to files of a scratch
// folder, which are read once it has ended. Arguments are quoted as the C
// run time splits a command line.
#include <windows.h>

#include <cstdlib>

#include "tests/Programs.h"
#include "tests/ScratchFolder.h"

namespace {

std::wstring Wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

HANDLE Inheritable(const std::string& fileName) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(Wide(fileName).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
}

std::string WithoutCarriageReturns(std::string text) {
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

}  // namespace

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::string* out,
               std::string* err) {
  ScratchFolder scratch;
  const std::wstring path = Wide(std::string(std::getenv("TARVIK_PROGRAMS")) + "\\" + program + ".exe");
  std::wstring line = Quoted(path);
  for (const std::string& arg : arguments) line += L" " + Quoted(Wide(arg));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = Inheritable(scratch / "out");
  startup.hStdError = Inheritable(scratch / "err");
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                     &startup, &process);
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  if (!started) return -1;
  DWORD status = 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (out) *out = WithoutCarriageReturns(scratch.Read("out"));
  if (err) *err = WithoutCarriageReturns(scratch.Read("err"));
  return static_cast<int>(status);
}

// The text conversions on Windows, through the system's code page tables.
#include "winport/Codepage.h"

#include <windows.h>
#include <shellapi.h>

namespace {

constexpr UINT kGbk = 936;
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

std::wstring Widen(UINT codePage, std::string_view in, DWORD flags = 0) {
  if (in.empty()) return {};
  const int n = MultiByteToWideChar(codePage, flags, in.data(), static_cast<int>(in.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(codePage, flags, in.data(), static_cast<int>(in.size()), out.data(), n);
  return out;
}

// Narrows wide text; false when a character has no form in the code page.
bool Narrow(UINT codePage, std::wstring_view in, std::string& out) {
  out.clear();
  if (in.empty()) return true;
  BOOL usedDefault = FALSE;
  BOOL* check = codePage == CP_UTF8 ? nullptr : &usedDefault;
  const int n = WideCharToMultiByte(codePage, 0, in.data(), static_cast<int>(in.size()), nullptr, 0, nullptr, check);
  out.resize(n > 0 ? n : 0);
  if (n > 0) WideCharToMultiByte(codePage, 0, in.data(), static_cast<int>(in.size()), out.data(), n, nullptr, check);
  return n > 0 && !usedDefault;
}

// Converts character by character, keeping as it is the first byte of what
// does not convert, as the POSIX conversion does. `length` gives the bytes of
// the character that starts at a position (0: not a character).
template <class Length>
std::string Convert(std::string_view in, UINT from, UINT to, Length length) {
  std::string out, piece;
  for (size_t i = 0; i < in.size();) {
    size_t n = length(in.substr(i));
    if (n > 0 && n <= in.size() - i && Narrow(to, Widen(from, in.substr(i, n), MB_ERR_INVALID_CHARS), piece) &&
        !piece.empty()) {
      out += piece;
      i += n;
    } else {
      out += in[i++];
    }
  }
  return out;
}

// A single byte at or above 0x80 may be a character of its own (0x80 is the
// euro sign); the conversion tells.
size_t GbkLength(std::string_view s) { return IsDBCSLeadByteEx(kGbk, static_cast<unsigned char>(s[0])) ? 2 : 1; }

size_t Utf8Length(std::string_view s) {
  const auto b = static_cast<unsigned char>(s[0]);
  return b < 0x80 ? 1 : b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert(gbk, kGbk, CP_UTF8, GbkLength); }
std::string Utf8ToGbk(std::string_view utf8) { return Convert(utf8, CP_UTF8, kGbk, Utf8Length); }

std::string GbkCharToUtf8(std::string_view gbkChar) {
  std::string utf8;
  const std::wstring wide = Widen(kGbk, gbkChar, MB_ERR_INVALID_CHARS);
  return !wide.empty() && Narrow(CP_UTF8, wide, utf8) && utf8.size() == Utf8Length(utf8) ? utf8 : std::string();
}

// Invalid input becomes U+FFFD, as the system converts without MB_ERR_INVALID_CHARS.
std::string Utf8ToUtf16Le(std::string_view utf8) {
  const std::wstring wide = Widen(CP_UTF8, utf8);
  return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

std::string Utf16LeToUtf8(std::string_view utf16) {
  std::wstring wide(utf16.size() / 2, L'\0');
  utf16.copy(reinterpret_cast<char*>(wide.data()), wide.size() * 2);
  std::string out;
  Narrow(CP_UTF8, wide, out);
  return utf16.size() % 2 ? out.append(kReplacementUtf8) : out;
}

std::vector<std::string> Utf8Arguments(int, char**) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) {
    std::string utf8;
    Narrow(CP_UTF8, wide[i], utf8);
    arguments.push_back(std::move(utf8));
  }
  LocalFree(wide);
  return arguments;
}

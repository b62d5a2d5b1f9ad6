#include "winport/Codepage.h"

#include <cerrno>
#include <iconv.h>

namespace {

std::string Convert(std::string_view in, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.resize(in.size() * 2 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  size_t done = 0;
  while (srcLeft > 0) {
    char* dst = out.data() + done;
    size_t dstLeft = out.size() - done;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    done = out.size() - dstLeft;
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
    } else {
      // An invalid or cut-off sequence: keep the byte and go on.
      if (done == out.size()) out.resize(out.size() * 2);
      out[done++] = *src++;
      --srcLeft;
    }
  }
  iconv_close(cd);
  out.resize(done);
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert(gbk, "UTF-8", "CP936"); }
std::string Utf8ToGbk(std::string_view utf8) { return Convert(utf8, "CP936", "UTF-8"); }
std::string Utf8ToUtf16Le(std::string_view utf8) { return Convert(utf8, "UTF-16LE", "UTF-8"); }
std::string Utf16LeToUtf8(std::string_view utf16) { return Convert(utf16, "UTF-8", "UTF-16LE"); }

#include "winport/Locale.h"

#include <cstring>
#include <cwctype>
#include <iconv.h>
#include <locale.h>
#include <string>
#include <wctype.h>

#include "winport/Iconv.h"

namespace {

// GBK to UTF-32 code points; a byte that does not convert stands for itself.
std::u32string Decode(LPCSTR s, int len) {
  size_t n = len < 0 ? std::strlen(s) : static_cast<size_t>(len);
  std::u32string out(n, U'\0');
  IconvHandle handle("UTF-32LE", "CP936");
  iconv_t cd = handle.get();
  char* src = const_cast<char*>(s);
  char* dst = reinterpret_cast<char*>(out.data());
  size_t srcLeft = n, dstLeft = n * sizeof(char32_t);
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
    *reinterpret_cast<char32_t*>(dst) = static_cast<unsigned char>(*src++);
    dst += sizeof(char32_t);
    dstLeft -= sizeof(char32_t);
    --srcLeft;
  }
  out.resize(out.size() - dstLeft / sizeof(char32_t));
  return out;
}

locale_t UnicodeLocale() {
  static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return loc;
}

int Sign(int r) { return r < 0 ? CSTR_LESS_THAN : r > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL; }

// Plain ASCII needs no conversion, and keys nearly always are: compares while
// both strings are ASCII, and answers 0 (undecided) on meeting a byte from
// 0x80 up first. Up to there every byte is a whole character, so a difference
// or an end decides as the Unicode comparison would.
int CompareAscii(DWORD flags, LPCSTR a, size_t n1, LPCSTR b, size_t n2) {
  size_t n = n1 < n2 ? n1 : n2;
  for (size_t i = 0; i < n; ++i) {
    int c1 = static_cast<unsigned char>(a[i]), c2 = static_cast<unsigned char>(b[i]);
    if ((c1 | c2) >= 0x80) return 0;
    if (flags & NORM_IGNORECASE) {
      if (c1 >= 'a' && c1 <= 'z') c1 -= 32;
      if (c2 >= 'a' && c2 <= 'z') c2 -= 32;
    }
    if (c1 != c2) return Sign(c1 - c2);
  }
  // The longer one has at least one more character.
  return Sign(n1 < n2 ? -1 : n1 > n2 ? 1 : 0);
}

}  // namespace

int CompareStringA(DWORD, DWORD flags, LPCSTR s1, int len1, LPCSTR s2, int len2) {
  if (!s1 || !s2) return 0;
  size_t n1 = len1 < 0 ? std::strlen(s1) : static_cast<size_t>(len1);
  size_t n2 = len2 < 0 ? std::strlen(s2) : static_cast<size_t>(len2);
  if (int r = CompareAscii(flags, s1, n1, s2, n2)) return r;
  std::u32string a = Decode(s1, len1), b = Decode(s2, len2);
  if (flags & NORM_IGNORECASE) {
    locale_t loc = UnicodeLocale();
    for (auto* s : {&a, &b})
      for (char32_t& c : *s) c = static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), loc));
  }
  return Sign(a.compare(b));
}

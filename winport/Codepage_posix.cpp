#include "winport/Codepage.h"
#include "winport/Iconv.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// Conversions still run while a thread ends (the unload hooks of the libraries
// run after the main thread's cache is destroyed); they then open their own.
thread_local bool cacheGone = false;

class IconvCache {
 public:
  ~IconvCache() {
    for (const Entry& e : FEntries)
      if (e.Descriptor != reinterpret_cast<iconv_t>(-1)) iconv_close(e.Descriptor);
    cacheGone = true;
  }

  iconv_t Get(const char* to, const char* from) {
    for (const Entry& e : FEntries)
      if (std::strcmp(e.To, to) == 0 && std::strcmp(e.From, from) == 0) return e.Descriptor;
    FEntries.push_back({to, from, iconv_open(to, from)});
    return FEntries.back().Descriptor;
  }

 private:
  struct Entry {
    const char* To;
    const char* From;
    iconv_t Descriptor;
  };
  std::vector<Entry> FEntries;
};

// What stands for input that does not convert: with no replacement its first
// byte is kept as it is; otherwise one input unit (of unit bytes) is replaced,
// which keeps a UTF-16 text in step.
struct Unconvertible {
  size_t Unit;
  std::string_view Replacement;
};
constexpr Unconvertible kKeepByte{1, {}};

// The bytes of the UTF-8 character that starts with this byte.
size_t Utf8CharLength(char lead) {
  const auto b = static_cast<unsigned char>(lead);
  return b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
}

std::string Convert(std::string_view in, const char* to, const char* from, Unconvertible bad) {
  IconvHandle handle(to, from);
  if (!handle.valid()) return std::string(in);
  iconv_t cd = handle.get();
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
      // An invalid or cut-off sequence: stand in for it and go on.
      const std::string_view stand = bad.Replacement.empty() ? std::string_view(src, 1) : bad.Replacement;
      const size_t skip = bad.Replacement.empty() ? 1 : std::min(bad.Unit, srcLeft);
      if (out.size() - done < stand.size()) out.resize(out.size() * 2 + stand.size());
      std::memcpy(out.data() + done, stand.data(), stand.size());
      done += stand.size();
      src += skip;
      srcLeft -= skip;
    }
  }
  out.resize(done);
  return out;
}

}  // namespace

IconvHandle::IconvHandle(const char* to, const char* from) {
  if (cacheGone) {
    FDescriptor = iconv_open(to, from);
    FOwned = true;
    return;
  }
  thread_local IconvCache cache;
  FDescriptor = cache.Get(to, from);
  if (valid()) iconv(FDescriptor, nullptr, nullptr, nullptr, nullptr);
}

IconvHandle::~IconvHandle() {
  if (FOwned && valid()) iconv_close(FDescriptor);
}

std::string GbkToUtf8(std::string_view gbk) { return Convert(gbk, "UTF-8", "CP936", kKeepByte); }
std::string Utf8ToGbk(std::string_view utf8) { return Convert(utf8, "CP936", "UTF-8", kKeepByte); }
std::u32string GbkToUtf32(std::string_view gbk) {
  const std::string bytes = Convert(gbk, "UTF-32LE", "CP936", {1, std::string_view("\xFD\xFF\0\0", 4)});
  std::u32string text(bytes.size() / 4, U'\0');
  std::memcpy(text.data(), bytes.data(), text.size() * 4);
  return text;
}

std::string GbkCharToUtf8(std::string_view gbkChar) {
  IconvHandle handle("UTF-8", "CP936");
  if (!handle.valid()) return {};
  char out[8];
  char* in = const_cast<char*>(gbkChar.data());
  char* to = out;
  size_t inLeft = gbkChar.size(), outLeft = sizeof out;
  const bool whole = iconv(handle.get(), &in, &inLeft, &to, &outLeft) != static_cast<size_t>(-1) && inLeft == 0;
  const std::string utf8(out, sizeof out - outLeft);
  return whole && !utf8.empty() && utf8.size() == Utf8CharLength(utf8[0]) ? utf8 : std::string();
}

BOOL IsDBCSLeadByte(BYTE c) { return c >= 0x81 && c <= 0xFE; }

std::string Utf8ToUtf16Le(std::string_view utf8) {
  return Convert(utf8, "UTF-16LE", "UTF-8", {1, std::string_view("\xFD\xFF", 2)});
}
std::string Utf16LeToUtf8(std::string_view utf16) {
  return Convert(utf16, "UTF-8", "UTF-16LE", {2, "\xEF\xBF\xBD"});
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv + (argc > 0), argv + argc}; }

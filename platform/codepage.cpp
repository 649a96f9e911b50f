#include "platform/codepage.h"

#include <cassert>
#include <cerrno>
#include <iconv.h>

namespace vok {
namespace {

// One converter each way for the life of the thread: opening one loads
// the code page's tables, which costs more than most conversions.
class Converters {
 public:
  ~Converters() {
    for (iconv_t cd : {toUtf8_, toCp932_})
      if (cd != kNone) iconv_close(cd);
  }
  // A converter in its initial state, or kNone.
  iconv_t Get(bool toUtf8) {
    iconv_t& cd = toUtf8 ? toUtf8_ : toCp932_;
    if (cd == kNone) cd = toUtf8 ? iconv_open("UTF-8", "CP932") : iconv_open("CP932", "UTF-8");
    if (cd != kNone) iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return cd;
  }
  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);

 private:
  iconv_t toUtf8_ = kNone, toCp932_ = kNone;
};

// Converts as far as it can; on a bad sequence calls onBad, which may append
// a replacement and say how many input bytes to skip (0 = give up).
template <typename OnBad>
bool Convert(bool toUtf8, std::string_view in, std::string& out, OnBad onBad) {
  thread_local Converters converters;
  iconv_t cd = converters.Get(toUtf8);
  if (cd == Converters::kNone) return false;
  out.clear();
  char buf[512];
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  bool ok = true;
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, dst - buf);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    size_t skip = onBad(out, static_cast<unsigned char>(*src));
    if (skip == 0) { ok = false; break; }
    if (skip > left) skip = left;
    src += skip;
    left -= skip;
  }
  return ok;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  Convert(true, cp932, out, [](std::string& o, unsigned char) {
    o += "\xEF\xBF\xBD";
    return size_t{1};
  });
  return out;
}

std::optional<std::string> Cp932ToUtf8Strict(std::string_view cp932) {
  std::string out;
  if (!Convert(true, cp932, out, [](std::string&, unsigned char) { return size_t{0}; })) return std::nullopt;
  return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  std::string out;
  if (!Convert(false, utf8, out, [](std::string&, unsigned char) { return size_t{0}; })) return std::nullopt;
  return out;
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
  std::string out;
  Convert(false, utf8, out, [](std::string& o, unsigned char lead) {
    o += '?';
    // Skip the whole UTF-8 sequence, so one character gives one '?'.
    return size_t{lead >= 0xF0 ? 4u : lead >= 0xE0 ? 3u : lead >= 0xC0 ? 2u : 1u};
  });
  return out;
}

std::string Cp932Literal(std::string_view utf8) {
  std::optional<std::string> cp = Utf8ToCp932(utf8);
  assert(cp && "a literal with no CP932 form");
  return cp ? *cp : Utf8ToCp932Lossy(utf8);
}

void CharLowerA(char* s) {
  for (unsigned char* p = reinterpret_cast<unsigned char*>(s); *p; ++p) {
    if (IsDBCSLeadByte(*p)) {
      if (p[1] == 0) break;
      ++p;
    } else if (*p >= 'A' && *p <= 'Z') {
      *p = static_cast<unsigned char>(*p - 'A' + 'a');
    }
  }
}

std::string LowerCp932(std::string_view s) {
  std::string out(s);
  CharLowerA(out.data());
  return out;
}

}  // namespace vok

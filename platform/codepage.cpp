#include "platform/codepage.h"

#include <cassert>
#include <cerrno>
#include <iconv.h>

namespace vok {
namespace {

// Converts as far as it can; on a bad sequence calls onBad, which may append
// a replacement and say how many input bytes to skip (0 = give up).
template <typename OnBad>
bool Convert(const char* to, const char* from, std::string_view in, std::string& out, OnBad onBad) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
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
  iconv_close(cd);
  return ok;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  Convert("UTF-8", "CP932", cp932, out, [](std::string& o, unsigned char) {
    o += "\xEF\xBF\xBD";
    return size_t{1};
  });
  return out;
}

std::optional<std::string> Cp932ToUtf8Strict(std::string_view cp932) {
  std::string out;
  if (!Convert("UTF-8", "CP932", cp932, out, [](std::string&, unsigned char) { return size_t{0}; })) return std::nullopt;
  return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  std::string out;
  if (!Convert("CP932", "UTF-8", utf8, out, [](std::string&, unsigned char) { return size_t{0}; })) return std::nullopt;
  return out;
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
  std::string out;
  Convert("CP932", "UTF-8", utf8, out, [](std::string& o, unsigned char lead) {
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

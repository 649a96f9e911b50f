#include "settings/settings.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

#include "platform/codepage.h"
#include "platform/profile.h"

namespace vok {
namespace {

constexpr const char* kFile = "vok32.ini";
constexpr const char* kSection = "VOK32";
constexpr const char* kWindowSize = "WindowSize";
constexpr const char* kLzhFile = "LZHFile";

// As "%d": blanks skipped, a sign allowed, and the number taken modulo
// 2^32 so the unsigned text of a negative coordinate reads back as itself.
bool NextNumber(const char*& p, int& out) {
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (*p < '0' || *p > '9') return false;
  std::uint32_t v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) v = v * 10u + static_cast<std::uint32_t>(*p - '0');
  if (negative) v = 0u - v;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

std::optional<WindowRect> ReadWindowSize() {
  char buf[40];
  DWORD n = GetPrivateProfileStringA(kSection, kWindowSize, "", buf, sizeof buf, kFile);
  if (n == 0) return std::nullopt;
  // A full field may hold a value cut short, whose last number would be
  // wrong; such a value (four ten-digit numbers, from a minimized frame)
  // counts as missing, so the frame takes the built-in geometry instead.
  if (n == sizeof buf - 1) {
    char longer[sizeof buf + 1];
    if (GetPrivateProfileStringA(kSection, kWindowSize, "", longer, sizeof longer, kFile) > n)
      return std::nullopt;
  }
  WindowRect r;
  const char* p = buf;
  if (!NextNumber(p, r.left) || !NextNumber(p, r.right) || !NextNumber(p, r.top) ||
      !NextNumber(p, r.bottom))
    return std::nullopt;
  return r;
}

void WriteWindowSize(const WindowRect& r) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%u %u %u %u", static_cast<unsigned>(r.left),
                static_cast<unsigned>(r.right), static_cast<unsigned>(r.top),
                static_cast<unsigned>(r.bottom));
  WritePrivateProfileStringA(kSection, kWindowSize, buf, kFile);
}

void WriteWindowSizeUnlessMinimized(const WindowRect& r, bool minimized) {
  if (!minimized) WriteWindowSize(r);
}

std::string ReadLzhFile() {
  char buf[280];
  DWORD n = GetPrivateProfileStringA(kSection, kLzhFile, "", buf, sizeof buf, kFile);
  return std::string(buf, n);
}

void WriteLzhFile(const std::string& path) {
  WritePrivateProfileStringA(kSection, kLzhFile, path.c_str(), kFile);
}

}  // namespace vok

#include "desktop/status.h"

#include <algorithm>
#include <cassert>
#include <optional>

#include "platform/codepage.h"

namespace vok {
namespace {

constexpr size_t kConsidered = 260;
constexpr size_t kPartMax = 255;

bool IsSep(char c) { return c == '\\' || c == '/'; }

// At most max bytes, never half of a double-byte character.
std::string Cut(std::string_view s, size_t max) {
  if (s.size() <= max) return std::string(s);
  size_t end = 0;
  while (end < max) {
    size_t step = IsDBCSLeadByte(static_cast<unsigned char>(s[end])) && end + 1 < s.size() ? 2 : 1;
    if (end + step > max) break;
    end += step;
  }
  return std::string(s.substr(0, end));
}

std::string Literal(const char* utf8) {
  std::optional<std::string> cp = Utf8ToCp932(utf8);
  assert(cp);
  return cp.value_or("");
}

}  // namespace

PathParts SplitPath(std::string_view path) {
  size_t nul = path.find('\0');
  if (nul != std::string_view::npos) path = path.substr(0, nul);
  while (!path.empty() && (path.front() == ' ' || path.front() == '\t')) path.remove_prefix(1);
  path = path.substr(0, std::min(path.size(), kConsidered));

  // Positions of the last separator and the last dot that are single-byte
  // characters; a trail byte such as the 0x5C of 表 is neither.
  size_t lastSep = std::string_view::npos;
  size_t lastDot = std::string_view::npos;
  size_t start = 0;
  PathParts parts;
  if (path.size() >= 2 && path[1] == ':' && !IsDBCSLeadByte(static_cast<unsigned char>(path[0]))) {
    parts.drive = Cut(path.substr(0, 2), 2);
    start = 2;
  }
  for (size_t i = start; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (IsSep(path[i])) {
      lastSep = i;
    } else if (path[i] == '.') {
      lastDot = i;
    }
  }
  const size_t nameStart = lastSep == std::string_view::npos ? start : lastSep + 1;
  std::string_view last = path.substr(nameStart);
  if (last == "." || last == "..") {
    parts.directory = Cut(path.substr(start), kPartMax);
    return parts;
  }
  const size_t extStart =
      lastDot != std::string_view::npos && lastDot >= nameStart ? lastDot : path.size();
  parts.directory = Cut(path.substr(start, nameStart - start), kPartMax);
  parts.name = Cut(path.substr(nameStart, extStart - nameStart), kPartMax);
  parts.ext = Cut(path.substr(extStart), kPartMax);
  return parts;
}

std::string ComposeStatus(std::string_view wallpaperPath, int tileMode) {
  static const std::string tiled = Literal(":並べて表示中");
  static const std::string centred = Literal(":中央に表示中");
  // Lowering again is harmless and keeps the text right for any caller.
  PathParts parts = SplitPath(LowerCp932(wallpaperPath));
  return parts.name + parts.ext + (tileMode != 0 ? tiled : centred);
}

}  // namespace vok

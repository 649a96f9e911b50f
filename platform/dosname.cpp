#include "platform/dosname.h"

#include <algorithm>

#include "platform/codepage.h"

namespace vok {
namespace {

constexpr size_t kConsidered = 260;
constexpr size_t kPartMax = 255;

bool IsSep(char c) { return c == '\\' || c == '/'; }

// At most max bytes, never half of a double-byte character.
std::string Cut(std::string_view s, size_t max) { return std::string(s.substr(0, FitCp932(s, max))); }

}  // namespace

PathParts SplitPath(std::string_view path) {
  size_t nul = path.find('\0');
  if (nul != std::string_view::npos) path = path.substr(0, nul);
  while (!path.empty() && (path.front() == ' ' || path.front() == '\t')) path.remove_prefix(1);
  path = path.substr(0, std::min(path.size(), kConsidered));

  // Positions of the last separator and the last dot that are single-byte
  // characters.
  size_t lastSep = std::string_view::npos;
  size_t lastDot = std::string_view::npos;
  size_t start = 0;
  PathParts parts;
  if (path.size() >= 2 && path[1] == ':' && !IsDBCSLeadByte(static_cast<unsigned char>(path[0]))) {
    parts.drive = Cut(path.substr(0, 2), 2);
    start = 2;
  }
  for (size_t i = start; i < path.size(); i += CharStep(path, i)) {
    if (CharStep(path, i) == 2) continue;
    if (IsSep(path[i])) {
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

bool IsAbsoluteDos(std::string_view p) { return p.size() >= 3 && p[1] == ':' && p[2] == '\\'; }

std::optional<std::string> DirectoryBeforeLastBackslash(std::string_view path) {
  std::optional<std::size_t> last;
  for (std::size_t i = 0; i < path.size(); i += CharStep(path, i)) {
    if (CharStep(path, i) == 1 && path[i] == '\\' && i > 0) last = i;
  }
  if (!last) return std::nullopt;
  return std::string(path.substr(0, *last));
}

bool EndsWithBackslash(std::string_view path) {
  bool last = false;
  for (std::size_t i = 0; i < path.size(); i += CharStep(path, i)) last = path[i] == '\\';
  return last;
}

std::string JoinDos(std::string dir, std::string_view name) {
  if (!EndsWithBackslash(dir)) dir += '\\';
  dir += name;
  return dir;
}

}  // namespace vok

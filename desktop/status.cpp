#include "desktop/status.h"

#include <cassert>
#include <optional>

#include "platform/codepage.h"
#include "platform/dosname.h"

namespace vok {
namespace {

std::string Literal(const char* utf8) {
  std::optional<std::string> cp = Utf8ToCp932(utf8);
  assert(cp);
  return cp.value_or("");
}

}  // namespace

std::string ComposeStatus(std::string_view wallpaperPath, int tileMode) {
  static const std::string tiled = Literal(":並べて表示中");
  static const std::string centred = Literal(":中央に表示中");
  // Lowering again is harmless and keeps the text right for any caller.
  PathParts parts = SplitPath(LowerCp932(wallpaperPath));
  return parts.name + parts.ext + (tileMode != 0 ? tiled : centred);
}

}  // namespace vok

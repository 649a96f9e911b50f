#include "desktop/status.h"

#include "platform/codepage.h"
#include "platform/dosname.h"

namespace vok {

std::string ComposeStatus(std::string_view wallpaperPath, int tileMode) {
  static const std::string tiled = Cp932Literal(":並べて表示中");
  static const std::string centred = Cp932Literal(":中央に表示中");
  // Lowering again is harmless and keeps the text right for any caller.
  PathParts parts = SplitPath(LowerCp932(wallpaperPath));
  return parts.name + parts.ext + (tileMode != 0 ? tiled : centred);
}

}  // namespace vok

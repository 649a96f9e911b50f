// The wallpaper's path split and the status text made from it.
#pragma once
#include <string>
#include <string_view>

namespace vok {

struct PathParts {
  std::string drive;      // "c:" or ""
  std::string directory;  // with its trailing separator
  std::string name;       // base name without extension
  std::string ext;        // with its dot
};

// Shift-JIS aware: a trail byte is never a separator. Separators are '\'
// and '/'; a drive only as "x:" at the start; "." and ".." are directories.
PathParts SplitPath(std::string_view path);

// base name + extension + ":並べて表示中" (tiled, tileMode != 0) or
// ":中央に表示中" (0), in CP932. The name is shown lower-cased; a long
// name is kept whole.
std::string ComposeStatus(std::string_view wallpaperPath, int tileMode);

}  // namespace vok

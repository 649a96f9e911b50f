// The status text made from the wallpaper's path.
#pragma once
#include <string>
#include <string_view>

namespace vok {

// base name + extension + ":並べて表示中" (tiled, tileMode != 0) or
// ":中央に表示中" (0), in CP932. The name is shown lower-cased; a long
// name is kept whole.
std::string ComposeStatus(std::string_view wallpaperPath, int tileMode);

}  // namespace vok

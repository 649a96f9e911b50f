// win.ini [Desktop]: the wallpaper's path and how it is shown. The desktop
// owns this record, as settings/ owns vok32.ini; everyone else asks here.
#pragma once
#include <string>

namespace vok::desktop {

// The recorded path (CP932 DOS path) as stored, "<none>" when there is
// none; cut at 4 * MAX_PATH - 1 bytes, so a caller can tell a path too long
// for its own field from one that fits.
std::string ReadWallpaperPath();
bool WriteWallpaperPath(const std::string& dosPath);

// TileWallpaper: 1 tiled, 0 centred, -1 when missing (shown as tiled).
int ReadTileMode();
bool WriteTileMode(bool tiled);

}  // namespace vok::desktop

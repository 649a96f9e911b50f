#include "desktop/record.h"

#include "platform/profile.h"

namespace vok::desktop {

namespace {
constexpr const char* kSection = "Desktop";
}  // namespace

std::string ReadWallpaperPath() {
  std::string path(4 * MAX_PATH, '\0');
  const DWORD n =
      GetProfileStringA(kSection, "wallpaper", "<none>", path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  return path;
}

bool WriteWallpaperPath(const std::string& dosPath) {
  return WriteProfileStringA(kSection, "wallpaper", dosPath.c_str()) != 0;
}

int ReadTileMode() { return static_cast<int>(GetProfileIntA(kSection, "TileWallpaper", -1)); }

bool WriteTileMode(bool tiled) { return WriteProfileStringA(kSection, "TileWallpaper", tiled ? "1" : "0") != 0; }

}  // namespace vok::desktop

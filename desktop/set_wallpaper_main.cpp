// vok32-wallpaper: sets a BMP as the wallpaper the way the window does, for
// trying a desktop by hand and for timing. Usage: vok32-wallpaper [--center|--tile] FILE
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "desktop/wallpaper.h"
#include "platform/dospath.h"
#include "platform/profile.h"

int main(int argc, char** argv) {
  const char* mode = nullptr;
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "--center") == 0) mode = "0", ++i;
  else if (i < argc && std::strcmp(argv[i], "--tile") == 0) mode = "1", ++i;
  if (i + 1 != argc) {
    std::fprintf(stderr, "usage: vok32-wallpaper [--center|--tile] FILE.bmp\n");
    return 2;
  }
  char* full = realpath(argv[i], nullptr);
  if (full == nullptr) {
    std::perror(argv[i]);
    return 1;
  }
  const auto dos = vok::NativeToDos(full);
  std::free(full);
  if (!dos) {
    std::fprintf(stderr, "%s: the name has no CP932 form\n", argv[i]);
    return 1;
  }
  if (mode != nullptr) WriteProfileStringA("Desktop", "TileWallpaper", mode);
  std::string path = *dos;
  if (!SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path.data(), SPIF_UPDATEINIFILE)) {
    std::fprintf(stderr, "%s: the desktop did not take it (no readable BMP, or no desktop we know)\n", argv[i]);
    return 1;
  }
  return 0;
}

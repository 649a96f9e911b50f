#include "desktop/wallpaper.h"

#include <string>
#include <utility>

#include "desktop/backend.h"
#include "desktop/record.h"
#include "platform/dospath.h"

namespace vok {
namespace {

ShowWallpaperFn& TestBackend() {
  static ShowWallpaperFn fn;
  return fn;
}

}  // namespace

void SetWallpaperBackendForTesting(ShowWallpaperFn fn) { TestBackend() = std::move(fn); }

}  // namespace vok

BOOL SystemParametersInfoA(UINT action, UINT /*param*/, void* pv, UINT winIni) {
  if (action != SPI_SETDESKWALLPAPER || pv == nullptr) return 0;
  const std::string dosPath = static_cast<const char*>(pv);

  const vok::NativePath native = vok::DosToNative(dosPath);
  if (!native) return 0;
  // Decoded before the desktop sees it, so nothing unreadable is ever shown
  // or recorded, whichever desktop is behind.
  vok::desktop::Pixbuf picture = vok::desktop::DecodeBmp(native.path);
  if (!picture) return 0;

  // Read at every call: the centre and tile commands write it just before.
  const bool tiled = vok::desktop::ReadTileMode() != 0;

  const vok::ShowWallpaperFn& test = vok::TestBackend();
  const bool shown = test ? test(native.path, tiled)
                          : vok::desktop::ShowOnDesktop(picture.get(), tiled);
  if (!shown) return 0;

  // The next read must return the path; a record that failed is a failure.
  if ((winIni & SPIF_UPDATEINIFILE) != 0 &&
      !vok::desktop::WriteWallpaperPath(dosPath)) {
    return 0;
  }
  return 1;
}

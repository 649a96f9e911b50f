#include "desktop/wallpaper.h"

#include <new>
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

thread_local WallpaperFailure g_lastFailure = WallpaperFailure::None;

BOOL Failed(WallpaperFailure f) {
  g_lastFailure = f;
  return 0;
}

BOOL SetWallpaper(const std::string& dosPath, UINT winIni) {
  const vok::NativePath native = vok::DosToNative(dosPath);
  if (native.error == PathError::Ambiguous) return Failed(WallpaperFailure::Ambiguous);
  if (!native) return Failed(WallpaperFailure::NoBitmap);
  // Decoded before the desktop sees it, so nothing unreadable is ever shown
  // or recorded, whichever desktop is behind.
  const vok::desktop::Image picture = vok::desktop::DecodeBmp(native.path);
  if (!picture) return Failed(WallpaperFailure::NoBitmap);

  // Read at every call: the centre and tile commands write it just before.
  const bool tiled = vok::desktop::ReadTileMode() != 0;

  const vok::ShowWallpaperFn& test = vok::TestBackend();
  const bool shown = test ? test(native.path, tiled)
                          : vok::desktop::ShowOnDesktop(picture, tiled);
  if (!shown) return Failed(WallpaperFailure::DesktopRefused);

  // The next read must return the path; a record that failed is a failure.
  if ((winIni & SPIF_UPDATEINIFILE) != 0 &&
      !vok::desktop::WriteWallpaperPath(dosPath)) {
    return Failed(WallpaperFailure::NotRecorded);
  }
  g_lastFailure = WallpaperFailure::None;
  return 1;
}

}  // namespace

void SetWallpaperBackendForTesting(ShowWallpaperFn fn) { TestBackend() = std::move(fn); }

WallpaperFailure LastWallpaperFailure() { return g_lastFailure; }

}  // namespace vok

BOOL SystemParametersInfoA(UINT action, UINT /*param*/, void* pv, UINT winIni) {
  if (action != SPI_SETDESKWALLPAPER || pv == nullptr) return vok::Failed(vok::WallpaperFailure::NoBitmap);
  // A C entry point: memory running out is a failed call, never the end of
  // the program.
  try {
    return vok::SetWallpaper(static_cast<const char*>(pv), winIni);
  } catch (const std::bad_alloc&) {
    return vok::Failed(vok::WallpaperFailure::NoBitmap);
  }
}

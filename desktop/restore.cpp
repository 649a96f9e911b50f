#include <string>

#include "desktop/backend.h"
#include "desktop/record.h"
#include "desktop/wallpaper.h"
#include "platform/dospath.h"

namespace vok {
namespace {

// Desktops that store the picture in settings of their own and show it again
// at every login; the root window's pixmap and sway's background die with
// the session.
bool KeepsItsOwn(desktop::Desktop d) {
  return d != desktop::Desktop::RootWindow && d != desktop::Desktop::Sway && d != desktop::Desktop::Unknown;
}

}  // namespace

RestoreOutcome RestoreWallpaper(std::string* recorded) {
  recorded->clear();
  if (KeepsItsOwn(desktop::ChooseDesktop(desktop::CurrentEnvironment()))) return RestoreOutcome::KeptByDesktop;
  *recorded = desktop::ReadWallpaperPath();
  if (*recorded == "<none>" || recorded->empty()) {
    recorded->clear();
    return RestoreOutcome::NothingRecorded;
  }
  if (!DosPathExists(*recorded)) return RestoreOutcome::FileGone;
  // Shown as recorded, and the record itself left as it is.
  std::string path = *recorded;
  if (SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path.data(), 0)) return RestoreOutcome::Shown;
  if (LastWallpaperFailure() == WallpaperFailure::NoBitmap) return RestoreOutcome::FileGone;
  return RestoreOutcome::Refused;
}

}  // namespace vok

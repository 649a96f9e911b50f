// Setting the desktop wallpaper, as SystemParametersInfoA does it.
#pragma once
#include <functional>
#include <string>

#include "platform/win32.h"

// SPI_SETDESKWALLPAPER with SPIF_UPDATEINIFILE: makes the running desktop
// show the BMP at the DOS path pv, centred or tiled as win.ini [Desktop]
// TileWallpaper says (missing counts as tiled), then records the path as
// [Desktop] wallpaper. Nonzero only when the desktop took it.
BOOL SystemParametersInfoA(UINT action, UINT param, void* pv, UINT winIni);

namespace vok {

// What kept the last SPI_SETDESKWALLPAPER call on this thread from
// succeeding, so the message can say what really happened.
enum class WallpaperFailure {
  None,
  NoBitmap,        // no such file, or no readable bitmap: nothing changed
  Ambiguous,       // several files differ from the path only in case: nothing changed
  DesktopRefused,  // nothing changed
  NotRecorded,     // the desktop shows it, but win.ini could not be written
};
WallpaperFailure LastWallpaperFailure();

enum class RestoreOutcome {
  Shown,
  KeptByDesktop,    // the desktop shows its own setting again by itself
  NothingRecorded,  // win.ini [Desktop] names no wallpaper
  FileGone,         // the recorded file is missing or no readable BMP
  Refused,          // the desktop did not take it
};
// At login: shows the wallpaper that win.ini [Desktop] records, in its
// recorded mode, where the desktop does not keep one of its own. Writes
// nothing. *recorded gets the recorded DOS path.
RestoreOutcome RestoreWallpaper(std::string* recorded);

// The desktop's side: show the bitmap at a native path. True when it took it.
using ShowWallpaperFn = std::function<bool(const std::string& nativePath, bool tiled)>;

// Replaces the desktop for tests; an empty function restores the real one.
// Everything else stays real: the path must name a readable BMP (checked
// before fn is called, so fn never sees a bad file), TileWallpaper is read
// from win.ini, and the path is recorded only when fn returns true.
void SetWallpaperBackendForTesting(ShowWallpaperFn fn);

}  // namespace vok

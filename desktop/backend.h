// The desktop's side of setting a wallpaper: decoding, choosing the running
// desktop, and one backend per kind of desktop.
#pragma once
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vok::desktop {

struct PixbufUnref {
  void operator()(GdkPixbuf* p) const { g_object_unref(p); }
};
using Pixbuf = std::unique_ptr<GdkPixbuf, PixbufUnref>;

// The BMP at a native path, decoded (any BMP variant, nothing else); null
// when there is no such file or it is not a readable BMP.
Pixbuf DecodeBmp(const std::string& nativePath);

enum class Desktop { Unknown, RootWindow, Gnome, Cinnamon, Mate, Xfce, Kde, Lxqt, Lxde, Sway };

struct Environment {
  const char* currentDesktop = nullptr;  // XDG_CURRENT_DESKTOP
  const char* session = nullptr;         // DESKTOP_SESSION
  const char* display = nullptr;         // DISPLAY
  const char* waylandDisplay = nullptr;  // WAYLAND_DISPLAY
  const char* sessionType = nullptr;     // XDG_SESSION_TYPE
  const char* swaySocket = nullptr;      // SWAYSOCK
};
Environment CurrentEnvironment();
Desktop ChooseDesktop(const Environment& env);

// Shows the decoded picture on the running desktop. True when it took it.
bool ShowOnDesktop(GdkPixbuf* picture, bool tiled);

// Root window of the X display named by DISPLAY. Refuses when a desktop
// window covers the root, where the root's pixmap would never be seen.
bool ShowOnRootWindow(GdkPixbuf* picture, bool tiled);

// What a refusal is put down to (diagnose.cpp): the X display can be opened;
// the GSettings schema a desktop is set through (null when it uses none), and
// whether it is installed.
bool CanOpenXDisplay();
const char* GSettingsSchemaFor(Desktop desktop);
bool HasGSettingsSchema(const char* id);

// Desktops that read the file again later get a PNG copy of their own.
bool ShowWithGSettings(Desktop desktop, const std::string& pngPath, bool tiled);
bool ShowWithXfconf(const std::string& pngPath, bool tiled);
bool ShowWithCommand(Desktop desktop, const std::string& pngPath, bool tiled);

// $XDG_DATA_HOME/vok32 (~/.local/share/vok32).
std::string CopyDirectory();
// Writes a PNG copy under a fresh name there (whole or not at all).
std::optional<std::string> WriteCopy(GdkPixbuf* picture);
// Removes every earlier copy but `keep`.
void RemoveOtherCopies(const std::string& keep);
void RemoveCopy(const std::string& path);

// Runs argv[0] from PATH with the arguments as given (no shell). Returns the
// exit status, or -1 when it could not run or did not end in time. Standard
// output goes to *out when given; standard error goes nowhere.
int RunCommand(const std::vector<std::string>& argv, std::string* out = nullptr);

}  // namespace vok::desktop

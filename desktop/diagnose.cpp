#include "desktop/diagnose.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "desktop/backend.h"
#include "platform/dospath.h"
#include "platform/profile.h"
#include "platform/sys.h"

namespace vok::desktop {
namespace {

const char* Name(Desktop d) {
  switch (d) {
    case Desktop::RootWindow: return "X11 root window";
    case Desktop::Gnome: return "GNOME";
    case Desktop::Cinnamon: return "Cinnamon";
    case Desktop::Mate: return "MATE";
    case Desktop::Xfce: return "Xfce";
    case Desktop::Kde: return "KDE Plasma";
    case Desktop::Lxqt: return "LXQt";
    case Desktop::Lxde: return "LXDE";
    case Desktop::Sway: return "sway";
    case Desktop::Unknown: break;
  }
  return "";
}

// The programs a desktop is driven through, any one of which will do.
std::vector<const char*> Tools(Desktop d) {
  switch (d) {
    case Desktop::Xfce: return {"xfconf-query"};
    case Desktop::Kde: return {"plasma-apply-wallpaperimage", "dbus-send"};
    case Desktop::Lxqt: return {"pcmanfm-qt"};
    case Desktop::Lxde: return {"pcmanfm"};
    case Desktop::Sway: return {"swaymsg"};
    default: return {};
  }
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "";
  while (true) {
    const std::size_t colon = dirs.find(':');
    std::string file(dirs.substr(0, colon));
    file += file.empty() ? "./" : "/";
    file += program;
    struct stat st;
    if (sys::ops().stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0) return true;
    if (colon == std::string_view::npos) return false;
    dirs.remove_prefix(colon + 1);
  }
}

// Whether a file can be made in dir, or in the nearest folder above it that
// exists. An unnamed file, so the check leaves nothing behind.
bool Writable(std::string dir) {
  struct stat st;
  while (sys::ops().stat(dir.c_str(), &st) != 0) {
    const std::size_t slash = dir.rfind('/');
    if (slash == std::string::npos || dir == "/") return false;
    dir.erase(slash == 0 ? 1 : slash);
  }
  const int fd = sys::ops().open(dir.c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (fd >= 0) {
    sys::ops().close(fd);
    return true;
  }
  return errno != EACCES && errno != EROFS && errno != EPERM;  // unknown: let the write say
}

}  // namespace

WhyNot WhyNotShown(const std::string& dosPath) {
  const NativePath native = DosToNative(dosPath);
  if (!native || !DecodeBmp(native.path)) return {Refusal::UnreadableBitmap, "", dosPath, ""};

  const Environment env = CurrentEnvironment();
  const Desktop desktop = ChooseDesktop(env);
  const std::string name = Name(desktop);
  if (desktop == Desktop::Unknown) {
    std::string found = env.currentDesktop && *env.currentDesktop ? env.currentDesktop
                        : env.session && *env.session             ? env.session
                                                                   : "";
    const bool wayland = (env.waylandDisplay && *env.waylandDisplay) ||
                         (env.sessionType && std::string_view(env.sessionType) == "wayland");
    return {Refusal::UnknownDesktop, "", found,
            wayland ? "sway, or a desktop it knows (GNOME, Cinnamon, MATE, Xfce, KDE Plasma, LXQt, LXDE) named in "
                      "XDG_CURRENT_DESKTOP: under another Wayland compositor the X root window is never seen"
                    : "a desktop it knows (GNOME, Cinnamon, MATE, Xfce, KDE Plasma, LXQt, LXDE, sway) named in "
                      "XDG_CURRENT_DESKTOP, or an X display to draw on"};
  }
  if (desktop == Desktop::RootWindow) {
    if (!CanOpenXDisplay()) return {Refusal::NoDisplay, name, env.display ? env.display : "", ""};
    if (!Writable(WindowsDirectory())) return {Refusal::SettingsNotWritable, name, WindowsDirectory(), ""};
    return {Refusal::Refused, name, "",
            "a true-colour screen whose root window no desktop window covers (a file manager drawing the "
            "desktop hides it: set the wallpaper in its own settings, or name its desktop in XDG_CURRENT_DESKTOP)"};
  } else {
    const std::vector<const char*> tools = Tools(desktop);
    bool any = tools.empty();
    for (const char* t : tools) any = any || OnPath(t);
    if (!any) return {Refusal::ToolMissing, name, tools.front(), ""};
    if (const char* schema = GSettingsSchemaFor(desktop); schema && !HasGSettingsSchema(schema))
      return {Refusal::SchemaMissing, name, schema, ""};
    if (!Writable(CopyDirectory())) return {Refusal::CopyNotWritable, name, CopyDirectory(), ""};
  }
  if (!Writable(WindowsDirectory())) return {Refusal::SettingsNotWritable, name, WindowsDirectory(), ""};
  return {Refusal::Refused, name, "",
          desktop == Desktop::Sway ? "swaymsg reaching sway through SWAYSOCK, swaybg, and a path without \" or \\" : ""};
}

}  // namespace vok::desktop

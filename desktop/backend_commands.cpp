#include <gio/gio.h>

#include <string>
#include <vector>

#include "desktop/backend.h"

namespace vok::desktop {
namespace {

// A string literal of Plasma's desktop scripting language.
std::string ScriptString(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

bool ShowWithPlasma(const std::string& pngPath, bool tiled) {
  // Newer versions take the fill mode; older ones would stretch the picture.
  std::string help;
  if (RunCommand({"plasma-apply-wallpaperimage", "--help"}, &help) == 0 &&
      help.find("--fill-mode") != std::string::npos) {
    return RunCommand({"plasma-apply-wallpaperimage", "--fill-mode", tiled ? "tile" : "pad", pngPath}) == 0;
  }
  gchar* uri = g_filename_to_uri(pngPath.c_str(), nullptr, nullptr);
  if (uri == nullptr) return false;
  // Plasma's image wallpaper: FillMode 3 tiles, 6 centres at natural size.
  const std::string script =
      "var all = desktops();"
      "for (var i = 0; i < all.length; i++) {"
      " var d = all[i];"
      " d.wallpaperPlugin = 'org.kde.image';"
      " d.currentConfigGroup = Array('Wallpaper', 'org.kde.image', 'General');"
      " d.writeConfig('Image', " + ScriptString(uri) + ");"
      " d.writeConfig('FillMode', " + std::string(tiled ? "3" : "6") + ");"
      "}";
  g_free(uri);
  return RunCommand({"dbus-send", "--session", "--dest=org.kde.plasmashell", "--type=method_call",
                     "--print-reply", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript",
                     "string:" + script}) == 0;
}

// sway joins its arguments into one command line and splits it again.
std::string SwayWord(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

bool ShowWithCommand(Desktop desktop, const std::string& pngPath, bool tiled) {
  switch (desktop) {
    case Desktop::Kde:
      return ShowWithPlasma(pngPath, tiled);
    case Desktop::Lxqt:
    case Desktop::Lxde:
      return RunCommand({desktop == Desktop::Lxqt ? "pcmanfm-qt" : "pcmanfm", "--set-wallpaper", pngPath,
                         tiled ? "--wallpaper-mode=tile" : "--wallpaper-mode=center"}) == 0;
    case Desktop::Sway:
      if (pngPath.find_first_of("\"\\") != std::string::npos) return false;
      return RunCommand({"swaymsg", "output", "*", "bg", SwayWord(pngPath), tiled ? "tile" : "center"}) == 0;
    default:
      return false;
  }
}

}  // namespace vok::desktop

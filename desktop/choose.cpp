#include <cstdlib>
#include <string>
#include <string_view>

#include "desktop/backend.h"

namespace vok::desktop {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

Desktop FromName(std::string_view name) {
  struct Known {
    const char* name;
    Desktop desktop;
  };
  static constexpr Known kKnown[] = {
      {"GNOME", Desktop::Gnome},          {"GNOME-Classic", Desktop::Gnome},
      {"GNOME-Flashback", Desktop::Gnome}, {"ubuntu", Desktop::Gnome},
      {"Unity", Desktop::Gnome},          {"Pantheon", Desktop::Gnome},
      {"Budgie", Desktop::Gnome},         {"budgie-desktop", Desktop::Gnome},
      {"X-Cinnamon", Desktop::Cinnamon},  {"Cinnamon", Desktop::Cinnamon},
      {"MATE", Desktop::Mate},            {"XFCE", Desktop::Xfce},
      {"xubuntu", Desktop::Xfce},         {"KDE", Desktop::Kde},
      {"plasma", Desktop::Kde},           {"plasmawayland", Desktop::Kde},
      {"LXQt", Desktop::Lxqt},            {"Lubuntu", Desktop::Lxqt},
      {"LXDE", Desktop::Lxde},            {"sway", Desktop::Sway},
  };
  for (const Known& k : kKnown) {
    if (SameName(name, k.name)) return k.desktop;
  }
  return Desktop::Unknown;
}

bool Set(const char* value) { return value != nullptr && *value != '\0'; }

}  // namespace

Environment CurrentEnvironment() {
  Environment env;
  env.currentDesktop = std::getenv("XDG_CURRENT_DESKTOP");
  env.session = std::getenv("DESKTOP_SESSION");
  env.display = std::getenv("DISPLAY");
  env.waylandDisplay = std::getenv("WAYLAND_DISPLAY");
  env.sessionType = std::getenv("XDG_SESSION_TYPE");
  env.swaySocket = std::getenv("SWAYSOCK");
  return env;
}

Desktop ChooseDesktop(const Environment& env) {
  if (Set(env.currentDesktop)) {
    std::string_view list = env.currentDesktop;
    while (!list.empty()) {
      size_t colon = list.find(':');
      Desktop d = FromName(list.substr(0, colon));
      if (d != Desktop::Unknown) return d;
      if (colon == std::string_view::npos) break;
      list.remove_prefix(colon + 1);
    }
  }
  if (Set(env.session)) {
    // Some display managers give the session file's path.
    std::string_view session = env.session;
    if (size_t slash = session.rfind('/'); slash != std::string_view::npos) {
      session.remove_prefix(slash + 1);
    }
    Desktop d = FromName(session);
    if (d != Desktop::Unknown) return d;
  }
  if (Set(env.swaySocket)) return Desktop::Sway;
  // Under a Wayland compositor we do not know, X's root window is never seen.
  if (Set(env.waylandDisplay) || (Set(env.sessionType) && SameName(env.sessionType, "wayland"))) {
    return Desktop::Unknown;
  }
  if (Set(env.display)) return Desktop::RootWindow;
  return Desktop::Unknown;
}

bool ShowOnDesktop(const Image& picture, bool tiled) {
  const Desktop desktop = ChooseDesktop(CurrentEnvironment());
  switch (desktop) {
    case Desktop::Unknown:
      return false;
    case Desktop::RootWindow:
      return ShowOnRootWindow(picture, tiled);
    default:
      break;
  }
  // These read the file again at will (next login, another monitor): they get
  // a copy of their own, which the user's deleting the BMP cannot take away.
  std::optional<std::string> copy = WriteCopy(picture, desktop);
  if (!copy) return false;
  bool shown = false;
  switch (desktop) {
    case Desktop::Gnome:
    case Desktop::Cinnamon:
    case Desktop::Mate:
      shown = ShowWithGSettings(desktop, *copy, tiled);
      break;
    case Desktop::Xfce:
      shown = ShowWithXfconf(*copy, tiled);
      break;
    default:
      shown = ShowWithCommand(desktop, *copy, tiled);
      break;
  }
  if (shown) {
    RemoveOtherCopies(desktop, *copy);
  } else {
    RemoveCopy(*copy);
  }
  return shown;
}

}  // namespace vok::desktop

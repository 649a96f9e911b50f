// Why the desktop did not take a wallpaper, worked out after a refusal from
// the same environment and files the backends saw, so that a message can say
// what to fix.
#pragma once
#include <string>

namespace vok::desktop {

enum class Refusal {
  UnreadableBitmap,     // what: the path as given
  UnknownDesktop,       // what: XDG_CURRENT_DESKTOP or DESKTOP_SESSION as found
  ToolMissing,          // what: the program the desktop needs
  SchemaMissing,        // what: the GSettings schema
  NoDisplay,            // what: DISPLAY
  CopyNotWritable,      // what: the folder of the desktop's PNG copy
  SettingsNotWritable,  // what: the folder of win.ini
  Refused,              // everything was there; the desktop said no
};

struct WhyNot {
  Refusal refusal = Refusal::Refused;
  std::string desktop;  // the desktop found ("Xfce", "X11 root window"); empty when none
  std::string what;
  std::string needs;  // what would let it work, where another set-up would; else empty
};

WhyNot WhyNotShown(const std::string& dosPath);

}  // namespace vok::desktop

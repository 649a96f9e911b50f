// vok32-wallpaper: sets a BMP as the wallpaper the way the window does, for
// trying a desktop by hand and for timing; --restore shows the recorded one
// again at login.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "desktop/diagnose.h"
#include "desktop/record.h"
#include "desktop/wallpaper.h"
#include "platform/cli.h"
#include "platform/codepage.h"
#include "platform/dospath.h"
#include "platform/profile.h"

namespace {

constexpr char kUsage[] =
    "usage: vok32-wallpaper [--center | --tile] FILE.bmp\n"
    "       vok32-wallpaper --restore\n"
    "       vok32-wallpaper --help | --version\n"
    "Makes FILE.bmp the wallpaper of the running desktop, centred or tiled (without\n"
    "either, as last time), and records it in win.ini as the VOK32 window does.\n"
    "--restore shows the wallpaper win.ini records again (at login), unless the\n"
    "desktop keeps its own.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

// The one place a refusal becomes words.
std::string Explain(const vok::desktop::WhyNot& why, const char* file) {
  using vok::desktop::Refusal;
  const std::string on = why.desktop.empty() ? "" : " (desktop: " + why.desktop + ")";
  switch (why.refusal) {
    case Refusal::UnreadableBitmap:
      return std::string(file) + " is not a readable BMP";
    case Refusal::UnknownDesktop:
      return why.what.empty() ? "no desktop found to set it on: XDG_CURRENT_DESKTOP and DESKTOP_SESSION are empty "
                                "and there is no X display"
                              : "the desktop \"" + why.what + "\" is not one VOK32 can set the wallpaper of";
    case Refusal::ToolMissing:
      return "the program " + why.what + " is not installed" + on;
    case Refusal::SchemaMissing:
      return "the GSettings schema " + why.what + " is not installed" + on;
    case Refusal::NoDisplay:
      return "cannot open the X display \"" + why.what + "\"" + on;
    case Refusal::CopyNotWritable:
      return "cannot write the desktop's copy of the picture in " + why.what + on;
    case Refusal::SettingsNotWritable:
      return "cannot write the settings in " + why.what + on;
    case Refusal::Refused:
      break;
  }
  return "the desktop did not take it" + on;
}

// Refusals that a different desktop or set-up would cure say what it would be.
std::string WithNeeds(const vok::desktop::WhyNot& why, const char* file) {
  const std::string said = Explain(why, file);
  return why.needs.empty() ? said : said + "; it needs " + why.needs;
}

int Restore() {
  std::string recorded;
  const vok::RestoreOutcome outcome = vok::RestoreWallpaper(&recorded);
  const std::string shown = vok::Cp932ToUtf8(recorded);
  switch (outcome) {
    case vok::RestoreOutcome::Shown:
    case vok::RestoreOutcome::KeptByDesktop:
      return 0;
    case vok::RestoreOutcome::NothingRecorded:
      std::fprintf(stderr, "vok32-wallpaper: win.ini [Desktop] records no wallpaper; nothing changed\n");
      return 1;
    case vok::RestoreOutcome::FileGone:
      std::fprintf(stderr, "vok32-wallpaper: the recorded wallpaper %s is gone or not a readable BMP; nothing changed\n",
                   shown.c_str());
      return 1;
    case vok::RestoreOutcome::Refused:
      std::fprintf(stderr, "vok32-wallpaper: %s\n", WithNeeds(vok::desktop::WhyNotShown(recorded), shown.c_str()).c_str());
      return 1;
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int status = vok::AnswerHelpOrVersion(argc, argv, "vok32-wallpaper", VOK32_VERSION, kUsage);
      status >= 0)
    return status;
  if (argc == 2 && std::strcmp(argv[1], "--restore") == 0) return Restore();
  int mode = -1;  // as recorded
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "--center") == 0) mode = 0, ++i;
  else if (i < argc && std::strcmp(argv[i], "--tile") == 0) mode = 1, ++i;
  if (i + 1 != argc || argv[i][0] == '-') return Usage();
  const char* file = argv[i];
  char* full = realpath(file, nullptr);
  if (full == nullptr) {
    std::fprintf(stderr, "vok32-wallpaper: %s: %s\n", file, std::strerror(errno));
    return 1;
  }
  const auto dos = vok::NativeToDos(full);
  std::free(full);
  if (!dos) {
    std::fprintf(stderr, "vok32-wallpaper: %s: the name has no DOS form (a character outside CP932, or a backslash)\n",
                 file);
    return 1;
  }
  if (mode >= 0 && !vok::desktop::WriteTileMode(mode == 1)) {
    std::fprintf(stderr, "vok32-wallpaper: cannot write the settings in %s\n", vok::WindowsDirectory().c_str());
    return 1;
  }
  std::string path = *dos;
  if (!SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path.data(), SPIF_UPDATEINIFILE)) {
    if (vok::LastWallpaperFailure() == vok::WallpaperFailure::NotRecorded) {
      std::fprintf(stderr, "vok32-wallpaper: the desktop shows %s, but win.ini in %s could not be written\n", file,
                   vok::WindowsDirectory().c_str());
      return 1;
    }
    std::fprintf(stderr, "vok32-wallpaper: %s\n", WithNeeds(vok::desktop::WhyNotShown(*dos), file).c_str());
    return 1;
  }
  return 0;
}

#include <cstdio>
#include <cstring>

#include <wx/init.h>

#include "app/dapp.h"
#include "platform/cli.h"
#include "widgets/toolkit_gtk.h"

namespace {
constexpr char kUsage[] =
    "usage: vok32 [--help | --version]\n"
    "Opens the VOK32 window, which changes the desktop wallpaper from a BMP file\n"
    "or from a member of an LZH archive. Files are chosen in the window; a file\n"
    "name on the command line opens nothing. See vok32(1).\n";
}  // namespace

int main(int argc, char** argv) {
  if (const int status = vok::AnswerHelpOrVersion(argc, argv, "vok32", VOK32_VERSION, kUsage); status >= 0)
    return status;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-') {
      std::fprintf(stderr, "vok32: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    }
  }
  vok::PrepareToolkit();
  if (!vok::HasDisplay()) {
    std::fputs("vok32: no display to open the window on (DISPLAY is not set or cannot be reached)\n", stderr);
    return 1;
  }
  wxApp::SetInstance(new vok::DApp);
  char arg0[] = "vok32";
  char* wxArgv[] = {arg0, nullptr};
  int wxArgc = 1;
  return wxEntry(wxArgc, wxArgv);
}

// What the window tests share: letting the window run while waiting,
// screenshots, and a main that starts wx on the private display with a
// throw-away home, so the real user's files are never touched.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/utils.h>

#include "app/dapp.h"
#include "tests/temp_dir.h"

namespace vok::gui {

inline bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    wxTheApp->Yield(true);
    wxMilliSleep(5);
  }
  return true;
}

inline void Pump(int ms) { WaitFor([] { return false; }, ms); }

// The whole screen, as artifacts/NAME.png in the build tree.
inline void Shot(const std::string& name) {
  std::filesystem::create_directories(VOK32_GUI_ARTIFACTS);
  const std::string cmd = "import -window root '" + std::string(VOK32_GUI_ARTIFACTS) + "/" + name + ".png'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

inline int RunWindowTests(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  vok::testing::TempDir home;
  setenv("HOME", home.str().c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home.str() + "/.config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home.str() + "/.local/share").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home.str() + "/.cache").c_str(), 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);  // the file chooser saves its state there
  // The private display's root window is the desktop here, whatever the session outside says.
  for (const char* v : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "SWAYSOCK"}) {
    unsetenv(v);
  }
  vok::PrepareToolkit();
  wxApp::SetInstance(new vok::DApp);
  char* wxArgv[] = {argv[0], nullptr};
  int wxArgc = 1;
  if (!wxEntryStart(wxArgc, wxArgv)) {
    std::fprintf(stderr, "%s: no display\n", argv[0]);
    return 1;
  }
  const int rc = RUN_ALL_TESTS();
  wxEntryCleanup();
  return rc;
}

}  // namespace vok::gui

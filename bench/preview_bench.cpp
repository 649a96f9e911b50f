// Times the listing's hover preview in the real window: from the pointer
// coming to rest on a row to the member's picture on the screen, decoded
// fresh each time and from the cache; then the window's memory before any
// hovering and with the cache full. Run by bench/preview.sh on a private
// display; the archive's first member is the big one, its picture green in
// the middle, and the rest are enough members to fill the cache.
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/uiaction.h>

#include "app/dapp.h"
#include "app/ddecframe.h"
#include "view/dclient_view.h"
#include "view/hover_preview.h"

namespace {

using Clock = std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& done, int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (Clock::now() > end) return false;
    wxTheApp->Yield(true);
    wxMilliSleep(1);
  }
  return true;
}

std::uint32_t ScreenPixel(wxPoint p) {
  GdkPixbuf* one = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), p.x, p.y, 1, 1);
  if (!one) return 0;
  const guchar* px = gdk_pixbuf_read_pixels(one);
  const std::uint32_t c = std::uint32_t{px[0]} << 16 | std::uint32_t{px[1]} << 8 | px[2];
  g_object_unref(one);
  return c;
}

long StatusKiB(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
  }
  return -1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: preview_bench ARCHIVE RUNS (VOK32_WINDIR names it as LZHFile)\n");
    return 2;
  }
  const std::filesystem::path archive = argv[1];
  const int runs = std::max(1, std::atoi(argv[2]));
  vok::PrepareToolkit();
  wxApp::SetInstance(new vok::DApp);
  char arg0[] = "preview_bench";
  char* wxArgv[] = {arg0, nullptr};
  int wxArgc = 1;
  if (!wxEntryStart(wxArgc, wxArgv)) return 2;
  auto* app = static_cast<vok::DApp*>(wxTheApp);
  app->InitMainWindow();
  vok::DClientView* view = app->Client;
  if (!WaitFor([&] { return view->IsShownOnScreen() && view->Client().ArchiveOpen; }, 20000)) {
    std::fprintf(stderr, "preview_bench: the listing did not open\n");
    return 1;
  }
  WaitFor([] { return false; }, 500);
  const long startKiB = StatusKiB("VmRSS:");

  wxUIActionSimulator sim;
  const int h = view->LineHeight();
  auto row = [&](int n) { return view->ClientToScreen(wxPoint(40, n * h + h / 2)); };
  const wxPoint away = view->GetScreenRect().GetTopRight() + wxPoint(200, 0);
  vok::HoverPreview& hover = view->Hover();
  auto restAndTime = [&](int n) -> double {
    sim.MouseMove(away);
    WaitFor([&] { return !hover.PopupShown(); }, 2000);
    WaitFor([] { return false; }, 100);
    const auto t0 = Clock::now();
    sim.MouseMove(row(n));
    const bool shown = WaitFor(
        [&] {
          if (!hover.PopupShown()) return false;
          const wxRect p = hover.PictureRect();
          return ScreenPixel(p.GetPosition() + wxPoint(p.GetWidth() / 2, p.GetHeight() / 2)) == 0x00ff00;
        },
        20000);
    return shown ? std::chrono::duration<double, std::milli>(Clock::now() - t0).count() : -1;
  };

  std::vector<double> fresh, cached;
  for (int i = 0; i < runs; ++i) {
    // A new modification time: the same archive written anew, so its pictures are decoded again.
    std::filesystem::last_write_time(archive, std::filesystem::file_time_type::clock::now());
    fresh.push_back(restAndTime(0));
    cached.push_back(restAndTime(0));
  }

  // Every row once: the cache fills up.
  const int rows = view->Client().EntryCount - 5;
  const int visible = view->GetClientSize().y / h;
  for (int top = 0; top < rows; top += visible) {
    view->ScrollToRow(top);
    for (int r = 0; r < visible && view->ScrollPosition() + r < rows; ++r) {
      sim.MouseMove(row(r) + wxPoint(-3, 0));
      WaitFor([] { return false; }, 20);
      sim.MouseMove(row(r));
      WaitFor([&] { return hover.PopupShown(); }, 5000);
    }
  }
  sim.MouseMove(away);
  WaitFor([] { return false; }, 300);
  std::printf("rest_to_picture_ms %.0f\n", Median(fresh));
  std::printf("rest_to_picture_cached_ms %.0f\n", Median(cached));
  std::printf("rest_ms %d\n", vok::HoverPreview::kRestMs);
  std::printf("rss_start_kib %ld\n", startKiB);
  std::printf("rss_cache_full_kib %ld\n", StatusKiB("VmRSS:"));
  std::printf("rss_peak_kib %ld\n", StatusKiB("VmHWM:"));
  std::printf("cached_pictures %zu\n", hover.CachedPictures());
  app->Frame->Destroy();
  WaitFor([] { return false; }, 200);
  wxEntryCleanup();
  return 0;
}

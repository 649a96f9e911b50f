// The root window's wallpaper on a private X server.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "desktop/wallpaper.h"
#include "platform/dospath.h"
#include "platform/profile.h"
#include "platform/sys.h"
#include "tests/desktop/bmp_fixture.h"
#include "tests/temp_dir.h"

// Last: Xlib's macros (None, Status) would clash with the names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

namespace vok {
namespace {

using testing::BmpKind;
using testing::MakeBmp;
using testing::Picture;
using testing::ScopedEnv;
using testing::TempDir;

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

class RootWindowTest : public ::testing::Test {
 protected:
  RootWindowTest()
      : windir_("VOK32_WINDIR", (dir_.path() / "windows").string()),
        data_("XDG_DATA_HOME", (dir_.path() / "data").string()),
        desktop_("XDG_CURRENT_DESKTOP", ""),
        session_("DESKTOP_SESSION", ""),
        wayland_("WAYLAND_DISPLAY", ""),
        type_("XDG_SESSION_TYPE", "x11"),
        sway_("SWAYSOCK", "") {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) std::abort();
    root_ = DefaultRootWindow(display_);
    width_ = DisplayWidth(display_, DefaultScreen(display_));
    height_ = DisplayHeight(display_, DefaultScreen(display_));
  }
  ~RootWindowTest() override { XCloseDisplay(display_); }

  BOOL Set(BmpKind kind, int w, int h, bool tiled, Picture* picture) {
    auto bmp = dir_.Write("wall.bmp", MakeBmp(kind, w, h, picture));
    WriteProfileStringA("Desktop", "TileWallpaper", tiled ? "1" : "0");
    std::string dos = *NativeToDos(bmp.string());
    return SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, dos.data(), SPIF_UPDATEINIFILE);
  }

  // The screen as a client sees it, 0xRRGGBB.
  std::vector<std::uint32_t> Capture() {
    XImage* image = XGetImage(display_, root_, 0, 0, width_, height_, AllPlanes, ZPixmap);
    std::vector<std::uint32_t> out;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) out.push_back(XGetPixel(image, x, y) & 0xffffff);
    XDestroyImage(image);
    return out;
  }

  // The same through xwd, a client that is not ours.
  std::vector<std::uint32_t> CaptureWithXwd() {
    std::vector<std::uint32_t> out;
    FILE* p = popen("xwd -root -silent | convert xwd:- rgb:-", "r");
    unsigned char rgb[3];
    while (p && fread(rgb, 1, 3, p) == 3) out.push_back(std::uint32_t{rgb[0]} << 16 | rgb[1] << 8 | rgb[2]);
    if (p) pclose(p);
    return out;
  }

  Pixmap Property(const char* name) {
    Atom actual;
    int format;
    unsigned long count = 0, after;
    unsigned char* data = nullptr;
    Pixmap p = None;
    XGetWindowProperty(display_, root_, XInternAtom(display_, name, False), 0, 1, False, XA_PIXMAP,
                       &actual, &format, &count, &after, &data);
    if (data && count == 1) p = *reinterpret_cast<Pixmap*>(data);
    if (data) XFree(data);
    return p;
  }

  bool Exists(Drawable d) {
    auto saved = XSetErrorHandler(IgnoreErrors);
    Window r;
    int x, y;
    unsigned w, h, b, depth;
    bool ok = XGetGeometry(display_, d, &r, &x, &y, &w, &h, &b, &depth);
    XSync(display_, False);
    XSetErrorHandler(saved);
    return ok;
  }

  // Pixmaps held by clients other than this test, retained ones included.
  int OthersPixmaps() {
    const Atom pixmapAtom = XInternAtom(display_, "PIXMAP", False);
    const XID mine = XAllocID(display_);
    int clientCount = 0, total = 0;
    XResClient* clients = nullptr;
    XResQueryClients(display_, &clientCount, &clients);
    for (int i = 0; i < clientCount; ++i) {
      if ((mine & ~clients[i].resource_mask) == clients[i].resource_base) continue;
      int typeCount = 0;
      XResType* types = nullptr;
      XResQueryClientResources(display_, clients[i].resource_base, &typeCount, &types);
      for (int t = 0; t < typeCount; ++t) {
        if (types[t].resource_type == pixmapAtom) total += static_cast<int>(types[t].count);
      }
      if (types) XFree(types);
    }
    if (clients) XFree(clients);
    return total;
  }

  struct Monitor {
    int x, y, w, h;
  };
  // The picture centred on each monitor (cut at its edges, black elsewhere)
  // or tiled from the screen's origin, pixel for pixel.
  void ExpectScreen(const std::vector<std::uint32_t>& screen, const Picture& picture, bool tiled,
                    const std::vector<Monitor>& monitors) {
    const int w = picture.width, h = picture.height;
    int wrong = 0;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        std::uint32_t want = 0;
        if (tiled) want = picture.at(x % w, y % h);
        for (const Monitor& m : monitors) {
          const int left = m.x + (m.w - w) / 2, top = m.y + (m.h - h) / 2;
          if (!tiled && x >= m.x && x < m.x + m.w && y >= m.y && y < m.y + m.h && x - left >= 0 &&
              x - left < w && y - top >= 0 && y - top < h) {
            want = picture.at(x - left, y - top);
          }
        }
        const std::uint32_t got = screen[static_cast<size_t>(y) * width_ + x];
        if (got != want && wrong++ < 3) {
          ADD_FAILURE() << "pixel " << x << "," << y << std::hex << " is " << got << ", want " << want;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }

  TempDir dir_;
  ScopedEnv windir_, data_, desktop_, session_, wayland_, type_, sway_;
  Display* display_;
  Window root_;
  int width_, height_;
};

TEST_F(RootWindowTest, ShowsThePicturePixelForPixel) {
  struct Case {
    const char* name;
    BmpKind kind;
    int dw, dh;  // picture size: screen size plus these when negative-or-small tricks are off
    bool relative;
    bool tiled;
  };
  const Case cases[] = {
      {"odd, centred", BmpKind::Rgb24, 7, 5, false, false},
      {"even, centred", BmpKind::Rgb24, 8, 6, false, false},
      {"odd, tiled", BmpKind::Rgb24, 7, 5, false, true},
      {"even, tiled", BmpKind::Rgb24TopDown, 8, 6, false, true},
      {"larger than the screen, centred", BmpKind::Rgb24, 5, 3, true, false},
      {"larger than the screen, tiled", BmpKind::Rgb24, 5, 3, true, true},
      {"palette", BmpKind::Pal8, 9, 7, false, false},
      {"RLE", BmpKind::Rle8, 11, 4, false, true},
      {"RLE4", BmpKind::Rle4, 6, 9, false, false},
      {"32-bit", BmpKind::Rgb32, 13, 3, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int w = c.relative ? width_ + c.dw : c.dw;
    const int h = c.relative ? height_ + c.dh : c.dh;
    Picture picture;
    ASSERT_NE(Set(c.kind, w, h, c.tiled, &picture), 0);
    // C's division truncates: (W - w) / 2 is -2 for a picture 5 wider.
    const std::vector<std::uint32_t> screen = Capture();
    ExpectScreen(screen, picture, c.tiled, {{0, 0, width_, height_}});
    if (c.kind == BmpKind::Rle8) {
      EXPECT_EQ(CaptureWithXwd(), screen);
    }
  }
}

TEST_F(RootWindowTest, FiftySetsKeepOnePixmap) {
  Picture picture;
  for (int i = 0; i < 50; ++i) {
    ASSERT_NE(Set(BmpKind::Rgb24, 3 + i % 4, 2 + i % 3, i % 2, &picture), 0);
    const Pixmap p = Property("_XROOTPMAP_ID");
    ASSERT_NE(p, static_cast<Pixmap>(None));
    ASSERT_EQ(Property("ESETROOT_PMAP_ID"), p);
    ASSERT_TRUE(Exists(p));
  }
  EXPECT_EQ(OthersPixmaps(), 1);
}

TEST_F(RootWindowTest, LeavesAnotherClientsPixmapAlone) {
  // Someone else's pixmap under one name only: not known to be ours to free.
  const Pixmap theirs = XCreatePixmap(display_, root_, 4, 4, DefaultDepth(display_, 0));
  XChangeProperty(display_, root_, XInternAtom(display_, "_XROOTPMAP_ID", False), XA_PIXMAP, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&theirs), 1);
  XDeleteProperty(display_, root_, XInternAtom(display_, "ESETROOT_PMAP_ID", False));
  XSync(display_, False);
  Picture picture;
  ASSERT_NE(Set(BmpKind::Rgb24, 4, 4, true, &picture), 0);
  EXPECT_TRUE(Exists(theirs));
  EXPECT_NE(Property("_XROOTPMAP_ID"), theirs);
  XFreePixmap(display_, theirs);
}

TEST_F(RootWindowTest, RefusesUnderADesktopWindow) {
  Picture picture;
  ASSERT_NE(Set(BmpKind::Rgb24, 4, 4, true, &picture), 0);
  const Pixmap before = Property("_XROOTPMAP_ID");
  char recorded[MAX_PATH];
  GetProfileStringA("Desktop", "wallpaper", "", recorded, sizeof recorded);

  Window desk = XCreateSimpleWindow(display_, root_, 0, 0, width_, height_, 0, 0, 0);
  const Atom type = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
  XChangeProperty(display_, desk, XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&type), 1);
  XMapWindow(display_, desk);
  XSync(display_, False);

  dir_.Write("other.bmp", MakeBmp(BmpKind::Rgb24, 5, 5, &picture));
  std::string dos = *NativeToDos((dir_.path() / "other.bmp").string());
  EXPECT_EQ(SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, dos.data(), SPIF_UPDATEINIFILE), 0);
  EXPECT_EQ(Property("_XROOTPMAP_ID"), before);
  char after[MAX_PATH];
  GetProfileStringA("Desktop", "wallpaper", "", after, sizeof after);
  EXPECT_STREQ(after, recorded);
  XDestroyWindow(display_, desk);
  XSync(display_, False);
}

// Other clients open and close windows all the time; a window that vanishes
// while the tree is searched for a desktop window is no failure of the set.
TEST_F(RootWindowTest, WindowsComingAndGoingAreNoError) {
  const pid_t churn = fork();
  ASSERT_GE(churn, 0);
  if (churn == 0) {
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) _exit(1);
    XSetErrorHandler(IgnoreErrors);
    for (;;) {
      Window w[40];
      for (Window& x : w) {
        x = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 4, 4, 0, 0, 0);
        XMapWindow(d, x);
      }
      XSync(d, False);
      for (Window x : w) XDestroyWindow(d, x);
      XSync(d, False);
    }
  }
  Picture picture;
  int failed = 0;
  for (int i = 0; i < 60; ++i) failed += Set(BmpKind::Rgb24, 4, 4, i % 2, &picture) == 0;
  kill(churn, SIGKILL);
  waitpid(churn, nullptr, 0);
  EXPECT_EQ(failed, 0);
}

}  // namespace
}  // namespace vok

namespace vok {
namespace {

// A server that cannot share memory with us (a remote one) gets the pixels
// down the socket.
TEST_F(RootWindowTest, ShowsThePictureWithoutSharedMemory) {
  sys::ScopedOps scoped;
  sys::ops().shmget = [](key_t, size_t, int) {
    errno = ENOSPC;
    return -1;
  };
  Picture picture;
  ASSERT_NE(Set(BmpKind::Rgb32, 9, 7, false, &picture), 0);
  ExpectScreen(Capture(), picture, false, {{0, 0, width_, height_}});
}

// Two monitors side by side on one screen, as `xrandr --setmonitor` makes
// them: a picture centred on each, cut at the seam, and tiles that run on
// across it.
TEST_F(RootWindowTest, CentresOnEveryMonitor) {
  ASSERT_EQ(width_, 64);
  ASSERT_EQ(std::system("xrandr --setmonitor vok-left 40/1x40/1+0+0 screen && "
                        "xrandr --setmonitor vok-right 24/1x40/1+40+0 none"),
            0);
  struct Case {
    const char* name;
    int w, h;
    bool tiled;
  };
  const Case cases[] = {
      {"odd, centred", 7, 5, false},
      {"wider than the right monitor, centred", 30, 9, false},
      {"taller than the screen, centred", 5, 43, false},
      {"tiled", 7, 5, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Picture picture;
    ASSERT_NE(Set(BmpKind::Rgb24, c.w, c.h, c.tiled, &picture), 0);
    ExpectScreen(Capture(), picture, c.tiled, {{0, 0, 40, 40}, {40, 0, 24, 40}});
  }
  // Back to the one monitor: the next picture is centred on the whole screen again.
  ASSERT_EQ(std::system("xrandr --delmonitor vok-right && xrandr --delmonitor vok-left"), 0);
  Picture picture;
  ASSERT_NE(Set(BmpKind::Rgb24, 7, 5, false, &picture), 0);
  ExpectScreen(Capture(), picture, false, {{0, 0, width_, height_}});
}

}  // namespace
}  // namespace vok

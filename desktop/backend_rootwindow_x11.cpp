#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "desktop/backend.h"

namespace vok::desktop {
namespace {

// Xlib reports errors through one process-wide handler; ours counts them
// while this backend talks to the server and is put back afterwards.
int g_errors = 0;
int CountError(Display*, XErrorEvent*) {
  ++g_errors;
  return 0;
}

class ErrorTrap {
 public:
  explicit ErrorTrap(Display* d) : display_(d), saved_(XSetErrorHandler(CountError)) { g_errors = 0; }
  ~ErrorTrap() { XSetErrorHandler(saved_); }
  // True when no request so far has failed.
  bool Clean() {
    XSync(display_, False);
    return g_errors == 0;
  }

 private:
  Display* display_;
  XErrorHandler saved_;
};

struct Channel {
  int shift = 0;  // lowest bit of the mask
  int bits = 0;
};

Channel FromMask(unsigned long mask) {
  Channel c;
  if (mask == 0) return c;
  while ((mask & 1) == 0) mask >>= 1, ++c.shift;
  while ((mask & 1) != 0) mask >>= 1, ++c.bits;
  return c;
}

unsigned long Scale(unsigned value8, Channel c) {
  unsigned long v = c.bits >= 8 ? static_cast<unsigned long>(value8) << (c.bits - 8)
                                : static_cast<unsigned long>(value8) >> (8 - c.bits);
  return v << c.shift;
}

// The 32-bit items of a window property of the given type (at most max);
// empty when it is missing or of another type.
std::vector<unsigned long> ReadProperty(Display* d, Window w, Atom name, Atom type, long max) {
  Atom actual;
  int format;
  unsigned long count = 0, after;
  unsigned char* data = nullptr;
  std::vector<unsigned long> items;
  if (XGetWindowProperty(d, w, name, 0, max, False, type, &actual, &format, &count, &after,
                         &data) == Success &&
      data != nullptr) {
    // Xlib hands 32-bit items back as longs.
    if (actual == type && format == 32) {
      const unsigned long* p = reinterpret_cast<const unsigned long*>(data);
      items.assign(p, p + count);
    }
    XFree(data);
  }
  return items;
}

bool IsDesktopWindow(Display* d, Window w, Atom type, Atom desktop) {
  const auto atoms = ReadProperty(d, w, type, XA_ATOM, 16);
  return std::find(atoms.begin(), atoms.end(), desktop) != atoms.end();
}

bool Viewable(Display* d, Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

// A file manager's or shell's desktop window: a viewable window of type
// desktop among the root's children or one level below (window managers put
// their clients in frames).
bool ScanForDesktopWindow(Display* d, Window root) {
  const Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE", False);
  const Atom desktop = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
  Window rootOut, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(d, root, &rootOut, &parent, &children, &count)) return false;
  bool found = false;
  for (unsigned i = 0; i < count && !found; ++i) {
    if (!Viewable(d, children[i])) continue;
    found = IsDesktopWindow(d, children[i], type, desktop);
    Window* inner = nullptr;
    unsigned innerCount = 0;
    if (!found && XQueryTree(d, children[i], &rootOut, &parent, &inner, &innerCount)) {
      for (unsigned j = 0; j < innerCount && !found; ++j) {
        found = Viewable(d, inner[j]) && IsDesktopWindow(d, inner[j], type, desktop);
      }
      if (inner) XFree(inner);
    }
  }
  if (children) XFree(children);
  return found;
}

// Windows come and go while the tree is read; the errors about those that
// vanished belong to them, not to setting the wallpaper.
bool DesktopWindowOverRoot(Display* d, Window root) {
  XSync(d, False);
  const int before = g_errors;
  const bool found = ScanForDesktopWindow(d, root);
  XSync(d, False);
  g_errors = before;
  return found;
}

bool ReadPixmapProperty(Display* d, Window root, Atom name, Pixmap* out) {
  const auto items = ReadProperty(d, root, name, XA_PIXMAP, 1);
  if (items.size() != 1) return false;
  *out = static_cast<Pixmap>(items[0]);
  return true;
}

// The screen-sized picture in the screen's own pixel format: centred at
// (W-w)/2 with C's truncation, or tiled from the top-left corner; what the
// picture does not cover is black. Null when the visual is not true colour.
XImage* MakeScreenImage(Display* d, int screen, GdkPixbuf* picture, bool tiled) {
  Visual* visual = DefaultVisual(d, screen);
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) return nullptr;
  const int width = DisplayWidth(d, screen), height = DisplayHeight(d, screen);
  XImage* image = XCreateImage(d, visual, DefaultDepth(d, screen), ZPixmap, 0, nullptr, width, height, 32, 0);
  if (image == nullptr) return nullptr;
  image->data = static_cast<char*>(std::calloc(static_cast<size_t>(image->bytes_per_line), height));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return nullptr;
  }
  const Channel r = FromMask(visual->red_mask), g = FromMask(visual->green_mask),
                b = FromMask(visual->blue_mask);
  // The usual 24-bit screen takes the bytes as they are; others go pixel by pixel.
  const bool direct32 = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                        std::endian::native == std::endian::little && r.bits == 8 && g.bits == 8 &&
                        b.bits == 8;

  const int w = gdk_pixbuf_get_width(picture);
  const int h = gdk_pixbuf_get_height(picture);
  const int stride = gdk_pixbuf_get_rowstride(picture);
  const int channels = gdk_pixbuf_get_n_channels(picture);
  const guchar* pixels = gdk_pixbuf_read_pixels(picture);
  const int left = (width - w) / 2;
  const int top = (height - h) / 2;
  for (int y = 0; y < height; ++y) {
    const int sy = tiled ? y % h : y - top;
    if (sy < 0 || sy >= h) continue;
    const guchar* row = pixels + static_cast<size_t>(sy) * stride;
    auto* out = reinterpret_cast<std::uint32_t*>(image->data + static_cast<size_t>(y) * image->bytes_per_line);
    for (int x = 0; x < width; ++x) {
      const int sx = tiled ? x % w : x - left;
      if (sx < 0 || sx >= w) continue;
      const guchar* p = row + static_cast<size_t>(sx) * channels;
      if (direct32) {
        out[x] = std::uint32_t{p[0]} << r.shift | std::uint32_t{p[1]} << g.shift | std::uint32_t{p[2]} << b.shift;
      } else {
        XPutPixel(image, x, y, Scale(p[0], r) | Scale(p[1], g) | Scale(p[2], b));
      }
    }
  }
  return image;
}

// The server's copy, read back, against what was sent (colour bits only).
// In strips, so the check costs no second screen's worth of memory.
bool SameOnServer(Display* d, Pixmap pixmap, XImage* sent, int width, int height) {
  const unsigned long mask = sent->red_mask | sent->green_mask | sent->blue_mask;
  constexpr int kStrip = 64;
  for (int y0 = 0; y0 < height; y0 += kStrip) {
    const int rows = std::min(kStrip, height - y0);
    XImage* back = XGetImage(d, pixmap, 0, y0, width, rows, AllPlanes, ZPixmap);
    if (back == nullptr) return false;
    bool same = true;
    if (back->bits_per_pixel == 32 && sent->bits_per_pixel == 32 && back->byte_order == sent->byte_order) {
      for (int y = 0; y < rows && same; ++y) {
        auto* a = reinterpret_cast<const std::uint32_t*>(sent->data + static_cast<size_t>(y0 + y) * sent->bytes_per_line);
        auto* b = reinterpret_cast<const std::uint32_t*>(back->data + static_cast<size_t>(y) * back->bytes_per_line);
        std::uint32_t diff = 0;
        for (int x = 0; x < width; ++x) diff |= a[x] ^ b[x];
        same = (diff & mask) == 0;
      }
    } else {
      for (int y = 0; y < rows && same; ++y) {
        for (int x = 0; x < width && same; ++x) {
          same = ((XGetPixel(sent, x, y0 + y) ^ XGetPixel(back, x, y)) & mask) == 0;
        }
      }
    }
    XDestroyImage(back);
    if (!same) return false;
  }
  return true;
}

}  // namespace

bool CanOpenXDisplay() {
  Display* d = XOpenDisplay(nullptr);
  if (d) XCloseDisplay(d);
  return d != nullptr;
}

bool ShowOnRootWindow(GdkPixbuf* picture, bool tiled) {
  // A connection of our own: its pixmap must outlive it (RetainPermanent).
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return false;
  bool shown = false;
  {
    ErrorTrap trap(d);
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    const int width = DisplayWidth(d, screen);
    const int height = DisplayHeight(d, screen);
    XImage* image = DesktopWindowOverRoot(d, root) ? nullptr : MakeScreenImage(d, screen, picture, tiled);
    if (image != nullptr) {
      const Pixmap pixmap = XCreatePixmap(d, root, width, height, DefaultDepth(d, screen));
      GC gc = XCreateGC(d, pixmap, 0, nullptr);
      XPutImage(d, pixmap, gc, image, 0, 0, 0, 0, width, height);
      XFreeGC(d, gc);
      if (trap.Clean() && SameOnServer(d, pixmap, image, width, height)) {
        const Atom rootId = XInternAtom(d, "_XROOTPMAP_ID", False);
        const Atom esetrootId = XInternAtom(d, "ESETROOT_PMAP_ID", False);
        // The previous setter's pixmap is known to be a retained one only
        // when both names agree; anything else may belong to a live client.
        Pixmap old1 = None, old2 = None;
        if (ReadPixmapProperty(d, root, rootId, &old1) && ReadPixmapProperty(d, root, esetrootId, &old2) &&
            old1 == old2 && old1 != None) {
          XKillClient(d, old1);
          XSync(d, False);
          g_errors = 0;  // already gone is fine
        }
        XChangeProperty(d, root, rootId, XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pixmap), 1);
        XChangeProperty(d, root, esetrootId, XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pixmap), 1);
        XSetWindowBackgroundPixmap(d, root, pixmap);
        XClearWindow(d, root);
        XSetCloseDownMode(d, RetainPermanent);
        shown = trap.Clean();
      } else {
        XFreePixmap(d, pixmap);
      }
      XDestroyImage(image);
    }
    XSync(d, False);
  }
  XCloseDisplay(d);
  return shown;
}

}  // namespace vok::desktop

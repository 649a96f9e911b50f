#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "desktop/backend.h"
#include "platform/sys.h"

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
  // True when the requests since `before` (an earlier Count()) went through;
  // their errors are forgotten either way.
  int Count() const { return g_errors; }
  bool CleanSince(int before) {
    XSync(display_, False);
    const bool clean = g_errors == before;
    g_errors = before;
    return clean;
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

struct Rect {
  int x, y, width, height;
};

// The monitors as RandR 1.5 reports them (outputs and `xrandr --setmonitor`
// alike), cut to the screen; the whole screen when there is no such list.
// Read at every call: nothing here follows a resize.
std::vector<Rect> Monitors(Display* d, Window root, int width, int height) {
  std::vector<Rect> out;
  int event, error, major = 0, minor = 0;
  if (XRRQueryExtension(d, &event, &error) && XRRQueryVersion(d, &major, &minor) &&
      (major > 1 || (major == 1 && minor >= 5))) {
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(d, root, True, &count);
    for (int i = 0; i < count; ++i) {
      const XRRMonitorInfo& m = monitors[i];
      const int x0 = std::max(m.x, 0), y0 = std::max(m.y, 0);
      const int x1 = std::min(m.x + m.width, width), y1 = std::min(m.y + m.height, height);
      if (x0 < x1 && y0 < y1) out.push_back({x0, y0, x1 - x0, y1 - y0});
    }
    if (monitors) XRRFreeMonitors(monitors);
  }
  if (out.empty()) out.push_back({0, 0, width, height});
  return out;
}

// The screen-sized picture in the screen's own pixel format.
class ScreenImage {
 public:
  // Null image when the visual is not true colour or memory is short.
  ScreenImage(Display* d, int screen, ErrorTrap& trap) : display_(d) {
    Visual* visual = DefaultVisual(d, screen);
    if (visual->c_class != TrueColor && visual->c_class != DirectColor) return;
    width_ = DisplayWidth(d, screen), height_ = DisplayHeight(d, screen);
    const int depth = DefaultDepth(d, screen);
    if (!AttachShared(visual, depth, trap)) {
      image_ = XCreateImage(d, visual, depth, ZPixmap, 0, nullptr, width_, height_, 32, 0);
      if (image_ == nullptr) return;
      // Fresh pages come zeroed: black costs nothing.
      image_->data = static_cast<char*>(std::calloc(static_cast<size_t>(image_->bytes_per_line), height_));
      if (image_->data == nullptr) {
        XDestroyImage(image_);
        image_ = nullptr;
        return;
      }
    }
    r_ = FromMask(visual->red_mask), g_ = FromMask(visual->green_mask), b_ = FromMask(visual->blue_mask);
    // The usual 24-bit screen is the picture's own layout; others go pixel by pixel.
    sameLayout_ = image_->bits_per_pixel == 32 && image_->byte_order == LSBFirst &&
                  std::endian::native == std::endian::little && r_.bits == 8 && g_.bits == 8 &&
                  b_.bits == 8 && r_.shift == 16 && g_.shift == 8 && b_.shift == 0;
  }
  ~ScreenImage() {
    if (image_ == nullptr) return;
    if (shared_) {
      XShmDetach(display_, &shm_);
      XSync(display_, False);
      image_->data = nullptr;
      sys::ops().shmdt(shm_.shmaddr);
    }
    XDestroyImage(image_);
  }
  ScreenImage(const ScreenImage&) = delete;
  ScreenImage& operator=(const ScreenImage&) = delete;

  // Into the drawable, whole; through shared memory where the server
  // shares it (a local server), which spares sending it down the socket.
  void Upload(Drawable to) {
    GC gc = XCreateGC(display_, to, 0, nullptr);
    if (shared_) {
      XShmPutImage(display_, to, gc, image_, 0, 0, 0, 0, width_, height_, False);
    } else {
      XPutImage(display_, to, gc, image_, 0, 0, 0, 0, width_, height_);
    }
    XFreeGC(display_, gc);
  }

  XImage* get() const { return image_; }

  // count pixels of the picture's row sy from column sx, onto row y from
  // column x: straight into place when the layouts agree.
  void Put(const Image& picture, int sx, int sy, int x, int y, int count) {
    if (sameLayout_) {
      auto* out = reinterpret_cast<std::uint32_t*>(image_->data + static_cast<size_t>(y) * image_->bytes_per_line);
      picture.CopyRow(sy, sx, count, out + x);
      return;
    }
    row_.resize(static_cast<size_t>(count));
    picture.CopyRow(sy, sx, count, row_.data());
    for (int i = 0; i < count; ++i) {
      const std::uint32_t p = row_[static_cast<size_t>(i)];
      XPutPixel(image_, x + i, y, Scale(p >> 16 & 0xff, r_) | Scale(p >> 8 & 0xff, g_) | Scale(p & 0xff, b_));
    }
  }

  // Centred on each monitor at ((W-w)/2, (H-h)/2) of its own, with C's
  // truncation, and cut at its edges; what no picture covers stays black.
  void Centre(const Image& picture, const std::vector<Rect>& monitors) {
    const int w = picture.width(), h = picture.height();
    for (const Rect& m : monitors) {
      const int left = m.x + (m.width - w) / 2;
      const int top = m.y + (m.height - h) / 2;
      const int x0 = std::max(left, m.x), x1 = std::min(left + w, m.x + m.width);
      const int y0 = std::max(top, m.y), y1 = std::min(top + h, m.y + m.height);
      for (int y = y0; y < y1 && x0 < x1; ++y) Put(picture, x0 - left, y - top, x0, y, x1 - x0);
    }
  }

  // One grid of tiles from the screen's origin, the same on every monitor.
  void Tile(const Image& picture) {
    const int w = picture.width(), h = picture.height();
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; x += w) Put(picture, 0, y % h, x, y, std::min(w, width_ - x));
    }
  }

 private:
  // A segment of our own, attached by the server; false (nothing held)
  // where it cannot be, as on a remote display.
  bool AttachShared(Visual* visual, int depth, ErrorTrap& trap) {
    int major, minor;
    Bool pixmaps;
    if (!XShmQueryVersion(display_, &major, &minor, &pixmaps)) return false;
    XImage* image = XShmCreateImage(display_, visual, depth, ZPixmap, nullptr, &shm_, width_, height_);
    if (image == nullptr) return false;
    const auto& ops = sys::ops();
    shm_.shmid = ops.shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * height_, IPC_CREAT | 0600);
    void* at = shm_.shmid < 0 ? reinterpret_cast<void*>(-1) : ops.shmat(shm_.shmid, nullptr, 0);
    bool attached = false;
    if (at != reinterpret_cast<void*>(-1)) {
      shm_.shmaddr = image->data = static_cast<char*>(at);
      shm_.readOnly = True;
      const int before = trap.Count();
      attached = XShmAttach(display_, &shm_) && trap.CleanSince(before);
    }
    // Marked for removal at once: it goes when both sides have let it go,
    // however this process ends.
    if (shm_.shmid >= 0) ops.shmctl(shm_.shmid, IPC_RMID, nullptr);
    if (!attached) {
      if (at != reinterpret_cast<void*>(-1)) ops.shmdt(at);
      image->data = nullptr;
      XDestroyImage(image);
      return false;
    }
    image_ = image;
    shared_ = true;
    return true;
  }

  Display* display_;
  XImage* image_ = nullptr;
  XShmSegmentInfo shm_{};
  bool shared_ = false;
  int width_ = 0, height_ = 0;
  Channel r_, g_, b_;
  bool sameLayout_ = false;
  std::vector<std::uint32_t> row_;
};

// Rows worth reading back: the screen's edges and middle, and on each
// monitor its edges, its middle and where a centred picture starts and
// ends. A picture misplaced, cut or missing on any monitor shows there.
std::vector<int> RowsToCheck(const std::vector<Rect>& monitors, const Image& picture, int height) {
  std::vector<int> rows = {0, height / 2, height - 1};
  for (const Rect& m : monitors) {
    const int top = m.y + (m.height - picture.height()) / 2;
    for (int y : {m.y, m.y + m.height / 2, m.y + m.height - 1, top, top + picture.height() - 1}) {
      if (y >= m.y && y < m.y + m.height) rows.push_back(y);
    }
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

// The server's copy of those rows, read back in one request (gathered on
// the server first), against what was sent (colour bits only).
bool SameOnServer(Display* d, Pixmap pixmap, XImage* sent, int width, const std::vector<int>& rows) {
  const int count = static_cast<int>(rows.size());
  const Pixmap gathered = XCreatePixmap(d, pixmap, width, count, sent->depth);
  GC gc = XCreateGC(d, gathered, 0, nullptr);
  for (int i = 0; i < count; ++i) XCopyArea(d, pixmap, gathered, gc, 0, rows[i], width, 1, 0, i);
  XFreeGC(d, gc);
  XImage* back = XGetImage(d, gathered, 0, 0, width, count, AllPlanes, ZPixmap);
  XFreePixmap(d, gathered);
  if (back == nullptr) return false;
  const unsigned long mask = sent->red_mask | sent->green_mask | sent->blue_mask;
  bool same = true;
  for (int i = 0; i < count && same; ++i) {
    const int y = rows[i];
    if (back->bits_per_pixel == 32 && sent->bits_per_pixel == 32 && back->byte_order == sent->byte_order) {
      auto* a = reinterpret_cast<const std::uint32_t*>(sent->data + static_cast<size_t>(y) * sent->bytes_per_line);
      auto* b = reinterpret_cast<const std::uint32_t*>(back->data + static_cast<size_t>(i) * back->bytes_per_line);
      std::uint32_t diff = 0;
      for (int x = 0; x < width; ++x) diff |= a[x] ^ b[x];
      same = (diff & mask) == 0;
    } else {
      for (int x = 0; x < width && same; ++x) same = ((XGetPixel(sent, x, y) ^ XGetPixel(back, x, i)) & mask) == 0;
    }
  }
  XDestroyImage(back);
  return same;
}

}  // namespace

bool CanOpenXDisplay() {
  Display* d = XOpenDisplay(nullptr);
  if (d) XCloseDisplay(d);
  return d != nullptr;
}

bool ShowOnRootWindow(const Image& picture, bool tiled) {
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
    std::optional<ScreenImage> composed;
    std::vector<Rect> monitors;
    // Both names in one round trip.
    const char* names[] = {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"};
    Atom atoms[2];
    XInternAtoms(d, const_cast<char**>(names), 2, False, atoms);
    const Atom rootId = atoms[0], esetrootId = atoms[1];
    if (!DesktopWindowOverRoot(d, root)) {
      monitors = Monitors(d, root, width, height);
      composed.emplace(d, screen, trap);
      if (composed->get() && tiled) composed->Tile(picture);
      if (composed->get() && !tiled) composed->Centre(picture, monitors);
    }
    XImage* image = composed ? composed->get() : nullptr;
    if (image != nullptr) {
      const Pixmap pixmap = XCreatePixmap(d, root, width, height, DefaultDepth(d, screen));
      composed->Upload(pixmap);
      if (trap.Clean() && SameOnServer(d, pixmap, image, width, RowsToCheck(monitors, picture, height))) {
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
    }
    XSync(d, False);
  }
  XCloseDisplay(d);
  return shown;
}

}  // namespace vok::desktop

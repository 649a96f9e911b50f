// The desktop's side of setting a wallpaper: decoding, choosing the running
// desktop, and one backend per kind of desktop.
#pragma once
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vok::desktop {

struct PixbufUnref {
  void operator()(GdkPixbuf* p) const { g_object_unref(p); }
};
using Pixbuf = std::unique_ptr<GdkPixbuf, PixbufUnref>;

struct FreeDelete {
  void operator()(unsigned char* p) const;
};
// A buffer for a whole file: not cleared first, and a large one on huge
// pages where the system gives them (a few faults instead of thousands).
using Buffer = std::unique_ptr<unsigned char[], FreeDelete>;
Buffer AllocateBuffer(size_t size);

// A decoded picture, opaque, handed out row by row as 0x00RRGGBB words:
// the usual 24-bit X screen's own layout. A plain 24 or 32-bit BMP keeps its
// file and is converted as the rows are asked for, straight into the
// caller's buffer; other kinds are decoded whole first.
class Image {
 public:
  Image() = default;
  Image(int width, int height, std::unique_ptr<std::uint32_t[]> words);
  Image(int width, int height, Buffer file, size_t offset, size_t stride,
        int bitsPerPixel, bool topDown);

  int width() const { return width_; }
  int height() const { return height_; }
  explicit operator bool() const { return width_ > 0 && height_ > 0; }
  // count pixels of row y (from the top), from column x on.
  void CopyRow(int y, int x, int count, std::uint32_t* out) const;

 private:
  int width_ = 0, height_ = 0;
  std::unique_ptr<std::uint32_t[]> words_;
  Buffer file_;
  size_t offset_ = 0, stride_ = 0;
  int bitsPerPixel_ = 0;
  bool topDown_ = false;
};

// The BMP at a native path, decoded (any BMP variant, nothing else); empty
// when there is no such file or it is not a readable BMP.
Image DecodeBmp(const std::string& nativePath);
// The same for a BMP already in memory.
Image DecodeBmpBytes(const std::vector<unsigned char>& bytes);

enum class Desktop { Unknown, RootWindow, Gnome, Cinnamon, Mate, Xfce, Kde, Lxqt, Lxde, Sway };

struct Environment {
  const char* currentDesktop = nullptr;  // XDG_CURRENT_DESKTOP
  const char* session = nullptr;         // DESKTOP_SESSION
  const char* display = nullptr;         // DISPLAY
  const char* waylandDisplay = nullptr;  // WAYLAND_DISPLAY
  const char* sessionType = nullptr;     // XDG_SESSION_TYPE
  const char* swaySocket = nullptr;      // SWAYSOCK
};
Environment CurrentEnvironment();
Desktop ChooseDesktop(const Environment& env);

// Shows the decoded picture on the running desktop. True when it took it.
bool ShowOnDesktop(const Image& picture, bool tiled);

// Root window of the X display named by DISPLAY, centred on each monitor
// that RandR reports, or tiled from the screen's origin. Refuses when a
// desktop window covers the root, where the root's pixmap would never be seen.
bool ShowOnRootWindow(const Image& picture, bool tiled);

// What a refusal is put down to (diagnose.cpp): the X display can be opened;
// the GSettings schema a desktop is set through (null when it uses none), and
// whether it is installed.
bool CanOpenXDisplay();
const char* GSettingsSchemaFor(Desktop desktop);
bool HasGSettingsSchema(const char* id);

// Desktops that read the file again later get a PNG copy of their own.
bool ShowWithGSettings(Desktop desktop, const std::string& pngPath, bool tiled);
bool ShowWithXfconf(const std::string& pngPath, bool tiled);
bool ShowWithCommand(Desktop desktop, const std::string& pngPath, bool tiled);

// $XDG_DATA_HOME/vok32 (~/.local/share/vok32).
std::string CopyDirectory();
// The name that marks a desktop's copies; empty for the root window.
const char* CopyTag(Desktop desktop);
// Writes a PNG copy for the desktop under a fresh name there (whole or not
// at all).
std::optional<std::string> WriteCopy(const Image& picture, Desktop desktop);
// Removes the desktop's earlier copies but `keep`. Another desktop's
// settings may still name its own copy: those stay.
void RemoveOtherCopies(Desktop desktop, const std::string& keep);
void RemoveCopy(const std::string& path);

// Runs argv[0] from PATH with the arguments as given (no shell). Returns the
// exit status, or -1 when it could not run or did not end in time. Standard
// output goes to *out when given; standard error goes nowhere.
int RunCommand(const std::vector<std::string>& argv, std::string* out = nullptr);

}  // namespace vok::desktop

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "desktop/backend.h"
#include "platform/file.h"
#include "platform/sys.h"

namespace vok::desktop {
namespace {

constexpr std::string_view kPrefix = "wallpaper-";
constexpr std::string_view kSuffix = ".png";

bool MakeDirectories(const std::string& path) {
  const auto& ops = sys::ops();
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i != path.size() && path[i] != '/') continue;
    std::string part = path.substr(0, i);
    if (ops.mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return ops.stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// wallpaper-TAG-....png: one desktop's copies. Copies named before they
// carried a tag belong to no desktop we can tell, and stay.
bool IsCopyOf(std::string_view name, std::string_view tag) {
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return false;
  name.remove_prefix(kPrefix.size());
  return name.size() > tag.size() + 1 + kSuffix.size() && name.starts_with(tag) && name[tag.size()] == '-';
}

// gdk-pixbuf's RGB rows, for its PNG writer.
Pixbuf ToPixbuf(const Image& picture) {
  const int w = picture.width(), h = picture.height();
  Pixbuf out(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h));
  if (!out) return nullptr;
  const int stride = gdk_pixbuf_get_rowstride(out.get());
  guchar* pixels = gdk_pixbuf_get_pixels(out.get());
  std::vector<std::uint32_t> row(static_cast<size_t>(w));
  for (int y = 0; y < h; ++y) {
    picture.CopyRow(y, 0, w, row.data());
    guchar* d = pixels + static_cast<size_t>(y) * stride;
    for (std::uint32_t p : row) {
      *d++ = static_cast<guchar>(p >> 16), *d++ = static_cast<guchar>(p >> 8), *d++ = static_cast<guchar>(p);
    }
  }
  return out;
}

}  // namespace

std::string CopyDirectory() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/vok32";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return "";
  return std::string(home) + "/.local/share/vok32";
}

const char* CopyTag(Desktop desktop) {
  switch (desktop) {
    case Desktop::Gnome: return "gnome";
    case Desktop::Cinnamon: return "cinnamon";
    case Desktop::Mate: return "mate";
    case Desktop::Xfce: return "xfce";
    case Desktop::Kde: return "kde";
    case Desktop::Lxqt: return "lxqt";
    case Desktop::Lxde: return "lxde";
    case Desktop::Sway: return "sway";
    case Desktop::Unknown:
    case Desktop::RootWindow: break;
  }
  return "";
}

std::optional<std::string> WriteCopy(const Image& picture, Desktop desktop) {
  const std::string tag = CopyTag(desktop);
  const std::string dir = CopyDirectory();
  if (tag.empty() || dir.empty() || !MakeDirectories(dir)) return std::nullopt;

  Pixbuf pixbuf = ToPixbuf(picture);
  if (!pixbuf) return std::nullopt;
  gchar* png = nullptr;
  gsize size = 0;
  GError* error = nullptr;
  if (!gdk_pixbuf_save_to_buffer(pixbuf.get(), &png, &size, "png", &error, nullptr)) {
    g_clear_error(&error);
    return std::nullopt;
  }

  const auto& ops = sys::ops();
  static unsigned counter = 0;
  const auto stamp = std::chrono::system_clock::now().time_since_epoch().count();
  const std::string base = std::to_string(stamp) + "-" + std::to_string(getpid()) + "-" +
                           std::to_string(++counter);
  const std::string temp = dir + "/.wallpaper-" + base + ".tmp";
  const std::string final = dir + "/" + std::string(kPrefix) + tag + "-" + base + std::string(kSuffix);

  bool ok = false;
  int fd = ops.open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd >= 0) {
    ok = file::WriteAll(fd, std::string_view(png, size)) && ops.fsync(fd) == 0;
    ok = ops.close(fd) == 0 && ok;
    // A fresh name each time: desktops do not reload a name they already show.
    ok = ok && ops.renameNoReplace(temp.c_str(), final.c_str()) == 0;
    if (!ok) ops.unlink(temp.c_str());
  }
  g_free(png);
  if (!ok) return std::nullopt;
  return final;
}

void RemoveOtherCopies(Desktop desktop, const std::string& keep) {
  const auto& ops = sys::ops();
  const std::string tag = CopyTag(desktop);
  const std::string dir = CopyDirectory();
  if (tag.empty() || dir.empty()) return;
  DIR* d = ops.opendir(dir.c_str());
  if (d == nullptr) return;
  std::vector<std::string> old;
  while (struct dirent* e = ops.readdir(d)) {
    std::string path = dir + "/" + e->d_name;
    if (IsCopyOf(e->d_name, tag) && path != keep) old.push_back(std::move(path));
  }
  ops.closedir(d);
  for (const std::string& path : old) ops.unlink(path.c_str());
}

void RemoveCopy(const std::string& path) { sys::ops().unlink(path.c_str()); }

}  // namespace vok::desktop

#include <fcntl.h>

#include <cerrno>

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/backend.h"
#include "platform/sys.h"

namespace vok::desktop {
namespace {

bool ReadWhole(const std::string& path, std::vector<guchar>* bytes) {
  const auto& ops = sys::ops();
  struct stat st;
  if (ops.stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  int fd = ops.open(path.c_str(), O_RDONLY, 0);
  if (fd < 0) return false;
  // Sized once from the file; a file that grows meanwhile is read to its end.
  bytes->resize(static_cast<size_t>(st.st_size) + 1);
  size_t have = 0;
  bool ok = true;
  for (;;) {
    if (have == bytes->size()) bytes->resize(bytes->size() * 2);
    ssize_t n = ops.read(fd, bytes->data() + have, bytes->size() - have);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    have += static_cast<size_t>(n);
  }
  ops.close(fd);
  bytes->resize(have);
  return ok;
}

std::uint32_t Le(const std::vector<guchar>& b, size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 27;

// Run-length pixels: the runs must reach the end-of-bitmap mark, or the last
// row, inside the file.
bool RunsComplete(const std::vector<guchar>& b, std::uint64_t at, std::uint64_t height, bool nibbles) {
  std::uint64_t row = 0;
  while (at + 2 <= b.size()) {
    const unsigned count = b[at], code = b[at + 1];
    at += 2;
    if (count > 0) continue;
    if (code == 0) {
      if (++row >= height) return true;
    } else if (code == 1) {
      return true;
    } else if (code == 2) {
      if (at + 2 > b.size()) return false;
      row += b[at + 1];
      at += 2;
      if (row >= height) return true;
    } else {
      std::uint64_t bytes = nibbles ? (code + 1) / 2 : code;
      at += (bytes + 1) / 2 * 2;
    }
  }
  return false;
}

// The loader shows a file cut short as a picture with black rows; a wallpaper
// must be whole. Uncompressed pixels must all be there.
bool PixelsComplete(const std::vector<guchar>& b) {
  if (b.size() < 26) return false;
  const std::uint64_t offset = Le(b, 10, 4);
  const std::uint32_t headerSize = Le(b, 14, 4);
  std::uint64_t width, height, bpp, compression = 0;
  if (headerSize == 12) {
    width = Le(b, 18, 2), height = Le(b, 20, 2), bpp = Le(b, 24, 2);
  } else {
    if (b.size() < 34) return false;
    const auto w = static_cast<std::int32_t>(Le(b, 18, 4));
    const auto h = static_cast<std::int32_t>(Le(b, 22, 4));
    width = w < 0 ? 0 : static_cast<std::uint64_t>(w);
    height = h < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(h)) : static_cast<std::uint64_t>(h);
    bpp = Le(b, 28, 2), compression = Le(b, 30, 4);
  }
  // Beyond any screen, and more memory than a wallpaper deserves: a run-length
  // file of a few bytes could otherwise ask for gigabytes.
  if (width == 0 || height == 0 || width * height > kMaxPixels) return false;
  if (compression == 1 || compression == 2) return RunsComplete(b, offset, height, compression == 2);
  if (compression != 0 && compression != 3 && compression != 6) return true;
  const std::uint64_t stride = (width * bpp + 31) / 32 * 4;
  return offset + stride * height <= b.size();
}

Pixbuf DropAlpha(GdkPixbuf* in) {
  const int w = gdk_pixbuf_get_width(in), h = gdk_pixbuf_get_height(in);
  Pixbuf out(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h));
  if (!out) return nullptr;
  const int inStride = gdk_pixbuf_get_rowstride(in), outStride = gdk_pixbuf_get_rowstride(out.get());
  const int channels = gdk_pixbuf_get_n_channels(in);
  const guchar* src = gdk_pixbuf_read_pixels(in);
  guchar* dst = gdk_pixbuf_get_pixels(out.get());
  for (int y = 0; y < h; ++y) {
    const guchar* s = src + static_cast<size_t>(y) * inStride;
    guchar* d = dst + static_cast<size_t>(y) * outStride;
    for (int x = 0; x < w; ++x, s += channels, d += 3) d[0] = s[0], d[1] = s[1], d[2] = s[2];
  }
  return out;
}

}  // namespace

Pixbuf DecodeBmp(const std::string& nativePath) {
  std::vector<guchar> bytes;
  if (!ReadWhole(nativePath, &bytes) || bytes.size() < 2 || bytes[0] != 'B' ||
      !PixelsComplete(bytes)) {
    return nullptr;
  }

  // The BMP loader only: a PNG or JPEG named .bmp is not a bitmap here.
  GError* error = nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", &error);
  if (!loader) {
    g_clear_error(&error);
    return nullptr;
  }
  bool ok = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), &error);
  // Closing reports a file cut short; the loader must be closed either way.
  ok = gdk_pixbuf_loader_close(loader, ok ? &error : nullptr) && ok;
  g_clear_error(&error);
  Pixbuf picture;
  GdkPixbuf* decoded = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (decoded && gdk_pixbuf_get_width(decoded) > 0 && gdk_pixbuf_get_height(decoded) > 0 &&
      gdk_pixbuf_get_colorspace(decoded) == GDK_COLORSPACE_RGB &&
      gdk_pixbuf_get_bits_per_sample(decoded) == 8) {
    picture.reset(GDK_PIXBUF(g_object_ref(decoded)));
  }
  // A BMP has no transparency (the loader may read a 32-bit pixel's spare
  // byte as alpha); desktops and our copies get opaque RGB.
  if (picture && gdk_pixbuf_get_has_alpha(picture.get())) picture = DropAlpha(picture.get());
  g_object_unref(loader);
  return picture;
}

}  // namespace vok::desktop

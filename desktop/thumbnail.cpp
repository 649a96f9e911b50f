#include "desktop/thumbnail.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "desktop/backend.h"
#include "platform/sys.h"

namespace vok::desktop {
namespace {

// The decoded picture as RGB for gdk-pixbuf's scaler.
Pixbuf ToPixbuf(const Image& image) {
  if (!image) return nullptr;
  const int w = image.width(), h = image.height();
  Pixbuf out(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h));
  if (!out) return nullptr;
  const int stride = gdk_pixbuf_get_rowstride(out.get());
  guchar* dst = gdk_pixbuf_get_pixels(out.get());
  std::vector<std::uint32_t> row(static_cast<std::size_t>(w));
  for (int y = 0; y < h; ++y) {
    image.CopyRow(y, 0, w, row.data());
    guchar* d = dst + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < w; ++x, d += 3) {
      d[0] = static_cast<guchar>(row[x] >> 16), d[1] = static_cast<guchar>(row[x] >> 8),
      d[2] = static_cast<guchar>(row[x]);
    }
  }
  return out;
}

ThumbnailPtr Scaled(GdkPixbuf* picture, int maxWidth, int maxHeight) {
  const int w = gdk_pixbuf_get_width(picture), h = gdk_pixbuf_get_height(picture);
  // Fit the box: the side that reaches it first decides.
  int tw = maxWidth, th = static_cast<int>(static_cast<long long>(h) * maxWidth / w);
  if (th > maxHeight) {
    th = maxHeight;
    tw = static_cast<int>(static_cast<long long>(w) * maxHeight / h);
  }
  tw = std::max(1, tw), th = std::max(1, th);
  // Enlarged pixels stay sharp squares; reduced ones are averaged.
  const GdkInterpType interp = tw > w ? GDK_INTERP_NEAREST : GDK_INTERP_BILINEAR;
  Pixbuf small(gdk_pixbuf_scale_simple(picture, tw, th, interp));
  if (!small || gdk_pixbuf_get_n_channels(small.get()) != 3) return nullptr;
  auto t = std::make_shared<Thumbnail>();
  t->width = tw, t->height = th;
  t->sourceWidth = w, t->sourceHeight = h;
  t->rgb.resize(static_cast<std::size_t>(tw) * th * 3);
  const int stride = gdk_pixbuf_get_rowstride(small.get());
  const guchar* src = gdk_pixbuf_read_pixels(small.get());
  for (int y = 0; y < th; ++y) {
    std::memcpy(t->rgb.data() + static_cast<std::size_t>(y) * tw * 3, src + static_cast<std::size_t>(y) * stride,
                static_cast<std::size_t>(tw) * 3);
  }
  return t;
}

}  // namespace

bool MayBeBmp(const unsigned char* p, std::size_t n) {
  return (n < 1 || p[0] == 'B') && (n < 2 || p[1] == 'M');
}

ThumbnailPtr BmpThumbnail(const std::vector<unsigned char>& bytes, int maxWidth, int maxHeight) {
  if (bytes.size() < 2 || !MayBeBmp(bytes.data(), bytes.size())) return nullptr;
  Pixbuf picture = ToPixbuf(DecodeBmpBytes(bytes));
  return picture ? Scaled(picture.get(), maxWidth, maxHeight) : nullptr;
}

ThumbnailPtr BmpFileThumbnail(const std::string& nativePath, std::uint64_t maxBytes, int maxWidth,
                              int maxHeight) {
  struct stat st;
  if (sys::ops().stat(nativePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    return nullptr;
  }
  Pixbuf picture = ToPixbuf(DecodeBmp(nativePath));
  return picture ? Scaled(picture.get(), maxWidth, maxHeight) : nullptr;
}

}  // namespace vok::desktop

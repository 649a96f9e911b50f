#include <endian.h>
#include <fcntl.h>
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "desktop/backend.h"
#include "platform/file.h"
#include "platform/sys.h"

namespace vok::desktop {
namespace {

std::uint32_t Le(const guchar* b, size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

// Beyond any screen, and more memory than a wallpaper deserves: a run-length
// file of a few bytes could otherwise ask for gigabytes.
constexpr std::uint64_t kMaxSide = 16384;
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 26;
// What a file may hold beyond the most its picture can need: a writer's
// padding or trailer. Anything longer is not that picture.
constexpr std::uint64_t kSlack = 64 * 1024;
// File header, the longest info header, bit masks and a 256-colour palette.
constexpr std::uint64_t kMaxHeaders = 14 + 124 + 16 + 256 * 4;
constexpr std::uint64_t kMaxProfile = 4u << 20;

struct Header {
  std::uint64_t offset = 0;  // of the pixels
  std::uint64_t width = 0, height = 0, bpp = 0, compression = 0;
  std::uint64_t needed = 0;  // the most bytes the whole file can take
};

// The picture the headers describe, checked against the limits before a byte
// of pixels is read; nullopt for anything that is no bitmap we decode.
std::optional<Header> ReadHeader(const guchar* b, size_t n) {
  if (n < 26 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  Header h;
  h.offset = Le(b, 10, 4);
  const std::uint32_t headerSize = Le(b, 14, 4);
  std::uint64_t profileEnd = 0;
  if (headerSize == 12) {
    h.width = Le(b, 18, 2), h.height = Le(b, 20, 2), h.bpp = Le(b, 24, 2);
  } else {
    // The loader allocates the header as long as it says it is.
    if (n < 34 || headerSize < 40 || headerSize > 124) return std::nullopt;
    const auto w = static_cast<std::int32_t>(Le(b, 18, 4));
    const auto ht = static_cast<std::int32_t>(Le(b, 22, 4));
    h.width = w < 0 ? 0 : static_cast<std::uint64_t>(w);
    h.height = ht < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(ht))
                      : static_cast<std::uint64_t>(ht);
    h.bpp = Le(b, 28, 2), h.compression = Le(b, 30, 4);
    // More colours than the depth can index, or than a palette holds: the
    // loader would size its palette from this count and ask for gigabytes.
    if (n >= 50) {
      const std::uint64_t colours = Le(b, 46, 4);
      if (colours > 256 || (h.bpp < 8 && colours > (std::uint64_t{1} << h.bpp))) return std::nullopt;
    }
    // A version 5 header may point past the pixels at an embedded colour profile.
    if (headerSize >= 124 && n >= 14 + 124 && Le(b, 14 + 56, 4) == 0x4D424544) {
      const std::uint64_t size = Le(b, 14 + 116, 4);
      if (size > kMaxProfile) return std::nullopt;
      profileEnd = 14 + std::uint64_t{Le(b, 14 + 112, 4)} + size;
    }
  }
  if (h.width == 0 || h.height == 0 || h.width > kMaxSide || h.height > kMaxSide ||
      h.width * h.height > kMaxPixels || h.offset > kMaxHeaders + kMaxProfile || h.bpp == 0 ||
      h.bpp > 32)
    return std::nullopt;
  std::uint64_t pixels;
  if (h.compression == 1 || h.compression == 2) {
    // Runs of one pixel are the longest honest coding: two bytes a pixel,
    // an end-of-line mark a row and the end mark.
    pixels = (2 * h.width + 2) * h.height + 2;
  } else if (h.compression == 0 || h.compression == 3 || h.compression == 6) {
    pixels = (h.width * h.bpp + 31) / 32 * 4 * h.height;
  } else {
    return std::nullopt;  // JPEG or PNG inside: not a bitmap the loader reads
  }
  h.needed = std::max(h.offset + pixels, profileEnd);
  return h;
}

// Reads want bytes on from where the file is; fewer only at its end.
bool ReadUpTo(int fd, std::vector<guchar>* bytes, size_t want) {
  bytes->resize(want);
  const long have = file::ReadFull(fd, bytes->data(), want);
  if (have < 0) return false;
  bytes->resize(static_cast<size_t>(have));
  return true;
}

constexpr size_t kHugePage = size_t{2} << 20;

// A file's bytes, in a buffer not cleared first.
struct Bytes {
  Buffer data;
  size_t n = 0;
  guchar operator[](size_t i) const { return data[i]; }
  size_t size() const { return n; }
};

// The file, read only as far as its headers' picture can reach; nullopt when
// it is no bitmap within the limits, or longer than that picture can need.
std::optional<Bytes> ReadBitmapFile(const std::string& path) {
  const auto& ops = sys::ops();
  struct stat st;
  if (ops.stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  file::Fd fd(ops.open(path.c_str(), O_RDONLY, 0));
  if (!fd) return std::nullopt;
  std::optional<Bytes> out;
  std::vector<guchar> bytes;
  if (ReadUpTo(fd.get(), &bytes, 14 + 124)) {
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (auto h = ReadHeader(bytes.data(), bytes.size()); h && size <= h->needed + kSlack) {
      const size_t have = bytes.size();
      // A file that grows meanwhile is read no further than the picture needs.
      const auto want = std::max(static_cast<size_t>(std::min(size, h->needed)), size_t{1});
      Bytes b{AllocateBuffer(want), 0};
      if (!b.data) return std::nullopt;
      b.n = std::min(have, want);
      std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(b.n), b.data.get());
      const long got = want > have ? file::ReadFull(fd.get(), b.data.get() + have, want - have) : 0;
      if (got >= 0) {
        b.n += static_cast<size_t>(got);
        out = std::move(b);
      }
    }
  }
  return out;
}

// Run-length pixels: the runs must reach the end-of-bitmap mark, or the last
// row, inside the file.
bool RunsComplete(const Bytes& b, std::uint64_t at, std::uint64_t height, bool nibbles) {
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
bool PixelsComplete(const Bytes& b, const Header& h) {
  if (h.compression == 1 || h.compression == 2)
    return RunsComplete(b, h.offset, h.height, h.compression == 2);
  const std::uint64_t stride = (h.width * h.bpp + 31) / 32 * 4;
  return h.offset + stride * h.height <= b.size();
}

// Uncompressed 24 and 32-bit pixels (the usual photo wallpaper) stay in the
// file and are converted when a row is asked for; empty for every other
// kind. Their pixels are known to be all there.
Image Plain(Bytes& b, const Header& h) {
  if (b.size() < 54 || Le(b.data.get(), 14, 4) < 40 || Le(b.data.get(), 26, 2) != 1 || h.compression != 0) return {};
  if (h.bpp != 24 && h.bpp != 32) return {};
  const bool topDown = static_cast<std::int32_t>(Le(b.data.get(), 22, 4)) < 0;
  const size_t stride = static_cast<size_t>((h.width * h.bpp + 31) / 32 * 4);
  return Image(static_cast<int>(h.width), static_cast<int>(h.height), std::move(b.data), h.offset, stride,
               static_cast<int>(h.bpp), topDown);
}

// Any other kind, through gdk-pixbuf's BMP loader only: a PNG or JPEG named
// .bmp is not a bitmap here.
Image DecodeWithLoader(const Bytes& bytes) {
  GError* error = nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", &error);
  if (!loader) {
    g_clear_error(&error);
    return {};
  }
  bool ok = gdk_pixbuf_loader_write(loader, bytes.data.get(), bytes.size(), &error);
  // Closing reports a file cut short; the loader must be closed either way.
  ok = gdk_pixbuf_loader_close(loader, ok ? &error : nullptr) && ok;
  g_clear_error(&error);
  int width = 0, height = 0;
  std::unique_ptr<std::uint32_t[]> words;
  GdkPixbuf* decoded = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (decoded && gdk_pixbuf_get_width(decoded) > 0 && gdk_pixbuf_get_height(decoded) > 0 &&
      gdk_pixbuf_get_colorspace(decoded) == GDK_COLORSPACE_RGB &&
      gdk_pixbuf_get_bits_per_sample(decoded) == 8 && gdk_pixbuf_get_n_channels(decoded) >= 3) {
    width = gdk_pixbuf_get_width(decoded);
    height = gdk_pixbuf_get_height(decoded);
    words.reset(new std::uint32_t[static_cast<size_t>(width) * height]);
    const int stride = gdk_pixbuf_get_rowstride(decoded);
    const int channels = gdk_pixbuf_get_n_channels(decoded);
    const guchar* src = gdk_pixbuf_read_pixels(decoded);
    // A BMP has no transparency (the loader may read a 32-bit pixel's spare
    // byte as alpha): only the colour is kept.
    for (int y = 0; y < height; ++y) {
      const guchar* s = src + static_cast<size_t>(y) * stride;
      std::uint32_t* d = words.get() + static_cast<size_t>(y) * width;
      for (int x = 0; x < width; ++x, s += channels) d[x] = std::uint32_t{s[0]} << 16 | std::uint32_t{s[1]} << 8 | s[2];
    }
  }
  g_object_unref(loader);
  return words ? Image(width, height, std::move(words)) : Image();
}

Image Decode(const std::string& nativePath);
Image DecodeBytes(const std::vector<guchar>& bytes);

}  // namespace

void FreeDelete::operator()(unsigned char* p) const { std::free(p); }

Buffer AllocateBuffer(size_t size) {
  if (size < kHugePage) return Buffer(static_cast<unsigned char*>(std::malloc(size)));
  const size_t whole = (size + kHugePage - 1) / kHugePage * kHugePage;
  Buffer b(static_cast<unsigned char*>(std::aligned_alloc(kHugePage, whole)));
  if (b) sys::ops().madvise(b.get(), whole, MADV_HUGEPAGE);
  return b;
}

Image::Image(int width, int height, std::unique_ptr<std::uint32_t[]> words)
    : width_(width), height_(height), words_(std::move(words)) {}

Image::Image(int width, int height, Buffer file, size_t offset, size_t stride, int bitsPerPixel, bool topDown)
    : width_(width), height_(height), file_(std::move(file)), offset_(offset), stride_(stride),
      bitsPerPixel_(bitsPerPixel), topDown_(topDown) {}

void Image::CopyRow(int y, int x, int count, std::uint32_t* out) const {
  if (words_) {
    std::memcpy(out, words_.get() + static_cast<size_t>(y) * width_ + x, static_cast<size_t>(count) * 4);
    return;
  }
  // Bottom-up unless the height was negative.
  const size_t row = static_cast<size_t>(topDown_ ? y : height_ - 1 - y);
  const guchar* s = file_.get() + offset_ + stride_ * row;
  if (bitsPerPixel_ == 32) {
    // Blue, green, red and a spare byte: the word as it is, spare cleared.
    std::memcpy(out, s + static_cast<size_t>(x) * 4, static_cast<size_t>(count) * 4);
    for (int i = 0; i < count; ++i) out[i] = le32toh(out[i]) & 0xffffff;
    return;
  }
  s += static_cast<size_t>(x) * 3;
  for (int i = 0; i < count; ++i, s += 3) out[i] = std::uint32_t{s[2]} << 16 | std::uint32_t{s[1]} << 8 | s[0];
}

Image DecodeBmp(const std::string& nativePath) {
  // Whatever fails to allocate refuses the file; it never ends the program.
  try {
    return Decode(nativePath);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

Image DecodeBmpBytes(const std::vector<unsigned char>& bytes) {
  try {
    return DecodeBytes(bytes);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

namespace {

Image FromBytes(Bytes& read) {
  const std::optional<Header> header = ReadHeader(read.data.get(), read.size());
  if (!header || !PixelsComplete(read, *header)) return {};
  Image plain = Plain(read, *header);
  return plain ? std::move(plain) : DecodeWithLoader(read);
}

Image Decode(const std::string& nativePath) {
  std::optional<Bytes> read = ReadBitmapFile(nativePath);
  if (!read) return {};
  return FromBytes(*read);
}

Image DecodeBytes(const std::vector<guchar>& bytes) {
  Bytes b{AllocateBuffer(std::max(bytes.size(), size_t{1})), bytes.size()};
  if (!b.data) return {};
  std::copy(bytes.begin(), bytes.end(), b.data.get());
  return FromBytes(b);
}

}  // namespace
}  // namespace vok::desktop

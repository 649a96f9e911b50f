// Small BMP files of every kind a wallpaper collection holds, made in memory,
// with the picture each must decode to.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vok::testing {

enum class BmpKind { Rgb24, Rgb24TopDown, Rgb32, Rgb16, Pal8, Rle8, Pal4, Rle4, Pal1, Os2Pal8 };

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> rgb;  // 0xRRGGBB, rows from the top
  std::uint32_t at(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

namespace bmp_detail {

// Channel values 0 or 255 only, so 16-bit pixels widen to them exactly.
inline constexpr std::uint32_t kPalette[16] = {
    0x000000, 0xff0000, 0x00ff00, 0x0000ff, 0xffff00, 0xff00ff, 0x00ffff, 0xffffff,
    0xff0000, 0x00ff00, 0x0000ff, 0xffffff, 0xffff00, 0x00ffff, 0xff00ff, 0x000000};
// Distinct colours for the direct-colour kinds, so a shifted pixel shows.
inline std::uint32_t Direct(int x, int y) {
  return (static_cast<std::uint32_t>(x * 37 + 11) & 0xff) << 16 |
         (static_cast<std::uint32_t>(y * 53 + 7) & 0xff) << 8 |
         (static_cast<std::uint32_t>(x * 5 + y * 3) & 0xff);
}
inline int Index(int x, int y, int colours) { return (x * 3 + y * 5 + x / 2) % colours; }

inline void U16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xff);
  s += static_cast<char>((v >> 8) & 0xff);
}
inline void U32(std::string& s, std::uint32_t v) {
  U16(s, v & 0xffff);
  U16(s, v >> 16);
}

}  // namespace bmp_detail

// The BMP file's bytes; *expected gets the picture it holds.
inline std::string MakeBmp(BmpKind kind, int w, int h, Picture* expected) {
  using namespace bmp_detail;
  const bool os2 = kind == BmpKind::Os2Pal8;
  int bpp = 24, colours = 0;
  std::uint32_t compression = 0;
  switch (kind) {
    case BmpKind::Rgb32: bpp = 32; break;
    case BmpKind::Rgb16: bpp = 16; break;
    case BmpKind::Pal8: case BmpKind::Os2Pal8: bpp = 8; colours = 16; break;
    case BmpKind::Rle8: bpp = 8; colours = 16; compression = 1; break;
    case BmpKind::Pal4: bpp = 4; colours = 16; break;
    case BmpKind::Rle4: bpp = 4; colours = 16; compression = 2; break;
    case BmpKind::Pal1: bpp = 1; colours = 2; break;
    default: break;
  }
  expected->width = w;
  expected->height = h;
  expected->rgb.assign(static_cast<size_t>(w) * h, 0);
  auto value = [&](int x, int y) -> std::uint32_t {
    if (colours) return kPalette[Index(x, y, colours)];
    if (bpp == 16) return kPalette[Index(x, y, 16)];
    return Direct(x, y);
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) expected->rgb[static_cast<size_t>(y) * w + x] = value(x, y);

  std::string pixels;
  const bool topDown = kind == BmpKind::Rgb24TopDown;
  for (int row = 0; row < h; ++row) {
    const int y = topDown ? row : h - 1 - row;
    std::string line;
    if (compression == 1) {
      for (int x = 0; x < w; ++x) {
        int run = 1;
        while (x + run < w && run < 255 && Index(x + run, y, 16) == Index(x, y, 16)) ++run;
        line += static_cast<char>(run);
        line += static_cast<char>(Index(x, y, 16));
        x += run - 1;
      }
      pixels += line + std::string("\0\0", 2);
      continue;
    }
    if (compression == 2) {
      for (int x = 0; x < w; ++x) {
        const int i = Index(x, y, 16);
        int run = 1;
        while (x + run < w && run < 255 && Index(x + run, y, 16) == i) ++run;
        line += static_cast<char>(run);
        line += static_cast<char>(i << 4 | i);
        x += run - 1;
      }
      pixels += line + std::string("\0\0", 2);
      continue;
    }
    std::uint32_t bits = 0;
    int nbits = 0;
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = value(x, y);
      const unsigned r = c >> 16, g = (c >> 8) & 0xff, b = c & 0xff;
      if (bpp == 32) {
        line += static_cast<char>(b), line += static_cast<char>(g), line += static_cast<char>(r);
        line += '\x5a';  // unused by the format: neither alpha nor colour
      } else if (bpp == 24) {
        line += static_cast<char>(b), line += static_cast<char>(g), line += static_cast<char>(r);
      } else if (bpp == 16) {
        U16(line, (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
      } else {
        bits = bits << bpp | static_cast<std::uint32_t>(Index(x, y, colours));
        nbits += bpp;
        if (nbits == 8) line += static_cast<char>(bits), bits = 0, nbits = 0;
      }
    }
    if (nbits) line += static_cast<char>(bits << (8 - nbits));
    while (line.size() % 4) line += '\0';
    pixels += line;
  }
  if (compression) pixels += std::string("\0\1", 2);

  std::string palette;
  for (int i = 0; i < colours; ++i) {
    const std::uint32_t c = kPalette[i];
    palette += static_cast<char>(c & 0xff);
    palette += static_cast<char>((c >> 8) & 0xff);
    palette += static_cast<char>(c >> 16);
    if (!os2) palette += '\0';
  }
  // The old OS/2 header has no colour count: the table is always full.
  if (os2) palette.resize(3u << bpp, '\0');
  std::string info;
  if (os2) {
    U32(info, 12);
    U16(info, w);
    U16(info, h);
    U16(info, 1);
    U16(info, bpp);
  } else {
    U32(info, 40);
    U32(info, static_cast<std::uint32_t>(w));
    U32(info, static_cast<std::uint32_t>(topDown ? -h : h));
    U16(info, 1);
    U16(info, bpp);
    U32(info, compression);
    U32(info, static_cast<std::uint32_t>(pixels.size()));
    U32(info, 2835);
    U32(info, 2835);
    U32(info, colours);
    U32(info, 0);
  }
  const std::uint32_t offset = static_cast<std::uint32_t>(14 + info.size() + palette.size());
  std::string file = "BM";
  U32(file, offset + static_cast<std::uint32_t>(pixels.size()));
  U32(file, 0);
  U32(file, offset);
  return file + info + palette + pixels;
}

}  // namespace vok::testing

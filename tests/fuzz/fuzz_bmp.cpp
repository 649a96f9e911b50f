// The bitmap reader on arbitrary file contents: it decodes or refuses, never
// crashes, and what it decodes is within the pixel limit.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "desktop/backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = [] {
    char tmpl[] = "/tmp/vok32-fuzz-bmp-XXXXXX";
    const int fd = mkstemp(tmpl);
    if (fd < 0) std::abort();
    close(fd);
    return std::string(tmpl);
  }();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const vok::desktop::Image p = vok::desktop::DecodeBmp(path);
  if (p) {
    const long w = p.width(), h = p.height();
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || w * h > (1L << 26)) std::abort();
    // Every row reads within the picture, and every pixel is opaque RGB.
    std::vector<std::uint32_t> row(static_cast<size_t>(w));
    for (long y = 0; y < h; ++y) {
      p.CopyRow(static_cast<int>(y), 0, static_cast<int>(w), row.data());
      for (std::uint32_t px : row) {
        if (px > 0xffffff) std::abort();
      }
    }
  }
  return 0;
}

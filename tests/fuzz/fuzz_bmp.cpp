// The bitmap reader on arbitrary file contents: it decodes or refuses, never
// crashes, and what it decodes is within the pixel limit.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
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
  vok::desktop::Pixbuf p = vok::desktop::DecodeBmp(path);
  if (p) {
    const long w = gdk_pixbuf_get_width(p.get()), h = gdk_pixbuf_get_height(p.get());
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || w * h > (1L << 26)) std::abort();
    if (gdk_pixbuf_get_has_alpha(p.get()) || gdk_pixbuf_get_n_channels(p.get()) != 3) std::abort();
  }
  return 0;
}

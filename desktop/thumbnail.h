// Small pictures of bitmaps for previews: decoded in memory, scaled to fit a
// box with their proportions kept. Plain pixels, so the window needs no
// image library of its own to show them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vok::desktop {

struct Thumbnail {
  int width = 0, height = 0;       // the scaled picture
  std::vector<unsigned char> rgb;  // width * height * 3 bytes, rows packed
  int sourceWidth = 0, sourceHeight = 0;
};
using ThumbnailPtr = std::shared_ptr<const Thumbnail>;

// The BMP in bytes scaled to fit maxWidth x maxHeight; null for anything
// the wallpaper reader would refuse (not a BMP, damaged, too many pixels).
ThumbnailPtr BmpThumbnail(const std::vector<unsigned char>& bytes, int maxWidth, int maxHeight);

// The same for a BMP file of at most maxBytes bytes.
ThumbnailPtr BmpFileThumbnail(const std::string& nativePath, std::uint64_t maxBytes, int maxWidth,
                              int maxHeight);

// Whether the first bytes of a file can still be a BMP.
bool MayBeBmp(const unsigned char* p, std::size_t n);

}  // namespace vok::desktop

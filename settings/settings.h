// vok32.ini, section VOK32: the frame's rectangle and the file chosen last.
#pragma once
#include <optional>
#include <string>

namespace vok {

// In the order the file stores it: left, right, top, bottom.
struct WindowRect {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
  bool operator==(const WindowRect&) const = default;
};

// nullopt selects the built-in geometry: no value, an empty one, or one
// with fewer than four numbers.
std::optional<WindowRect> ReadWindowSize();
// Writes "%u %u %u %u" (left right top bottom).
void WriteWindowSize(const WindowRect& r);
// Writes only when the frame is not minimized, so the next start gets the
// last normal rectangle.
void WriteWindowSizeUnlessMinimized(const WindowRect& r, bool minimized);

// The path of the file chosen last, with the case its file has on disk; ""
// when none (at most 279 bytes).
std::string ReadLzhFile();
void WriteLzhFile(const std::string& path);

}  // namespace vok

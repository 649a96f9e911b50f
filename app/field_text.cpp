#include "app/field_text.h"

#include <vector>

namespace vok {

namespace {
constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // U+2026

// Byte offsets where the characters of a UTF-8 text start, and its end.
std::vector<size_t> CharStarts(std::string_view s) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  starts.push_back(s.size());
  return starts;
}
}  // namespace

std::string FitText(std::string_view text, size_t keepFrom, int width, const MeasureText& measure) {
  if (measure(text) <= width) return std::string(text);
  if (keepFrom > text.size()) keepFrom = text.size();
  const std::string_view head = text.substr(0, keepFrom);
  const std::string_view tail = text.substr(keepFrom);
  const std::vector<size_t> at = CharStarts(head);
  const size_t n = at.size() - 1;
  auto shown = [&](size_t keep) {  // `keep` characters of the head, the larger half in front
    const size_t front = (keep + 1) / 2;
    return std::string(head.substr(0, at[front])) + std::string(kEllipsis) +
           std::string(head.substr(at[n - (keep - front)])) + std::string(tail);
  };
  // Fewer kept characters are never wider: search for the most that fit.
  size_t lo = 0, hi = n == 0 ? 0 : n - 1;
  while (lo < hi) {
    const size_t mid = (lo + hi + 1) / 2;
    if (measure(shown(mid)) <= width) lo = mid;
    else hi = mid - 1;
  }
  return shown(lo);
}

size_t StatusKeepFrom(std::string_view text) {
  const size_t colon = text.rfind(':');
  return colon == std::string_view::npos ? text.size() : colon;
}

}  // namespace vok

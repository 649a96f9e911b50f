// Fitting a text into a status field of a given width: the end that matters
// stays whole, the middle of the rest gives way. No display needed.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vok {

// Width in pixels of a UTF-8 text in the field's font.
using MeasureText = std::function<int(std::string_view utf8)>;

// `text` (UTF-8) as shown in `width` pixels: whole when it fits; otherwise
// text[keepFrom..] stays whole and the middle of text[..keepFrom] is replaced
// by an ellipsis, keeping as many characters of both its ends as fit (never
// half a character). When even the ellipsis and the kept end do not fit,
// those two are all that is left.
std::string FitText(std::string_view text, size_t keepFrom, int width, const MeasureText& measure);

// Where the part of a status text to keep whole starts: its display mode,
// from the last colon; the end for a text without one (a hint).
size_t StatusKeepFrom(std::string_view text);

}  // namespace vok

// Text on screen: the program's CP932 strings as wx strings, and the
// fixed-pitch font the listing and the frame's metrics use.
#pragma once
#include <string_view>

#include <wx/font.h>
#include <wx/string.h>

namespace vok {

// A CP932 string for display; a byte with no character shows as U+FFFD.
wxString FromCp932(std::string_view cp932);

// The program's fixed-pitch font: listing rows and the frame's metrics.
wxFont FixedPitchFont();

}  // namespace vok

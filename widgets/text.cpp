#include "widgets/text.h"

#include "platform/codepage.h"

namespace vok {

wxString FromCp932(std::string_view cp932) { return wxString::FromUTF8(Cp932ToUtf8(cp932)); }

wxFont FixedPitchFont() {
  // IPAGothic keeps half-width characters at exactly half the width of
  // full-width ones, so CP932 rows line up in columns.
  wxFont font(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE).FaceName("IPAGothic"));
  if (!font.IsOk()) font = wxFont(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE));
  return font;
}

}  // namespace vok

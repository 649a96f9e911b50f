#include "view/dclient_view.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/dcscreen.h>
#include <wx/display.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/generic/msgdlgg.h>
#include <wx/image.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "platform/codepage.h"
#include "platform/dospath.h"
#include "platform/sys.h"
#include "resources/resources.h"
#include "view/file_preview_gtk.h"
#include "view/hover_preview.h"
#include "widgets/outer_rect.h"
#include "widgets/template_dialog.h"
#include "widgets/text.h"
#include "widgets/toolkit_gtk.h"

namespace vok {

namespace {

wxString Jp(const char* utf8) { return wxString::FromUTF8(utf8); }

bool IsRegularFile(const std::string& native) {
  struct stat st{};
  return sys::ops().stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A name the user typed may differ in case from the file on disk, as it
// may on the system the program comes from.
std::string ResolveCase(const std::string& native) {
  if (IsRegularFile(native)) return native;
  std::optional<std::string> dos = NativeToDos(native);
  if (!dos) return native;
  NativePath found = DosToNative(*dos);
  return found ? found.path : native;
}

// The toolkit's file dialog would open at its remembered size, at the
// screen's corner without a window manager: a size that suits the screen,
// centred on the frame.
void PlaceDialog(wxDialog& dlg, const wxRect& frame) {
  const wxRect screen = wxGetClientDisplayRect();
  const int w = std::min(640, screen.width * 9 / 10);
  const int h = std::min(480, screen.height * 9 / 10);
  const int x = std::clamp(frame.x + (frame.width - w) / 2, screen.x, screen.GetRight() + 1 - w);
  const int y = std::clamp(frame.y + (frame.height - h) / 2, screen.y, screen.GetBottom() + 1 - h);
  PlaceWhenMapped(&dlg, x, y, w, h);
}

}  // namespace

std::string CaseInsensitiveFilter(std::string_view filter) {
  // In "desc|patterns|desc|patterns" only the patterns change.
  std::string out;
  bool inPattern = false;
  size_t start = 0;
  while (start <= filter.size()) {
    size_t end = filter.find_first_of(inPattern ? "|;" : "|", start);
    if (end == std::string_view::npos) end = filter.size();
    std::string_view part = filter.substr(start, end - start);
    if (!inPattern) {
      out += part;
    } else if (part == "*.*") {
      out += '*';  // all files, also those without a dot
    } else {
      for (char c : part) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
          const char lo = static_cast<char>(c | 0x20);
          out += {'[', lo, static_cast<char>(lo - 0x20), ']'};
        } else {
          out += c;
        }
      }
    }
    if (end == filter.size()) break;
    out += filter[end];
    if (filter[end] == '|') inPattern = !inPattern;
    start = end + 1;
  }
  return out;
}

DClientView::DClientView(wxTopLevelWindow* frame, StatusFn setStatus)
    : wxWindow(frame, wxID_ANY, wxDefaultPosition, frame->GetClientSize(),
               wxVSCROLL | wxALWAYS_SHOW_SB | wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE, "VOK32"),
      frame_(frame),
      setStatus_(std::move(setStatus)),
      client_(*this),
      logo_(res::LogoPicture()),
      font_(FixedPitchFont()) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  unit_ = LineHeight();
  UpdateScrollBar(0);

  Bind(wxEVT_PAINT, &DClientView::OnPaint, this);
  Bind(wxEVT_SIZE, &DClientView::OnSize, this);
  Bind(wxEVT_LEFT_DOWN, &DClientView::OnLeftDown, this);
  Bind(wxEVT_RIGHT_DOWN, &DClientView::OnRightDown, this);
  Bind(wxEVT_LEFT_DCLICK, &DClientView::OnLeftDClick, this);
  Bind(wxEVT_MOUSEWHEEL, &DClientView::OnWheel, this);
  Bind(wxEVT_KEY_DOWN, &DClientView::OnKey, this);
  TakeOverVerticalScrollBar(this, [this](ScrollAction a, int position) { OnBarAction(a, position); });
  hover_ = std::make_unique<HoverPreview>(*this);
}

void DClientView::DoMoveWindow(int x, int y, int width, int height) {
  int minW = 0, minH = 0;
  ScrolledMinimum(this, &minW, &minH);
  wxWindow::DoMoveWindow(x, y, std::max(width, minW), std::max(height, minH));
}

DClientView::~DClientView() = default;

// --- painting -------------------------------------------------------------

void DClientView::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  const wxSize size = GetClientSize();
  dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW)));
  dc.Clear();
  // A listing opened or closed starts at its top.
  if (client_.ArchiveOpen != shownOpen_) {
    shownOpen_ = client_.ArchiveOpen;
    pos_ = 0;
  }
  if (client_.ArchiveOpen) {
    PaintListing(dc, size.y);
  } else {
    PaintLogo(dc, size.x, size.y);
  }
  hover_->ListingPainted();
}

void DClientView::PaintLogo(wxDC& dc, int w, int h) {
  barEnabled_ = false;
  visible_ = 0;
  UpdateScrollBar(0);
  if (w <= 0 || h <= 0 || !logo_.IsOk()) return;
  // Stretched to the whole area, proportions not kept, pixels not smoothed.
  wxImage img = logo_.ConvertToImage().Scale(w, h, wxIMAGE_QUALITY_NEAREST);
  dc.DrawBitmap(wxBitmap(img), 0, -pos_ * unit_);
}

void DClientView::PaintListing(wxDC& dc, int height) {
  dc.SetFont(font_);
  const int h = std::max(1, dc.GetTextExtent("0").y);
  const int visible = height / h;
  const int shown = client_.EntryCount - 5;
  barEnabled_ = shown > visible;
  range_ = barEnabled_ ? shown - visible : 1;
  unit_ = h;
  // When every row fits there is nothing to scroll to: a position left over
  // from a longer listing would hide the first row behind a disabled bar.
  pos_ = barEnabled_ ? std::clamp(pos_, 0, range_) : 0;
  UpdateScrollBar(visible);

  const wxColour hiBack = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
  const wxColour hiText = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);
  const wxColour back = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
  const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
  dc.SetBackgroundMode(wxBRUSHSTYLE_SOLID);
  for (int i = 3; i <= client_.EntryCount - 3; ++i) {
    const int y = (i - 3 - pos_) * h;
    if (y + h < 0 || y > height) continue;  // off screen
    const ListEntry& e = client_.Entries[i];
    const bool selected = e.Selected != 0;
    dc.SetTextBackground(selected ? hiBack : back);
    dc.SetTextForeground(selected ? hiText : text);
    const std::string row(e.Text, strnlen(e.Text, sizeof e.Text));
    dc.DrawText(FromCp932(row), 0, y);
  }
}

// --- scrolling ------------------------------------------------------------

void DClientView::UpdateScrollBar(int visible) {
  visible_ = visible;
  if (barEnabled_) {
    // Positions 0..range: a thumb of `visible` rows in `range + visible`.
    SetScrollbar(wxVERTICAL, pos_, visible, range_ + visible);
  } else {
    SetScrollbar(wxVERTICAL, 0, 1, 1);
  }
  EnableVerticalScrollBar(this, barEnabled_);
}

int DClientView::PageSize() const { return std::max(1, (GetClientSize().y + 1) / std::max(1, unit_) - 1); }

void DClientView::ScrollToRow(int s) {
  if (!barEnabled_) return;
  s = std::clamp(s, 0, range_);
  if (s == pos_) return;
  pos_ = s;
  SetScrollPos(wxVERTICAL, pos_);
  Refresh(false);
  Update();
}

void DClientView::OnBarAction(ScrollAction action, int position) {
  switch (action) {
    case ScrollAction::Top: ScrollToRow(0); break;
    case ScrollAction::Bottom: ScrollToRow(range_); break;
    case ScrollAction::LineUp: ScrollToRow(pos_ - 1); break;
    case ScrollAction::LineDown: ScrollToRow(pos_ + 1); break;
    case ScrollAction::PageUp: ScrollToRow(pos_ - PageSize()); break;
    case ScrollAction::PageDown: ScrollToRow(pos_ + PageSize()); break;
    case ScrollAction::Track: ScrollToRow(position); break;
  }
}

void DClientView::OnWheel(wxMouseEvent& event) {
  if (event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL || event.GetWheelDelta() == 0) return;
  const int notches = event.GetWheelRotation() / event.GetWheelDelta();
  ScrollToRow(pos_ - notches * std::max(1, event.GetLinesPerAction()));
}

void DClientView::OnKey(wxKeyEvent& event) {
  switch (event.GetKeyCode()) {
    case WXK_UP: ScrollToRow(pos_ - 1); break;
    case WXK_DOWN: ScrollToRow(pos_ + 1); break;
    case WXK_PAGEUP: ScrollToRow(pos_ - PageSize()); break;
    case WXK_PAGEDOWN: ScrollToRow(pos_ + PageSize()); break;
    case WXK_HOME: ScrollToRow(0); break;
    case WXK_END: ScrollToRow(range_); break;
    default: event.Skip(); break;
  }
}

void DClientView::OnSize(wxSizeEvent& event) {
  event.Skip();
  pos_ = 0;
  if (barEnabled_) SetScrollPos(wxVERTICAL, 0);
  Refresh(true);
}

// --- mouse ----------------------------------------------------------------

void DClientView::OnLeftDown(wxMouseEvent& event) {
  SetFocus();
  client_.EvLButtonDown(event.GetY());
}

void DClientView::OnRightDown(wxMouseEvent& event) {
  SetFocus();
  client_.EvRButtonDown(event.GetY());
}

void DClientView::OnLeftDClick(wxMouseEvent&) { client_.EvLButtonDblClk(); }

// --- what the client asks of the window -----------------------------------

int DClientView::MessageBox(const std::string& text, const std::string& caption, UINT style) {
  long wxStyle = (style & MB_YESNO) == MB_YESNO ? wxYES_NO : wxOK;
  if ((style & 0xF0) == MB_ICONSTOP) wxStyle |= wxICON_ERROR;
  else if ((style & 0xF0) == MB_ICONQUESTION) wxStyle |= wxICON_QUESTION;
  // No icon flag at all: the generic box shows none (wxICON_NONE trips an assertion there).
  // The generic box: GTK's own shows neither the stop nor the question icon.
  wxGenericMessageDialog box(this, FromCp932(text), FromCp932(caption), wxStyle);
  if (wxStyle & wxYES_NO) {
    box.SetYesNoLabels(Jp("はい(&Y)"), Jp("いいえ(&N)"));
    box.SetEscapeId(wxID_NO);
    // The bare letters answer too, as in the message boxes the program was made for.
    box.Bind(wxEVT_CHAR_HOOK, [&box](wxKeyEvent& e) {
      const int key = e.GetKeyCode();
      if (e.HasAnyModifiers() && !e.ShiftDown()) return e.Skip();
      if (key == 'Y' || key == 'y') box.EndModal(wxID_YES);
      else if (key == 'N' || key == 'n') box.EndModal(wxID_NO);
      else e.Skip();
    });
  }
  const int answer = box.ShowModal();
  if (wxStyle & wxYES_NO) return answer == wxID_YES ? IDYES : IDNO;
  return IDOK;
}

void DClientView::Beep() { wxBell(); }

int DClientView::RunFileOpenDialog(FileDialogData& data) {
  const wxString defExt = data.DefExt.empty() ? wxString("lzh") : FromCp932(data.DefExt);
  std::string filter = Cp932ToUtf8(data.Filter);
  while (!filter.empty() && filter.back() == '|') filter.pop_back();
  const wxString wildcard = filter.empty() ? wxString("*") : wxString::FromUTF8(CaseInsensitiveFilter(filter));
  const wxString title = Jp("ファイルを開く");
  const std::string caption = Cp932Literal("ファイルを開く");
  wxString dir = wxGetCwd();
  wxString name;
  // The data still holds the path chosen before: the dialog opens on it.
  if (NativePath before = DosToNative(data.FileName); before && IsRegularFile(before.path)) {
    const wxFileName last(wxString::FromUTF8(before.path));
    dir = last.GetPath();
    name = last.GetFullName();
  }
  int filterIndex = data.FilterIndex > 0 ? data.FilterIndex - 1 : 0;
  for (;;) {
    // A fresh dialog each round, opening where the last choice was: moving
    // a shown-before GTK dialog to a non-ASCII folder does not take.
    wxFileDialog dlg(this, title, dir, name, wildcard, wxFD_OPEN | wxFD_CHANGE_DIR);
    dlg.SetFilterIndex(filterIndex);
    PlaceDialog(dlg, frame_->GetScreenRect());
    FilePreview preview(dlg);
    if (dlg.ShowModal() != wxID_OK) return IDCANCEL;
    filterIndex = dlg.GetFilterIndex();
    wxFileName chosen(dlg.GetPath());
    dir = chosen.GetPath();
    name.clear();
    if (!chosen.HasExt()) chosen.SetExt(defExt);
    const std::string native = ResolveCase(chosen.GetFullPath().utf8_string());
    if (!IsRegularFile(native)) {
      MessageBox(Utf8ToCp932Lossy(native + "\nファイルが見つかりません。\nファイル名を確認してください。"), caption,
                 MB_OK | MB_ICONSTOP);
      continue;
    }
    std::optional<std::string> dos = NativeToDos(native);
    if (!dos) {
      MessageBox(Utf8ToCp932Lossy(native +
                                  "\nこのファイル名は使えない文字を含んでいます。\n"
                                  "名前を変えてから選んでください。"),
                 caption, MB_OK | MB_ICONSTOP);
      continue;
    }
    // The dialog changes directory only on some platforms; make it so here.
    sys::ops().chdir(wxFileName(wxString::FromUTF8(native)).GetPath().utf8_string().c_str());
    data.FileName = *dos;
    data.FilterIndex = filterIndex + 1;
    return IDOK;
  }
}

void DClientView::Invalidate(bool erase) { Refresh(erase); }

void DClientView::SetStatusText(const std::string& text) {
  if (setStatus_) setStatus_(FromCp932(text));
}

int DClientView::LineHeight() {
  wxScreenDC dc;
  dc.SetFont(font_);
  return std::max(1, dc.GetTextExtent("0").y);
}

void DClientView::RunAboutDialog() { RunDialogFromTemplate(this, "VOK_ABOUT"); }

WindowRect DClientView::FrameRect() { return OuterRect(*frame_); }

bool DClientView::FrameMinimized() { return frame_->IsIconized(); }

void DClientView::CloseWindow() { frame_->Close(); }

}  // namespace vok

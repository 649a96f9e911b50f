#include "app/ddecframe.h"

#include <algorithm>
#include <string>

#include <wx/dcscreen.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include "app/field_text.h"
#include "resources/commands.h"
#include "resources/resources.h"
#include "settings/settings.h"
#include "view/dclient_view.h"
#include "widgets/outer_rect.h"
#include "widgets/text.h"
#include "widgets/toolkit_gtk.h"

namespace vok {

namespace {

// The toolkit does not report some metrics on every platform (GTK knows no
// window manager's border); these are the classic values.
constexpr int kFallbackMenuHeight = 19;
constexpr int kFallbackFrameBorder = 4;
// Room the status bar leaves between its field's edges and the text.
constexpr int kFieldMargin = 4;
// X11 cannot make a window larger than this; a hand-edited rectangle may ask for more.
constexpr int kLargestSide = 32767;

int MetricOr(wxSystemMetric metric, int fallback) {
  const int v = wxSystemSettings::GetMetric(metric);
  return v > 0 ? v : fallback;
}

wxFont BarFont() { return wxFont(wxFontInfo(10).Family(wxFONTFAMILY_SWISS)); }

}  // namespace

FrameMetrics MeasureFrameMetrics() {
  FrameMetrics m;
  wxScreenDC dc;
  dc.SetFont(FixedPitchFont());
  const wxSize b = dc.GetTextExtent("B");
  m.cw = b.x;
  m.ch = b.y;
  m.mh = MetricOr(wxSYS_MENU_Y, 0);
  if (m.mh <= 0) m.mh = MenuBarHeight();
  if (m.mh <= 0) m.mh = kFallbackMenuHeight;
  m.fx = MetricOr(wxSYS_FRAMESIZE_X, kFallbackFrameBorder);
  m.fy = MetricOr(wxSYS_FRAMESIZE_Y, kFallbackFrameBorder);
  m.sw = wxSystemSettings::GetMetric(wxSYS_SCREEN_X);
  m.sh = wxSystemSettings::GetMetric(wxSYS_SCREEN_Y);
  return m;
}

DDecFrame::DDecFrame(wxWindow* parent, const wxString& title) {
  geometry_ = ComputeFrameGeometry(MeasureFrameMetrics(), ReadWindowSize());
  const int w = std::min(geometry_.w, kLargestSide);
  const int h = std::min(geometry_.h, kLargestSide);
  Create(parent, wxID_ANY, title, wxPoint(geometry_.x, geometry_.y), wxSize(w, h));
  SetIcon(wxIcon(res::IconPicture()));
  // Hints are ours; the frame's own menu help would overwrite the status.
  SetStatusBarPane(-1);

  Bind(wxEVT_CLOSE_WINDOW, &DDecFrame::EvClose, this);
  Bind(wxEVT_TOOL_ENTER, &DDecFrame::OnToolEnter, this);
  Bind(wxEVT_TOOL, &DDecFrame::OnCommand, this);
  Bind(wxEVT_SHOW, &DDecFrame::OnShow, this);
}

wxStatusBar* DDecFrame::BuildMessageBar() {
  // No ellipsis of the toolkit's: ShowInField fits the text itself.
  wxStatusBar* bar = CreateStatusBar(1, wxSTB_SIZEGRIP | wxFULL_REPAINT_ON_RESIZE);
  const int styles[] = {wxSB_SUNKEN};
  bar->SetStatusStyles(1, styles);
  bar->SetFont(BarFont());
  bar->Bind(wxEVT_SIZE, &DDecFrame::RefitField, this);
  ShowStatusField();
  return bar;
}

wxToolBar* DDecFrame::BuildControlBar() {
  UseCompactToolBars();
  wxToolBar* bar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER);
  bar->SetFont(BarFont());
  bar->SetToolBitmapSize(wxSize(20, 20));
  const int bx = std::max(1, wxSystemSettings::GetMetric(wxSYS_BORDER_X));
  const int by = std::max(1, wxSystemSettings::GetMetric(wxSYS_BORDER_Y));
  for (int id : kToolBarLayout) {
    if (id == 0) {
      // A plain gap of six border widths; the toolkit's separator has its own width.
      auto* gap = new wxStaticText(bar, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(6 * bx, 6 * by),
                                   wxST_NO_AUTORESIZE);
      gap->Bind(wxEVT_ENTER_WINDOW, [this](wxMouseEvent& e) { ClearHint(); e.Skip(); });
      bar->AddControl(gap);
    } else {
      bar->AddTool(id, wxEmptyString, wxBitmap(res::ButtonPicture(id)));
    }
  }
  bar->Realize();
  bar->Bind(wxEVT_LEAVE_WINDOW, &DDecFrame::OnBarLeave, this);
  return bar;
}

void DDecFrame::SetStatus(const wxString& text) {
  status_ = text;
  if (!hintShown_) ShowStatusField();
}

wxString DDecFrame::DrawnStatus() const {
  wxStatusBar* bar = GetStatusBar();
  return bar ? bar->GetStatusText(0) : wxString();
}

void DDecFrame::ShowStatusField() {
  if (!hintShown_) ShowInField(status_);
}

void DDecFrame::ShowInField(const wxString& text) {
  fieldText_ = text;
  wxStatusBar* bar = GetStatusBar();
  if (!bar) return;
  wxRect field;
  if (!bar->GetFieldRect(0, field)) return;
  const std::string whole = text.utf8_string();
  const std::string shown =
      FitText(whole, StatusKeepFrom(whole), field.width - 2 * kFieldMargin,
              [bar](std::string_view s) { return bar->GetTextExtent(wxString::FromUTF8(s.data(), s.size())).x; });
  bar->SetStatusText(wxString::FromUTF8(shown), 0);
  if (shown == whole) bar->UnsetToolTip();
  else bar->SetToolTip(text);
}

void DDecFrame::RefitField(wxSizeEvent& event) {
  event.Skip();
  ShowInField(fieldText_);
}

void DDecFrame::ShowHint(int id) {
  const std::string hint = res::LoadString(id).substr(0, 127);
  if (hint.empty()) {
    ClearHint();
    return;
  }
  hintShown_ = true;
  ShowInField(FromCp932(hint));
}

void DDecFrame::ClearHint() {
  if (!hintShown_) return;
  hintShown_ = false;
  ShowStatusField();
}

void DDecFrame::OnToolEnter(wxCommandEvent& event) {
  // -1 when the pointer leaves a button.
  const int id = event.GetSelection();
  if (id >= 0) ShowHint(id);
  else ClearHint();
}

void DDecFrame::OnBarLeave(wxMouseEvent& event) {
  // Entering a button also leaves the bar's own window; only a real exit counts.
  wxToolBar* bar = GetToolBar();
  if (!bar || !bar->GetScreenRect().Contains(wxGetMousePosition())) ClearHint();
  event.Skip();
}

void DDecFrame::OnCommand(wxCommandEvent& event) {
  if (!client_) return;
  DClient& c = client_->Client();
  switch (event.GetId()) {
    case CM_ABOUT: c.CmAbout(); break;
    case CM_HELP: c.CmHelp(); break;
    case CM_EXIT: c.CmExit(); break;
    case CM_FILEOPEN: c.CmFileOpen(); break;
    case CM_EXTRACT: c.CmExtract(); break;
    case CM_CENTER: c.CmCenter(); break;
    case CM_TILE: c.CmTile(); break;
    default: event.Skip(); break;
  }
}

void DDecFrame::OnShow(wxShowEvent& event) {
  event.Skip();
  if (!event.IsShown() || placed_) return;
  placed_ = true;
  // A window manager may ignore a position given before the window is mapped.
  CallAfter([this] { MoveOnScreen(this, geometry_.x, geometry_.y); });
}

void DDecFrame::EvClose(wxCloseEvent&) {
  WriteWindowSizeUnlessMinimized(OuterRect(*this), IsIconized());
  Destroy();
}

}  // namespace vok

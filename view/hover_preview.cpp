#include "view/hover_preview.h"

#include <algorithm>
#include <cstring>

#include <gtk/gtk.h>

#include <wx/dcbuffer.h>
#include <wx/display.h>
#include <wx/image.h>
#include <wx/popupwin.h>
#include <wx/settings.h>
#include <wx/toplevel.h>

#include "archive/listing.h"
#include "platform/dospath.h"
#include "view/dclient_view.h"

namespace vok {

// The picture and its size in pixels below it, on the tooltip colours. It
// never takes the focus (a popup window) and never a click: its input shape
// is empty, so the pointer acts on whatever lies below.
class PicturePopup : public wxPopupWindow {
 public:
  static constexpr int kPad = 4, kGap = 2;

  explicit PicturePopup(wxWindow* parent) : wxPopupWindow(parent, wxBORDER_NONE) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    Bind(wxEVT_PAINT, &PicturePopup::OnPaint, this);
    cairo_region_t* none = cairo_region_create();
    gtk_widget_input_shape_combine_region(GTK_WIDGET(GetHandle()), none);
    cairo_region_destroy(none);
  }

  void SetPicture(const desktop::Thumbnail& t) {
    wxImage image(t.width, t.height, false);
    std::memcpy(image.GetData(), t.rgb.data(), t.rgb.size());
    bitmap_ = wxBitmap(image);
    label_ = wxString::Format(wxString::FromUTF8("%d\u00d7%d"), t.sourceWidth, t.sourceHeight);
    const wxSize text = GetTextExtent(label_);
    const int w = std::max(t.width, text.x) + 2 * kPad;
    picture_ = wxRect((w - t.width) / 2, kPad, t.width, t.height);
    labelAt_ = wxPoint((w - text.x) / 2, picture_.GetBottom() + 1 + kGap);
    SetSize(w, labelAt_.y + text.y + kPad);
    Refresh();
  }

  // On the screen.
  wxRect PictureRect() const { return wxRect(ClientToScreen(picture_.GetPosition()), picture_.GetSize()); }

 private:
  void OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK)));
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT)));
    dc.DrawRectangle(0, 0, size.x, size.y);
    if (bitmap_.IsOk()) dc.DrawBitmap(bitmap_, picture_.GetPosition());
    dc.SetFont(GetFont());
    dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.DrawText(label_, labelAt_);
  }

  wxBitmap bitmap_;
  wxString label_;
  wxRect picture_;
  wxPoint labelAt_;
};

HoverPreview::HoverPreview(DClientView& view) : view_(view), frame_(wxGetTopLevelParent(&view)), timer_(this) {
  // Bound after the view's own handlers, so these run first; each passes
  // the event on.
  view_.Bind(wxEVT_MOTION, &HoverPreview::OnMotion, this);
  view_.Bind(wxEVT_LEAVE_WINDOW, &HoverPreview::Dismiss<wxMouseEvent>, this);
  for (const auto& t : {wxEVT_LEFT_DOWN, wxEVT_RIGHT_DOWN, wxEVT_MIDDLE_DOWN, wxEVT_LEFT_DCLICK,
                        wxEVT_RIGHT_DCLICK, wxEVT_MIDDLE_DCLICK, wxEVT_AUX1_DOWN, wxEVT_AUX2_DOWN}) {
    view_.Bind(t, &HoverPreview::Dismiss<wxMouseEvent>, this);
  }
  view_.Bind(wxEVT_MOUSEWHEEL, &HoverPreview::Dismiss<wxMouseEvent>, this);
  view_.Bind(wxEVT_KEY_DOWN, &HoverPreview::Dismiss<wxKeyEvent>, this);
  for (const auto& t : {wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM, wxEVT_SCROLLWIN_LINEUP,
                        wxEVT_SCROLLWIN_LINEDOWN, wxEVT_SCROLLWIN_PAGEUP, wxEVT_SCROLLWIN_PAGEDOWN,
                        wxEVT_SCROLLWIN_THUMBTRACK, wxEVT_SCROLLWIN_THUMBRELEASE}) {
    view_.Bind(t, &HoverPreview::Dismiss<wxScrollWinEvent>, this);
  }
  if (frame_) frame_->Bind(wxEVT_ACTIVATE, &HoverPreview::OnActivate, this);
  Bind(wxEVT_TIMER, &HoverPreview::OnRested, this);
  Register();
}

HoverPreview::~HoverPreview() {
  Unregister();
  if (frame_) frame_->Unbind(wxEVT_ACTIVATE, &HoverPreview::OnActivate, this);
  timer_.Stop();
  if (popup_) popup_->Destroy();
}

// --- what ends or starts a rest -------------------------------------------

void HoverPreview::OnMotion(wxMouseEvent& e) {
  e.Skip();
  const int row = e.ButtonIsDown(wxMOUSE_BTN_ANY) ? -1 : RowAt(e.GetPosition());
  if (row != restRow_) Cancel();
  if (shownRow_ >= 0 && row != shownRow_) Hide();
  restRow_ = row;
  if (row >= 0 && row != shownRow_ && row != pendingRow_) timer_.StartOnce(kRestMs);
}

void HoverPreview::OnActivate(wxActivateEvent& e) {
  e.Skip();
  if (!e.GetActive()) {
    Cancel();
    Hide();
  }
}

int HoverPreview::Enter(wxDialog*) {
  Cancel();
  Hide();
  return wxID_NONE;
}

void HoverPreview::ListingPainted() {
  if (!view_.Client().ArchiveOpen) {
    Cancel();
    Hide();
    FollowListing();
  } else if (shownRow_ >= 0 && view_.ScrollPosition() != shownPos_) {
    Cancel();
    Hide();
  }
}

// --- the picture ----------------------------------------------------------

int HoverPreview::RowAt(wxPoint client) const {
  DClientView& v = view_;
  const DClient& c = v.Client();
  if (!c.ArchiveOpen || !wxRect(v.GetClientSize()).Contains(client)) return -1;
  return vok::RowAt(client.y, v.LineHeight(), v.ScrollPosition(), c.EntryCount);
}

void HoverPreview::FollowListing() {
  const DClient& c = view_.Client();
  NativePath native;
  if (c.ArchiveOpen) native = DosToNative(c.ListedArchivePath);
  if (!c.ArchiveOpen || !native) {
    if (pictures_) ++generation_;
    pictures_.reset();
    cache_.Clear();
    listed_.clear();
    stamp_.reset();
    return;
  }
  const std::optional<preview::FileStamp> stamp = preview::StampOf(native.path);
  if (pictures_ && native.path == listed_ && stamp == stamp_) return;
  // Another archive, or the same one written anew.
  ++generation_;
  cache_.Clear();
  listed_ = native.path;
  stamp_ = stamp;
  pictures_ = std::make_shared<preview::ArchivePictures>(native.path);
}

void HoverPreview::OnRested(wxTimerEvent&) {
  const wxMouseState mouse = wxGetMouseState();
  if (mouse.ButtonIsDown(wxMOUSE_BTN_ANY) || !view_.IsShownOnScreen()) return;
  const int row = RowAt(view_.ScreenToClient(mouse.GetPosition()));
  if (row < 0 || row != restRow_ || row == shownRow_ || row == pendingRow_) return;
  FollowListing();
  if (!pictures_) return;
  char name[sizeof ListEntry::Text + 1] = {};
  MemberNameFromText(view_.Client().Entries[row].Text, name, sizeof name);
  desktop::ThumbnailPtr known;
  if (cache_.Find(name, &known)) {
    if (known) Show(row, *known);
    return;
  }
  const std::uint64_t ticket = ++ticket_;
  pendingRow_ = row;
  worker_.Post([this, pictures = pictures_, name = std::string(name), ticket, generation = generation_] {
    desktop::ThumbnailPtr picture = pictures->ForShownName(name);
    CallAfter([this, name, ticket, generation, picture] {
      if (generation == generation_) cache_.Put(name, picture);
      Arrived(ticket, name, picture);
    });
  });
}

void HoverPreview::Arrived(std::uint64_t ticket, const std::string&, desktop::ThumbnailPtr picture) {
  if (ticket != ticket_) return;
  const int row = pendingRow_;
  pendingRow_ = -1;
  if (picture && row >= 0 && row == restRow_) Show(row, *picture);
}

void HoverPreview::Show(int row, const desktop::Thumbnail& picture) {
  if (!popup_) popup_ = new PicturePopup(&view_);
  popup_->SetPicture(picture);
  // Beside the row, right of the pointer; left of it, or higher, where the
  // screen ends.
  const int h = view_.LineHeight();
  const wxPoint pointer = wxGetMousePosition();
  const wxPoint rowTop = view_.ClientToScreen(wxPoint(0, (row - kFirstDataRow - view_.ScrollPosition()) * h));
  const wxSize size = popup_->GetSize();
  int display = wxDisplay::GetFromWindow(&view_);
  const wxRect screen = wxDisplay(display == wxNOT_FOUND ? 0u : static_cast<unsigned>(display)).GetGeometry();
  int x = pointer.x + 24;
  if (x + size.x > screen.GetRight() + 1) x = pointer.x - 24 - size.x;
  const int y = std::clamp(rowTop.y, screen.GetTop(), std::max(screen.GetTop(), screen.GetBottom() + 1 - size.y));
  popup_->Move(std::max(screen.GetLeft(), x), y);
  popup_->Show();
  shownRow_ = row;
  shownPos_ = view_.ScrollPosition();
}

void HoverPreview::Cancel() {
  timer_.Stop();
  ++ticket_;
  worker_.DropPending();
  pendingRow_ = -1;
  restRow_ = -1;
}

void HoverPreview::Hide() {
  shownRow_ = -1;
  if (popup_ && popup_->IsShown()) popup_->Hide();
}

bool HoverPreview::PopupShown() const { return popup_ && popup_->IsShown(); }

wxRect HoverPreview::PopupRect() const { return popup_ ? popup_->GetScreenRect() : wxRect(); }

wxRect HoverPreview::PictureRect() const { return popup_ ? popup_->PictureRect() : wxRect(); }

}  // namespace vok

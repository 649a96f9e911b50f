// The client window: draws the logo or the listing of DClient, scrolls it by
// whole rows, and carries out what DClient asks of the window.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <wx/bitmap.h>
#include <wx/font.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include "client/client_ui.h"
#include "client/dclient.h"
#include "widgets/toolkit_gtk.h"

namespace vok {

class HoverPreview;

// GTK matches file patterns case-sensitively, the program's are not: the
// patterns of a "desc|patterns|..." filter with every letter as a pair,
// "*.lzh" as "*.[lL][zZ][hH]", and "*.*" as "*" (all files, as it means there).
std::string CaseInsensitiveFilter(std::string_view filter);

class DClientView : public wxWindow, public ClientUi {
 public:
  // Where the status text goes (the frame's status bar).
  using StatusFn = std::function<void(const wxString&)>;

  // Builds the window as the client of a top-level window; DClient comes with it.
  DClientView(wxTopLevelWindow* frame, StatusFn setStatus);
  ~DClientView() override;

  DClient& Client() { return client_; }
  const DClient& Client() const { return client_; }
  HoverPreview& Hover() { return *hover_; }
  // Rows the view can scroll past the top: at least 1, also when all fit.
  int ScrollRange() const { return range_; }
  bool ScrollBarEnabled() const { return barEnabled_; }
  // Moves to row s, clamped into 0..range.
  void ScrollToRow(int s);

 protected:
  // A frame laid out smaller than the scroll bar can be still hands the
  // view at least that much; the frame clips the rest.
  void DoMoveWindow(int x, int y, int width, int height) override;

 public:

  // ClientUi
  int MessageBox(const std::string& text, const std::string& caption, UINT style) override;
  void Beep() override;
  int RunFileOpenDialog(FileDialogData& data) override;
  void Invalidate(bool erase) override;
  void SetStatusText(const std::string& text) override;
  int LineHeight() override;
  int ScrollPosition() override { return pos_; }
  void RunAboutDialog() override;
  WindowRect FrameRect() override;
  bool FrameMinimized() override;
  void CloseWindow() override;

 private:
  void OnPaint(wxPaintEvent&);
  void OnSize(wxSizeEvent&);
  void OnLeftDown(wxMouseEvent&);
  void OnRightDown(wxMouseEvent&);
  void OnLeftDClick(wxMouseEvent&);
  void OnWheel(wxMouseEvent&);
  void OnKey(wxKeyEvent&);
  void OnBarAction(ScrollAction action, int position);

  void PaintLogo(wxDC& dc, int w, int h);
  void PaintListing(wxDC& dc, int h);
  int PageSize() const;
  // Shows the bar for the current position and range.
  void UpdateScrollBar(int visible);

  wxTopLevelWindow* frame_;
  StatusFn setStatus_;
  DClient client_;
  wxBitmap logo_;
  wxFont font_;
  int pos_ = 0;
  int range_ = 10;
  int unit_ = 1;
  int visible_ = 0;
  bool barEnabled_ = false;
  int shownOpen_ = 0;  // ArchiveOpen as last painted
  std::unique_ptr<HoverPreview> hover_;  // the member's picture under the pointer
};

}  // namespace vok

// The main frame: tool bar, status bar with hints, the client view, and the
// geometry it remembers between runs.
#pragma once
#include <wx/frame.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include "app/frame_geometry.h"

namespace vok {

class DClientView;

// Metrics of the running display, for the frame's geometry.
FrameMetrics MeasureFrameMetrics();

class DDecFrame : public wxFrame {
 public:
  // Reads WindowSize and places itself; bars and client come from DApp.
  DDecFrame(wxWindow* parent, const wxString& title);

  void SetClient(DClientView* client) { client_ = client; }
  DClientView* Client() const { return client_; }
  wxToolBar* BuildControlBar();
  wxStatusBar* BuildMessageBar();

  // The status text; shown whenever no hint covers it.
  void SetStatus(const wxString& text);
  // The text the status bar stands for right now (hint or status), whole.
  wxString ShownStatus() const { return fieldText_; }
  // As drawn: fitted to the field, the middle of a long name elided; the
  // whole text is then the field's tooltip.
  wxString DrawnStatus() const;
  bool HintShown() const { return hintShown_; }

 private:
  void EvClose(wxCloseEvent& event);
  void OnToolEnter(wxCommandEvent& event);
  void OnBarLeave(wxMouseEvent& event);
  void OnCommand(wxCommandEvent& event);
  void OnShow(wxShowEvent& event);
  void ShowHint(int id);
  void ClearHint();
  void ShowStatusField();
  // Shows `text` in the field, fitted to its width.
  void ShowInField(const wxString& text);
  void RefitField(wxSizeEvent& event);

  DClientView* client_ = nullptr;
  FrameGeometry geometry_;
  wxString status_;
  wxString fieldText_;
  bool hintShown_ = false;
  bool placed_ = false;
};

}  // namespace vok

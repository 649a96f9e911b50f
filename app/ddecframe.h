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
  // The text the status bar shows right now.
  wxString ShownStatus() const;
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

  DClientView* client_ = nullptr;
  FrameGeometry geometry_;
  wxString status_;
  bool hintShown_ = false;
  bool placed_ = false;
};

}  // namespace vok

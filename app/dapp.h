// The application object: builds the one main window.
#pragma once
#include <wx/app.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

namespace vok {

class DClientView;
class DDecFrame;

class DApp : public wxApp {
 public:
  bool OnInit() override;
  // Client, frame, status bar, tool bar; the frame becomes the main window.
  void InitMainWindow();

  // Set once by InitMainWindow; the frame owns them.
  DClientView* Client = nullptr;
  DDecFrame* Frame = nullptr;
  wxToolBar* ControlBar = nullptr;
  wxStatusBar* MessageBar = nullptr;
};

// Before wx starts: keeps GTK's scroll bars from hiding, and routes the
// toolkit's assertions to stderr instead of a dialog.
void PrepareToolkit();

}  // namespace vok

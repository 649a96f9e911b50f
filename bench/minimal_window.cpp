// The peer for VOK32's first paint: the least a wx program does to show a
// frame of the same size, with a client window in it, on the same toolkit.
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/window.h>

class MinimalApp : public wxApp {
 public:
  bool OnInit() override {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "wx minimal", wxPoint(300, 100), wxSize(206, 227));
    new wxWindow(frame, wxID_ANY);
    frame->Show();
    return true;
  }
};

wxIMPLEMENT_APP(MinimalApp);

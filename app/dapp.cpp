#include "app/dapp.h"

#include <cstdio>
#include <cstdlib>

#include <wx/debug.h>
#include <wx/weakref.h>

#include "app/ddecframe.h"
#include "view/dclient_view.h"
#include "widgets/toolkit_gtk.h"

namespace vok {

namespace {
void AssertToStderr(const wxString& file, int line, const wxString& func, const wxString& cond,
                    const wxString& msg) {
  std::fprintf(stderr, "vok32: toolkit assertion %s at %s:%d (%s) %s\n", static_cast<const char*>(cond.utf8_str()),
               static_cast<const char*>(file.utf8_str()), line, static_cast<const char*>(func.utf8_str()),
               static_cast<const char*>(msg.utf8_str()));
}
}  // namespace

void PrepareToolkit() {
  setenv("GTK_OVERLAY_SCROLLING", "0", 1);
  wxSetAssertHandler(AssertToStderr);
}

bool DApp::OnInit() {
  InitMainWindow();
  return Frame != nullptr;
}

void DApp::InitMainWindow() {
  Frame = new DDecFrame(nullptr, "VOK32");
  DDecFrame* frame = Frame;
  Client = new DClientView(Frame, [frame](const wxString& text) { frame->SetStatus(text); });
  if (!Client->Client().Create()) {
    std::fprintf(stderr, "vok32: out of memory while building the window\n");
    Frame->Destroy();
    Frame = nullptr;
    Client = nullptr;
    return;
  }
  Frame->SetClient(Client);
  MessageBar = Frame->BuildMessageBar();
  ControlBar = Frame->BuildControlBar();
  SetTopWindow(Frame);
  PresetFrameAllocation(Frame);
  Frame->Show();
  Client->SetFocus();
  // The client's set-up may show messages; they come over the shown frame.
  wxWeakRef<DClientView> client(Client);
  CallAfter([client] {
    if (client) client->Client().SetupWindow();
  });
}

}  // namespace vok

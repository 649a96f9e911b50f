// What the client's commands need from the window around them. The window
// implements it; tests script it.
#pragma once
#include <string>

#include "platform/win32.h"
#include "settings/settings.h"

namespace vok {

// The file-open dialog's data, built once and reused, so the dialog opens
// again on the path chosen before.
struct FileDialogData {
  DWORD Flags = 0;
  std::string Filter;        // CP932, "desc|patterns|..." pairs
  int FilterIndex = 0;
  std::string InitialDir;
  std::string DefExt;
  std::string FileName;      // CP932 DOS path; the chosen file's full path on IDOK
};

class ClientUi {
 public:
  virtual ~ClientUi() = default;
  // Modal box owned by the client; CP932 text and caption. Returns the answer (IDOK, IDYES, IDNO).
  virtual int MessageBox(const std::string& text, const std::string& caption, UINT style) = 0;
  // MessageBeep(0).
  virtual void Beep() = 0;
  // The file-open dialog over data. On IDOK data.FileName holds the chosen
  // file's full path and its directory is current.
  virtual int RunFileOpenDialog(FileDialogData& data) = 0;
  // Repaint the whole view, erasing the background or not.
  virtual void Invalidate(bool erase) = 0;
  // The status bar's text (CP932).
  virtual void SetStatusText(const std::string& text) = 0;
  // Height of "0" in the fixed-pitch font; > 0.
  virtual int LineHeight() = 0;
  // Data rows scrolled past the top.
  virtual int ScrollPosition() = 0;
  // Modal About box.
  virtual void RunAboutDialog() = 0;
  // The frame's outer rectangle, and whether it is minimized.
  virtual WindowRect FrameRect() = 0;
  virtual bool FrameMinimized() = 0;
  // Closes the window; the frame then gets its close request.
  virtual void CloseWindow() = 0;
};

}  // namespace vok

// A window stand-in for the client: answers come from a script, and what the
// user would see or hear is logged in order, in UTF-8 for readable asserts.
#pragma once
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/client_ui.h"
#include "platform/codepage.h"
#include "platform/dospath.h"

namespace vok::testing {

class FakeUi : public ClientUi {
 public:
  // Answers to questions (MB_YESNO), in order; an unscripted question fails.
  std::deque<int> answers;
  int dialogResult = IDOK;
  // The file the dialog returns: a native file (its directory becomes
  // current, as the real dialog leaves it) or a raw CP932 DOS text.
  std::filesystem::path dialogFile;
  std::optional<std::string> dialogDos;

  int lineHeight = 16;
  int scroll = 0;
  WindowRect frame{10, 610, 20, 420};
  bool minimized = false;

  std::vector<std::string> log;
  std::vector<std::filesystem::path> dialogCwds;  // current directory as each dialog opened
  std::string status;                             // CP932, as set last
  int closed = 0;
  int aboutRuns = 0;

  int MessageBox(const std::string& text, const std::string& caption, UINT style) override {
    log.push_back("box " + std::to_string(style) + " [" + Cp932ToUtf8(caption) + "] " +
                  Cp932ToUtf8(text));
    if ((style & MB_YESNO) == 0) return IDOK;
    if (answers.empty()) {
      ADD_FAILURE() << "unscripted question: " << log.back();
      return IDNO;
    }
    int a = answers.front();
    answers.pop_front();
    return a;
  }
  void Beep() override { log.push_back("beep"); }
  int RunFileOpenDialog(FileDialogData& data) override {
    log.push_back("dialog");
    dialogCwds.push_back(std::filesystem::current_path());
    if (dialogResult != IDOK) return dialogResult;
    if (dialogDos) {
      data.FileName = *dialogDos;
    } else {
      data.FileName = *NativeToDos(dialogFile.string());
      std::filesystem::current_path(dialogFile.parent_path());
    }
    return IDOK;
  }
  void Invalidate(bool erase) override { log.push_back(erase ? "paint erase" : "paint keep"); }
  void SetStatusText(const std::string& text) override {
    status = text;
    log.push_back("status " + Cp932ToUtf8(text));
  }
  int LineHeight() override { return lineHeight; }
  int ScrollPosition() override { return scroll; }
  void RunAboutDialog() override { ++aboutRuns; }
  WindowRect FrameRect() override { return frame; }
  bool FrameMinimized() override { return minimized; }
  void CloseWindow() override { ++closed; }
};

}  // namespace vok::testing

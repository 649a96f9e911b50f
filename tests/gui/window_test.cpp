// The real window on a private X display, driven through the X server with
// wxUIActionSimulator. Screenshots land in the build tree's artifacts folder.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include "app/dapp.h"
#include "app/ddecframe.h"
#include "client/texts.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "resources/commands.h"
#include "resources/resources.h"
#include "settings/settings.h"
#include "tests/gui/gui_harness.h"
#include "tests/temp_dir.h"
#include "view/dclient_view.h"
#include "widgets/toolkit_gtk.h"

namespace vok {
namespace {

namespace fs = std::filesystem;
using gui::Pump;
using gui::Shot;
using gui::WaitFor;
using vok::testing::ReadFile;
using vok::testing::ScopedEnv;
using vok::testing::TempDir;

wxString Jp(const std::string& cp932) { return wxString::FromUTF8(Cp932ToUtf8(cp932)); }

// The colour of one pixel of the root window, as ImageMagick names it.
std::string RootPixel(int x, int y) {
  const std::string cmd = "import -window root -crop 1x1+" + std::to_string(x) + "+" + std::to_string(y) +
                          " -format '%[pixel:p{0,0}]' info:";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[128];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

// Answers modal dialogs as a test scripts them, after they had time to show.
class DialogScript : public wxModalDialogHook {
 public:
  struct Seen {
    wxString title;
    wxString message;  // message boxes only
    wxDialog* dialog;
  };
  using Answer = std::function<int(wxDialog*)>;

  DialogScript() { Register(); }
  ~DialogScript() override { Unregister(); }

  void Then(Answer a) { answers_.push_back(std::move(a)); }
  std::vector<Seen> seen;  // the dialog pointer only while it is open
  int closed = 0;

 protected:
  int Enter(wxDialog* d) override {
    // A message box passes through the hook twice (its own ShowModal and the dialog's).
    if (depth_[d]++ > 0) return wxID_NONE;
    Seen s{d->GetTitle(), {}, d};
    if (auto* box = dynamic_cast<wxMessageDialogBase*>(d)) s.message = box->GetMessage();
    seen.push_back(s);
    wxWeakRef<wxDialog> dlg(d);
    Answer answer = answers_.empty() ? Answer([](wxDialog*) { return int{wxID_CANCEL}; }) : answers_.front();
    if (!answers_.empty()) answers_.pop_front();
    timer_.Arm(answer, dlg);
    return wxID_NONE;
  }
  void Exit(wxDialog* d) override {
    if (--depth_[d] == 0) ++closed;
  }

 private:
  class Timer : public wxTimer {
   public:
    void Arm(Answer a, wxWeakRef<wxDialog> d) {
      answer_ = std::move(a);
      dialog_ = d;
      StartOnce(400);
    }
    void Notify() override {
      if (wxDialog* d = dialog_.get()) {
        // wxID_NONE: the answer closed the dialog itself, as a user would.
        const int code = answer_(d);
        if (code != wxID_NONE && d->IsModal()) d->EndModal(code);
      }
    }

   private:
    Answer answer_;
    wxWeakRef<wxDialog> dialog_;
  };
  std::deque<Answer> answers_;
  std::map<wxDialog*, int> depth_;
  Timer timer_;
};

// A test that hangs (a message box nobody answers waits for ever) ends the
// run at once with its name, well before CTest's timeout.
constexpr unsigned kStuckSeconds = 60;
char g_stuckMessage[256];

void GiveUp(int) {
  (void)!write(2, g_stuckMessage, strnlen(g_stuckMessage, sizeof g_stuckMessage));
  _exit(1);
}

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::snprintf(g_stuckMessage, sizeof g_stuckMessage, "window_test: %s.%s stuck for %us; giving up\n",
                  test->test_suite_name(), test->name(), kStuckSeconds);
    std::signal(SIGALRM, GiveUp);
    alarm(kStuckSeconds);
    fs::create_directories(win_.path());
    app_ = static_cast<DApp*>(wxTheApp);
  }

  void TearDown() override {
    if (frame_) frame_->Destroy();
    WaitFor([&] { return !frame_; });
    alarm(0);
  }

  void Start() {
    app_->InitMainWindow();
    frame_ = app_->Frame;
    // Shown for wx is not yet mapped on the screen: a window manager takes its time.
    ASSERT_TRUE(WaitFor(
        [&] {
          if (!frame_ || !frame_->IsShownOnScreen()) return false;
          for (int n = 0; n < static_cast<int>(std::size(kToolBarLayout)); ++n) {
            if (!gtk_widget_get_mapped(ToolItem(n))) return false;
          }
          return true;
        },
        10000));
    Pump(400);  // first paint and the client's set-up
  }

  void Close() {
    frame_->Close();
    ASSERT_TRUE(WaitFor([&] { return !frame_; }));
  }

  DClientView* View() { return app_->Client; }
  DClient& Client() { return View()->Client(); }

  // The tool bar's n-th item (gaps count).
  GtkWidget* ToolItem(int n) {
    GtkWidget* w = static_cast<GtkWidget*>(app_->ControlBar->GetHandle());
    GtkToolbar* tb = nullptr;
    if (GTK_IS_TOOLBAR(w)) tb = GTK_TOOLBAR(w);
    else if (GTK_IS_BIN(w)) tb = GTK_TOOLBAR(gtk_bin_get_child(GTK_BIN(w)));
    return GTK_WIDGET(gtk_toolbar_get_nth_item(tb, n));
  }

  // Its centre on the screen.
  wxPoint ToolCentre(int n) {
    GtkWidget* item = ToolItem(n);
    GtkAllocation a;
    gtk_widget_get_allocation(item, &a);
    gint ox = 0, oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(item), &ox, &oy);
    return {ox + a.x + a.width / 2, oy + a.y + a.height / 2};
  }

  void MoveTo(wxPoint p) {
    sim_.MouseMove(p);
    Pump(150);
  }

  void ClickTool(int id) {
    int n = 0;
    while (kToolBarLayout[n] != id) ++n;
    MoveTo(ToolCentre(n));
    sim_.MouseClick();
  }

  // Answers the file dialog by typing a name into its location field.
  DialogScript::Answer TypeInFileDialog(const std::string& text) {
    return [this, text](wxDialog* d) {
      Shot("file-dialog");
      sim_.MouseMove(d->GetScreenRect().GetPosition() + wxPoint(40, 60));
      Pump(100);
      sim_.Char('l', wxMOD_CONTROL);
      Pump(200);
      sim_.Text(text.c_str());
      Pump(200);
      sim_.Char(WXK_RETURN);
      return int{wxID_NONE};
    };
  }

  // Makes the view exactly `height` pixels high.
  void ResizeViewTo(int height) {
    const int diff = height - View()->GetClientSize().y;
    frame_->SetSize(frame_->GetSize() + wxSize(0, diff));
    ASSERT_TRUE(WaitFor([&] { return View()->GetClientSize().y == height; })) << View()->GetClientSize().y;
    Pump(200);
  }

  // An archive of `names` in dir/pics.lzh, each a 16x16 bitmap of one colour.
  // Fatal when it cannot be made: the window would only wait on a message box.
  static void MakeArchive(const fs::path& dir, const std::vector<std::string>& names, const char* colour) {
    fs::create_directories(dir);
    const fs::path face = dir / "face.bmp";
    const std::string make = "convert -size 16x16 xc:" + std::string(colour) + " 'BMP3:" + face.string() + "'";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    std::string files;
    for (const auto& n : names) {
      fs::copy_file(face, dir / n);
      files += " '" + n + "'";
    }
    fs::remove(face);
    const std::string cmd = "cd '" + dir.string() + "' && jlha aq pics.lzh" + files + " >/dev/null && rm" + files;
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }

  // As the program spells a native path: CP932, z: and backslashes.
  static std::string DosPath(const fs::path& p) {
    std::string dos = Utf8ToCp932Lossy("z:" + p.string());
    for (char& c : dos) if (c == '/') c = '\\';
    return dos;
  }

  static void RememberArchive(const fs::path& archive) { WriteLzhFile(DosPath(archive)); }

  TempDir tmp_;
  TempDir win_;
  // The client moves into archive directories; the temp ones vanish afterwards.
  vok::testing::ScopedCwd cwd_{fs::current_path()};
  ScopedEnv windir_{"VOK32_WINDIR", win_.str()};
  DApp* app_ = nullptr;
  wxWeakRef<DDecFrame> frame_;
  wxUIActionSimulator sim_;
};

TEST_F(Window, HintsFollowThePointerOverTheToolBar) {
  WriteProfileStringA("Desktop", "wallpaper", "z:\\pics\\lake.bmp");
  WriteProfileStringA("Desktop", "TileWallpaper", "0");
  Start();
  const wxString status = Jp(Utf8ToCp932Lossy("lake.bmp:中央に表示中"));
  EXPECT_EQ(frame_->ShownStatus(), status);

  for (int n = 0; n < static_cast<int>(std::size(kToolBarLayout)); ++n) {
    const int id = kToolBarLayout[n];
    MoveTo(ToolCentre(n));
    if (id == 0) {
      EXPECT_TRUE(WaitFor([&] { return frame_->ShownStatus() == status; })) << "gap at " << n;
      continue;
    }
    EXPECT_TRUE(app_->ControlBar->GetToolEnabled(id)) << id;
    EXPECT_TRUE(WaitFor([&] { return frame_->ShownStatus() == Jp(res::LoadString(id)); }))
        << id << ": " << frame_->ShownStatus();
    if (id == CM_EXTRACT) Shot("hint-extract");
  }

  // From the last button to the bar's empty end.
  const wxRect bar = app_->ControlBar->GetScreenRect();
  MoveTo({bar.GetRight() - 3, bar.GetTop() + bar.GetHeight() / 2});
  EXPECT_TRUE(WaitFor([&] { return frame_->ShownStatus() == status; }));

  // From a button straight out of the bar, into the listing area.
  MoveTo(ToolCentre(0));
  ASSERT_TRUE(WaitFor([&] { return frame_->HintShown(); }));
  MoveTo(View()->GetScreenRect().GetPosition() + wxPoint(20, 30));
  EXPECT_TRUE(WaitFor([&] { return frame_->ShownStatus() == status; }));

  // A status change under a hint shows once the hint goes.
  MoveTo(ToolCentre(0));
  ASSERT_TRUE(WaitFor([&] { return frame_->HintShown(); }));
  WriteProfileStringA("Desktop", "TileWallpaper", "1");
  Client().ShowWallpaperStatus();
  Pump(100);
  EXPECT_EQ(frame_->ShownStatus(), Jp(res::LoadString(CM_EXIT)));
  MoveTo(View()->GetScreenRect().GetPosition() + wxPoint(20, 30));
  EXPECT_TRUE(WaitFor([&] { return frame_->ShownStatus() == Jp(Utf8ToCp932Lossy("lake.bmp:並べて表示中")); }));
}

TEST_F(Window, StatusLineKeepsTheModeVisibleAtTheDefaultWidth) {
  WriteProfileStringA("Desktop", "wallpaper", "z:\\pics\\sunset.bmp");
  WriteProfileStringA("Desktop", "TileWallpaper", "0");
  Start();
  wxStatusBar* bar = app_->MessageBar;
  wxRect field;
  ASSERT_TRUE(bar->GetFieldRect(0, field));
  auto check = [&](const std::string& whole) {
    SCOPED_TRACE(whole);
    const wxString mode = wxString::FromUTF8(whole.substr(whole.rfind(':')));
    EXPECT_EQ(frame_->ShownStatus(), wxString::FromUTF8(whole));
    const wxString drawn = frame_->DrawnStatus();
    EXPECT_TRUE(drawn.EndsWith(mode)) << drawn;
    EXPECT_LE(bar->GetTextExtent(drawn).x, field.width) << drawn;
    if (drawn == wxString::FromUTF8(whole)) {
      EXPECT_EQ(bar->GetToolTipText(), wxString());
    } else {
      EXPECT_TRUE(drawn.Contains(wxString::FromUTF8("…"))) << drawn;
      EXPECT_EQ(bar->GetToolTipText(), wxString::FromUTF8(whole));
    }
  };
  check("sunset.bmp:中央に表示中");
  Shot("status-default-width");

  WriteProfileStringA("Desktop", "wallpaper", "z:\\pics\\a-rather-long-wallpaper-name.bmp");
  WriteProfileStringA("Desktop", "TileWallpaper", "1");
  Client().ShowWallpaperStatus();
  Pump(100);
  check("a-rather-long-wallpaper-name.bmp:並べて表示中");
  EXPECT_TRUE(frame_->DrawnStatus().StartsWith("a-")) << frame_->DrawnStatus();
  // The whole text as the tooltip, over the field.
  MoveTo(bar->GetScreenRect().GetPosition() + wxPoint(30, bar->GetSize().y / 2));
  MoveTo(bar->GetScreenRect().GetPosition() + wxPoint(32, bar->GetSize().y / 2));
  Pump(1200);
  Shot("status-tooltip");

  // A wider window shows the whole text again, without a tooltip.
  frame_->SetSize(frame_->GetSize() + wxSize(300, 0));
  ASSERT_TRUE(WaitFor([&] { return frame_->DrawnStatus() == frame_->ShownStatus(); }));
  EXPECT_EQ(bar->GetToolTipText(), wxString());

  // Hints are whole where they fit.
  for (int id : {CM_EXIT, CM_FILEOPEN, CM_EXTRACT, CM_CENTER, CM_TILE, CM_HELP, CM_ABOUT}) {
    MoveTo(ToolCentre(static_cast<int>(std::find(std::begin(kToolBarLayout), std::end(kToolBarLayout), id) -
                                       std::begin(kToolBarLayout))));
    EXPECT_TRUE(WaitFor([&] { return frame_->DrawnStatus() == Jp(res::LoadString(id)); })) << frame_->DrawnStatus();
  }
}

TEST_F(Window, DoubleClickExtractsTheRowAndChangesTheWallpaper) {
  ASSERT_NO_FATAL_FAILURE(MakeArchive(tmp_.path() / "arc", {"RED.BMP", "LIME.BMP"}, "red"));
  const fs::path archive = tmp_.path() / "arc" / "pics.lzh";
  RememberArchive(archive);
  DialogScript dialogs;
  dialogs.Then([this](wxDialog* d) {
    // Escape means No: nothing is extracted.
    sim_.MouseMove(d->GetScreenRect().GetPosition() + wxPoint(20, 20));
    Pump(100);
    sim_.Char(WXK_ESCAPE);
    return int{wxID_NONE};
  });
  dialogs.Then([](wxDialog*) {
    Shot("extract-question");
    return int{wxID_YES};
  });
  dialogs.Then([](wxDialog*) { return int{wxID_NO}; });  // keep the previous wallpaper, if asked
  Start();
  ASSERT_EQ(Client().ArchiveOpen, 1);
  Shot("listing");

  const int h = View()->LineHeight();
  const wxPoint firstRow = View()->ClientToScreen(wxPoint(10, h / 2));
  MoveTo(firstRow);
  sim_.MouseDblClick();
  ASSERT_TRUE(WaitFor([&] { return dialogs.closed == 1; }, 5000));
  Pump(300);
  EXPECT_FALSE(fs::exists(archive.parent_path() / "RED.BMP"));

  MoveTo(firstRow);
  sim_.MouseDblClick();
  ASSERT_TRUE(WaitFor([&] { return fs::exists(archive.parent_path() / "RED.BMP"); }, 5000))
      << dialogs.seen.size() << " dialogs, last " << dialogs.seen.back().title.utf8_string() << ": "
      << dialogs.seen.back().message.utf8_string();
  // The status follows once the last question is answered.
  EXPECT_TRUE(WaitFor([&] { return frame_->ShownStatus().StartsWith("red.bmp:"); }, 5000)) << frame_->ShownStatus();

  ASSERT_GE(dialogs.seen.size(), 2u);
  EXPECT_EQ(dialogs.seen[1].title, "RED.BMP");
  EXPECT_EQ(dialogs.seen[1].message, Jp(texts::ExtractQuestion()));
  char wallpaper[MAX_PATH] = {};
  GetProfileStringA("Desktop", "wallpaper", "", wallpaper, MAX_PATH);
  EXPECT_EQ(std::string(wallpaper), DosPath(archive.parent_path() / "RED.BMP"));
  Shot("extracted");
  // The root window shows the red bitmap (tiled: every pixel is red).
  EXPECT_EQ(RootPixel(2, 2), "srgb(255,0,0)");
}


TEST_F(Window, ScrollBarFollowsTheRowsThatFit) {
  std::vector<std::string> names;
  // Appended, not "P" + std::string: GCC 12 at -O3 warns falsely (-Wrestrict) on that.
  for (int i = 0; i < 20; ++i) names.push_back(std::string("P").append(std::to_string(100 + i)).append(".BMP"));
  ASSERT_NO_FATAL_FAILURE(MakeArchive(tmp_.path() / "many", names, "blue"));
  RememberArchive(tmp_.path() / "many" / "pics.lzh");
  Start();
  ASSERT_EQ(Client().EntryCount - 5, 20);
  const int h = View()->LineHeight();

  ResizeViewTo(10 * h - 1);  // only whole rows count: 9 visible
  EXPECT_TRUE(VerticalScrollBarEnabled(View()));
  EXPECT_EQ(View()->ScrollRange(), 11);
  EXPECT_EQ(View()->ScrollPosition(), 0);

  // The wheel: a notch down moves by whole rows, up comes back.
  MoveTo(View()->ClientToScreen(wxPoint(10, h / 2)));
  ASSERT_EQ(std::system("xdotool click 5"), 0);
  EXPECT_TRUE(WaitFor([&] { return View()->ScrollPosition() == 3; })) << View()->ScrollPosition();
  ASSERT_EQ(std::system("xdotool click 4"), 0);
  EXPECT_TRUE(WaitFor([&] { return View()->ScrollPosition() == 0; })) << View()->ScrollPosition();

  // The keyboard: End goes to the last row, Up one back.
  sim_.MouseClick();
  Pump(100);
  sim_.Char(WXK_END);
  EXPECT_TRUE(WaitFor([&] { return View()->ScrollPosition() == 11; })) << View()->ScrollPosition();
  Shot("scrolled-to-end");
  sim_.Char(WXK_UP);
  EXPECT_TRUE(WaitFor([&] { return View()->ScrollPosition() == 10; })) << View()->ScrollPosition();
  sim_.Char(WXK_PAGEUP);  // page of (H + 1) / h - 1 = 9 rows
  EXPECT_TRUE(WaitFor([&] { return View()->ScrollPosition() == 1; })) << View()->ScrollPosition();
  sim_.Char(WXK_PAGEUP);  // clamped at the top
  EXPECT_TRUE(WaitFor([&] { return View()->ScrollPosition() == 0; })) << View()->ScrollPosition();

  // The bar: dragging the thumb past the bottom ends at the last row.
  const wxRect view = View()->GetScreenRect();
  const wxRect client(View()->ClientToScreen(wxPoint(0, 0)), View()->GetClientSize());
  const int barX = (client.GetRight() + view.GetRight()) / 2 + 1;
  MoveTo({barX, view.GetTop() + 10});
  sim_.MouseDown();
  for (int y = view.GetTop() + 20; y < view.GetBottom() + 60; y += 20) MoveTo({barX, y});
  EXPECT_GT(View()->ScrollPosition(), 0);  // follows the thumb while dragging
  sim_.MouseUp();
  EXPECT_TRUE(WaitFor([&] { return View()->ScrollPosition() == 11; })) << View()->ScrollPosition();

  // Any resize goes back to the top; a window exactly as high as the rows disables the bar.
  ResizeViewTo(20 * h);
  EXPECT_EQ(View()->ScrollPosition(), 0);
  EXPECT_FALSE(VerticalScrollBarEnabled(View()));
  EXPECT_EQ(View()->ScrollRange(), 1);
  Shot("all-rows-fit");

  // One row short: enabled, and one step shows the last row on the last line.
  ResizeViewTo(19 * h);
  EXPECT_TRUE(VerticalScrollBarEnabled(View()));
  EXPECT_EQ(View()->ScrollRange(), 1);
  View()->ScrollToRow(5);
  EXPECT_EQ(View()->ScrollPosition(), 1);

  // A listing that fits, shown while scrolled down (as when another archive
  // opens): back at the top, not with its first row hidden above it.
  Client().EntryCount = 10;
  View()->Refresh();
  Pump(200);
  EXPECT_FALSE(VerticalScrollBarEnabled(View()));
  EXPECT_EQ(View()->ScrollRange(), 1);
  EXPECT_EQ(View()->ScrollPosition(), 0);

  // No data rows: nothing drawn, the bar disabled.
  Client().EntryCount = 5;
  View()->Refresh();
  Pump(200);
  EXPECT_FALSE(VerticalScrollBarEnabled(View()));
  EXPECT_EQ(View()->ScrollRange(), 1);
}

TEST_F(Window, TrackClicksMoveOnePageAndHoldingRepeatsPages) {
  std::vector<std::string> names;
  for (int i = 0; i < 60; ++i) names.push_back(std::string("T").append(std::to_string(100 + i)).append(".BMP"));
  ASSERT_NO_FATAL_FAILURE(MakeArchive(tmp_.path() / "long", names, "teal"));
  RememberArchive(tmp_.path() / "long" / "pics.lzh");
  Start();
  const int h = View()->LineHeight();
  ResizeViewTo(12 * h + 3);  // 12 rows visible; a page is (H + 1) / h - 1 = 11
  ASSERT_EQ(View()->ScrollRange(), 48);

  const wxRect view = View()->GetScreenRect();
  const wxRect client(View()->ClientToScreen(wxPoint(0, 0)), View()->GetClientSize());
  const wxPoint track{(client.GetRight() + view.GetRight()) / 2 + 1, view.GetBottom() - 12};
  MoveTo(track);
  for (int want : {11, 22, 33}) {
    sim_.MouseClick();
    EXPECT_TRUE(WaitFor([&] { return View()->ScrollPosition() == want; })) << View()->ScrollPosition();
    Pump(600);  // no double click, and no late steps
    EXPECT_EQ(View()->ScrollPosition(), want);
  }
  Shot("paged-on-track");

  // Held down from the top: pages, one after the other, to the end.
  View()->ScrollToRow(0);
  std::set<int> seen;
  sim_.MouseDown();
  for (int i = 0; i < 300 && View()->ScrollPosition() < 48; ++i) {
    Pump(10);
    seen.insert(View()->ScrollPosition());
  }
  sim_.MouseUp();
  EXPECT_EQ(View()->ScrollPosition(), 48);
  for (int s : seen) EXPECT_TRUE(s % 11 == 0 || s == 48) << s;
  EXPECT_GE(seen.size(), 5u);
}

TEST_F(Window, YesNoBoxesAnswerToBareYAndN) {
  DialogScript dialogs;
  std::vector<bool> byKey;
  const std::pair<int, int> keys[] = {{'y', 0}, {'n', 0}, {'y', wxMOD_SHIFT}, {'n', wxMOD_SHIFT}, {WXK_RETURN, 0}};
  for (auto [key, mod] : keys) {
    dialogs.Then([this, &byKey, key, mod](wxDialog* d) {
      sim_.MouseMove(d->GetScreenRect().GetPosition() + wxPoint(20, 20));
      Pump(100);
      sim_.Char(key, mod);
      Pump(300);
      byKey.push_back(!d->IsModal());
      return int{d->IsModal() ? wxID_CANCEL : wxID_NONE};
    });
  }
  Start();
  const std::string q = Utf8ToCp932Lossy("よろしいですか？");
  for (int want : {IDYES, IDNO, IDYES, IDNO, IDYES}) {
    EXPECT_EQ(View()->MessageBox(q, "VOK32", MB_YESNO | MB_ICONQUESTION), want);
  }
  EXPECT_EQ(byKey, std::vector<bool>(5, true));
}

TEST_F(Window, LogoDisablesTheScrollBar) {
  Start();
  EXPECT_EQ(Client().ArchiveOpen, 0);
  EXPECT_FALSE(VerticalScrollBarEnabled(View()));
  ResizeViewTo(300);
  EXPECT_FALSE(VerticalScrollBarEnabled(View()));
  Shot("logo");
}

TEST_F(Window, HelpAndAboutOpenAndClose) {
  DialogScript dialogs;
  dialogs.Then([](wxDialog*) {
    Shot("help");
    return int{wxID_OK};
  });
  std::vector<wxString> labels;
  wxSize aboutSize, aboutWanted;
  for (int i = 0; i < 2; ++i) {
    dialogs.Then([&, i](wxDialog* d) {
      if (i == 0) {
        Shot("about");
        for (wxWindow* c : d->GetChildren()) {
          if (auto* t = dynamic_cast<wxStaticText*>(c)) labels.push_back(t->GetLabel());
        }
        aboutSize = d->GetClientSize();
        aboutWanted = d->ConvertDialogToPixels(wxSize(142, 112));
      }
      return int{wxID_OK};
    });
  }
  Start();
  ClickTool(CM_HELP);
  ASSERT_TRUE(WaitFor([&] { return dialogs.seen.size() == 1; }));
  ClickTool(CM_ABOUT);
  ASSERT_TRUE(WaitFor([&] { return dialogs.seen.size() == 2; }));
  Pump(600);
  ClickTool(CM_ABOUT);  // a fresh box each time
  ASSERT_TRUE(WaitFor([&] { return dialogs.seen.size() == 3; }));
  Pump(600);

  EXPECT_EQ(dialogs.seen[0].title, Jp(texts::HelpCaption()));
  EXPECT_EQ(dialogs.seen[0].message, Jp(texts::HelpText()));
  EXPECT_EQ(dialogs.seen[1].title, wxString::FromUTF8("Lumivexについて"));
  EXPECT_EQ(dialogs.seen[2].title, dialogs.seen[1].title);
  ASSERT_EQ(labels.size(), 4u);
  EXPECT_TRUE(labels[0].EndsWith("(Lumivex)")) << labels[0];
  EXPECT_EQ(labels[1], wxString::FromUTF8("WIN32対応 Version 1.00"));
  EXPECT_EQ(aboutSize, aboutWanted);
  EXPECT_TRUE(frame_);  // both closed, the window still there
}

TEST_F(Window, WindowSizeRoundTripsThroughTheSettingsFile) {
  // No stored rectangle: the default place.
  Start();
  const FrameMetrics m = MeasureFrameMetrics();
  EXPECT_EQ(frame_->GetRect(), wxRect(300, 100, WidestFrame(m), DefaultFrameHeight(m)));
  frame_->SetSize(120, 60, NarrowestFrame(m), LowestFrame(m) + 100);
  Pump(200);
  Close();
  ASSERT_TRUE(ReadWindowSize());
  EXPECT_EQ(*ReadWindowSize(),
            (WindowRect{120, 120 + NarrowestFrame(m), 60, 60 + LowestFrame(m) + 100}));

  // Reopens where it was closed; exit writes it too and goes back to the start directory.
  const fs::path startDir = tmp_.path();
  vok::testing::ScopedCwd cwd(startDir);
  Start();
  EXPECT_EQ(frame_->GetRect(), wxRect(120, 60, NarrowestFrame(m), LowestFrame(m) + 100));
  fs::current_path("/");
  frame_->Move(130, 70);
  Pump(200);
  ClickTool(CM_EXIT);
  ASSERT_TRUE(WaitFor([&] { return !frame_; }));
  EXPECT_EQ(ReadWindowSize()->left, 130);
  EXPECT_EQ(ReadWindowSize()->top, 70);
  EXPECT_EQ(fs::current_path(), startDir);

  // Closed while minimized, it leaves the stored rectangle alone. Only a
  // window manager minimizes; without one this part has nothing to check.
  Start();
  const std::optional<WindowRect> before = ReadWindowSize();
  frame_->Move(200, 150);  // so that a write would show
  Pump(200);
  frame_->Iconize();
  if (WaitFor([&] { return frame_->IsIconized(); }, 2000)) {
    Close();
    EXPECT_EQ(ReadWindowSize(), before);
  }
}

TEST_F(Window, FileOpenRefusesANameWithoutAShiftJisForm) {
  // é has no form in the program's code page.
  ASSERT_NO_FATAL_FAILURE(MakeArchive(tmp_.path() / "café", {"SEA.BMP"}, "navy"));
  const fs::path archive = tmp_.path() / "café" / "pics.lzh";
  DialogScript dialogs;
  dialogs.Then(TypeInFileDialog("pics"));
  dialogs.Then([](wxDialog*) {
    Shot("name-without-cp932-form");
    return int{wxID_OK};
  });
  dialogs.Then([](wxDialog*) { return int{wxID_CANCEL}; });
  Start();
  fs::current_path(archive.parent_path());
  ClickTool(CM_FILEOPEN);
  ASSERT_TRUE(WaitFor([&] { return dialogs.closed == 3; }, 15000)) << dialogs.seen.size() << " dialogs";
  EXPECT_TRUE(dialogs.seen[1].message.Contains(wxString::FromUTF8("使えない文字"))) << dialogs.seen[1].message;
  EXPECT_EQ(Client().ArchiveOpen, 0);
  EXPECT_EQ(ReadLzhFile(), "");
}

TEST(FileFilter, PatternsMatchEitherCase) {
  struct {
    const char* in;
    const char* want;
  } cases[] = {
      {"LZH(*.lzh)|*.lzh|", "LZH(*.lzh)|*.[lL][zZ][hH]|"},
      {"VOK(*.lzh,*.bmp)|*.lzh;*.BMP", "VOK(*.lzh,*.bmp)|*.[lL][zZ][hH];*.[bB][mM][pP]"},
      {"all(*.*)|*.*|bmp|*.bmp", "all(*.*)|*|bmp|*.[bB][mM][pP]"},
      {"x|a?1_*", "x|[aA]?1_*"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CaseInsensitiveFilter(c.in), c.want) << c.in;
}

TEST_F(Window, FileOpenTakesATypedNameWithoutExtensionInAnyCase) {
  ASSERT_NO_FATAL_FAILURE(MakeArchive(tmp_.path() / "壁紙", {"SEA.BMP"}, "navy"));
  const fs::path archive = tmp_.path() / "壁紙" / "pics.lzh";
  fs::rename(archive, archive.parent_path() / "B.LZH");
  const fs::path dir = archive.parent_path();

  auto type = [this](const std::string& text) { return TypeInFileDialog(text); };
  DialogScript dialogs;
  dialogs.Then(type("nothere"));  // no such file: a message, then the dialog again
  dialogs.Then([](wxDialog*) {
    Shot("file-not-found");
    return int{wxID_OK};
  });
  dialogs.Then(type("b"));
  Start();
  // The dialog opens in the current directory; names typed there are relative to it.
  fs::current_path(dir);
  ClickTool(CM_FILEOPEN);
  ASSERT_TRUE(WaitFor([&] { return Client().ArchiveOpen == 1; }, 15000)) << [&] {
    std::string all;
    for (const auto& d : dialogs.seen) all += "[" + d.title.utf8_string() + ": " + d.message.utf8_string() + "]";
    return all;
  }();
  ASSERT_GE(dialogs.seen.size(), 3u);
  EXPECT_TRUE(dialogs.seen[1].message.Contains("nothere")) << dialogs.seen[1].message;
  EXPECT_EQ(Client().FileData->FileName, DosPath(dir / "B.LZH"));
  EXPECT_EQ(fs::current_path(), dir);
  EXPECT_EQ(ReadLzhFile(), DosPath(dir / "B.LZH"));

  // Opened again, the dialog holds the name chosen before, at a size that
  // suits the screen, centred on the frame.
  wxString held;
  wxRect placed;
  dialogs.Then([&](wxDialog* d) {
    Pump(300);
    Shot("file-dialog-again");
    if (auto* f = dynamic_cast<wxFileDialog*>(d)) held = f->GetPath();
    // Where the server has it: the toolkit moved it behind wx's back.
    GdkRectangle r{};
    gdk_window_get_frame_extents(gtk_widget_get_window(static_cast<GtkWidget*>(d->GetHandle())), &r);
    placed = wxRect(r.x, r.y, r.width, r.height);
    return int{wxID_CANCEL};
  });
  const size_t before = dialogs.seen.size();
  ClickTool(CM_FILEOPEN);
  ASSERT_TRUE(WaitFor([&] { return dialogs.closed == static_cast<int>(before) + 1; }, 10000));
  EXPECT_EQ(held.utf8_string(), (dir / "B.LZH").string());
  const wxRect screen = wxGetClientDisplayRect();
  EXPECT_TRUE(screen.Contains(placed)) << placed.x << "," << placed.y << " " << placed.width << "x" << placed.height;
  EXPECT_LE(placed.width, 640);
  const wxPoint centre = frame_->GetScreenRect().GetPosition() + frame_->GetSize() / 2;
  const wxPoint mid = placed.GetPosition() + placed.GetSize() / 2;
  EXPECT_LE(std::abs(mid.x - std::clamp(centre.x, screen.x + placed.width / 2, screen.GetRight() - placed.width / 2)), 2);
  EXPECT_LE(std::abs(mid.y - std::clamp(centre.y, screen.y + placed.height / 2, screen.GetBottom() - placed.height / 2)), 2);
}

}  // namespace
}  // namespace vok

int main(int argc, char** argv) { return vok::gui::RunWindowTests(argc, argv); }

// The previews in the real window on a private X display: the picture of the
// member under the pointer, and the file dialog's preview pane. The pointer
// is moved with xdotool, as a user's would; screenshots land in artifacts/.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include "app/dapp.h"
#include "app/ddecframe.h"
#include "archive/listing.h"
#include "platform/codepage.h"
#include "settings/settings.h"
#include "tests/gui/gui_harness.h"
#include "tests/temp_dir.h"
#include "view/dclient_view.h"
#include "view/hover_preview.h"

namespace vok {
namespace {

namespace fs = std::filesystem;
using gui::Pump;
using gui::Shot;
using gui::WaitFor;
using vok::testing::ScopedEnv;
using vok::testing::TempDir;

// What the screen shows at a point, as 0xRRGGBB, read back from the X server.
std::uint32_t ScreenPixel(wxPoint p) {
  GdkWindow* root = gdk_get_default_root_window();
  GdkPixbuf* one = gdk_pixbuf_get_from_window(root, p.x, p.y, 1, 1);
  if (!one) return 0xdeadbeef;
  const guchar* px = gdk_pixbuf_read_pixels(one);
  const std::uint32_t c = std::uint32_t{px[0]} << 16 | std::uint32_t{px[1]} << 8 | px[2];
  g_object_unref(one);
  return c;
}

void PointerTo(wxPoint p) {
  const std::string cmd = "xdotool mousemove " + std::to_string(p.x) + " " + std::to_string(p.y);
  ASSERT_EQ(std::system(cmd.c_str()), 0);
}

std::set<fs::path> Listing(const fs::path& dir) {
  std::set<fs::path> out;
  for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path());
  return out;
}

// Calls `act` with each modal dialog once it had time to show.
class OnDialog : public wxModalDialogHook {
 public:
  explicit OnDialog(std::function<void(wxDialog*)> act) : act_(std::move(act)) {
    timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
      if (dialog_) act_(dialog_.get());
    });
    Register();
  }
  ~OnDialog() override { Unregister(); }
  int seen = 0;

 protected:
  int Enter(wxDialog* d) override {
    // A message box passes through here twice, as itself and as a dialog.
    if (dialog_.get() == d) return wxID_NONE;
    ++seen;
    dialog_ = d;
    timer_.StartOnce(400);
    return wxID_NONE;
  }
  void Exit(wxDialog*) override {}

 private:
  std::function<void(wxDialog*)> act_;
  wxWeakRef<wxDialog> dialog_;
  wxTimer timer_;
};

class Preview : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(win_.path());
    app_ = static_cast<DApp*>(wxTheApp);
    dir_ = tmp_.path() / "pics";
    fs::create_directories(dir_);
    // Left half red, right half blue: 64 x 32, so 160 x 80 in the popup.
    Make("convert -size 32x32 xc:red xc:blue +append BMP3:WIDE.BMP");
    Make("convert -size 30x60 xc:lime BMP3:TALL.BMP");
    Make("printf 'just text' > NOTES.TXT");
    Make("printf 'BM broken' > BROKEN.BMP");
    Make("jlha aq pics.lzh WIDE.BMP TALL.BMP NOTES.TXT BROKEN.BMP && rm WIDE.BMP TALL.BMP NOTES.TXT BROKEN.BMP");
    archive_ = dir_ / "pics.lzh";
  }

  void TearDown() override {
    if (frame_) frame_->Destroy();
    WaitFor([&] { return !frame_; });
  }

  void Make(const std::string& cmd) {
    const std::string line = "cd '" + dir_.string() + "' && " + cmd + " >/dev/null";
    ASSERT_EQ(std::system(line.c_str()), 0) << cmd;
  }

  void StartWithArchive() {
    std::string dos = Utf8ToCp932Lossy("z:" + archive_.string());
    for (char& c : dos) if (c == '/') c = '\\';
    WriteLzhFile(dos);
    app_->InitMainWindow();
    frame_ = app_->Frame;
    ASSERT_TRUE(WaitFor([&] { return frame_ && frame_->IsShownOnScreen() && View()->Client().ArchiveOpen; }, 10000));
    Pump(400);
  }

  DClientView* View() { return app_->Client; }
  HoverPreview& Hover() { return View()->Hover(); }

  // The middle of the n-th member row (0 = the first), on the screen.
  wxPoint Row(int n) {
    const int h = View()->LineHeight();
    return View()->ClientToScreen(wxPoint(40, n * h + h / 2));
  }

  // Rests the pointer on row n until the popup shows.
  bool RestOn(int n) {
    PointerTo(Row(n) + wxPoint(-2, 0));
    Pump(30);
    PointerTo(Row(n));
    return WaitFor([&] { return Hover().PopupShown(); }, 4000);
  }

  TempDir tmp_;
  TempDir win_;
  fs::path dir_, archive_;
  vok::testing::ScopedCwd cwd_{fs::current_path()};
  ScopedEnv windir_{"VOK32_WINDIR", win_.str()};
  DApp* app_ = nullptr;
  wxWeakRef<DDecFrame> frame_;
  wxUIActionSimulator sim_;
};

TEST_F(Preview, RestingOnARowShowsTheMemberAndLeavingHidesIt) {
  StartWithArchive();
  ASSERT_EQ(View()->Client().EntryCount - 5, 4);

  ASSERT_TRUE(RestOn(0));  // WIDE.BMP
  const wxRect picture = Hover().PictureRect();
  EXPECT_EQ(picture.GetSize(), wxSize(160, 80));
  Pump(200);
  Shot("preview-hover");
  // Beside the row, and the member's scaled pixels in it: red left, blue right.
  EXPECT_GT(picture.GetLeft(), Row(0).x);
  EXPECT_LE(std::abs(Hover().PopupRect().GetTop() - (Row(0).y - View()->LineHeight() / 2)), 1);
  for (int y : {2, 40, 77}) {
    EXPECT_EQ(ScreenPixel(picture.GetPosition() + wxPoint(3, y)), 0xff0000u) << y;
    EXPECT_EQ(ScreenPixel(picture.GetPosition() + wxPoint(76, y)), 0xff0000u) << y;
    EXPECT_EQ(ScreenPixel(picture.GetPosition() + wxPoint(83, y)), 0x0000ffu) << y;
    EXPECT_EQ(ScreenPixel(picture.GetPosition() + wxPoint(156, y)), 0x0000ffu) << y;
  }
  const wxPoint middle = picture.GetPosition() + wxPoint(40, 40);

  // Away from the listing: gone from the screen too.
  PointerTo(View()->GetScreenRect().GetTopRight() + wxPoint(150, 40));
  EXPECT_TRUE(WaitFor([&] { return !Hover().PopupShown(); }));
  Pump(200);
  EXPECT_NE(ScreenPixel(middle), 0xff0000u);
  Shot("preview-gone");

  // The next row has its own picture; moving to it swaps them.
  ASSERT_TRUE(RestOn(1));  // TALL.BMP, 30 x 60: 60 x 120
  EXPECT_EQ(Hover().PictureRect().GetSize(), wxSize(60, 120));
  PointerTo(Row(0));
  EXPECT_TRUE(WaitFor([&] { return Hover().PopupShown() && Hover().PictureRect().GetWidth() == 160; }));

  // A text and a broken bitmap: no popup, no beep or message, nothing else.
  for (int row : {2, 3}) {
    PointerTo(Row(row));
    Pump(1200);
    EXPECT_FALSE(Hover().PopupShown()) << row;
  }
  EXPECT_EQ(View()->Client().EntryCount - 5, 4);
}

TEST_F(Preview, ButtonsKeysWheelAndDialogsHideItAndClicksStillSelect) {
  StartWithArchive();
  auto selected = [&](int row) { return View()->Client().Entries[kFirstDataRow + row].Selected != 0; };

  // A click on the popup itself goes through to the row beneath it.
  ASSERT_TRUE(RestOn(0));
  const wxPoint onPopup = Hover().PictureRect().GetPosition() + wxPoint(4, 1);
  ASSERT_TRUE(View()->GetScreenRect().Contains(onPopup));
  PointerTo(onPopup);
  Pump(100);
  ASSERT_TRUE(Hover().PopupShown());  // still on the same row
  sim_.MouseClick();
  EXPECT_TRUE(WaitFor([&] { return !Hover().PopupShown() && selected(0); }));

  // A press hides it, and selects the row as it always did.
  ASSERT_TRUE(RestOn(1));
  sim_.MouseClick();
  EXPECT_TRUE(WaitFor([&] { return !Hover().PopupShown() && selected(1); }));
  EXPECT_FALSE(selected(0));

  Pump(800);  // no new rest without a move
  EXPECT_FALSE(Hover().PopupShown());

  // A right press clears the selection, and hides it too.
  ASSERT_TRUE(RestOn(0));
  sim_.MouseClick(wxMOUSE_BTN_RIGHT);
  EXPECT_TRUE(WaitFor([&] { return !Hover().PopupShown() && !selected(1); }));

  // A held button: no picture while dragging over the rows.
  PointerTo(Row(0));
  sim_.MouseDown();
  PointerTo(Row(1));
  Pump(900);
  EXPECT_FALSE(Hover().PopupShown());
  sim_.MouseUp();
  Pump(100);

  // Keys and the wheel.
  ASSERT_TRUE(RestOn(0));
  sim_.Char(WXK_DOWN);
  EXPECT_TRUE(WaitFor([&] { return !Hover().PopupShown(); }));
  ASSERT_TRUE(RestOn(1));
  ASSERT_EQ(std::system("xdotool click 5"), 0);
  EXPECT_TRUE(WaitFor([&] { return !Hover().PopupShown(); }));

  // A dialog opening (the help box here).
  ASSERT_TRUE(RestOn(0));
  bool hiddenUnderDialog = false;
  OnDialog answer([&](wxDialog* d) {
    hiddenUnderDialog = !Hover().PopupShown();
    d->EndModal(wxID_OK);
  });
  View()->Client().CmHelp();
  EXPECT_EQ(answer.seen, 1);
  EXPECT_TRUE(hiddenUnderDialog);

  // The window losing the focus.
  ASSERT_TRUE(RestOn(1));
  wxActivateEvent lost(wxEVT_ACTIVATE, false);
  frame_->GetEventHandler()->ProcessEvent(lost);
  EXPECT_FALSE(Hover().PopupShown());
}

TEST_F(Preview, HoveringEveryRowWritesNothing) {
  // More rows than the cache keeps, so pictures are also decoded again.
  std::string names;
  for (int i = 0; i < 40; ++i) {
    const std::string n = "P" + std::to_string(100 + i) + ".BMP";
    ASSERT_NO_FATAL_FAILURE(Make("convert -size 8x6 xc:'rgb(" + std::to_string(i * 6) + ",90,200)' BMP3:" + n));
    names += " " + n;
  }
  ASSERT_NO_FATAL_FAILURE(Make("jlha aq many.lzh" + names + " && rm" + names));
  archive_ = dir_ / "many.lzh";
  const std::set<fs::path> before = Listing(dir_);
  StartWithArchive();
  const std::string settingsBefore = vok::testing::ReadFile(win_.path() / "vok32.ini");
  const int rows = View()->Client().EntryCount - 5;
  ASSERT_EQ(rows, 40);
  const int visible = View()->GetClientSize().y / View()->LineHeight();
  std::set<int> shown;
  for (int top = 0; top < rows; top += visible) {
    View()->ScrollToRow(top);
    Pump(100);
    for (int r = 0; r < visible && View()->ScrollPosition() + r < rows; ++r) {
      if (RestOn(r)) shown.insert(View()->ScrollPosition() + r);
    }
  }
  EXPECT_EQ(shown.size(), static_cast<std::size_t>(rows));
  EXPECT_EQ(Hover().CachedPictures(), 32u);
  EXPECT_EQ(Listing(dir_), before);
  EXPECT_EQ(vok::testing::ReadFile(win_.path() / "vok32.ini"), settingsBefore);

  // Closing the listing drops the pictures.
  View()->Client().ArchiveOpen = 0;
  View()->Refresh();
  EXPECT_TRUE(WaitFor([&] { return Hover().CachedPictures() == 0; }));
}

// The file dialog: the chooser's preview pane follows the file selected in it.
TEST_F(Preview, FileDialogShowsABitmapAndAnArchivesFirstBitmap) {
  ASSERT_NO_FATAL_FAILURE(Make("convert -size 40x30 xc:orange BMP3:sun.bmp"));
  StartWithArchive();
  fs::current_path(dir_);
  struct Seen {
    bool shown = false;
    std::string text;
  };
  std::vector<Seen> seen;
  OnDialog pick([&](wxDialog* d) {
    auto* chooser = GTK_FILE_CHOOSER(d->GetHandle());
    for (const char* name : {"sun.bmp", "pics.lzh"}) {
      gtk_file_chooser_select_filename(chooser, (dir_ / name).c_str());
      Seen s;
      WaitFor([&] { return gtk_file_chooser_get_preview_widget_active(chooser); }, 4000);
      s.shown = gtk_file_chooser_get_preview_widget_active(chooser);
      GList* kids = gtk_container_get_children(GTK_CONTAINER(gtk_file_chooser_get_preview_widget(chooser)));
      for (GList* k = kids; k; k = k->next) {
        if (GTK_IS_LABEL(k->data)) s.text = gtk_label_get_text(GTK_LABEL(k->data));
      }
      g_list_free(kids);
      Pump(300);
      Shot(std::string("preview-dialog-") + name);
      seen.push_back(s);
    }
    d->EndModal(wxID_CANCEL);
  });
  View()->Client().CmFileOpen();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen[0].shown);
  EXPECT_EQ(seen[0].text, "40\u00d730");
  EXPECT_TRUE(seen[1].shown);
  EXPECT_EQ(seen[1].text, "WIDE.BMP\n64\u00d732\n4 \u30d5\u30a1\u30a4\u30eb");
}

}  // namespace
}  // namespace vok

int main(int argc, char** argv) { return vok::gui::RunWindowTests(argc, argv); }

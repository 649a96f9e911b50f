#include "view/file_preview_gtk.h"

#include <algorithm>
#include <cstring>

#include <gtk/gtk.h>

#include <wx/filedlg.h>

#include "platform/codepage.h"
#include "preview/archive_pictures.h"

namespace vok {
namespace {

bool EndsWithNoCase(const std::string& s, const char* tail) {
  const std::size_t n = std::strlen(tail);
  if (s.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = s[s.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c | 0x20);
    if (c != tail[i]) return false;
  }
  return true;
}

std::string PixelSize(const desktop::Thumbnail& t) {
  return std::to_string(t.sourceWidth) + "\u00d7" + std::to_string(t.sourceHeight);
}

}  // namespace

FilePreview::FilePreview(wxFileDialog& dialog) {
  GtkWidget* widget = static_cast<GtkWidget*>(dialog.GetHandle());
  if (!widget || !GTK_IS_FILE_CHOOSER(widget)) return;
  chooser_ = GTK_FILE_CHOOSER(widget);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
  image_ = gtk_image_new();
  label_ = gtk_label_new("");
  gtk_label_set_justify(GTK_LABEL(label_), GTK_JUSTIFY_CENTER);
  gtk_box_pack_start(GTK_BOX(box), image_, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), label_, FALSE, FALSE, 0);
  gtk_widget_show_all(box);
  gtk_file_chooser_set_preview_widget(chooser_, box);
  gtk_file_chooser_set_use_preview_label(chooser_, FALSE);
  gtk_file_chooser_set_preview_widget_active(chooser_, FALSE);
  handler_ = g_signal_connect(chooser_, "update-preview", G_CALLBACK(&FilePreview::OnUpdate), this);
}

FilePreview::~FilePreview() {
  if (chooser_ && handler_) g_signal_handler_disconnect(chooser_, handler_);
}

void FilePreview::OnUpdate(GtkFileChooser*, void* self) { static_cast<FilePreview*>(self)->Update(); }

void FilePreview::Update() {
  const std::uint64_t ticket = ++ticket_;
  worker_.DropPending();
  gchar* chosen = gtk_file_chooser_get_preview_filename(chooser_);
  const std::string path = chosen ? chosen : "";
  g_free(chosen);
  // Until the picture is there the pane stays away: never another file's picture.
  gtk_file_chooser_set_preview_widget_active(chooser_, FALSE);
  if (!EndsWithNoCase(path, ".bmp") && !EndsWithNoCase(path, ".lzh")) return;
  worker_.Post([this, path, ticket] {
    Found found = Look(path);
    CallAfter([this, ticket, found] { Arrived(ticket, found); });
  });
}

FilePreview::Found FilePreview::Look(const std::string& path) {
  Found f;
  if (EndsWithNoCase(path, ".bmp")) {
    f.picture = preview::BitmapFilePicture(path);
    if (f.picture) f.text = PixelSize(*f.picture);
    return f;
  }
  preview::ArchivePictures archive(path);
  const int members = archive.MemberCount();
  if (members < 0) return f;
  const preview::ArchivePictures::Named first = archive.First();
  f.picture = first.picture;
  if (f.picture) f.text = Cp932ToUtf8(first.name) + "\n" + PixelSize(*f.picture) + "\n";
  f.text += std::to_string(members) + " \u30d5\u30a1\u30a4\u30eb";  // "N ファイル"
  return f;
}

void FilePreview::Arrived(std::uint64_t ticket, const Found& found) {
  if (ticket != ticket_ || found.text.empty()) return;
  if (found.picture) {
    const desktop::Thumbnail& t = *found.picture;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, t.width, t.height);
    if (!pixbuf) return;
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    guchar* dst = gdk_pixbuf_get_pixels(pixbuf);
    for (int y = 0; y < t.height; ++y) {
      std::memcpy(dst + static_cast<std::size_t>(y) * stride, t.rgb.data() + static_cast<std::size_t>(y) * t.width * 3,
                  static_cast<std::size_t>(t.width) * 3);
    }
    // Smaller than the listing's popup: the pane must leave the dialog at
    // the size placed for the screen.
    const int w = std::max(1, t.width * 5 / 8), h = std::max(1, t.height * 5 / 8);
    GdkPixbuf* small = gdk_pixbuf_scale_simple(pixbuf, w, h, GDK_INTERP_BILINEAR);
    g_object_unref(pixbuf);
    if (!small) return;
    gtk_image_set_from_pixbuf(GTK_IMAGE(image_), small);
    g_object_unref(small);
  } else {
    gtk_image_clear(GTK_IMAGE(image_));
  }
  gtk_label_set_text(GTK_LABEL(label_), found.text.c_str());
  gtk_file_chooser_set_preview_widget_active(chooser_, TRUE);
}

}  // namespace vok

// The file-open dialog's preview pane (the GTK chooser's own preview
// widget): a bitmap's picture, or for an archive its first bitmap and how
// many members it holds. Decoded away from the window, nothing written.
#pragma once
#include <cstdint>
#include <string>

#include <wx/event.h>

#include "desktop/thumbnail.h"
#include "preview/decode_worker.h"

class wxFileDialog;
typedef struct _GtkFileChooser GtkFileChooser;
typedef struct _GtkWidget GtkWidget;

namespace vok {

class FilePreview : public wxEvtHandler {
 public:
  // Lives no longer than the dialog.
  explicit FilePreview(wxFileDialog& dialog);
  ~FilePreview() override;

 private:
  struct Found {
    desktop::ThumbnailPtr picture;
    std::string text;  // UTF-8
  };
  static void OnUpdate(GtkFileChooser* chooser, void* self);
  static Found Look(const std::string& path);
  void Update();
  void Arrived(std::uint64_t ticket, const Found& found);

  GtkFileChooser* chooser_ = nullptr;
  GtkWidget* image_ = nullptr;
  GtkWidget* label_ = nullptr;
  unsigned long handler_ = 0;
  std::uint64_t ticket_ = 0;
  preview::DecodeWorker worker_;  // last: stops before the rest goes
};

}  // namespace vok

// The picture of the member under the pointer: after the pointer rests on a
// listing row, a small popup beside it shows the member decoded in memory.
// It only watches the view's events and passes every one on, so rows,
// selection and clicks behave as they would without it.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <wx/event.h>
#include <wx/gdicmn.h>
#include <wx/modalhook.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include "desktop/thumbnail.h"
#include "preview/archive_pictures.h"
#include "preview/decode_worker.h"
#include "preview/thumbnail_cache.h"

class wxPopupWindow;

namespace vok {

class DClientView;
class PicturePopup;

class HoverPreview : public wxEvtHandler, private wxModalDialogHook {
 public:
  // How long the pointer must rest on a row.
  static constexpr int kRestMs = 400;

  explicit HoverPreview(DClientView& view);
  ~HoverPreview() override;

  // The view painted: a listing closed, reopened or scrolled away hides it.
  void ListingPainted();

  bool PopupShown() const;
  // On the screen: the whole popup, and its picture inside it.
  wxRect PopupRect() const;
  wxRect PictureRect() const;
  std::size_t CachedPictures() const { return cache_.Size(); }

 private:
  void OnMotion(wxMouseEvent& e);
  // Leaving, a button, a key, the wheel or the scroll bar: away with it.
  template <class Event>
  void Dismiss(Event& e) {
    e.Skip();
    Cancel();
    Hide();
  }
  void OnActivate(wxActivateEvent& e);
  void OnRested(wxTimerEvent&);
  int Enter(wxDialog*) override;
  void Exit(wxDialog*) override {}

  // The data row under a point of the view, or -1.
  int RowAt(wxPoint client) const;
  // Forgets the pictures when the listed archive is no longer the one they came from.
  void FollowListing();
  void Arrived(std::uint64_t ticket, const std::string& name, desktop::ThumbnailPtr picture);
  void Show(int row, const desktop::Thumbnail& picture);
  void Hide();
  // Forgets the rest and any picture still being decoded for it.
  void Cancel();

  DClientView& view_;
  wxWindow* frame_;
  wxTimer timer_;
  int restRow_ = -1;   // the row the pointer rests on
  int shownRow_ = -1;  // the row the popup is for
  int shownPos_ = 0;   // the scroll position it was shown at
  int pendingRow_ = -1;       // the row a picture is being decoded for
  std::uint64_t ticket_ = 0;  // the request whose answer is still wanted
  std::uint64_t generation_ = 0;

  // One listed archive's pictures; the worker's jobs share them.
  std::string listed_;
  std::optional<preview::FileStamp> stamp_;
  std::shared_ptr<preview::ArchivePictures> pictures_;
  preview::ThumbnailCache cache_{32};
  wxWeakRef<PicturePopup> popup_;
  preview::DecodeWorker worker_;  // last: stops before the rest goes
};

}  // namespace vok

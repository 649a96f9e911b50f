#include "widgets/template_dialog.h"

#include <vector>

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/icon.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "resources/resources.h"
#include "widgets/text.h"

namespace vok {

namespace {

using namespace res;

class TemplateDialog : public wxDialog {
 public:
  TemplateDialog(wxWindow* parent, const DialogTemplate& t) {
    long style = wxCAPTION;
    if (t.style & WS_SYSMENU) style |= wxSYSTEM_MENU | wxCLOSE_BOX;
    if (t.style & WS_THICKFRAME) style |= wxRESIZE_BORDER;
    Create(parent, wxID_ANY, FromCp932(t.caption), wxDefaultPosition, wxDefaultSize, style);

    for (const DialogItem& item : t.items) AddItem(item);
    SetClientSize(ConvertDialogToPixels(wxSize(t.cx, t.cy)));
    // Placed relative to the owner's client area, as the template means it.
    wxPoint at = ConvertDialogToPixels(wxPoint(t.x, t.y));
    if (parent) at = parent->ClientToScreen(at);
    Move(at);
    Bind(wxEVT_PAINT, &TemplateDialog::OnPaint, this);
  }

 private:
  void AddItem(const DialogItem& item) {
    const wxPoint pos = ConvertDialogToPixels(wxPoint(item.x, item.y));
    const wxSize size = ConvertDialogToPixels(wxSize(item.cx, item.cy));
    const wxString text = FromCp932(item.text);
    const int id = item.id == 65535 ? int{wxID_ANY} : (item.id == 1 ? int{wxID_OK} : int{item.id});
    if (item.cls == ControlClass::Button) {
      new wxButton(this, id, text, pos, size);
      return;
    }
    switch (item.style & SS_TYPEMASK) {
      case SS_BLACKFRAME:
        // Drawn by the dialog itself, so the controls inside stay visible.
        frames_.push_back(wxRect(pos, size));
        break;
      case SS_ICON: {
        // An icon control takes the picture's own size.
        wxIcon icon(IconPicture());
        new wxStaticBitmap(this, wxID_ANY, icon, pos, wxSize(icon.GetWidth(), icon.GetHeight()));
        break;
      }
      default:
        new wxStaticText(this, wxID_ANY, text, pos, size,
                         ((item.style & SS_TYPEMASK) == SS_CENTER ? wxALIGN_CENTRE_HORIZONTAL : wxALIGN_LEFT) |
                             wxST_NO_AUTORESIZE);
        break;
    }
  }

  void OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    for (const wxRect& r : frames_) dc.DrawRectangle(r);
  }

  std::vector<wxRect> frames_;
};

}  // namespace

bool RunDialogFromTemplate(wxWindow* parent, const std::string& name) {
  const DialogTemplate* t = FindDialog(name);
  if (!t) return false;
  TemplateDialog dlg(parent, *t);
  dlg.ShowModal();
  return true;
}

}  // namespace vok

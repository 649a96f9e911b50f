// A modal dialog built from one of the program's dialog templates.
#pragma once
#include <string>

class wxWindow;

namespace vok {

// Builds the dialog named `name` over parent, runs it modally and destroys
// it. False when there is no such template.
bool RunDialogFromTemplate(wxWindow* parent, const std::string& name);

}  // namespace vok

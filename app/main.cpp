#include <wx/init.h>

#include "app/dapp.h"

// The command line is not used: a file name given there opens nothing.
int main(int, char**) {
  vok::PrepareToolkit();
  wxApp::SetInstance(new vok::DApp);
  char arg0[] = "vok32";
  char* argv[] = {arg0, nullptr};
  int argc = 1;
  return wxEntry(argc, argv);
}

#include "client/dclient.h"

namespace vok {

DClient::DClient(ClientUi& ui)
    : Entries(new ListEntry[kMaxEntries]()), ListingBuffer(new char[kListingBufferSize]()), ui_(ui) {}
DClient::~DClient() = default;

bool DClient::Create() {
  FileData = std::make_unique<FileDialogData>();
  return true;
}
void DClient::SetupWindow() {}
void DClient::CmFileOpen() {}
void DClient::CmExtract() {}
void DClient::CmCenter() {}
void DClient::CmTile() {}
void DClient::CmHelp() {}
void DClient::CmAbout() { ui_.RunAboutDialog(); }
void DClient::CmExit() { ui_.CloseWindow(); }
void DClient::EvLButtonDown(int) {}
void DClient::EvRButtonDown(int) {}
void DClient::EvLButtonDblClk() { CmExtract(); }
void DClient::ShowWallpaperStatus() {}
void DClient::RestoreLastArchive() {}
bool DClient::CheckArchiver() { return false; }
void DClient::EnterFileDirectory(const std::string&) {}
void DClient::ListArchive() {}
void DClient::SelectRow(int) {}

}  // namespace vok

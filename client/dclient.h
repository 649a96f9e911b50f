// The client: all state of the archive and wallpaper commands, and their
// handlers. It reaches the user only through ClientUi.
#pragma once
#include <memory>
#include <string>

#include "archive/listing.h"
#include "client/client_ui.h"
#include "platform/win32.h"

namespace vok {

class DClient {
 public:
  explicit DClient(ClientUi& ui);
  ~DClient();
  DClient(const DClient&) = delete;
  DClient& operator=(const DClient&) = delete;

  // Builds the file-dialog data; false if it cannot be built.
  bool Create();
  // After the window exists: status text, then the archive chosen last.
  void SetupWindow();

  // Commands.
  void CmFileOpen();
  void CmExtract();
  void CmCenter();
  void CmTile();
  void CmHelp();
  void CmAbout();
  void CmExit();

  // Mouse, in client coordinates.
  void EvLButtonDown(int y);
  void EvRButtonDown(int y);
  void EvLButtonDblClk();

  // Parts the commands are made of.
  void ShowWallpaperAs(bool tiled);
  void ShowWallpaperStatus();
  void RestoreLastArchive();
  bool CheckArchiver();
  void EnterFileDirectory(const std::string& path);
  void ListArchive();
  void SelectRow(int y);

  // State, in the order the window declares it.
  std::unique_ptr<FileDialogData> FileData;
  char WallpaperPath[MAX_PATH] = {};
  int TileMode = -1;
  char ArchivePath[MAX_PATH] = {};
  int ArchiveOpen = 0;
  int SelectMode = 0;
  std::unique_ptr<ListEntry[]> Entries;
  std::unique_ptr<char[]> ListingBuffer;
  int EntryCount = 0;
  char StartDir[MAX_PATH] = {};
  int StartDrive = 0;
  // The archive whose listing is shown; extraction always uses it, even
  // after a refused check has put another path into ArchivePath.
  char ListedArchivePath[MAX_PATH] = {};

 private:
  ClientUi& ui_;
};

}  // namespace vok

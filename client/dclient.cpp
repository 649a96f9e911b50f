#include "client/dclient.h"

#include <cstring>
#include <new>
#include <optional>

#include "archive/unlha.h"
#include "client/texts.h"
#include "desktop/record.h"
#include "desktop/status.h"
#include "desktop/wallpaper.h"
#include "platform/codepage.h"
#include "platform/dosname.h"
#include "platform/dospath.h"
#include "platform/sys.h"
#include "settings/settings.h"

namespace vok {
namespace {

constexpr UINT kErrorStyle = MB_OK | MB_ICONSTOP;
constexpr UINT kQuestionStyle = MB_YESNO | MB_ICONQUESTION;

// Copies s into a path field; false (and the field untouched) when it does
// not fit, so a long path is refused rather than cut into another one.
bool CopyPath(char (&field)[MAX_PATH], const std::string& s) {
  if (s.size() >= MAX_PATH || s.find('\0') != std::string::npos) return false;
  std::memcpy(field, s.c_str(), s.size() + 1);
  return true;
}

bool SetWallpaper(std::string path) {
  return SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path.data(), SPIF_UPDATEINIFILE) != 0;
}

// Why the wallpaper did not change, or that it did but was not recorded.
const std::string& WallpaperFailureText() {
  switch (LastWallpaperFailure()) {
    case WallpaperFailure::NotRecorded:
      return texts::WallpaperNotRecorded();
    case WallpaperFailure::Ambiguous:
      return texts::AmbiguousPath();
    default:
      return texts::CannotChangeWallpaper();
  }
}

}  // namespace

DClient::DClient(ClientUi& ui)
    : Entries(new ListEntry[kMaxEntries]()),
      ListingBuffer(new char[kListingBufferSize]()),
      ui_(ui) {
  // Kept without "x:\" so the exit can rebuild it on the start drive. A
  // directory too long for the field, or unreadable, falls back to the root.
  std::string cwd = GetCurrentDirectoryDos();
  if (cwd.size() > 3 && cwd[1] == ':' && cwd[2] == '\\') CopyPath(StartDir, cwd.substr(3));
  StartDrive = GetCurrentDrive();
  ArchiveOpen = 0;
  SelectMode = 0;
}

DClient::~DClient() = default;

bool DClient::Create() {
  FileData.reset(new (std::nothrow) FileDialogData);
  if (!FileData) return false;
  FileData->Flags = 0x1004;  // file must exist, read-only box hidden
  FileData->Filter = texts::FileFilter();
  FileData->FilterIndex = 0;
  FileData->InitialDir.clear();
  FileData->DefExt = "lzh";
  FileData->FileName.clear();
  return true;
}

void DClient::SetupWindow() {
  ShowWallpaperStatus();
  RestoreLastArchive();
}

void DClient::ShowWallpaperStatus() {
  // Read whole, so a path that another program recorded too long for the
  // field is never kept cut into a different one: the field stays empty, and
  // centring, tiling or deleting cannot reach some other file.
  std::string path = desktop::ReadWallpaperPath();
  TileMode = desktop::ReadTileMode();
  // Kept as recorded: a lower-cased copy could name a sibling that differs
  // only in case. Only the status shows the name lower-cased.
  if (!CopyPath(WallpaperPath, path)) WallpaperPath[0] = '\0';
  ui_.SetStatusText(ComposeStatus(path, TileMode));
}

bool DClient::CheckArchiver() {
  const std::string* refusal = nullptr;
  if (UnlhaGetRunning()) refusal = &texts::ArchiverInUse();
  else if (UnlhaGetVersion() < 26) refusal = &texts::ArchiverTooOld();
  else if (!UnlhaSetCursorMode(1)) refusal = &texts::ArchiverError();
  else if (!UnlhaSetBackGroundMode(0)) refusal = &texts::ArchiverError();
  if (!refusal) return true;
  ui_.Beep();
  ui_.MessageBox(*refusal, texts::LhaErrorCaption(), kErrorStyle);
  return false;
}

void DClient::EnterFileDirectory(const std::string& path) {
  PathParts parts = SplitPath(path);
  if (!parts.drive.empty()) {
    SetCurrentDrive(LowerCp932(parts.drive)[0] - 96);
  }
  std::string dir = parts.directory;
  if (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  if (dir.empty()) return;  // no directory: stay where we are
  SetCurrentDirectoryDos(parts.drive + dir);
}

void DClient::ListArchive() {
  std::string command = std::string("l ") + ArchivePath;
  std::memset(ListingBuffer.get(), 0, kListingBufferSize);
  if (Unlha(nullptr, command.c_str(), ListingBuffer.get(), kListingBufferSize) != 0) {
    ui_.Beep();
    ui_.MessageBox(texts::NotBmpOrLzh(ArchivePath), texts::ErrorCaption(), kErrorStyle);
    ArchiveOpen = 0;
  } else {
    ParseListing(ListingBuffer.get(), Entries.get(), &EntryCount);
    // Kept whole, so that a later change of directory cannot make it name
    // another archive.
    if (!CopyPath(ListedArchivePath, AbsoluteDos(ArchivePath))) {
      std::memcpy(ListedArchivePath, ArchivePath, MAX_PATH);
    }
    ArchiveOpen = 1;
  }
  ui_.Invalidate(true);
}

void DClient::CmFileOpen() {
  // A window that skipped Create still gets a working dialog.
  if (!FileData && !Create()) return;
  std::string last = ReadLzhFile();
  if (!last.empty()) EnterFileDirectory(last);

  if (ui_.RunFileOpenDialog(*FileData) != IDOK) {
    ArchiveOpen = 0;
    ui_.Invalidate(true);
    return;
  }
  const std::string& chosen = FileData->FileName;
  if (!CopyPath(ArchivePath, chosen)) {
    // Too long to keep: refused as a file that cannot be opened.
    ui_.Beep();
    ui_.MessageBox(texts::NotBmpOrLzh(chosen), texts::ErrorCaption(), kErrorStyle);
    ArchiveOpen = 0;
    ui_.Invalidate(true);
    return;
  }
  std::memset(ListingBuffer.get(), 0, kListingBufferSize);

  if (!CheckArchiver()) return;

  // The path keeps the case its file has on disk; its type is told
  // whatever the case of its extension.
  WriteLzhFile(ArchivePath);

  const std::string ext = LowerCp932(SplitPath(ArchivePath).ext);
  if (ext == ".bmp" && SetWallpaper(ArchivePath)) {
    ShowWallpaperStatus();
    ArchiveOpen = 0;
    ui_.Invalidate(true);
    return;
  }
  if (ext == ".bmp" && (LastWallpaperFailure() == WallpaperFailure::NotRecorded ||
                        LastWallpaperFailure() == WallpaperFailure::Ambiguous)) {
    ui_.MessageBox(WallpaperFailureText(), ArchivePath, kErrorStyle);
    ArchiveOpen = 0;
    ui_.Invalidate(true);
    return;
  }
  if (ext != ".lzh") {
    ui_.Beep();
    ui_.MessageBox(texts::NotBmpOrLzh(ArchivePath), texts::ErrorCaption(), kErrorStyle);
    ArchiveOpen = 0;
    ui_.Invalidate(true);
    return;
  }
  ListArchive();
}

void DClient::RestoreLastArchive() {
  const std::string stored = ReadLzhFile();
  if (stored.empty()) {
    ArchiveOpen = 0;
    ui_.Invalidate(true);
    return;
  }
  if (stored.size() >= MAX_PATH) {
    // Only a hand-edited file holds a path this long; an archive is
    // reported like one that cannot be listed, anything else passed over.
    if (LowerCp932(stored).ends_with(".lzh")) {
      ui_.Beep();
      ui_.MessageBox(texts::NotBmpOrLzh(stored), texts::ErrorCaption(), kErrorStyle);
      ArchiveOpen = 0;
      ui_.Invalidate(true);
    }
    return;
  }
  EnterFileDirectory(stored);
  CopyPath(ArchivePath, stored);
  std::memset(ListingBuffer.get(), 0, kListingBufferSize);

  if (!CheckArchiver()) return;

  // The value as stored, whose case is its file's: an archive named .LZH
  // on disk is one too.
  if (LowerCp932(SplitPath(stored).ext) != ".lzh") return;
  ListArchive();
}

void DClient::CmExtract() {
  if (!ArchiveOpen) {
    ui_.Beep();
    ui_.MessageBox(texts::OpenArchiveFirst(), texts::PlainErrorCaption(), kErrorStyle);
    return;
  }
  const int row = SelectedRow(Entries.get(), EntryCount);
  char nameBuf[sizeof(ListEntry::Text)] = {};
  if (row >= 0) MemberNameFromText(Entries[row].Text, nameBuf, sizeof nameBuf);
  const std::string name = nameBuf;
  // A line that yields no name would make the command extract everything.
  if (row < 0 || name.empty()) {
    ui_.Beep();
    ui_.MessageBox(texts::SelectBitmapFirst(), texts::PlainErrorCaption(), kErrorStyle);
    return;
  }

  // The listing shown is the one to extract from, whatever was chosen since.
  const std::string archive = ListedArchivePath;
  const std::string command = "e " + archive + " " + name;

  ui_.Beep();
  if (ui_.MessageBox(texts::ExtractQuestion(), name, kQuestionStyle) != IDYES) return;

  // The archiver writes into the current directory; make sure it is the
  // listed archive's, where the new wallpaper path below points.
  EnterFileDirectory(archive);
  std::memset(ListingBuffer.get(), 0, kListingBufferSize);
  if (Unlha(nullptr, command.c_str(), ListingBuffer.get(), kListingBufferSize) != 0) {
    ui_.Beep();
    const char* text = ListingBuffer.get();
    ui_.MessageBox(std::string(text, strnlen(text, kListingBufferSize)), texts::LhaErrorCaption(),
                   kErrorStyle);
    return;
  }
  Entries[row].Selected = 0;

  if (name.size() < 5 || name.compare(name.size() - 4, 4, ".BMP") != 0) {
    ui_.MessageBox(texts::NotABitmap(), name, kErrorStyle);
    ui_.Invalidate(true);
    return;
  }

  // An archive path without a directory was extracted into the current one.
  std::optional<std::string> dir = DirectoryBeforeLastBackslash(archive);
  const std::string newPath = JoinDos(dir ? *dir : GetCurrentDirectoryDos(), name);

  // A wallpaper path the wallpaper field could not hold would later be
  // centred, tiled or deleted cut into another path: refuse it here.
  if (newPath.size() >= MAX_PATH) {
    ui_.MessageBox(texts::CannotChangeWallpaper(), newPath, kErrorStyle);
    return;
  }
  if (!SetWallpaper(newPath)) {
    ui_.MessageBox(WallpaperFailureText(), newPath, kErrorStyle);
    return;
  }

  // When the member landed on the previous wallpaper itself, deleting it
  // would remove the wallpaper just set.
  const std::string previous = WallpaperPath;
  if (!SameFileDos(previous, newPath) &&
      ui_.MessageBox(texts::DeletePreviousQuestion(), previous, kQuestionStyle) == IDYES &&
      !(IsAbsoluteDos(previous) && DeleteFileDos(previous))) {
    // A path that several files match once case is ignored deletes none.
    const bool ambiguous = DosToNative(previous).error == PathError::Ambiguous;
    ui_.MessageBox(ambiguous ? texts::AmbiguousPath() : texts::CannotDeletePrevious(), previous,
                   kErrorStyle);
  }

  ShowWallpaperStatus();
  ui_.Invalidate(true);
}

void DClient::CmCenter() { ShowWallpaperAs(false); }

void DClient::CmTile() { ShowWallpaperAs(true); }

void DClient::ShowWallpaperAs(bool tiled) {
  desktop::WriteTileMode(tiled);
  if (SetWallpaper(WallpaperPath)) ShowWallpaperStatus();
  else ui_.MessageBox(WallpaperFailureText(), WallpaperPath, kErrorStyle);
}

void DClient::CmHelp() { ui_.MessageBox(texts::HelpText(), texts::HelpCaption(), MB_OK); }

void DClient::CmAbout() { ui_.RunAboutDialog(); }

void DClient::CmExit() {
  SetCurrentDrive(StartDrive);
  std::string dir;
  dir += static_cast<char>(StartDrive + 64);
  dir += ":\\";
  dir += StartDir;
  SetCurrentDirectoryDos(dir);
  WriteWindowSizeUnlessMinimized(ui_.FrameRect(), ui_.FrameMinimized());
  ui_.CloseWindow();
}

void DClient::EvLButtonDown(int y) {
  SelectMode = 1;
  SelectRow(y);
}

void DClient::EvRButtonDown(int y) {
  SelectMode = 0;
  SelectRow(y);
}

void DClient::EvLButtonDblClk() { CmExtract(); }

void DClient::SelectRow(int y) {
  if (!ArchiveOpen) return;
  const int h = ui_.LineHeight();
  if (SelectRowAt(y, h, ui_.ScrollPosition(), SelectMode, Entries.get(), EntryCount)) {
    ui_.Invalidate(false);
  } else {
    ui_.Beep();
  }
}

}  // namespace vok

// Every text the client shows, in CP932, converted once from the UTF-8
// written here.
#pragma once
#include <string>
#include <string_view>

namespace vok::texts {

// Captions.
const std::string& LhaErrorCaption();   // the archiver's refusals
const std::string& ErrorCaption();      // "＜ エラー情報 ＞"
const std::string& PlainErrorCaption(); // "エラー情報"
const std::string& HelpCaption();

// The archiver's readiness check.
const std::string& ArchiverInUse();
const std::string& ArchiverTooOld();
const std::string& ArchiverError();

// A chosen or stored file that is neither a usable bitmap nor a listable
// archive; the path stands between the brackets.
std::string NotBmpOrLzh(std::string_view path);

// Extraction.
const std::string& OpenArchiveFirst();
const std::string& SelectBitmapFirst();
const std::string& ExtractQuestion();
const std::string& NotABitmap();
const std::string& CannotChangeWallpaper();
// The desktop took the picture but win.ini could not record it.
const std::string& WallpaperNotRecorded();
// Several files differ from a kept path only in case, and none is it.
const std::string& AmbiguousPath();
const std::string& DeletePreviousQuestion();
const std::string& CannotDeletePrevious();

// The file-open dialog's filter, "desc|patterns|" pairs.
const std::string& FileFilter();

// The usage text: fifteen lines joined by line feeds.
const std::string& HelpText();

}  // namespace vok::texts

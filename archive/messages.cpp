#include "archive/messages.h"

#include "platform/codepage.h"

namespace vok::lzh {

std::string MessageFor(Failure f, const std::string& subject, const std::string& method) {
  auto j = [](const char* utf8) { return Cp932Literal(utf8); };
  switch (f) {
    case Failure::BadCommand:
      return j("コマンドが正しくありません。");
    case Failure::ArchiveNotFound:
      return j("書庫ファイルが見つかりません。\n") + subject;
    case Failure::NotLzh:
      return j("ＬＺＨ書庫ではありません。\n") + subject;
    case Failure::MemberNotFound:
      return j("書庫の中に「") + subject + j("」が見つかりません。");
    case Failure::Unsupported:
      return j("「") + subject + j("」は対応していない圧縮方式 ") + method +
             j(" です。解凍できません。");
    case Failure::Damaged:
      return j("書庫が壊れています。\n") + subject;
    case Failure::MemberDamaged:
      return j("「") + subject + j("」のデータが壊れています。解凍できません。");
    case Failure::TooLarge:
      return j("「") + subject + j("」は 4GB 以上あるため解凍できません。");
    case Failure::IsDirectory:
      return j("「") + subject + j("」はフォルダです。解凍するファイルではありません。");
    case Failure::IsLink:
      return j("「") + subject + j("」はリンクです。解凍するファイルではありません。");
    case Failure::CannotRead:
      return j("書庫ファイルを読み込めません。\n") + subject;
    case Failure::CannotWrite:
      return j("「") + subject + j("」を書き込めません。");
    case Failure::NameTaken:
      return j("同じ名前の別のファイル「") + subject + j("」がすでにあります。上書きしません。");
    case Failure::BufferTooSmall:
      return j("出力領域が足りません。");
    case Failure::OutOfMemory:
      return j("メモリが足りません。");
    case Failure::Ambiguous:
      return j("「") + subject +
             j("」と大文字・小文字だけが違うファイルがいくつもあり、どれのことか決められません。");
    case Failure::NoCurrentDirectory:
      return j("今のディレクトリがありません (削除されました)。\n") + subject;
  }
  return {};
}

Failure FailureFor(Step step, Status s, Kind kind) {
  switch (step) {
    case Step::Open:
      if (s == Status::NotFound) return Failure::ArchiveNotFound;
      if (s == Status::NotLzh) return Failure::NotLzh;
      if (s == Status::ReadError) return Failure::CannotRead;
      if (s == Status::Unsupported) return Failure::Unsupported;
      return Failure::Damaged;
    case Step::Check:
      if (s == Status::TooLarge) return Failure::TooLarge;
      if (s == Status::NotAFile) return kind == Kind::Link ? Failure::IsLink : Failure::IsDirectory;
      return Failure::Unsupported;
    case Step::Decode:
      if (s == Status::WriteError) return Failure::CannotWrite;
      if (s == Status::ReadError || s == Status::NotFound) return Failure::CannotRead;
      return Failure::MemberDamaged;
  }
  return Failure::Damaged;
}

int CodeFor(Failure f) { return 0x8000 + static_cast<int>(f); }

}  // namespace vok::lzh

#include "client/texts.h"

#include "platform/codepage.h"

namespace vok::texts {
namespace {

#define VOK_TEXT(fn, utf8)              \
  const std::string& fn() {             \
    static const std::string s = Cp932Literal(utf8); \
    return s;                           \
  }

}  // namespace

VOK_TEXT(LhaErrorCaption, "＜ ＬＨＡエラー情報 ＞")
VOK_TEXT(ErrorCaption, "＜ エラー情報 ＞")
VOK_TEXT(PlainErrorCaption, "エラー情報")
VOK_TEXT(HelpCaption, "ＶＯＫの使い方")

VOK_TEXT(ArchiverInUse, "現在，他のタスクで使用中です。")
VOK_TEXT(ArchiverTooOld, "バージョン0.26以上をお使いください。")
VOK_TEXT(ArchiverError, "何らかのエラーが，発生しました。")

std::string NotBmpOrLzh(std::string_view path) {
  static const std::string head = Cp932Literal("＜ ");
  static const std::string tail = Cp932Literal(" ＞\n\nBMP 又は LZH ﾌｧｲﾙを指定して下さい。");
  std::string s;
  s.reserve(head.size() + path.size() + tail.size());
  s.append(head).append(path).append(tail);
  return s;
}

VOK_TEXT(OpenArchiveFirst, "まず最初にＬＺＨファイルをオープンして下さい。")
VOK_TEXT(SelectBitmapFirst,
         "ＢＭＰファイルを指定してください｡\n\nマウスの左ダブルクリックでも変更できます。")
VOK_TEXT(ExtractQuestion, "壁紙を解凍＆変更しますか？")
VOK_TEXT(NotABitmap, "BMPﾌｧｲﾙではありませんね？\nでも解凍しましたよ。")
VOK_TEXT(CannotChangeWallpaper, "壁紙を変更できませんでした。")
VOK_TEXT(AmbiguousPath, "大文字と小文字だけが違うファイルがいくつもあり、どれのことか決められません。\n何も変更・削除していません。")
VOK_TEXT(WallpaperNotRecorded, "壁紙は変わりましたが、win.ini に記録できませんでした。\n次に起動したときは前の壁紙の名前を表示します。")
VOK_TEXT(DeletePreviousQuestion, "前に表示していたBMPﾌｧｲﾙを削除しますか？")
VOK_TEXT(CannotDeletePrevious, "BMPﾌｧｲﾙが削除できませんでした。")

VOK_TEXT(FileFilter,
         "VOKﾌｧｲﾙ(*.lzh,*.bmp)|*.lzh;*.bmp|全てのﾌｧｲﾙ(*.*)|*.*|"
         "LZHﾌｧｲﾙ(*.lzh)|*.lzh|BMPﾌｧｲﾙ(*.bmp)|*.bmp|")

VOK_TEXT(HelpText,
         "１．このＶＯＫは，壁紙を圧縮(LZH)ﾌｧｨﾙから解凍し，変更\n"
         "　　したり，BMPﾌｧｲﾙを指定して変更するソフトです。\n"
         "２．ＢＭＰファイルを指定する場合\n"
         "　1)ﾌｧｲﾙｵｰﾌﾟﾝﾎﾞﾀﾝでBMPﾌｧｲﾙを選択すると，そのﾌｧｨﾙが壁紙\n"
         "　　として変更されます。\n"
         "３．ＬＺＨファイルを指定する場合\n"
         "　1)最初にBMPﾌｧｲﾙをLHAを使って圧縮(LZH)ﾌｧｲﾙにまとめます。\n"
         "　2)ﾌｧｲﾙｵｰﾌﾟﾝﾎﾞﾀﾝで(1)の圧縮(LZH)ﾌｧｲﾙをｵ-ﾌﾟﾝします。\n"
         "　3)次に表示されたﾌｧｲﾙ名を左ﾀﾞﾌﾞﾙｸﾘｯｸするか,左ﾎﾞﾀﾝで選択し\n"
         "　　解凍&変更ﾎﾞﾀﾝで変更します。\n"
         "　4)LZHﾌｧｲﾙより選んだ場合，前回の壁紙ﾌｧｲﾙを削除できます。\n"
         "　5)右ﾎﾞﾀﾝで選択したﾌｧｲﾙを取り消しできます。\n"
         "３．表示方法ﾎﾞﾀﾝで中央に表示か,並べて表示かを選択できます。\n"
         "４．ｽﾃｰﾀｽﾊﾞ-には，現在の壁紙のﾌｧｲﾙ名と表示方法が表示されて\n"
         "　　います。またﾎﾞﾀﾝのヘルプも表示されます。")

#undef VOK_TEXT

}  // namespace vok::texts

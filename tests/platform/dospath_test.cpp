#include "platform/dospath.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/temp_dir.h"

namespace vok {
namespace {

using testing::ScopedCwd;
using testing::TempDir;

std::string Dos(const std::filesystem::path& native) { return *NativeToDos(native.string()); }

TEST(DosPath, MapsDriveZToTheRootAndBack) {
  EXPECT_EQ(NativeToDos("/home/kim/pics/a.lzh"), "z:\\home\\kim\\pics\\a.lzh");
  EXPECT_EQ(NativeToDos("/"), "z:\\");
  EXPECT_EQ(NativeToDos("/tmp/表"), "z:\\tmp\\\x95\x5C");
  EXPECT_EQ(NativeToDos("/tmp/é"), std::nullopt);
  EXPECT_EQ(DosToNative("z:\\").path, "/");
  EXPECT_EQ(DosToNative("c:\\x").error, PathError::NoSuchDrive);
}

TEST(DosPath, ResolvesTheExactNameElseTheOneMatchIgnoringCase) {
  TempDir t;
  t.Write("Pics/Spring.LZH", "a");
  t.Write("Pics/b.bmp", "lower");
  t.Write("Pics/B.bmp", "upper");
  t.Write("Pics/\xE8\xA1\xA8.bmp", "hyo");  // 表.bmp on disk in UTF-8
  const std::string root = LowerCp932(Dos(t.path()));

  EXPECT_EQ(DosToNative(root + "\\pics\\spring.lzh").path, (t.path() / "Pics/Spring.LZH").string());
  EXPECT_EQ(DosToNative(root + "\\PICS\\b.bmp").path, (t.path() / "Pics/b.bmp").string());
  EXPECT_EQ(DosToNative(root + "\\pics\\B.bmp").path, (t.path() / "Pics/B.bmp").string());
  // Several match once case is ignored and none exactly: none is meant.
  t.Write("Pics/Dir/x", "");
  t.Write("Pics/DIR/x", "");
  for (const char* name : {"\\pics\\B.BMP", "\\pics\\dir\\x", "\\pics\\dir\\new.bmp"}) {
    SCOPED_TRACE(name);
    const NativePath p = DosToNative(root + name);
    EXPECT_EQ(p.error, PathError::Ambiguous);
    EXPECT_EQ(p.path, "");
  }
  EXPECT_EQ(DosToNative(root + "\\pics\\DIR\\x").path, (t.path() / "Pics/DIR/x").string());
  // The trail byte 0x5C of 表 is not a separator.
  EXPECT_EQ(DosToNative(root + "\\pics\\\x95\x5C.BMP").path, (t.path() / "Pics/表.bmp").string());
  // A new file keeps the name given, in an existing directory found by case.
  EXPECT_EQ(DosToNative(root + "\\pics\\New.bmp").path, (t.path() / "Pics/New.bmp").string());
  // Slashes separate too; "." and ".." pass through.
  EXPECT_EQ(DosToNative(root + "/pics/./../pics/spring.lzh").path,
            (t.path() / "Pics/./../Pics/Spring.LZH").string());
}

TEST(DosPath, RefusesANameWithNoUtf8Form) {
  EXPECT_EQ(DosToNative("z:\\tmp\\ab\x81 ").error, PathError::NotRepresentable);
}

// A backslash in a native name would read as a separator: x\y.lzh would
// name x/y.lzh. Such a name has no DOS form.
TEST(DosPath, ANativeNameWithABackslashHasNoDosForm) {
  EXPECT_EQ(NativeToDos("/tmp/x\\y.lzh"), std::nullopt);
  EXPECT_EQ(NativeToDos("/tmp/a\\/y.lzh"), std::nullopt);
}

// With the current directory removed, a relative path names nothing, not a
// file at the root.
TEST(DosPath, ARelativePathFailsWhenTheCurrentDirectoryIsGone) {
  TempDir t;
  t.Write("gone/x", "");
  ScopedCwd cwd(t.path() / "gone");
  std::filesystem::remove_all(t.path() / "gone");
  for (const char* relative : {"x.lzh", "z:x.lzh", ".\\x.lzh"}) {
    SCOPED_TRACE(relative);
    const NativePath p = DosToNative(relative);
    EXPECT_EQ(p.error, PathError::NoCurrentDirectory);
    EXPECT_EQ(p.path, "");
  }
  EXPECT_EQ(DosToNative("z:\\tmp").path, "/tmp");
}

TEST(DosPath, CurrentDriveAndDirectory) {
  TempDir t;
  t.Write("Sub/x", "");
  ScopedCwd cwd(std::filesystem::path("/"));
  EXPECT_EQ(GetCurrentDrive(), 26);
  EXPECT_TRUE(SetCurrentDrive(26));
  EXPECT_FALSE(SetCurrentDrive(3));
  ASSERT_TRUE(SetCurrentDirectoryDos(LowerCp932(Dos(t.path() / "Sub"))));
  EXPECT_EQ(GetCurrentDirectoryDos(), Dos(std::filesystem::canonical(t.path() / "Sub")));
  EXPECT_EQ(DosToNative("x").path, std::filesystem::canonical(t.path() / "Sub").string() + "/x");
  EXPECT_FALSE(SetCurrentDirectoryDos("z:\\no\\such\\dir"));
}

TEST(DosPath, DeletesFilesOnly) {
  TempDir t;
  t.Write("A.BMP", "x");
  std::filesystem::create_directory(t.path() / "d");
  EXPECT_TRUE(DeleteFileDos(LowerCp932(Dos(t.path() / "A.BMP"))));
  EXPECT_FALSE(std::filesystem::exists(t.path() / "A.BMP"));
  EXPECT_FALSE(DeleteFileDos(Dos(t.path() / "A.BMP")));
  EXPECT_FALSE(DeleteFileDos(Dos(t.path() / "d")));
  EXPECT_FALSE(DeleteFileDos("<none>"));
}

}  // namespace
}  // namespace vok

// Pictures of an archive's members, decoded in memory: nothing is written,
// and a member that would be refused as a wallpaper gives no picture.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/lzh_archive.h"
#include "archive/member_names.h"
#include "desktop/thumbnail.h"

namespace vok::preview {

// The box a preview fits into.
inline constexpr int kPictureWidth = 160;
inline constexpr int kPictureHeight = 120;
// A larger member is not decoded for a preview at all: hovering must not
// cost the memory of a huge file.
inline constexpr std::uint64_t kMaxMemberBytes = std::uint64_t{64} << 20;

// What identifies one state of a file on disk: an archive written anew is
// another archive.
struct FileStamp {
  std::uint64_t device = 0, inode = 0, size = 0;
  std::int64_t mtimeSec = 0, mtimeNsec = 0;
  bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> StampOf(const std::string& nativePath);

// One archive's members, read at first use. Not for two threads at once.
class ArchivePictures {
 public:
  explicit ArchivePictures(std::string nativePath) : path_(std::move(nativePath)) {}

  // The member a listing row names by its first-column name.
  desktop::ThumbnailPtr ForShownName(const std::string& shownName);
  // The first member named .bmp (in any case) that gives a picture, and
  // its name as the listing shows it; a null picture when there is none.
  struct Named {
    desktop::ThumbnailPtr picture;
    std::string name;
  };
  Named First();
  // How many members the archive holds; -1 when it cannot be read.
  int MemberCount();

 private:
  bool Load();
  desktop::ThumbnailPtr ForMember(const lzh::Member& m);

  std::string path_;
  bool loaded_ = false, readable_ = false;
  lzh::Archive archive_;
  std::vector<lzh::Shown> shown_;
};

// A bitmap file's picture, with the same limits as a member's.
desktop::ThumbnailPtr BitmapFilePicture(const std::string& nativePath);

}  // namespace vok::preview

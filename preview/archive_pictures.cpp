#include "preview/archive_pictures.h"

#include <sys/stat.h>

#include "platform/sys.h"

namespace vok::preview {

std::optional<FileStamp> StampOf(const std::string& nativePath) {
  struct stat st;
  if (sys::ops().stat(nativePath.c_str(), &st) != 0) return std::nullopt;
  return FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                   static_cast<std::uint64_t>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

bool ArchivePictures::Load() {
  if (!loaded_) {
    loaded_ = true;
    readable_ = lzh::Scan(path_, &archive_) == lzh::Status::Ok;
    if (readable_) shown_ = lzh::ShownNames(archive_.members);
  }
  return readable_;
}

desktop::ThumbnailPtr ArchivePictures::ForMember(const lzh::Member& m) {
  std::vector<unsigned char> bytes;
  // Stops at the first bytes of anything that is not a BMP.
  const lzh::Status s = lzh::DecodeToMemory(path_, m, kMaxMemberBytes, &bytes, [](const auto& sofar) {
    return desktop::MayBeBmp(sofar.data(), sofar.size());
  });
  if (s != lzh::Status::Ok) return nullptr;
  return desktop::BmpThumbnail(bytes, kPictureWidth, kPictureHeight);
}

desktop::ThumbnailPtr ArchivePictures::ForShownName(const std::string& shownName) {
  if (shownName.empty() || !Load()) return nullptr;
  const lzh::Match match = lzh::FindMember(archive_.members, shown_, shownName);
  if (match.index < 0) return nullptr;
  return ForMember(archive_.members[static_cast<std::size_t>(match.index)]);
}

namespace {

bool NamedBmp(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
  return ext == ".bmp";
}

}  // namespace

ArchivePictures::Named ArchivePictures::First() {
  if (!Load()) return {};
  for (std::size_t i = 0; i < archive_.members.size(); ++i) {
    const lzh::Member& m = archive_.members[i];
    if (m.kind != lzh::Kind::File || !NamedBmp(m.name)) continue;
    if (desktop::ThumbnailPtr t = ForMember(m)) return {t, shown_[i].name};
  }
  return {};
}

int ArchivePictures::MemberCount() {
  return Load() ? static_cast<int>(archive_.members.size()) : -1;
}

desktop::ThumbnailPtr BitmapFilePicture(const std::string& nativePath) {
  return desktop::BmpFileThumbnail(nativePath, kMaxMemberBytes, kPictureWidth, kPictureHeight);
}

}  // namespace vok::preview

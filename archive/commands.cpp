#include "archive/commands.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "archive/listing_format.h"
#include "archive/member_names.h"
#include "platform/codepage.h"
#include "platform/dospath.h"
#include "platform/file.h"
#include "platform/sys.h"

namespace vok::lzh {
namespace {

// Maps the DOS path and reads the archive's headers.
Outcome OpenArchive(const std::string& archive, std::string* nativePath, Archive* a) {
  const NativePath native = DosToNative(archive);
  if (native.error == PathError::NoCurrentDirectory) return Failed(Failure::NoCurrentDirectory, archive);
  if (native.error == PathError::Ambiguous) return Failed(Failure::Ambiguous, archive);
  if (!native) return Failed(Failure::ArchiveNotFound, archive);
  *nativePath = native.path;
  if (const Status s = Scan(native.path, a); s != Status::Ok)
    return Failed(FailureFor(Step::Open, s, Kind::File), archive, a->unsupportedMethod);
  return Done("");
}

// The file in the current directory that a DOS name means, by the one
// rule for names whose case may differ.
Entry ExistingFile(const std::string& cp932) { return FindEntry(".", cp932); }

bool SameContent(const std::string& a, const std::string& b) {
  file::Fd fa(sys::ops().open(a.c_str(), O_RDONLY, 0));
  if (!fa) return false;
  file::Fd fb(sys::ops().open(b.c_str(), O_RDONLY, 0));
  if (!fb) return false;
  std::vector<char> ba(64 * 1024), bb(64 * 1024);
  for (;;) {
    const ssize_t na = file::Read(fa.get(), ba.data(), ba.size());
    if (na < 0) return false;
    const long nb = file::ReadFull(fb.get(), bb.data(), static_cast<std::size_t>(na));
    if (nb != na || std::memcmp(ba.data(), bb.data(), static_cast<std::size_t>(na)) != 0) return false;
    if (na == 0) break;
  }
  char extra;
  return file::Read(fb.get(), &extra, 1) == 0;
}

bool IsRegularOfSize(const std::string& path, std::uint64_t size) {
  struct stat st;
  return sys::ops().lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         static_cast<std::uint64_t>(st.st_size) == size;
}

}  // namespace

Outcome ListArchive(const std::string& archive, std::size_t room) {
  std::string nativePath;
  Archive a;
  if (Outcome o = OpenArchive(archive, &nativePath, &a); o.failure) return o;
  std::optional<std::string> text = FormatListing(archive, a, room);
  if (!text) return Failed(Failure::BufferTooSmall, archive);
  return Done(std::move(*text));
}

Outcome ExtractMember(const std::string& archive, const std::string& name) {
  std::string nativePath;
  Archive a;
  if (Outcome o = OpenArchive(archive, &nativePath, &a); o.failure) return o;
  const auto shown = ShownNames(a.members);
  const Match match = FindMember(a.members, shown, name);
  if (match.index < 0) return Failed(Failure::MemberNotFound, name);
  const Member& m = a.members[match.index];
  if (const Status s = CheckDecodable(m); s != Status::Ok)
    return Failed(FailureFor(Step::Check, s, m.kind), name, m.method);

  // Only a plain name in the current directory is ever written.
  const auto target = Cp932ToUtf8Strict(match.fileName);
  if (!IsSafeFileName(match.fileName) || !target)
    return Failed(Failure::CannotWrite, match.fileName);
  const Entry there = ExistingFile(match.fileName);
  // Several files differ from the name only in case: none is written over.
  if (there.match == Entry::Ambiguous) return Failed(Failure::Ambiguous, match.fileName);
  const std::string existing = there.name;
  auto existingCp932 = [&] { return Utf8ToCp932(existing).value_or(match.fileName); };
  if (!existing.empty() && !IsRegularOfSize(existing, m.length))
    return Failed(Failure::NameTaken, existingCp932());

  const std::string done = Cp932Literal("「") + match.fileName + Cp932Literal("」を解凍しました。");
  if (!existing.empty()) {
    // The file there may already be this member: compared as it is decoded,
    // so that no byte is written and a full disk is no obstacle.
    file::Fd efd(sys::ops().open(existing.c_str(), O_RDONLY, 0));
    if (!efd) return Failed(Failure::NameTaken, existingCp932());
    bool differs = false;
    std::vector<unsigned char> theirs;
    const Status s = Decode(nativePath, m, [&](const unsigned char* p, std::size_t n) {
      theirs.resize(n);
      differs = file::ReadFull(efd.get(), theirs.data(), n) != static_cast<long>(n) ||
                std::memcmp(p, theirs.data(), n) != 0;
      return !differs;
    });
    if (s == Status::Ok) return Done(done);
    if (differs) return Failed(Failure::NameTaken, existingCp932());
    // Reading either file failed.
    if (s == Status::WriteError) return Failed(Failure::CannotRead, archive);
    const Failure f = FailureFor(Step::Decode, s, m.kind);
    return Failed(f, f == Failure::CannotRead ? archive : name);
  }

  // Written unnamed and linked only when whole: a killed extraction leaves
  // nothing, and the link never replaces a file that appeared meanwhile.
  file::PendingFile out(".", 0666);
  if (out.fd() < 0) return Failed(Failure::CannotWrite, match.fileName);
  if (const Status s = Decode(nativePath, m, out.fd()); s != Status::Ok) {
    const Failure f = FailureFor(Step::Decode, s, m.kind);
    return Failed(f, f == Failure::CannotWrite ? match.fileName : f == Failure::CannotRead ? archive : name);
  }
  if (!out.Link(*target)) {
    const int err = errno;
    // Someone made the file meanwhile: the same content is as good as ours.
    if (err == EEXIST && SameContent(out.ReadPath(), *target)) return Done(done);
    return Failed(err == EEXIST ? Failure::NameTaken : Failure::CannotWrite, match.fileName);
  }
  return Done(done);
}

}  // namespace vok::lzh

// Pictures of members and bitmap files for the previews, without a display.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "platform/sys.h"
#include "preview/archive_pictures.h"
#include "preview/decode_worker.h"
#include "preview/thumbnail_cache.h"
#include "tests/desktop/bmp_fixture.h"
#include "tests/temp_dir.h"

namespace vok::preview {
namespace {

namespace fs = std::filesystem;
using testing::BmpKind;
using testing::MakeBmp;
using testing::Picture;
using testing::TempDir;

// A 24-bit bitmap, left half one colour and right half the other.
std::string HalvesBmp(int w, int h, std::uint32_t left, std::uint32_t right) {
  auto u32 = [](std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
  };
  const int stride = (w * 3 + 3) / 4 * 4;
  std::string out = "BM";
  u32(out, static_cast<std::uint32_t>(54 + stride * h));
  u32(out, 0);
  u32(out, 54);
  u32(out, 40);
  u32(out, static_cast<std::uint32_t>(w));
  u32(out, static_cast<std::uint32_t>(h));
  out += std::string("\1\0\x18\0", 4);
  out += std::string(24, '\0');
  for (int y = 0; y < h; ++y) {
    std::string row;
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = x < w / 2 ? left : right;
      row += static_cast<char>(c), row += static_cast<char>(c >> 8), row += static_cast<char>(c >> 16);
    }
    row.resize(static_cast<std::size_t>(stride), '\0');
    out += row;
  }
  return out;
}

std::uint32_t At(const desktop::Thumbnail& t, int x, int y) {
  const unsigned char* p = t.rgb.data() + (static_cast<std::size_t>(y) * t.width + x) * 3;
  return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

// Writes the files, packs them with the archiver (compressed), removes them.
fs::path Pack(const fs::path& dir, const std::vector<std::pair<std::string, std::string>>& files) {
  fs::create_directories(dir);
  std::string names;
  for (const auto& [name, bytes] : files) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    names += " '" + name + "'";
  }
  const std::string cmd = "cd '" + dir.string() + "' && jlha aq pics.lzh" + names + " >/dev/null && rm" + names;
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  return dir / "pics.lzh";
}

std::set<fs::path> Listing(const fs::path& dir) {
  std::set<fs::path> out;
  for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path());
  return out;
}

// Counts every open that could create or change a file.
class WriteWatch {
 public:
  WriteWatch() {
    opens_ = 0;
    sys::ops().open = [](const char* path, int flags, mode_t mode) {
      if (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) ++opens_;
      return sys::realOps().open(path, flags, mode);
    };
  }
  int Opens() const { return opens_; }

 private:
  sys::ScopedOps restore_;
  static inline std::atomic<int> opens_{0};
};

class Pictures : public ::testing::Test {
 protected:
  void SetUp() override {
    Picture tall;
    huge_ = MakeBmp(BmpKind::Rle8, 1, 1, &tall);
    // 30000 x 30000 pixels in a few bytes: beyond the wallpaper reader's limit.
    huge_.replace(18, 8, std::string("\x30\x75\0\0\x30\x75\0\0", 8));
    const std::string wide = HalvesBmp(64, 32, 0xff0000, 0x0000ff);
    archive_ = Pack(tmp_.path() / "arc", {
                                             {"NOTES.TXT", std::string(200000, 'x')},
                                             {"CUT.BMP", wide.substr(0, wide.size() / 2)},
                                             {"TALL.BMP", MakeBmp(BmpKind::Pal8, 20, 40, &tall)},
                                             {"WIDE.BMP", wide},
                                             {"TINY.BMP", HalvesBmp(16, 8, 0x00ff00, 0xffff00)},
                                             {"PHOTO.BMP", "\x89PNG\r\n\x1a\n" + std::string(100, '\0')},
                                             {"HUGE.BMP", huge_},
                                         });
  }

  TempDir tmp_;
  std::string huge_;
  fs::path archive_;
};

TEST_F(Pictures, MembersScaleIntoTheBoxAndRefusalsGiveNone) {
  const std::set<fs::path> before = Listing(archive_.parent_path());
  WriteWatch watch;
  ArchivePictures pictures(archive_.string());
  struct {
    const char* name;
    int width, height, sourceWidth, sourceHeight;  // 0: no picture
  } cases[] = {
      {"WIDE.BMP", 160, 80, 64, 32},  // the width decides
      {"TALL.BMP", 60, 120, 20, 40},  // the height decides
      {"TINY.BMP", 160, 80, 16, 8},
      {"tiny.bmp", 160, 80, 16, 8},   // found as "e" finds it
      {"NOTES.TXT", 0, 0, 0, 0},      // not a bitmap
      {"PHOTO.BMP", 0, 0, 0, 0},      // a PNG under a bitmap's name
      {"CUT.BMP", 0, 0, 0, 0},        // cut short
      {"HUGE.BMP", 0, 0, 0, 0},       // too many pixels
      {"GONE.BMP", 0, 0, 0, 0},       // no such member
      {"", 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const desktop::ThumbnailPtr t = pictures.ForShownName(c.name);
    if (c.width == 0) {
      EXPECT_FALSE(t) << c.name;
      continue;
    }
    ASSERT_TRUE(t) << c.name;
    EXPECT_EQ(t->width, c.width) << c.name;
    EXPECT_EQ(t->height, c.height) << c.name;
    EXPECT_EQ(t->sourceWidth, c.sourceWidth) << c.name;
    EXPECT_EQ(t->sourceHeight, c.sourceHeight) << c.name;
    EXPECT_EQ(t->rgb.size(), static_cast<std::size_t>(c.width * c.height * 3)) << c.name;
  }
  // Enlarged pixels stay whole: each half keeps its colour to the edge.
  const desktop::ThumbnailPtr tiny = pictures.ForShownName("TINY.BMP");
  EXPECT_EQ(At(*tiny, 0, 0), 0x00ff00u);
  EXPECT_EQ(At(*tiny, 79, 79), 0x00ff00u);
  EXPECT_EQ(At(*tiny, 80, 0), 0xffff00u);
  EXPECT_EQ(At(*tiny, 159, 79), 0xffff00u);
  const desktop::ThumbnailPtr wide = pictures.ForShownName("WIDE.BMP");
  EXPECT_EQ(At(*wide, 10, 40), 0xff0000u);
  EXPECT_EQ(At(*wide, 150, 40), 0x0000ffu);

  EXPECT_EQ(watch.Opens(), 0);
  EXPECT_EQ(Listing(archive_.parent_path()), before);
}

TEST_F(Pictures, FirstBitmapAndMemberCountForTheFileDialog) {
  ArchivePictures pictures(archive_.string());
  EXPECT_EQ(pictures.MemberCount(), 7);
  const ArchivePictures::Named first = pictures.First();  // CUT.BMP is damaged
  ASSERT_TRUE(first.picture);
  EXPECT_EQ(first.name, "TALL.BMP");
  EXPECT_EQ(first.picture->sourceHeight, 40);

  // Nothing to show: no bitmap member, not an archive, no file.
  const fs::path text = Pack(tmp_.path() / "text", {{"A.TXT", "hello"}, {"HUGE.BMP", huge_}});
  ArchivePictures onlyText(text.string());
  EXPECT_EQ(onlyText.MemberCount(), 2);
  EXPECT_FALSE(onlyText.First().picture);
  for (const fs::path& p : {tmp_.Write("x.lzh", "not an archive at all"), tmp_.path() / "missing.lzh"}) {
    ArchivePictures none(p.string());
    EXPECT_EQ(none.MemberCount(), -1) << p;
    EXPECT_FALSE(none.First().picture) << p;
  }
}

TEST_F(Pictures, BitmapFilesWithTheSameLimits) {
  const fs::path good = tmp_.Write("good.bmp", HalvesBmp(40, 30, 0xff0000, 0x0000ff));
  const desktop::ThumbnailPtr t = BitmapFilePicture(good.string());
  ASSERT_TRUE(t);
  EXPECT_EQ(t->width, 160);
  EXPECT_EQ(t->height, 120);
  EXPECT_EQ(At(*t, 5, 60), 0xff0000u);
  EXPECT_EQ(At(*t, 155, 60), 0x0000ffu);

  // Larger than a preview reads: refused by its size, without reading it.
  const fs::path big = tmp_.Write("big.bmp", HalvesBmp(4, 4, 0, 0));
  fs::resize_file(big, kMaxMemberBytes + 1);
  for (const fs::path& p : {big, tmp_.Write("huge.bmp", huge_), tmp_.Write("text.bmp", "hello"),
                            tmp_.path() / "missing.bmp", tmp_.path()}) {
    EXPECT_FALSE(BitmapFilePicture(p.string())) << p;
  }
}

TEST(ThumbnailCache, KeepsTheMostRecentlyUsedAndRemembersNoPicture) {
  ThumbnailCache cache(3);
  auto pic = [](int w) {
    auto t = std::make_shared<desktop::Thumbnail>();
    t->width = w;
    return desktop::ThumbnailPtr(t);
  };
  cache.Put("A", pic(1));
  cache.Put("B", nullptr);  // known to have none
  cache.Put("C", pic(3));
  desktop::ThumbnailPtr got;
  ASSERT_TRUE(cache.Find("A", &got));  // A is now the most recent
  EXPECT_EQ(got->width, 1);
  cache.Put("D", pic(4));  // B goes, the one used longest ago
  EXPECT_FALSE(cache.Find("B", &got));
  EXPECT_TRUE(cache.Find("C", &got));
  EXPECT_TRUE(cache.Find("D", &got));
  EXPECT_TRUE(cache.Find("A", &got));
  EXPECT_EQ(cache.Size(), 3u);

  cache.Put("B", nullptr);
  ASSERT_TRUE(cache.Find("B", &got));
  EXPECT_FALSE(got);
  cache.Put("B", pic(2));  // replaced in place
  ASSERT_TRUE(cache.Find("B", &got));
  EXPECT_EQ(got->width, 2);
  EXPECT_EQ(cache.Size(), 3u);
  cache.Clear();
  EXPECT_EQ(cache.Size(), 0u);
  EXPECT_FALSE(cache.Find("A", &got));
}

TEST(DecodeWorker, RunsOffTheCallersThreadAndOnlyTheNewestWaitingJob) {
  std::mutex m;
  std::condition_variable cv;
  bool release = false, started = false;
  std::vector<int> ran;
  std::set<std::thread::id> threads;
  std::atomic<bool> slowDone{false};
  {
    DecodeWorker worker;
    worker.Post([&] {
      std::unique_lock lock(m);
      started = true;
      cv.notify_all();
      cv.wait(lock, [&] { return release; });
      ran.push_back(1);
      threads.insert(std::this_thread::get_id());
    });
    {
      std::unique_lock lock(m);
      cv.wait(lock, [&] { return started; });
    }
    // While 1 runs: 2 is replaced by 3, and 4 is dropped.
    worker.Post([&] { std::lock_guard lock(m); ran.push_back(2); });
    worker.Post([&] { std::lock_guard lock(m); ran.push_back(3); threads.insert(std::this_thread::get_id()); });
    {
      std::lock_guard lock(m);
      release = true;
    }
    cv.notify_all();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      {
        std::lock_guard lock(m);
        if (ran.size() == 2 || std::chrono::steady_clock::now() > end) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // A job still waiting when the worker goes never runs; a running one ends first.
    std::promise<void> slowStarted;
    worker.Post([&] {
      slowStarted.set_value();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      slowDone = true;
    });
    slowStarted.get_future().wait();
    worker.Post([&] { std::lock_guard lock(m); ran.push_back(4); });
    worker.DropPending();
    worker.Post([&] { std::lock_guard lock(m); ran.push_back(5); });
  }
  EXPECT_TRUE(slowDone);
  EXPECT_EQ(ran, (std::vector<int>{1, 3}));
  ASSERT_EQ(threads.size(), 1u);
  EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

TEST(FileStamp, AnArchiveWrittenAnewIsAnother) {
  TempDir tmp;
  const fs::path p = tmp.Write("a.lzh", "one");
  const auto first = StampOf(p.string());
  ASSERT_TRUE(first);
  EXPECT_EQ(StampOf(p.string()), first);
  tmp.Write("b.lzh", "two!");
  fs::rename(tmp.path() / "b.lzh", p);
  EXPECT_NE(StampOf(p.string()), first);
  EXPECT_FALSE(StampOf((tmp.path() / "none").string()));
}

}  // namespace
}  // namespace vok::preview

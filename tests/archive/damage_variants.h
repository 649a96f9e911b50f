// The corpus archives and the damaged copies made of them, shared by the
// sweep through the archiver and the decoder comparison.
#pragma once
#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "archive/lzh_archive.h"

namespace vok::testing {

inline std::vector<std::filesystem::path> CorpusFiles() {
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(VOK32_CORPUS_DIR)) {
    if (!e.is_regular_file()) continue;
    const std::string ext = e.path().extension().string();
    if (ext != ".lzh" && ext != ".lzs" && ext != ".pma") continue;
    if (e.path().filename() == "h2_huge.lzh") continue;  // expands to 4.7 GB
    files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The ways one archive is damaged: cuts at and just after every header start
// and data start, random cuts inside the data, and random single-bit flips.
inline std::vector<std::string> Damaged(const std::string& bytes, const lzh::Archive& a,
                                        std::mt19937& rng) {
  std::vector<std::size_t> cuts;
  std::uint64_t header = 0;
  for (const lzh::Member& m : a.members) {
    for (std::uint64_t at : {header, header + 1, header + 21, m.dataOffset, m.dataOffset + 1})
      cuts.push_back(static_cast<std::size_t>(at));
    if (m.packed > 2) {
      std::uniform_int_distribution<std::uint64_t> in(1, m.packed - 1);
      cuts.push_back(static_cast<std::size_t>(m.dataOffset + in(rng)));
    }
    header = m.dataOffset + m.packed;
  }
  std::vector<std::string> out;
  for (std::size_t at : cuts)
    if (at < bytes.size()) out.push_back(bytes.substr(0, at));
  std::uniform_int_distribution<std::size_t> pos(0, bytes.size() - 1);
  for (int i = 0; i < 6; ++i) {
    std::string flipped = bytes;
    flipped[pos(rng)] ^= static_cast<char>(1u << (rng() % 8));
    out.push_back(std::move(flipped));
  }
  return out;
}

}  // namespace vok::testing

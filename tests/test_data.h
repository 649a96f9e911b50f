// Files under tests/data. A missing one fails the test that asked for it, so
// no suite passes with nothing checked.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vok::testing {

inline std::filesystem::path TestData(const std::string& rel) {
  const std::filesystem::path p = std::filesystem::path(VOK32_TEST_DATA_DIR) / rel;
  if (!std::filesystem::exists(p)) ADD_FAILURE() << "test data missing: " << p;
  return p;
}

inline std::filesystem::path CorpusFile(const std::string& rel) {
  const std::filesystem::path p = std::filesystem::path(VOK32_CORPUS_DIR) / rel;
  if (!std::filesystem::exists(p)) ADD_FAILURE() << "test data missing: " << p;
  return p;
}

}  // namespace vok::testing

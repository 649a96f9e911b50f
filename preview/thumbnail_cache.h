// The last few pictures asked for, by name. A name known to give no picture
// is kept too, so that resting on it again decodes nothing.
#pragma once
#include <cstddef>
#include <list>
#include <string>
#include <unordered_map>

#include "desktop/thumbnail.h"

namespace vok::preview {

class ThumbnailCache {
 public:
  explicit ThumbnailCache(std::size_t capacity = 32) : capacity_(capacity) {}

  // True when the name is known; *out is then its picture, or null for none.
  bool Find(const std::string& name, desktop::ThumbnailPtr* out);
  // Keeps the picture, dropping the one used longest ago when full.
  void Put(const std::string& name, desktop::ThumbnailPtr picture);
  void Clear();
  std::size_t Size() const { return index_.size(); }

 private:
  using Entry = std::pair<std::string, desktop::ThumbnailPtr>;
  std::size_t capacity_;
  std::list<Entry> order_;  // most recent first
  std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

}  // namespace vok::preview

#include "preview/thumbnail_cache.h"

namespace vok::preview {

bool ThumbnailCache::Find(const std::string& name, desktop::ThumbnailPtr* out) {
  auto it = index_.find(name);
  if (it == index_.end()) return false;
  order_.splice(order_.begin(), order_, it->second);
  *out = it->second->second;
  return true;
}

void ThumbnailCache::Put(const std::string& name, desktop::ThumbnailPtr picture) {
  if (capacity_ == 0) return;
  if (auto it = index_.find(name); it != index_.end()) {
    it->second->second = std::move(picture);
    order_.splice(order_.begin(), order_, it->second);
    return;
  }
  if (index_.size() == capacity_) {
    index_.erase(order_.back().first);
    order_.pop_back();
  }
  order_.emplace_front(name, std::move(picture));
  index_[name] = order_.begin();
}

void ThumbnailCache::Clear() {
  index_.clear();
  order_.clear();
}

}  // namespace vok::preview

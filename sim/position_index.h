#pragma once
// Finds an element of a model's vector (features and dimensions by id, the
// model's parameters by name) by its key, which is unique in the vector, without
// walking it: a large model's export or import asks for each of its items
// several times, and a walk per question made the session's answers grow with
// the model.
//
// The index is a cache beside the vector, not part of it: the store changes the
// vectors freely (adds, erases, renumbers), and the index notices on its next
// use. A position is trusted only when the element there still has the key; a
// key the index does not know is looked for by a walk, and the index is rebuilt
// when the walk finds it. So the answers are always the walk's, and a lookup
// after a change costs one rebuild.
//
// Threads: as its owner (sim::Store, under the dispatcher's lock).
#include <cstddef>
#include <unordered_map>
#include <vector>

namespace sim {

template <typename Key>
class PositionIndex {
 public:
  // The position of the element whose key_of(element) is `key`, or -1.
  template <typename T, typename KeyOf>
  long Find(const std::vector<T>& items, const Key& key, KeyOf key_of) {
    auto at = positions_.find(key);
    if (at != positions_.end() && at->second < items.size() && key_of(items[at->second]) == key)
      return static_cast<long>(at->second);
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (!(key_of(items[i]) == key)) continue;
      positions_.clear();
      positions_.reserve(items.size());
      for (std::size_t j = 0; j < items.size(); ++j) positions_.emplace(key_of(items[j]), j);
      return static_cast<long>(i);
    }
    return -1;
  }

 private:
  std::unordered_map<Key, std::size_t> positions_;
};

}  // namespace sim

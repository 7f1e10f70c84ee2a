#include "upgrade/key_automaton.h"

#include <algorithm>
#include <numeric>

namespace vaxo {

// From the sorted keys the trie comes out node after node: a key shares
// the path of the key before it as far as they agree, and its children come
// in byte order, so no node is ever looked up while building.
KeyAutomaton::KeyAutomaton(const std::vector<std::string_view>& keys, std::vector<int32_t>* ids) {
  // The first 24 bytes as three numbers decide most comparisons; zeros
  // past the end keep the order of the whole texts. The records are sorted
  // in place and carry what the trie needs of a short key, so the keys
  // themselves are read in sorted order (all over the text) only on a tie
  // and for the bytes past the head.
  constexpr size_t kHead = 24;
  struct Entry {
    uint64_t head[3];
    int32_t key;
    uint32_t size;
    unsigned char Byte(size_t b) const {
      return static_cast<unsigned char>(head[b / 8] >> (8 * (7 - b % 8)));
    }
  };
  std::vector<Entry> order;
  order.reserve(keys.size());
  size_t total = 0;
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string_view k = keys[i];
    if (k.empty()) continue;
    total += k.size();
    Entry e = {{0, 0, 0}, static_cast<int32_t>(i), static_cast<uint32_t>(k.size())};
    for (size_t b = 0; b < kHead && b < k.size(); ++b) {
      e.head[b / 8] |= uint64_t{static_cast<unsigned char>(k[b])} << (8 * (7 - b % 8));
    }
    order.push_back(e);
  }
  std::sort(order.begin(), order.end(), [&](const Entry& a, const Entry& b) {
    for (int w = 0; w < 3; ++w) {
      if (a.head[w] != b.head[w]) return a.head[w] < b.head[w];
    }
    if (a.size <= kHead && b.size <= kHead) return a.size < b.size;
    return keys[a.key] < keys[b.key];
  });
  std::vector<int32_t> key_of(keys.size(), -1);  // per key: its id in byte order

  std::vector<int32_t> parent(1, -1);
  std::vector<unsigned char> byte(1, 0);
  std::vector<int32_t> key(1, -1);
  parent.reserve(total + 1);  // at most a node per byte
  byte.reserve(total + 1);
  key.reserve(total + 1);
  std::vector<int32_t> path(1, 0);  // node of each depth of the key before
  const Entry* previous = nullptr;
  for (const Entry& e : order) {
    size_t common = 0;
    if (previous != nullptr) {
      const size_t limit = std::min(previous->size, e.size);
      int w = 0;
      while (w < 3 && previous->head[w] == e.head[w]) ++w;
      if (w < 3) {
        uint64_t diff = previous->head[w] ^ e.head[w];
        size_t same = 0;  // leading bytes of the word that agree
        while ((diff & (uint64_t{0xFF} << 56)) == 0) {
          diff <<= 8;
          ++same;
        }
        common = std::min(limit, 8 * w + same);
      } else {
        common = std::min(limit, kHead);
        if (common == kHead) {
          const std::string_view a = keys[previous->key], b = keys[e.key];
          while (common < limit && a[common] == b[common]) ++common;
        }
      }
    }
    path.resize(common + 1);
    const char* tail = e.size > kHead ? keys[e.key].data() : nullptr;
    for (size_t d = common; d < e.size; ++d) {
      parent.push_back(path[d]);
      byte.push_back(d < kHead ? e.Byte(d) : static_cast<unsigned char>(tail[d]));
      key.push_back(-1);
      path.push_back(static_cast<int32_t>(parent.size() - 1));
    }
    int32_t& id = key[path[e.size]];
    if (id < 0) id = key_count_++;
    key_of[e.key] = id;
    previous = &e;
  }
  std::vector<Entry>().swap(order);  // its room serves what follows
  // The ids the callers see follow the order of the keys as given: the
  // engine asks in rule order, so what it reads per key lies in that order.
  std::vector<int32_t> renumber(key_count_, -1);
  int32_t next_id = 0;
  for (int32_t& id : key_of) {
    if (id < 0) continue;
    if (renumber[id] < 0) renumber[id] = next_id++;
    id = renumber[id];
  }
  for (int32_t& id : key) {
    if (id >= 0) id = renumber[id];
  }
  if (ids != nullptr) ids->swap(key_of);

  // Node v of the walk becomes the cell block at at[v]; the blocks keep
  // the order of the walk. Some six cells a key byte: an upg-file stays far
  // below the 2^31 cells an int32_t names.
  const int32_t n = static_cast<int32_t>(parent.size());
  std::vector<int32_t> at(n + 1, 0);
  for (int32_t v = 1; v < n; ++v) ++at[parent[v] + 1];  // children, one place on
  int32_t size = 0;
  for (int32_t v = 0; v < n; ++v) {
    const int32_t children = at[v + 1];
    at[v] = size;
    size += kEdges + 2 * children;
  }
  at[n] = size;
  cells_.assign(size, 0);
  for (int32_t v = 0; v < n; ++v) cells_[at[v] + kKey] = key[v];
  std::vector<int32_t>().swap(key);
  for (int32_t v = 1; v < n; ++v) {  // in walk order, so each node's moves come sorted by byte
    int32_t* const from = &cells_[at[parent[v]]];
    const int32_t e = kEdges + 2 * from[kCount]++;
    from[e] = byte[v];
    from[e + 1] = at[v];
  }
  std::vector<unsigned char>().swap(byte);
  std::vector<int32_t>().swap(at);
  for (int32_t& next : root_next_) next = 0;
  for (int32_t e = 0; e < cells_[kCount]; ++e) {
    root_next_[cells_[kEdges + 2 * e]] = cells_[kEdges + 2 * e + 1];
  }
  LinkFailures(&parent);
}

// Breadth first, so a node's fail link is ready before its children need it.
void KeyAutomaton::LinkFailures(std::vector<int32_t>* queue) {
  queue->clear();
  queue->push_back(0);
  for (size_t head = 0; head < queue->size(); ++head) {
    const int32_t node = (*queue)[head];
    for (int32_t e = 0; e < cells_[node + kCount]; ++e) {
      const int32_t b = cells_[node + kEdges + 2 * e];
      const int32_t c = cells_[node + kEdges + 2 * e + 1];
      int32_t fail = 0;  // the root's children fail to the root
      if (node != 0) {
        int32_t f = cells_[node + kFail];
        int32_t next = -1;
        while (f != 0 && (next = Child(f, static_cast<unsigned char>(b))) < 0)
          f = cells_[f + kFail];
        fail = f != 0 ? next : root_next_[b];
      }
      cells_[c + kFail] = fail;
      cells_[c + kReport] = cells_[c + kKey] >= 0 ? c : cells_[fail + kReport];
      queue->push_back(c);
    }
  }
}

int32_t KeyAutomaton::IdOf(std::string_view key) const {
  int32_t node = 0;
  for (char c : key) {
    const unsigned char b = static_cast<unsigned char>(c);
    node = node == 0 ? (root_next_[b] > 0 ? root_next_[b] : -1) : Child(node, b);
    if (node < 0) return -1;
  }
  return node == 0 ? -1 : cells_[node + kKey];
}

}  // namespace vaxo

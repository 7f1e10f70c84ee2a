#include "upgrade/key_automaton.h"

#include <algorithm>
#include <numeric>

namespace vaxo {

// From the sorted keys the trie comes out node after node: a key shares
// the path of the key before it as far as they agree, and its children come
// in byte order, so no node is ever looked up while building.
KeyAutomaton::KeyAutomaton(const std::vector<std::string_view>& keys, std::vector<int32_t>* ids) {
  // The first sixteen bytes as two numbers decide most comparisons; zeros
  // past the end keep the order of the whole texts. The records are sorted
  // in place, so the sort reads the keys themselves only on a tie.
  struct Entry {
    uint64_t head[2];
    int32_t key;
  };
  std::vector<Entry> order;
  order.reserve(keys.size());
  size_t total = 0;
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string_view k = keys[i];
    if (k.empty()) continue;
    total += k.size();
    Entry e = {{0, 0}, static_cast<int32_t>(i)};
    for (size_t b = 0; b < 16 && b < k.size(); ++b) {
      e.head[b / 8] |= uint64_t{static_cast<unsigned char>(k[b])} << (8 * (7 - b % 8));
    }
    order.push_back(e);
  }
  std::sort(order.begin(), order.end(), [&](const Entry& a, const Entry& b) {
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
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
  const std::string_view* previous = nullptr;
  for (const Entry& e : order) {
    const int32_t i = e.key;
    const std::string_view& k = keys[i];
    size_t common = 0;
    if (previous != nullptr) {
      const size_t limit = std::min(previous->size(), k.size());
      while (common < limit && (*previous)[common] == k[common]) ++common;
    }
    path.resize(common + 1);
    for (size_t d = common; d < k.size(); ++d) {
      parent.push_back(path[d]);
      byte.push_back(static_cast<unsigned char>(k[d]));
      key.push_back(-1);
      path.push_back(static_cast<int32_t>(parent.size() - 1));
    }
    int32_t& id = key[path[k.size()]];
    if (id < 0) id = key_count_++;
    key_of[i] = id;
    previous = &k;
  }
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

  const int32_t n = static_cast<int32_t>(parent.size());
  nodes_.resize(n + 1);
  for (int32_t v = 1; v < n; ++v) ++nodes_[parent[v] + 1].edges;
  for (int32_t v = 0; v < n; ++v) nodes_[v + 1].edges += nodes_[v].edges;
  edge_byte_.resize(n > 0 ? n - 1 : 0);
  edge_node_.resize(edge_byte_.size());
  std::vector<int32_t> fill(n);
  for (int32_t v = 0; v < n; ++v) fill[v] = nodes_[v].edges;
  for (int32_t v = 1; v < n; ++v) {  // in creation order, so each run is sorted by byte
    edge_byte_[fill[parent[v]]] = byte[v];
    edge_node_[fill[parent[v]]++] = v;
  }
  for (int32_t v = 0; v < n; ++v) nodes_[v].key = key[v];
  for (int32_t& next : root_next_) next = 0;
  for (int32_t e = nodes_[0].edges; e < nodes_[1].edges; ++e)
    root_next_[edge_byte_[e]] = edge_node_[e];
  LinkFailures();
}

// Breadth first, so a node's fail link is ready before its children need it.
void KeyAutomaton::LinkFailures() {
  std::vector<int32_t> queue;
  queue.reserve(nodes_.size());
  for (int32_t e = nodes_[0].edges; e < nodes_[1].edges; ++e) queue.push_back(edge_node_[e]);
  for (size_t head = 0; head < queue.size(); ++head) {
    const int32_t node = queue[head];
    for (int32_t e = nodes_[node].edges; e < nodes_[node + 1].edges; ++e) {
      const unsigned char b = edge_byte_[e];
      const int32_t c = edge_node_[e];
      int32_t f = nodes_[node].fail;
      int32_t next = -1;
      while (f != 0 && (next = Child(f, b)) < 0) f = nodes_[f].fail;
      nodes_[c].fail = f != 0 ? next : root_next_[b];
      const Node& fail = nodes_[nodes_[c].fail];
      nodes_[c].out = fail.key >= 0 ? nodes_[c].fail : fail.out;
      queue.push_back(c);
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
  return node == 0 ? -1 : nodes_[node].key;
}

}  // namespace vaxo

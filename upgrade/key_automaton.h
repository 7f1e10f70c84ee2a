// All keys of an upg-file in one matching machine (Aho-Corasick), so that a
// line is read once for every key at the same time instead of once per key.
// Texts are bytes; the machine knows nothing of spaces or case, its caller
// hands it normal forms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vaxo {

class KeyAutomaton {
 public:
  /// Equal keys share one id; ids count from 0 in the order of first
  /// appearance.
  /// `ids`, when given, receives the id of every key in `keys`, -1 for an
  /// empty key (which the machine leaves out: every text holds it).
  explicit KeyAutomaton(const std::vector<std::string_view>& keys,
                        std::vector<int32_t>* ids = nullptr);

  int32_t key_count() const { return key_count_; }
  /// Id of `key`, -1 when it is none of the keys.
  int32_t IdOf(std::string_view key) const;

  /// Calls `report(id)` for the keys that occur in `text`, at each place
  /// where one ends, longest first. `report` returns false when it has seen
  /// that key in this text already: every shorter key ending there is then
  /// known too, so the walk stops. Each key is thus reported once per text
  /// when the caller remembers what it saw, at a cost of text + reports.
  template <class Report>
  void Scan(std::string_view text, Report&& report) const {
    int32_t state = 0;
    for (char c : text) {
      const unsigned char b = static_cast<unsigned char>(c);
      int32_t next = -1;
      while (state != 0 && (next = Child(state, b)) < 0) state = nodes_[state].fail;
      state = state != 0 ? next : root_next_[b];
      for (int32_t t = nodes_[state].key >= 0 ? state : nodes_[state].out; t > 0;
           t = nodes_[t].out) {
        if (!report(nodes_[t].key)) break;
      }
    }
  }

 private:
  // Nodes are numbered in the order of a walk through the sorted keys, so
  // keys that share a beginning lie close together; a node's moves are one
  // run of `edge_byte_`/`edge_node_`, from its `edges` to the next node's.
  struct Node {
    int32_t edges = 0;
    int32_t fail = 0;
    int32_t out = -1;  // nearest key node among the fail links, -1 none
    int32_t key = -1;
  };

  int32_t Child(int32_t node, unsigned char b) const {
    for (int32_t e = nodes_[node].edges, end = nodes_[node + 1].edges; e < end; ++e) {
      if (edge_byte_[e] == b) return edge_node_[e];
    }
    return -1;
  }
  void LinkFailures();

  std::vector<Node> nodes_;  // node 0 is the root, the last one only ends the edges
  std::vector<unsigned char> edge_byte_;
  std::vector<int32_t> edge_node_;
  int32_t root_next_[256];  // the root's moves, a miss staying at the root
  int32_t key_count_ = 0;
};

}  // namespace vaxo

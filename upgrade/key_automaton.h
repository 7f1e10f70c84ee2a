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
    ScanMapped(
        text, [](char c) { return static_cast<int>(static_cast<unsigned char>(c)); }, report);
  }

  /// Scan of the bytes `map(c)` gives for the characters of `text`, a
  /// negative one left out: a caller scans a form of a text without making
  /// it first.
  template <class Map, class Report>
  void ScanMapped(std::string_view text, Map&& map, Report&& report) const {
    const int32_t* const cells = cells_.data();
    int32_t state = 0;
    for (char c : text) {
      const int mapped = map(c);
      if (mapped < 0) continue;
      const unsigned char b = static_cast<unsigned char>(mapped);
      int32_t next = -1;
      while (state != 0 && (next = Child(state, b)) < 0) state = cells[state + kFail];
      state = state != 0 ? next : root_next_[b];
      for (int32_t t = cells[state + kReport]; t > 0; t = cells[cells[t + kFail] + kReport]) {
        if (!report(cells[t + kKey])) break;
      }
    }
  }

 private:
  // A node is a block of cells: its fail link, its report, its key, the
  // number of its moves and the moves themselves, pairs of byte and node;
  // a node is named by where its block starts, the root by 0. The blocks
  // lie in the order of a walk through the sorted keys, so keys that share
  // a beginning lie close together and a key's own bytes past the shared
  // part follow one another. A step reads one block, mostly one cache line.
  // The report is the node itself if a key ends there, else the nearest
  // such node among the fail links, 0 for none.
  enum Cell : int32_t { kFail = 0, kReport = 1, kKey = 2, kCount = 3, kEdges = 4 };

  int32_t Child(int32_t node, unsigned char b) const {
    const int32_t* const block = cells_.data() + node;
    for (int32_t e = kEdges, end = kEdges + 2 * block[kCount]; e < end; e += 2) {
      if (block[e] == b) return block[e + 1];
    }
    return -1;
  }
  void LinkFailures(std::vector<int32_t>* queue);

  std::vector<int32_t> cells_;
  int32_t root_next_[256];  // the root's moves, a miss staying at the root
  int32_t key_count_ = 0;
};

}  // namespace vaxo

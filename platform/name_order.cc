#include "platform/name_order.h"

#include "platform/letter_case.h"

namespace vaxo {

namespace {

// Printable ASCII other than hyphen and apostrophe, lightest first; the
// letters come as upper case.
const char kWeighted[] = " !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

bool Special(char c) { return c == '-' || c == '\''; }

int Weight(char c) {
  static const struct Table {
    int weight[256];
    Table() {
      // Bytes outside the list come after it, by their upper-case value.
      for (int b = 0; b < 256; ++b)
        weight[b] = 256 + static_cast<unsigned char>(UpperCp1252(static_cast<char>(b)));
      for (int i = 0; kWeighted[i] != '\0'; ++i) {
        const unsigned char u = static_cast<unsigned char>(kWeighted[i]);
        weight[u] = i;
        if (u >= 'A' && u <= 'Z') weight[u + ('a' - 'A')] = i;
      }
    }
  } table;
  return table.weight[static_cast<unsigned char>(c)];
}

// Step 1: the weighted characters in turn.
int CompareWeighted(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && Special(a[i])) ++i;
    while (j < b.size() && Special(b[j])) ++j;
    if (i == a.size() || j == b.size()) break;
    const int wa = Weight(a[i++]), wb = Weight(b[j++]);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  return (i < a.size()) - (j < b.size());
}

// Step 2: hyphens and apostrophes by place, then by kind.
int CompareSpecials(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && !Special(a[i])) ++i;
    while (j < b.size() && !Special(b[j])) ++j;
    if (i == a.size() || j == b.size()) break;
    if (i != j) return i > j ? -1 : 1;
    if (a[i] != b[j]) return a[i] == '\'' ? -1 : 1;
    ++i;
    ++j;
  }
  return (i < a.size()) - (j < b.size());
}

}  // namespace

int CompareNamesWordSort(const std::string& a, const std::string& b) {
  const int weighted = CompareWeighted(a, b);
  return weighted != 0 ? weighted : CompareSpecials(a, b);
}

}  // namespace vaxo

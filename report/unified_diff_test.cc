// The diff over many generated pairs of texts: applied to the first text it
// gives the second byte for byte, and it changes no more lines than the
// shortest edit of the two.
#include "report/unified_diff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dtl/dtl.hpp>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vaxo {
namespace {

// The lines of `text`, each with its "\n" when it has one.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t pos = 0; pos < text.size();) {
    const size_t end = std::min(text.find('\n', pos), text.size() - 1) + 1;
    lines.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  return lines;
}

// Applies `diff` as patch does; counts its changed lines.
std::string Apply(const std::string& before, const std::string& diff, long* changed) {
  const std::vector<std::string> a = Lines(before);
  std::vector<std::string> d = Lines(diff);
  for (size_t k = 1; k < d.size(); ++k)  // the line before a "\" mark has no line end
    if (d[k][0] == '\\') d[k - 1].pop_back();
  std::string out;
  size_t next = 0;                                      // the next line of `a` not yet taken
  long counts[2] = {0, 0};                              // the lines a hunk still owes of each side
  const auto start_of = [](const std::string& range) {  // lines before, from "s,n"
    const unsigned long start = std::stoul(range),
                        n = std::stoul(range.substr(range.find(',') + 1));
    return std::make_pair(n == 0 ? start : start - 1, long(n));
  };
  for (size_t k = 2; k < d.size(); ++k) {
    if (d[k].rfind("@@ -", 0) == 0) {
      EXPECT_EQ(counts[0] | counts[1], 0) << diff;
      const auto [before_a, n_a] = start_of(d[k].substr(4));
      const auto [before_b, n_b] = start_of(d[k].substr(d[k].find(" +") + 2));
      for (; next < before_a; ++next) out += a.at(next);
      EXPECT_EQ(Lines(out).size(), before_b) << diff;
      counts[0] = n_a;
      counts[1] = n_b;
    } else if (d[k][0] != '\\') {
      if (d[k][0] != ' ') ++*changed;
      if (d[k][0] != '+') {
        --counts[0];
        EXPECT_EQ(a.at(next++), d[k].substr(1)) << diff;
      }
      if (d[k][0] != '-') {
        --counts[1];
        out += d[k].substr(1);
      }
    }
  }
  EXPECT_EQ(counts[0] | counts[1], 0) << diff;
  for (; next < a.size(); ++next) out += a[next];
  return out;
}

TEST(UnifiedDiff, AppliedGivesTheNewTextWithTheFewestChangedLines) {
  std::mt19937 rng(7);
  std::vector<std::string> pieces = {"$A=1\r\n", "$A=2\r\n", "$B=1\r\n", "; c\r\n", "\r\n", "$C=3"};
  // Lines alike in their first eight bytes or more, differing at the end or
  // in their length only; and more lines than the table of lines starts with.
  for (const char* line : {"$SPEED_LIMIT=200\r\n", "$SPEED_LIMIT=250\r\n", "$SPEED_LIMIT=250\n",
                           "$SPEED_LIMIT=2500\r\n", "$SPEED_LIMIT=250"})
    pieces.push_back(line);
  for (int i = 0; i < 40; ++i) pieces.push_back("$AX_PARAM[" + std::to_string(i) + "]=0\r\n");
  for (int round = 0; round < 3000; ++round) {
    std::string texts[2];
    const size_t kinds = round % 2 ? pieces.size() : 6, most = round % 2 ? 60 : 14;
    for (std::string& t : texts)
      for (size_t n = rng() % most; n > 0; --n) t += pieces[rng() % kinds];
    long changed = 0;
    const std::string diff = UnifiedDiff("C:\\F.DAT", texts[0], texts[1], true);
    ASSERT_EQ(diff.empty(), texts[0] == texts[1]);
    if (diff.empty()) continue;
    ASSERT_EQ(Apply(texts[0], diff, &changed), texts[1]) << diff;
    dtl::Diff<std::string, std::vector<std::string>> shortest(Lines(texts[0]), Lines(texts[1]));
    shortest.onOnlyEditDistance();
    shortest.compose();
    EXPECT_EQ(changed, shortest.getEditDistance()) << diff;
  }
}

}  // namespace
}  // namespace vaxo

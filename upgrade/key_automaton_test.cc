#include "upgrade/key_automaton.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace vaxo {
namespace {

/// Ids of the keys in `text`, each once, as a caller that remembers them gets.
std::vector<int32_t> KeysIn(const KeyAutomaton& keys, const std::string& text) {
  std::vector<int32_t> found;
  std::set<int32_t> seen;
  keys.Scan(text, [&](int32_t id) {
    if (!seen.insert(id).second) return false;
    found.push_back(id);
    return true;
  });
  return found;
}

/// The ids of `names`, in that order.
std::vector<int32_t> Names(const KeyAutomaton& keys, std::initializer_list<const char*> names) {
  std::vector<int32_t> ids;
  for (const char* name : names) ids.push_back(keys.IdOf(name));
  return ids;
}

TEST(KeyAutomatonTest, GivesIdsInOrderOfFirstAppearance) {
  std::vector<int32_t> ids;
  const KeyAutomaton keys({"$A=", "A=", "", "$A=", "$AB="}, &ids);
  EXPECT_EQ(keys.key_count(), 3);
  EXPECT_EQ(ids, (std::vector<int32_t>{0, 1, -1, 0, 2}));
  EXPECT_EQ(keys.IdOf("$A="), 0);
  EXPECT_EQ(keys.IdOf("A="), 1);
  EXPECT_EQ(keys.IdOf("$AB="), 2);
  EXPECT_EQ(keys.IdOf("$A"), -1);  // a prefix of keys is no key
  EXPECT_EQ(keys.IdOf(""), -1);
  EXPECT_EQ(keys.IdOf("$ABC="), -1);
}

TEST(KeyAutomatonTest, FindsKeysAnywhereAndInsideOneAnother) {
  const KeyAutomaton keys({"$A=", "A=", "$AB=", "=1", ";"});
  EXPECT_EQ(KeysIn(keys, "$DATA=1"), Names(keys, {"A=", "=1"}));
  EXPECT_EQ(KeysIn(keys, "$AB=1"), Names(keys, {"$AB=", "=1"}));
  EXPECT_EQ(KeysIn(keys, "$B=2;WAS$A=1"), Names(keys, {";", "$A=", "A=", "=1"}));
  EXPECT_EQ(KeysIn(keys, "$A\t=1"), Names(keys, {"=1"}));
  EXPECT_EQ(KeysIn(keys, ""), Names(keys, {}));
}

// A mapped scan reads the text as the bytes the map gives, left-out ones
// joining their neighbours: what a caller that made that text first finds.
TEST(KeyAutomatonTest, ScansTheMappedTextAsThatTextItself) {
  const KeyAutomaton keys({"$A=", "A=", "$AB=", "=1", ";", "\xe4"});
  const auto squeeze = [](char c) { return c == ' ' ? -1 : c == 'x' ? 'A' : int(c) & 0xff; };
  for (const char* text : {"$ a =1", "$x=1", " ; $AB =  1", "$a b=", "  ", "\xe4 x="}) {
    std::string made;
    for (const char* c = text; *c; ++c) {
      if (squeeze(*c) >= 0) made += char(squeeze(*c));
    }
    std::vector<int32_t> found;
    std::set<int32_t> seen;
    keys.ScanMapped(text, squeeze, [&](int32_t id) {
      if (!seen.insert(id).second) return false;
      found.push_back(id);
      return true;
    });
    EXPECT_EQ(found, KeysIn(keys, made)) << text;
  }
}

TEST(KeyAutomatonTest, FollowsFailuresAcrossPartialMatches) {
  // "ABABC" fails inside "ABABD"'s path and must resume at "AB".
  const KeyAutomaton keys({"ABABD", "ABC", "BAB", "\xe4\xff", "B"});
  EXPECT_EQ(KeysIn(keys, "ABABC"), Names(keys, {"B", "BAB", "ABC"}));
  EXPECT_EQ(KeysIn(keys, "ABABABD"), Names(keys, {"B", "BAB", "ABABD"}));
  EXPECT_EQ(KeysIn(keys, "x\xe4\xff"), Names(keys, {"\xe4\xff"}));
}

TEST(KeyAutomatonTest, ReportsEachKeyOncePerTextEvenWhenNested) {
  // Every run of A holds every shorter run: reports stay at one per key.
  const KeyAutomaton keys({"A", "AA", "AAA", "AAAA"});
  int reports = 0;
  std::set<int32_t> seen;
  keys.Scan(std::string(1000, 'A'), [&](int32_t id) {
    ++reports;
    return seen.insert(id).second;
  });
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_LE(reports, 4 + 1000);  // one refused report per place at most
}

// Long keys that agree far into their text, short ones, NUL bytes and
// duplicates: every id and every text answer as a plain find of each key.
TEST(KeyAutomatonTest, AgreesWithAPlainFindOnLongAndAlikeKeys) {
  std::mt19937 rng(7);
  const auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  static const char kBytes[] = {'A', 'B', '\0', '=', '\xff'};
  for (int round = 0; round < 300; ++round) {
    const std::string stem(below(40), 'A');
    std::vector<std::string> texts;
    const int count = 1 + below(12);
    for (int i = 0; i < count; ++i) {
      std::string key = below(3) == 0 ? std::string() : stem.substr(0, below(41));
      for (int n = below(5); n > 0; --n) key += kBytes[below(5)];
      texts.push_back(key);
    }
    if (below(3) == 0) texts.push_back(texts[below(count)]);
    std::vector<int32_t> ids;
    const KeyAutomaton keys(std::vector<std::string_view>(texts.begin(), texts.end()), &ids);
    std::vector<std::string> distinct;  // in order of first appearance
    for (size_t i = 0; i < texts.size(); ++i) {
      if (texts[i].empty()) {
        ASSERT_EQ(ids[i], -1);
        continue;
      }
      size_t d = 0;
      while (d < distinct.size() && distinct[d] != texts[i]) ++d;
      if (d == distinct.size()) distinct.push_back(texts[i]);
      ASSERT_EQ(ids[i], static_cast<int32_t>(d)) << round;
      ASSERT_EQ(keys.IdOf(texts[i]), static_cast<int32_t>(d)) << round;
    }
    ASSERT_EQ(keys.key_count(), static_cast<int32_t>(distinct.size()));
    for (int t = 0; t < 20; ++t) {
      std::string text = stem.substr(0, below(41));
      for (int n = below(12); n > 0; --n) text += below(2) ? 'A' : kBytes[below(5)];
      if (below(2)) text = texts[below(count)] + text;
      std::set<int32_t> expected;
      for (size_t d = 0; d < distinct.size(); ++d) {
        if (text.find(distinct[d]) != std::string::npos) expected.insert(static_cast<int32_t>(d));
      }
      const std::vector<int32_t> found = KeysIn(keys, text);
      ASSERT_EQ(std::set<int32_t>(found.begin(), found.end()), expected) << round;
      ASSERT_EQ(found.size(), expected.size()) << round;
    }
  }
}

}  // namespace
}  // namespace vaxo

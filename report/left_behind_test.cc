// The values an upgrade leaves behind, against a small reference written
// straight from the definition, over many generated old/new/upg triples;
// and the cases where the engine's own way of reading a text decides.
#include "report/left_behind.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace vaxo {
namespace report {
namespace {

// --- the reference: the definition, word for word --------------------------

std::vector<std::string> RefLines(const std::string& text) {  // non-blank; CR LF, CR, LF end
  std::vector<std::string> lines;
  std::string line;
  auto end = [&] {
    if (line.find_first_not_of(' ') != std::string::npos) lines.push_back(line);
    line.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      end();
    } else {
      line += text[i];
    }
  }
  end();
  return lines;
}

std::string RefNorm(const std::string& s) {  // spaces out, a to z upper
  std::string out;
  for (char c : s)
    if (c != ' ') out += (c >= 'a' && c <= 'z') ? char(c - 32) : c;
  return out;
}

std::string RefTrim(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

bool RefVariable(const std::string& line, std::string* key, std::string* value) {
  const size_t first = line.find_first_not_of(' '), eq = line.find('=');
  if (line[first] == ';' || eq == std::string::npos) return false;
  *key = RefNorm(line.substr(0, eq + 1));
  const size_t semi = line.find(';', eq);
  *value = RefNorm(line.substr(eq + 1, semi == std::string::npos ? semi : semi - eq - 1));
  return true;
}

// The values left behind, a line each: "KEY kind [old line] [new line]".
std::string Reference(const std::string& old_text, const std::string& new_text,
                      const std::string& upg_text, bool shift) {
  std::vector<std::string> named;
  for (const std::string& rule : RefLines(upg_text)) {
    const std::string n = RefNorm(rule);
    named.push_back(n.substr(0, n.find('=') == std::string::npos ? n.size() : n.find('=') + 1));
  }
  if (shift)
    for (const char* s : {"$ROB_STOPPED=", "$ROB_CAL=", "$PRO_ACT=", "$PRO_MOVE="})
      named.push_back(s);
  std::string left;
  std::vector<std::string> seen;
  std::string key, value, new_key, new_value;
  for (const std::string& line : RefLines(old_text)) {
    if (!RefVariable(line, &key, &value)) continue;
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(key);
    if (std::find(named.begin(), named.end(), key) != named.end()) continue;
    std::string new_line;
    bool in_new = false;
    for (const std::string& n : RefLines(new_text)) {
      if (RefVariable(n, &new_key, &new_value) && new_key == key) {
        in_new = true;
        new_line = RefTrim(n);
        break;
      }
    }
    if (!in_new || new_value != value)
      left +=
          key + (in_new ? " differs [" : " old-only [") + RefTrim(line) + "] [" + new_line + "]\n";
  }
  return left;
}

// --- generated triples ------------------------------------------------------

class Triples {
 public:
  explicit Triples(unsigned seed) : rng_(seed) {}

  std::string Pick(std::initializer_list<const char*> items) {
    return *(items.begin() + rng_() % items.size());
  }
  // A name spelt with odd case and spaces inside.
  std::string Name() {
    std::string n = Pick({"$a", "$A", "$ab", "$A_B", "$rob_cal", "$PRO_MOVE", "x", "$a[1]"});
    if (n.size() > 1 && rng_() % 4 == 0) n.insert(1 + rng_() % (n.size() - 1), " ");
    return n;
  }
  std::string Line() {
    switch (rng_() % 8) {
      case 0:
        return Pick({"", "   ", "\t", "; note", "  ;$a=1", "no equals"});
      case 1:
        return Name() + Pick({"", " "}) + "=" + Pick({"", "1", " 1", "2 ", "a b"}) + " ;" +
               Pick({"c", "=3", ""});
      default:
        return Pick({"", " ", "  "}) + Name() + Pick({"", " "}) + "=" +
               Pick({"", "1", "1 ", "2", "A", "a", " 1 0", "10", "=5"});
    }
  }
  std::string Text(int max_lines) {
    std::string t;
    for (int i = int(rng_() % max_lines); i > 0; --i)
      t += Line() + Pick({"\r\n", "\r\n", "\r", "\n"});
    return t;
  }
  std::string Upg() {
    std::string t;
    for (int i = int(rng_() % 4); i > 0; --i)
      t += Pick({"", " "}) + Name() + Pick({"=", " = ", "=7", ""}) + "\r\n";
    return t;
  }

 private:
  std::mt19937 rng_;
};

std::string Shown(const LeftBehindList& left) {
  std::string s;
  for (const LeftValue& v : left.values)
    s += std::string(v.key) + " " + LeftKindName(v.kind) + " [" + std::string(v.old_line) + "] [" +
         std::string(v.new_line) + "]\n";
  return s;
}

// One file's values, with a finder of its own.
LeftBehindList LeftOf(const std::string& old_text, const std::string& new_text,
                      const std::string& upg, const std::vector<std::string>& skip = {}) {
  LeftBehindFinder finder;
  finder.NameRulesOf(upg);
  for (const std::string& key : skip) finder.Name(key);
  LeftBehindList left;
  finder.Find(old_text, new_text, &left);
  return left;
}

TEST(LeftBehindTest, AgreesWithTheDefinitionOnGeneratedTriples) {
  Triples gen(24);
  LeftBehindFinder reused;  // one finder for all: nothing of a file reaches the next
  LeftBehindList again;
  size_t listed = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string old_text = gen.Text(8), new_text = gen.Text(8), upg = gen.Upg();
    const bool shift = i % 3 == 0;
    std::vector<std::string> skip;
    if (shift) skip = {"$ROB_STOPPED=", "$ROB_CAL=", "$PRO_ACT=", "$PRO_MOVE="};
    const LeftBehindList got = LeftOf(old_text, new_text, upg, skip);
    ASSERT_EQ(Shown(got), Reference(old_text, new_text, upg, shift)) << "old:\n"
                                                                     << old_text << "\nnew:\n"
                                                                     << new_text << "\nupg:\n"
                                                                     << upg;
    reused.NameRulesOf(upg);
    for (const std::string& key : skip) reused.Name(key);
    reused.Find(old_text, new_text, &again);
    ASSERT_EQ(Shown(again), Shown(got));
    // Where Find found them, the values are found again as they were.
    std::vector<LeftSpot> spots;
    for (const LeftValue& v : got.values)
      spots.push_back({uint32_t(v.old_line.data() - old_text.data()),
                       v.kind == LeftValue::Kind::kOldOnly
                           ? LeftSpot::kNone
                           : uint32_t(v.new_line.data() - new_text.data())});
    ASSERT_TRUE(LeftBehindFinder::Recall(old_text, new_text, spots, &again));
    ASSERT_EQ(Shown(again), Shown(got));
    listed += got.values.size();
  }
  EXPECT_GT(listed, 5000u);  // the triples do leave values behind
}

TEST(LeftBehindTest, SpotsThatHoldNoLineOfTheKeyAnyMoreAreRefused) {
  LeftBehindList left;
  struct Row {
    const char *old_text, *new_text;
    LeftSpot spot;
    bool recalled;
  };
  const Row rows[] = {
      {"$A=1\r\n", "$A=2\r\n", {0, 0}, true},
      {"$A=1\r\n", "", {0, LeftSpot::kNone}, true},
      {"$A=1\r\n", "$B=2\r\n", {0, 0}, false},  // another key
      {";A=1\r\n", "$A=2\r\n", {0, 0}, false},  // a comment now
      {"$A 1\r\n", "$A=2\r\n", {0, 0}, false},  // no "="
      {"$A=1\r\n", "$A=2\r\n", {9, 0}, false},  // past the end
      {"$A=1\r\n", "$A=2\r\n", {0, LeftSpot::kNone - 1}, false},
  };
  for (const Row& r : rows)
    EXPECT_EQ(LeftBehindFinder::Recall(r.old_text, r.new_text, {r.spot}, &left), r.recalled)
        << r.old_text << " " << r.new_text;
}

TEST(LeftBehindTest, AgreesWithTheDefinitionOnFilesLargerThanItsFirstTable) {
  std::string old_text, new_text, upg;
  for (int k = 0; k < 1500; ++k) {
    const std::string name = "$V" + std::to_string(k) + "=";
    old_text += name + std::to_string(k % 7) + "\r\n";
    if (k % 5) new_text += name + std::to_string(k % 3) + "\r\n";
    if (k % 11 == 0) upg += name + "\r\n";
  }
  LeftBehindFinder finder;
  LeftBehindList left;
  for (int round = 0; round < 2; ++round) {  // the grown table serves the next file
    finder.NameRulesOf(upg);
    finder.Find(old_text, new_text, &left);
    EXPECT_EQ(Shown(left), Reference(old_text, new_text, upg, false));
  }
}

TEST(LeftBehindTest, KeysAndValuesAreComparedAsTheEngineComparesThem) {
  struct Row {
    const char *old_text, *new_text, *upg, *expected;
  };
  const Row rows[] = {
      // The sample's robot configuration: no upg-file, one value differs.
      {"; Configuration\r\n$HOME_POS=0\r\n$SPEED_LIMIT=250\r\n",
       "; Configuration\r\n$HOME_POS=0\r\n$SPEED_LIMIT=200\r\n$SPEED_REDUCED=100\r\n", "",
       "$SPEED_LIMIT= differs [$SPEED_LIMIT=250] [$SPEED_LIMIT=200]\n"},
      // Spaces and letter case do not count; a comment after ";" does not either.
      {"  $a = 1 ;old\r\n", "$A=1;new\r\n", "", ""},
      // A rule names its key however it is spelt; its default does not matter.
      {"$A=1\r\n$B=1\r\n", "$A=2\r\n", "$ a = 5\r\n", "$B= old-only [$B=1] []\n"},
      // The first line of a key counts, in both files; comments never do.
      {"$A=1\r\n$A=2\r\n;$B=1\r\n", ";$A=9\r\n$A=1\r\n$A=3\r\n", "", ""},
      // A key is a key whole: a rule "$A=" does not name "$AB=".
      {"$AB=1\r\n", "$AB=2\r\n", "$A=\r\n", "$AB= differs [$AB=1] [$AB=2]\n"},
      // Lone CR and lone LF end lines as in the engine.
      {"$A=1\r$B=1\n", "$A=2\n$B=1\r", "", "$A= differs [$A=1] [$A=2]\n"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(Shown(LeftOf(r.old_text, r.new_text, r.upg)), r.expected) << r.old_text;
}

}  // namespace
}  // namespace report
}  // namespace vaxo

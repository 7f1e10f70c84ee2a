// The indexed search against the literal one, through whole upgrades of
// random texts: merged text, every log entry and ExitCode must agree. The
// texts are small and dense with the hard cases: keys inside other keys and
// inside comments, doubles, rules out of the file's order, tabs, mixed line
// ends, blank lines, lines without "=", empty texts, check mode.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/exit_code.h"
#include "base/text.h"
#include "files/text_file.h"
#include "tests/support/vaxo_test.h"
#include "upgrade/key_automaton.h"
#include "upgrade/line_index.h"
#include "upgrade/vaxo_upg.h"

namespace vaxo {
namespace {

class Texts {
 public:
  explicit Texts(uint32_t seed) : rng_(seed) {}

  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool OneIn(int n) { return Below(n) == 0; }

  /// A short name from few letters, so names often hold one another.
  std::string Name() {
    static const char* const kParts[] = {"$", "A", "B", "a", "b", "_", "[1]", "AB", "$A", "\t"};
    std::string name = OneIn(3) ? "" : "$";
    const int parts = 1 + Below(3);
    for (int i = 0; i < parts; ++i) name += kParts[Below(10)];
    return name;
  }

  std::string Spaces() {
    static const char* const kGaps[] = {"", "", "", " ", "  ", " \t", "\t"};
    return kGaps[Below(7)];
  }

  /// A name with a space or two put inside it now and then.
  std::string Spelled(const std::string& name) {
    std::string s = name;
    if (OneIn(4) && !s.empty()) s.insert(Below(static_cast<int>(s.size())), " ");
    return s;
  }

  std::string DataLine(const std::vector<std::string>& names) {
    const std::string& name = names[Below(static_cast<int>(names.size()))];
    switch (Below(12)) {
      case 0:
        return "";
      case 1:
        return std::string(Below(3) + 1, ' ');
      case 2:
        return Spaces() + ";" + Spaces() + Spelled(name) + "=" + std::to_string(Below(9));
      case 3:
        return Spelled(name);  // no "="
      case 4:
        return Spelled(name) + "=" + std::to_string(Below(9)) + " ;was " +
               names[Below(static_cast<int>(names.size()))] + "=1";
      case 5:
        return Spelled(name) + "=" + names[Below(static_cast<int>(names.size()))] + "=2";
      default:
        return Spaces() + Spelled(name) + Spaces() + "=" + Spaces() +
               (OneIn(5) ? "" : std::to_string(Below(99))) + Spaces();
    }
  }

  std::string RuleLine(const std::vector<std::string>& names) {
    const std::string& name = names[Below(static_cast<int>(names.size()))];
    switch (Below(10)) {
      case 0:
        return Spelled(name);
      case 1:
        return ";" + name + "=";
      case 2:
        return Spaces() + Spelled(name) + " = " + std::to_string(Below(9)) + Spaces();
      case 3:
        return "  " + name + "=1";  // leading spaces: no default
      case 4:
        return "";
      default:
        return Spaces() + Spelled(name) + Spaces() + "=";
    }
  }

  std::string Ending() {
    static const char* const kEnds[] = {"\r\n", "\r\n", "\r\n", "\r", "\n", "\n\r"};
    return kEnds[Below(6)];
  }

  std::string Text(const std::vector<std::string>& names, bool rules) {
    if (OneIn(10)) return "";
    std::string text;
    const int lines = Below(12);
    for (int i = 0; i < lines; ++i) {
      text += rules ? RuleLine(names) : DataLine(names);
      if (i + 1 < lines || !OneIn(4)) text += Ending();
    }
    return text;
  }

 private:
  std::mt19937 rng_;
};

class SearchSamenessTest : public VaxoTest {
 protected:
  struct Outcome {
    std::string merged;
    std::string log;
    int32_t exit_code;
  };

  Outcome Run(SearchMethod method, const std::string& old_text, const std::string& new_text,
              const std::string& upg_text, bool check) {
    CLSVaxoUpg engine;
    engine.SetSearchMethod(method);
    ExitCode = 0;
    std::string merged = old_text;
    ApplyExitCode(engine.Upgrade("$A.DAT", merged, new_text, upg_text, check));
    return {merged, TakeLog(), ExitCode};
  }
};

std::string Shown(const std::string& text) {
  std::ostringstream out;
  for (char c : text) {
    if (c == '\r') {
      out << "\\r";
    } else if (c == '\n') {
      out << "\\n";
    } else if (c == '\t') {
      out << "\\t";
    } else {
      out << c;
    }
  }
  return out.str();
}

TEST_F(SearchSamenessTest, IndexedAndLiteralUpgradesAgreeOnRandomTexts) {
  int carried = 0, doubles = 0;
  for (uint32_t seed = 1; seed <= 6000; ++seed) {
    Texts gen(seed);
    std::vector<std::string> names;
    const int count = 1 + gen.Below(6);
    for (int i = 0; i < count; ++i) names.push_back(gen.Name());
    const std::string old_text = gen.Text(names, false);
    const std::string new_text = gen.Text(names, false);
    const std::string upg_text = gen.Text(names, true);
    const bool check = gen.OneIn(2);

    const Outcome literal = Run(SearchMethod::kLiteral, old_text, new_text, upg_text, check);
    const Outcome indexed = Run(SearchMethod::kIndexed, old_text, new_text, upg_text, check);
    SCOPED_TRACE("seed " + std::to_string(seed) + (check ? " check" : "") + "\nold: " +
                 Shown(old_text) + "\nnew: " + Shown(new_text) + "\nupg: " + Shown(upg_text));
    ASSERT_EQ(indexed.merged, literal.merged);
    ASSERT_EQ(indexed.log, literal.log);
    ASSERT_EQ(indexed.exit_code, literal.exit_code);
    if (literal.log.find("    - <") != std::string::npos) ++carried;
    if (literal.log.find("double") != std::string::npos) ++doubles;
  }
  // The generator must reach the interesting cases, or the test proves little.
  EXPECT_GT(carried, 1000);  // about a quarter of the cases
  EXPECT_GT(doubles, 300);
}

// The engine reads lines in place; the rule is CutFirstLine's.
TEST_F(SearchSamenessTest, MakeLineListCutsAsCutFirstLine) {
  static const char kBytes[] = {'a', ' ', ' ', '\r', '\n', '\t', '='};
  CLSVaxoUpg engine;
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    Texts gen(seed);
    std::string text;
    const int size = gen.Below(14);
    for (int i = 0; i < size; ++i) text += kBytes[gen.Below(7)];
    std::vector<std::string> expected;
    for (std::string rest = text; !rest.empty();) {
      const std::string line = CutFirstLine(rest);
      if (line.find_first_not_of(' ') != std::string::npos) expected.push_back(line);
    }
    LineList lines;
    engine.MakeLineList(text, lines);
    ASSERT_EQ(std::vector<std::string>(lines.begin(), lines.end()), expected) << Shown(text);
  }
}

TEST_F(SearchSamenessTest, RuleKeyIsGetVarNameOfTheUpperCaseLine) {
  static const char kBytes[] = {'a', 'B', ' ', ' ', '=', '\t', ';', '\xe4'};
  CLSVaxoUpg engine;
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    Texts gen(seed);
    std::string line;
    const int size = gen.Below(12);
    for (int i = 0; i < size; ++i) line += kBytes[gen.Below(8)];
    ASSERT_EQ(CLSVaxoUpg::RuleKey(line), engine.GetVarName(UCase(line))) << Shown(line);
  }
}

// The same one search at a time, from every position, with an index that
// may keep only a few hits: a key it leaves out must say so.
TEST_F(SearchSamenessTest, LineIndexAnswersAsLineSearchFromEveryPosition) {
  for (uint32_t seed = 1; seed <= 600; ++seed) {
    Texts gen(seed);
    std::vector<std::string> names;
    for (int i = 0; i < 4; ++i) names.push_back(gen.Name());
    std::vector<std::string> texts;
    const int n = gen.Below(9);
    for (int i = 0; i < n; ++i) {
      std::string line = gen.DataLine(names);
      if (line.find_first_not_of(' ') != std::string::npos) texts.push_back(line);
    }
    const LineList lines(texts.begin(), texts.end());
    std::vector<std::string> keys;
    for (const std::string& name : names) {
      keys.push_back(SearchForm(name));
      keys.push_back(SearchForm(name + "="));
    }
    keys.push_back(";");
    const size_t max_hits = gen.OneIn(2) ? 0 : static_cast<size_t>(gen.Below(6));
    const KeyAutomaton automaton(std::vector<std::string_view>(keys.begin(), keys.end()));
    const LineIndex index(lines, automaton, max_hits);
    for (const std::string& key : keys) {
      const int32_t id = automaton.IdOf(key);
      ASSERT_GE(id, 0);
      if (!index.Holds(id)) continue;
      for (int32_t start = 0; start <= static_cast<int32_t>(lines.size()) + 1; ++start) {
        for (bool check : {false, true}) {
          int32_t literal_position = start, indexed_position = start;
          const int32_t literal =
              LineSearch(lines, literal_position, kFindStringAltMessages).Find(key, check);
          const std::string literal_log = TakeLog();
          const int32_t indexed = index.Find(id, indexed_position, kFindStringAltMessages, check);
          SCOPED_TRACE("seed " + std::to_string(seed) + " key " + Shown(key) + " start " +
                       std::to_string(start) + (check ? " check" : ""));
          ASSERT_EQ(indexed, literal);
          ASSERT_EQ(indexed_position, literal_position);
          ASSERT_EQ(TakeLog(), literal_log);
        }
      }
    }
  }
}

}  // namespace
}  // namespace vaxo

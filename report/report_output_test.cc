// What the report adds from the upg-files, and its three outputs: the JSON's
// fields, the page's self-containment, the terminal's dozen lines. (The
// shift's check and where the pages go: the end-to-end tests.)
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>

#include "base/text.h"
#include "platform/mem_env.h"
#include "report/html_report.h"
#include "report/html_text.h"
#include "report/installation_check.h"
#include "report/json_report.h"
#include "report/terminal_summary.h"

namespace vaxo {
namespace report {
namespace {

// A run of one STEU file whose second rule was found in neither file.
RunReport OneFile(int rules) {
  RunReport run;
  run.ended = Ending::kClosingEntry;
  run.exit_code = 0;
  FileReport f;
  f.name = "$MACHINE.DAT";
  f.upg_path = "C:\\N\\MACHINE.UPG";
  f.result = FileResult::kWritten;
  for (int i = 0; i < rules; ++i) {
    RuleReport r;
    r.rule_case = i == 1 ? RuleCase::kAbsent : RuleCase::kCarried;
    r.key = i == 1 ? "" : run.Keep("$V" + std::to_string(i) + "=");
    r.line = i + 1;
    f.rules.push_back(r);
  }
  run.files.push_back(f);
  return run;
}

TEST(Installation, AbsentKeysComeFromTheUpgFileWhenItStillMatches) {
  MemEnv env;
  struct Row {
    std::string upg, key;  // the upg-file, the key the absent rule gets
  };
  const Row rows[] = {
      {"$v0=\r\n\r\n  $gone   =  5 \r\n$V2=\r\n", "$GONE ="},
      {"$V0=\r\n$GONE=\r\n", ""},             // a rule fewer than the log shows
      {"$V0=\r\n$GONE=\r\n$OTHER=\r\n", ""},  // another key where the log names one
      {"", ""},                               // missing file (empty text is no file here)
  };
  for (const Row& row : rows) {
    RunReport run = OneFile(3);
    if (!row.upg.empty()) env.AddFile("C:\\N\\MACHINE.UPG", row.upg);
    CompleteFromInstallation(&env, &run);
    EXPECT_EQ(run.files[0].rules[1].key, row.key) << row.upg;
    env.DeleteFile("C:\\N\\MACHINE.UPG");
  }
}

TEST(Outputs, JsonHasTheDocumentedFieldsAndKeepsEveryByte) {
  RunReport run = OneFile(2);
  run.files[0].old_path = "C:\\O\\\xc4nderung\\$MACHINE.DAT";
  run.files[0].rules[0].old_value = "\x80\xff";  // a literal lives on
  const nlohmann::ordered_json j = nlohmann::ordered_json::parse(ReportJson(run));
  std::vector<std::string> top, file, rule, shift;
  for (const auto& kv : j.items()) top.push_back(kv.key());
  for (const auto& kv : j["files"][0].items()) file.push_back(kv.key());
  for (const auto& kv : j["files"][0]["rules"][0].items()) rule.push_back(kv.key());
  for (const auto& kv : j["shift"].items()) shift.push_back(kv.key());
  EXPECT_EQ(top, (std::vector<std::string>{
                     "log", "started", "preview", "verdict", "exit_code", "ended", "stopped_reason",
                     "why", "shift", "unread_lines", "unread_examples", "not_taken", "files"}));
  EXPECT_EQ(file, (std::vector<std::string>{"pass", "name", "old", "new", "upg", "result", "rules",
                                            "left_behind"}));
  EXPECT_EQ(rule, (std::vector<std::string>{"key", "case", "line", "old_value", "new_value",
                                            "default_line"}));
  EXPECT_EQ(shift, (std::vector<std::string>{"ran", "missing", "target", "checked"}));
  EXPECT_TRUE(j["files"][0]["new"].is_null());
  EXPECT_TRUE(j["files"][0]["rules"][1]["key"].is_null());
  EXPECT_TRUE(j["files"][0]["rules"][1]["old_value"].is_null());
  // Each byte is the character of its number: back to ISO 8859-1, the bytes.
  const auto latin1 = [](const std::string& utf8) {
    std::string bytes;
    for (size_t i = 0; i < utf8.size(); ++i) {
      const unsigned char c = utf8[i];
      bytes += c < 0x80 ? char(c) : char(((c & 0x03) << 6) | (utf8[++i] & 0x3F));
    }
    return bytes;
  };
  EXPECT_EQ(latin1(j["files"][0]["old"]), run.files[0].old_path);
  EXPECT_EQ(latin1(j["files"][0]["rules"][0]["old_value"]), "\x80\xff");
}

// A file's change since the backup set, the same for every file.
class DiffOnly : public FileDetailSource {
 public:
  explicit DiffOnly(std::string diff) : diff_(std::move(diff)) {}
  void Fill(size_t, bool with_diff, FileDetails* out) override {
    out->audited = false;
    out->backup_diff = with_diff ? diff_ : "";
  }

 private:
  std::string diff_;
};

TEST(Outputs, PageLoadsNothingAndEscapesTheLog) {
  RunReport run = OneFile(2);
  run.files[0].rules[0].key = "<img src=x>=";
  DiffOnly diff("-a\n+<b>\n");
  const std::string html = ReportHtml(run, &diff);
  EXPECT_NE(html.find("content=\"default-src 'none'; style-src 'unsafe-inline'; img-src data:\""),
            std::string::npos);
  EXPECT_NE(html.find("&lt;img src=x&gt;="), std::string::npos);
  EXPECT_NE(html.find("+&lt;b&gt;"), std::string::npos);
  EXPECT_EQ(html.find("<img"), std::string::npos);
  EXPECT_EQ(html.find("src="), html.find("&lt;img src=") + 8);  // only the escaped key's text
  EXPECT_EQ(html.find("://"), std::string::npos);
  for (size_t at = html.find("href="); at != std::string::npos; at = html.find("href=", at + 1))
    EXPECT_EQ(html.compare(at, 7, "href=\"#"), 0);  // only to its own folds
  EXPECT_NE(html.find("<h1>OK: finished with exit code 0; all 1 data files written</h1>"),
            std::string::npos);
}

TEST(Outputs, TerminalSummaryStaysWithinADozenLines) {
  RunReport run = OneFile(2);
  run.exit_code = 2;
  for (int i = 0; i < 40; ++i) {
    FileReport f = run.files[0];
    f.name = "$F" + std::to_string(i) + ".DAT";
    f.rules[0].rule_case = RuleCase::kKeptNew;
    run.files.push_back(f);
    run.setters.push_back({CodeSetter::Kind::kKeptNew, 2, i + 1, 0, ""});
  }
  const std::string text = TerminalSummary(run);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 12) << text;
  EXPECT_EQ(text.compare(0, 33, "verdict   CHECK: finished with ex"), 0) << text;
  EXPECT_NE(text.find("          ... and 38 more (the HTML and JSON reports list all)\n"),
            std::string::npos);
  EXPECT_NE(text.find("rules     1 carried, 0 default, 40 kept-new, 0 lost, 41 absent\n"),
            std::string::npos);
}

// The page's and the JSON's texts against a byte at a time: each markup
// character at each place of a word, and bytes above 0x80 among them.
// Values left behind, the same for every file.
class LeftOnly : public FileDetailSource {
 public:
  explicit LeftOnly(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  void Fill(size_t, bool, FileDetails* out) override {
    out->audited = true;
    out->backup_diff.clear();
    out->audit.left.values.clear();
    for (size_t i = 0; i + 1 < lines_.size(); i += 2)
      out->audit.left.values.push_back(
          {lines_[i], i % 4 ? LeftValue::Kind::kOldOnly : LeftValue::Kind::kDiffers, lines_[i],
           i % 4 ? std::string_view() : std::string_view(lines_[i + 1])});
  }

 private:
  std::vector<std::string> lines_;
};

// Whatever bytes a text holds, the JSON is what the library itself writes
// of it: read and written again, not a byte changes.
TEST(Outputs, JsonTextsAreWhatTheLibraryWouldWrite) {
  std::mt19937 rng(11);
  const auto text = [&] {
    const std::string plain = "$A_1[2]={X 1.5} ;=", odd = "\"\\\x01\x1f\x7f\x80\xe4\xff\t";
    std::string t;
    for (int i = int(rng() % 24); i > 0; --i)
      t += rng() % 6 ? plain[rng() % plain.size()] : odd[rng() % odd.size()];
    return t;
  };
  for (int round = 0; round < 300; ++round) {
    RunReport run = OneFile(4);
    run.files[0].old_path = text();
    for (RuleReport& r : run.files[0].rules) {
      r.old_value = run.Keep(text());
      r.new_value = run.Keep(text());
    }
    std::vector<std::string> lines;
    for (int i = 0; i < 8; ++i) lines.push_back(text());
    LeftOnly left(lines);
    const std::string json = ReportJson(run, &left);
    ASSERT_EQ(nlohmann::ordered_json::parse(json).dump() + "\n", json);
  }
}

TEST(OutputText, EscapesAndLatin1AgreeWithAByteAtATime) {
  const std::string pieces[] = {"&", "<", ">", "\"", "a", " ", "\xE4", "\xFF", "%"};
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (int i = int(rng() % 40); i > 0; --i) text += pieces[rng() % 9];
    std::string html, utf8;
    for (unsigned char c : text) {
      html += c == '&'   ? "&amp;"
              : c == '<' ? "&lt;"
              : c == '>' ? "&gt;"
              : c == '"' ? "&quot;"
                         : std::string(1, c);
      utf8 += c < 0x80 ? std::string(1, char(c))
                       : std::string{char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
    }
    ASSERT_EQ(HtmlEscaped(text), html) << text;
    ASSERT_EQ(Latin1ToUtf8(text), utf8) << text;
  }
}

}  // namespace
}  // namespace report
}  // namespace vaxo

// The fleet's rows from the hosts' reports, their order, and the three
// outputs: the terminal's one screen, the JSON's fields, the page's escaping.
#include "report/fleet.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/mem_env.h"
#include "report/file_details.h"
#include "report/fleet_output.h"
#include "report/json_report.h"

namespace vaxo {
namespace report {
namespace {

// Two values left behind by the first file; nothing known of the second.
class TwoLeftInFirst : public FileDetailSource {
 public:
  void Fill(size_t index, bool, FileDetails* out) override {
    out->audited = index == 0;
    out->audit.left = LeftBehindList();
    if (index == 0) out->audit.left.values.resize(2);
    out->backup_diff.clear();
  }
};

// A report as the program writes it: a run of two files, the second not
// upgraded and not read now, with two values left behind and the shift
// run, one name missing.
std::string WrittenReport() {
  RunReport run;
  run.ended = Ending::kClosingEntry;
  run.exit_code = 1;
  run.log_text = std::make_shared<std::string>();
  FileReport f;
  f.name = "$MACHINE.DAT";
  f.result = FileResult::kWritten;
  f.left_count = 2;
  run.files.push_back(f);
  f.result = FileResult::kUpgMissing;
  f.left_count.reset();
  run.files.push_back(f);
  run.shift.ran = true;
  run.shift.missing = {"$PRO_ACT"};
  TwoLeftInFirst details;
  return ReportJson(run, &details);
}

std::string Row(const HostRow& r) {
  auto n = [](const auto& v) { return v ? std::to_string(*v) : std::string("?"); };
  std::string shift = "not run";
  if (r.shift_missing) {
    shift = "missing:";
    for (const std::string& m : *r.shift_missing) shift += " " + m;
  }
  return r.verdict + " exit " + n(r.exit_code) + (r.preview ? " preview" : " run") + " files " +
         n(r.files_written) + "/" + n(r.files) + " left " + n(r.left_behind) + " shift " + shift;
}

TEST(Fleet, ARowFromEachKindOfReport) {
  const struct {
    const char* what;
    std::string json, row;
  } rows[] = {
      {"the program's own report", WrittenReport(),
       "CHECK exit 1 run files 1/2 left 2 shift missing: $PRO_ACT"},
      {"a stopped run ends with 3",
       R"({"verdict":"NOT COMPLETE: stopped, exit code 3; ...","exit_code":null,"ended":"stopped",
           "shift":{"ran":false,"missing":[]},"files":[{"result":"written"},{"result":null}]})",
       "NOT COMPLETE exit 3 run files 1/2 left ? shift not run"},
      {"a log that ends early has no exit code",
       R"({"verdict":"NOT COMPLETE: ended early","exit_code":null,"ended":"early",
           "shift":{"ran":false,"missing":[]},"files":[]})",
       "NOT COMPLETE exit ? run files 0/0 left ? shift not run"},
      {"a preview counts the values left behind; a file it cannot read counts none",
       R"({"verdict":"OK: finished with exit code 0","exit_code":0,"preview":true,"not_taken":[],
           "shift":{"ran":true,"missing":[]},"files":[{"result":"written","left_behind":[{},{}]},
           {"result":"written","left_behind":null},{"result":"written","left_behind":[{}]}]})",
       "OK exit 0 preview files 3/3 left 3 shift missing:"},
      {"a report that knows them and leaves none behind",
       R"({"verdict":"OK: x","exit_code":0,"preview":false,"not_taken":["robot.ini"],
           "shift":{"ran":false,"missing":[]},"files":[]})",
       "OK exit 0 run files 0/0 left 0 shift not run"},
      {"not JSON", "<html>", "NO REPORT exit ? run files ?/? left ? shift not run"},
      {"a field of another type", R"({"verdict":"OK: x","exit_code":"0"})",
       "NO REPORT exit ? run files ?/? left ? shift not run"},
      {"no verdict word", R"({"verdict":"fine","exit_code":0})",
       "NO REPORT exit ? run files ?/? left ? shift not run"},
  };
  for (const auto& row : rows) {
    const HostRow r = HostFromJson("robot", row.json);
    EXPECT_EQ(Row(r), row.row) << row.what;
    EXPECT_EQ(r.problem.empty(), r.verdict != "NO REPORT") << row.what << ": " << r.problem;
  }
}

TEST(Fleet, ProblemHostsComeFirstAndOnlyPagesThatExistAreLinked) {
  MemEnv env;
  const std::string dir = "C:\\REPORTS";
  auto report = [](const char* verdict, int code) {
    return std::string(R"({"verdict":")") + verdict + R"(: x","exit_code":)" +
           std::to_string(code) + R"(,"shift":{"ran":false,"missing":[]},"files":[]})";
  };
  // Folders first: a file's missing parents are made in upper case.
  for (const char* host : {"a-ok", "b-ok", "w-empty", "x-broken", "y-stopped", "z-check"})
    env.AddDirectory(dir + "\\" + host);
  env.AddFile(dir + "\\b-ok\\Upgrade_vaxo.json", report("OK", 0));
  env.AddFile(dir + "\\b-ok\\Upgrade_vaxo.html", "<html>");
  env.AddFile(dir + "\\a-ok\\Upgrade_vaxo.json", report("OK", 0));
  env.AddFile(dir + "\\z-check\\Upgrade_vaxo.json", report("CHECK", 2));
  env.AddFile(dir + "\\y-stopped\\Upgrade_vaxo.json",
              R"({"verdict":"NOT COMPLETE: x","exit_code":null,"ended":"stopped",)"
              R"("shift":{"ran":false,"missing":[]},"files":[]})");
  env.AddFile(dir + "\\x-broken\\Upgrade_vaxo.json", "{");
  env.AddFile(dir + "\\notes.txt", "not a host");
  std::vector<HostRow> rows;
  ASSERT_TRUE(LoadFleet(&env, dir, &rows).ok());
  std::vector<std::string> order;
  for (const HostRow& r : rows) order.push_back(r.host + " " + r.verdict + " " + r.report);
  EXPECT_EQ(order, (std::vector<std::string>{"y-stopped NOT COMPLETE ", "w-empty NO REPORT ",
                                             "x-broken NO REPORT ", "z-check CHECK ", "a-ok OK ",
                                             "b-ok OK b-ok/Upgrade_vaxo.html"}));
  EXPECT_EQ(rows[1].problem, "") << "a folder without a report is no fault of a file";
  EXPECT_EQ(rows[2].problem.rfind(dir + "\\x-broken\\Upgrade_vaxo.json: not a report: ", 0), 0u)
      << rows[2].problem;
  EXPECT_FALSE(LoadFleet(&env, dir + "\\MISSING", &rows).ok());
}

std::vector<HostRow> Hosts(size_t n) {
  std::vector<HostRow> rows(n);
  for (size_t i = 0; i < n; ++i) {
    rows[i].host = "robot" + std::to_string(i);
    rows[i].verdict = "OK";
    rows[i].exit_code = 0;
    rows[i].files = rows[i].files_written = 6;
    rows[i].left_behind = 1;
    rows[i].shift_missing = std::vector<std::string>();
  }
  return rows;
}

TEST(Fleet, TheTerminalShowsFiftyHostsInColumns) {
  std::vector<HostRow> rows = Hosts(2);
  rows[0].host = "cell-7-robot-12";
  rows[0].verdict = "NOT COMPLETE";
  rows[0].exit_code = 3;
  rows[0].files_written = 2;
  rows[0].shift_missing.reset();
  rows[1].preview = true;
  rows[1].shift_missing = {{"$ROB_CAL", "$PRO_ACT"}};
  HostRow none;
  none.host = "robot9";
  none.verdict = "NO REPORT";
  rows.push_back(none);
  EXPECT_EQ(FleetTerminal(rows),
            "3 hosts: 1 NOT COMPLETE, 1 NO REPORT, 1 OK\n"
            "host             verdict       exit  of       files  left behind  shift\n"
            "cell-7-robot-12  NOT COMPLETE  3     run      2/6    1            not run\n"
            "robot1           OK            0     preview  6/6    1            missing $ROB_CAL "
            "$PRO_ACT\n"
            "robot9           NO REPORT     -     -        -      -            -\n");
  for (size_t n : {50, 51, 400}) {
    const std::string text = FleetTerminal(Hosts(n));
    const size_t lines = size_t(std::count(text.begin(), text.end(), '\n'));
    EXPECT_EQ(lines, n > 50 ? 53u : n + 2) << n;
    // The last host shown is the fiftieth; what is cut is counted.
    const std::string last = n > 50 ? "\nrobot49 " : "\nrobot" + std::to_string(n - 1) + " ";
    EXPECT_NE(text.find(last), std::string::npos) << n;
    EXPECT_EQ(text.find("robot50 "), std::string::npos) << n;
    EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1),
              n > 50
                  ? "... and " + std::to_string(n - 50) + " more (the page and the JSON list all)\n"
                  : text.substr(text.find(last) + 1))
        << n;
  }
}

TEST(Fleet, JsonHasTheDocumentedFieldsAndEveryVerdictsCount) {
  std::vector<HostRow> rows = Hosts(2);
  rows[0].host = "zelle-\xe4";
  rows[1].left_behind.reset();
  rows[1].shift_missing.reset();
  HostRow none;
  none.host = "robot9";
  none.verdict = "NO REPORT";
  rows.push_back(none);
  const nlohmann::ordered_json j = nlohmann::ordered_json::parse(FleetJson(rows));
  std::vector<std::string> fields;
  for (const auto& kv : j["hosts"][0].items()) fields.push_back(kv.key());
  EXPECT_EQ(fields,
            (std::vector<std::string>{"host", "verdict", "exit_code", "preview", "files_written",
                                      "files", "left_behind", "shift_missing", "report"}));
  EXPECT_EQ(j["hosts"][0]["host"], "zelle-\xc3\xa4");
  EXPECT_EQ(j["hosts"][0]["shift_missing"], nlohmann::ordered_json::array());
  EXPECT_EQ(j["hosts"][1]["shift_missing"], nullptr);
  EXPECT_EQ(j["hosts"][1]["left_behind"], nullptr);
  EXPECT_EQ(j["hosts"][2]["exit_code"], nullptr);
  EXPECT_EQ(j["counts"],
            nlohmann::ordered_json::parse(R"({"NOT COMPLETE":0,"NO REPORT":1,"CHECK":0,"OK":2})"));
}

TEST(Fleet, ThePageEscapesEveryTextAndLinksWithinItsFolder) {
  std::vector<HostRow> rows = Hosts(1);
  rows[0].host = "<b>&\"x y";
  rows[0].report = rows[0].host + "/Upgrade_vaxo.html";
  rows[0].problem = "<script>";
  const std::string page = FleetHtml(rows);
  EXPECT_NE(
      page.find("<a href=\"%3Cb%3E%26%22x%20y/Upgrade_vaxo.html\">&lt;b&gt;&amp;&quot;x y</a>"),
      std::string::npos)
      << page;
  EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find("content=\"default-src 'none';"), std::string::npos);
  EXPECT_EQ(page.find("://"), std::string::npos);
}

}  // namespace
}  // namespace report
}  // namespace vaxo

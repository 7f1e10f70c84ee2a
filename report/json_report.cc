#include "report/json_report.h"

#include <nlohmann/json.hpp>

#include "report/exit_reason.h"

namespace vaxo {
namespace report {
namespace {

using Json = nlohmann::ordered_json;

Json Text(const std::string& bytes) {
  std::string utf8;
  utf8.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      utf8 += char(c);
    } else {
      utf8 += char(0xC0 | (c >> 6));
      utf8 += char(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

Json TextOrNull(const std::string& bytes) { return bytes.empty() ? Json(nullptr) : Text(bytes); }

Json Rule(const RuleReport& r) {
  const bool carried = r.rule_case == RuleCase::kCarried;
  Json j;
  j["key"] = TextOrNull(r.key);
  j["case"] = CaseName(r.rule_case);
  j["line"] = r.line > 0 ? Json(r.line) : Json(nullptr);
  j["old_value"] = carried ? Text(r.old_value) : Json(nullptr);
  j["new_value"] = carried ? Text(r.new_value) : Json(nullptr);
  j["default_line"] = r.rule_case == RuleCase::kDefault ? Text(r.default_line) : Json(nullptr);
  return j;
}

Json File(const FileReport& f) {
  Json j;
  j["pass"] = PassName(f.pass);
  j["name"] = Text(f.name);
  j["old"] = TextOrNull(f.old_path);
  j["new"] = TextOrNull(f.new_path);
  j["upg"] = TextOrNull(f.upg_path);
  j["result"] = f.result ? Json(ResultName(*f.result)) : Json(nullptr);
  Json rules = Json::array();
  for (const RuleReport& r : f.rules) rules.push_back(Rule(r));
  j["rules"] = std::move(rules);
  return j;
}

}  // namespace

std::string ReportJson(const RunReport& run) {
  Json j;
  j["log"] = Text(run.log_path);
  j["started"] = TextOrNull(run.started);
  j["verdict"] = Text(Verdict(run));
  j["exit_code"] = run.exit_code ? Json(*run.exit_code) : Json(nullptr);
  j["ended"] = EndingName(run.ended);
  j["stopped_reason"] = run.ended == Ending::kStopped ? Text(run.stopped_reason) : Json(nullptr);
  Json why = Json::array();
  for (const std::string& w : WhyTheExitCode(run)) why.push_back(Text(w));
  j["why"] = std::move(why);
  Json files = Json::array();
  for (const FileReport& f : run.files) files.push_back(File(f));
  j["files"] = std::move(files);
  Json missing = Json::array();
  for (const std::string& m : run.shift.missing) missing.push_back(Text(m));
  j["shift"] = {{"ran", run.shift.ran},
                {"missing", std::move(missing)},
                {"target", TextOrNull(run.shift.target)},
                {"checked", run.shift.checked}};
  return j.dump(2) + "\n";
}

}  // namespace report
}  // namespace vaxo

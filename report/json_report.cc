#include "report/json_report.h"

#include <nlohmann/json.hpp>

#include "base/text.h"
#include "report/exit_reason.h"

namespace vaxo {
namespace report {
namespace {

using Json = nlohmann::ordered_json;

Json Text(std::string_view bytes) { return Json(Latin1ToUtf8(bytes)); }

Json TextOrNull(std::string_view bytes) { return bytes.empty() ? Json(nullptr) : Text(bytes); }

// An object with its fields in the order given, room made for them at once
// (a run has a rule object per rule: their making is most of the cost).
Json Object(std::initializer_list<std::pair<const char*, Json>> fields) {
  Json j(Json::value_t::object);
  auto& o = j.get_ref<Json::object_t&>();
  o.reserve(fields.size());
  for (auto& f : fields) o.emplace_back(f.first, std::move(const_cast<Json&>(f.second)));
  return j;
}

Json Rule(const RuleReport& r) {
  const bool carried = r.rule_case == RuleCase::kCarried;
  return Object(
      {{"key", TextOrNull(r.key)},
       {"case", CaseName(r.rule_case)},
       {"line", r.line > 0 ? Json(r.line) : Json(nullptr)},
       {"old_value", carried ? Text(r.old_value) : Json(nullptr)},
       {"new_value", carried ? Text(r.new_value) : Json(nullptr)},
       {"default_line", r.rule_case == RuleCase::kDefault ? Text(r.default_line) : Json(nullptr)}});
}

Json Left(const LeftValue& v) {
  return Object(
      {{"key", Text(v.key)},
       {"kind", LeftKindName(v.kind)},
       {"old_line", Text(v.old_line)},
       {"new_line", v.kind == LeftValue::Kind::kOldOnly ? Json(nullptr) : Text(v.new_line)}});
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
  rules.get_ref<Json::array_t&>().reserve(f.rules.size());
  for (const RuleReport& r : f.rules) rules.push_back(Rule(r));
  j["rules"] = std::move(rules);
  if (f.left_behind) {
    Json left = Json::array();
    for (const LeftValue& v : *f.left_behind) left.push_back(Left(v));
    j["left_behind"] = std::move(left);
  } else {
    j["left_behind"] = nullptr;
  }
  return j;
}

}  // namespace

std::string ReportJson(const RunReport& run) {
  Json j;
  j["log"] = Text(run.log_path);
  j["started"] = TextOrNull(run.started);
  j["preview"] = run.preview;
  j["verdict"] = Text(Verdict(run));
  j["exit_code"] = run.exit_code ? Json(*run.exit_code) : Json(nullptr);
  j["ended"] = EndingName(run.ended);
  j["stopped_reason"] = run.ended == Ending::kStopped ? Text(run.stopped_reason) : Json(nullptr);
  Json why = Json::array();
  for (const std::string& w : WhyTheExitCode(run)) why.push_back(Text(w));
  j["why"] = std::move(why);
  Json missing = Json::array();
  for (const std::string& m : run.shift.missing) missing.push_back(Text(m));
  j["shift"] = {{"ran", run.shift.ran},
                {"missing", std::move(missing)},
                {"target", TextOrNull(run.shift.target)},
                {"checked", run.shift.checked}};
  j["unread_lines"] = run.unread_lines;
  Json unread = Json::array();
  for (const UnreadLine& u : run.unread_examples)
    unread.push_back(Object({{"line", u.line}, {"text", Text(u.text)}}));
  j["unread_examples"] = std::move(unread);
  Json not_taken = Json::array();
  for (const NotTaken& n : run.not_taken)
    not_taken.push_back(
        Object({{"pass", PassName(n.pass)}, {"name", Text(n.name)}, {"reason", Text(n.reason)}}));
  j["not_taken"] = std::move(not_taken);
  // A run has an object per rule, some 1 KB each as JSON values: the whole
  // run at once would hold 150 MB for 130,000 rules. So each file's object
  // is made, written and dropped in turn, between the brackets of the
  // (last) "files" array that the document's own text ends with.
  j["files"] = Json::array();
  const std::string head = j.dump();  // ... "files":[]}
  std::string text;
  text.reserve(head.size() + 3 * run.log_text->size());  // some 2 bytes of JSON a byte of log
  text.assign(head, 0, head.size() - 2);
  for (size_t i = 0; i < run.files.size(); ++i) {
    if (i > 0) text += ',';
    text += File(run.files[i]).dump();
  }
  text += "]}\n";
  return text;
}

}  // namespace report
}  // namespace vaxo

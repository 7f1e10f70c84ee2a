#include "report/json_report.h"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>

#include "base/text.h"
#include "report/exit_reason.h"

namespace vaxo {
namespace report {
namespace {

using Json = nlohmann::ordered_json;

Json Text(std::string_view bytes) { return Json(Latin1ToUtf8(bytes)); }

Json TextOrNull(std::string_view bytes) { return bytes.empty() ? Json(nullptr) : Text(bytes); }

Json Object(std::initializer_list<std::pair<const char*, Json>> fields) {
  Json j(Json::value_t::object);
  for (auto& f : fields) j[f.first] = f.second;
  return j;
}

// The files' part, a rule per line of every upg-file and a value per line
// left behind, is written as text without a document of JSON values: each
// text goes through the library's own serializer from one string value
// used again and again, so a field costs no allocation. The fields come out
// exactly as the document's dump() would give them; the names of cases and
// kinds, which never change, are dumped once.
class FileWriter {
 public:
  explicit FileWriter(std::string* out)
      : out_(out),
        serializer_(nlohmann::detail::output_adapter<char, std::string>(*out), ' ',
                    nlohmann::detail::error_handler_t::strict) {
    for (size_t i = 0; i < 5; ++i)
      case_text_[i] = ",\"case\":" + Json(CaseName(RuleCase(i))).dump() + ",\"line\":";
    for (LeftValue::Kind k : {LeftValue::Kind::kDiffers, LeftValue::Kind::kOldOnly})
      kind_text_[size_t(k)] = ",\"kind\":" + Json(LeftKindName(k)).dump() + ",\"old_line\":";
  }

  void File(const FileReport& f, const FileDetails& d) {
    Raw("{\"pass\":");
    Text(PassName(f.pass));
    Raw(",\"name\":");
    Text(f.name);
    Raw(",\"old\":");
    TextOrNull(f.old_path);
    Raw(",\"new\":");
    TextOrNull(f.new_path);
    Raw(",\"upg\":");
    TextOrNull(f.upg_path);
    Raw(",\"result\":");
    if (f.result) {
      Text(ResultName(*f.result));
    } else {
      Raw("null");
    }
    Raw(",\"rules\":[");
    for (size_t i = 0; i < f.rules.size(); ++i) {
      if (i > 0) Raw(",");
      Rule(f.rules[i]);
    }
    Raw("],\"left_behind\":");
    if (d.audited) {
      Raw("[");
      const std::vector<LeftValue>& left = d.audit.left.values;
      for (size_t i = 0; i < left.size(); ++i) {
        if (i > 0) Raw(",");
        Left(left[i]);
      }
      Raw("]}");
    } else {
      Raw("null}");
    }
  }

 private:
  void Rule(const RuleReport& r) {
    const bool carried = r.rule_case == RuleCase::kCarried;
    Raw("{\"key\":");
    TextOrNull(r.key);
    Raw(case_text_[size_t(r.rule_case)]);
    if (r.line > 0) {
      char digits[24];
      const auto end = std::to_chars(digits, digits + sizeof digits, r.line).ptr;
      Raw(std::string_view(digits, size_t(end - digits)));
      Raw(",\"old_value\":");
    } else {
      Raw("null,\"old_value\":");
    }
    TextIf(carried, r.old_value);
    Raw(",\"new_value\":");
    TextIf(carried, r.new_value);
    Raw(",\"default_line\":");
    TextIf(r.rule_case == RuleCase::kDefault, r.default_line());
    Raw("}");
  }

  void Left(const LeftValue& v) {
    Raw("{\"key\":");
    Text(v.key);
    Raw(kind_text_[size_t(v.kind)]);
    Text(v.old_line);
    Raw(",\"new_line\":");
    TextIf(v.kind != LeftValue::Kind::kOldOnly, v.new_line);
    Raw("}");
  }

  void Raw(std::string_view s) { out_->append(s.data(), s.size()); }
  void Text(std::string_view bytes) {
    // Printable ASCII without a quote or a backslash, nearly every line of
    // a data file, is its own JSON string: the serializer would copy it.
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; })) {
      out_->push_back('"');
      Raw(bytes);
      out_->push_back('"');
      return;
    }
    std::string& s = scratch_.get_ref<std::string&>();
    s.clear();
    AppendLatin1AsUtf8(bytes, &s);
    serializer_.dump(scratch_, false, false, 0);
  }
  void TextOrNull(std::string_view bytes) { TextIf(!bytes.empty(), bytes); }
  void TextIf(bool given, std::string_view bytes) {
    if (given) {
      Text(bytes);
    } else {
      Raw("null");
    }
  }

  std::string* out_;
  // The names of the cases and kinds as the serializer gives them, once,
  // with the field names around them.
  std::string case_text_[5], kind_text_[2];
  Json scratch_ = Json::string_t();
  nlohmann::detail::serializer<Json> serializer_;
};

}  // namespace

void WriteReportJson(const RunReport& run, FileDetailSource* details, OutputText* out) {
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
  // The files, the (last) "files" array that the document's own text ends
  // with, go between its brackets one by one.
  j["files"] = Json::array();
  const std::string head = j.dump();  // ... "files":[]}
  std::string& text = out->text();
  text.append(head, 0, head.size() - 2);
  FileWriter writer(&text);
  FileDetails d;
  for (size_t i = 0; i < run.files.size(); ++i) {
    if (i > 0) text += ',';
    details->Fill(i, false, &d);
    writer.File(run.files[i], d);
    out->PartDone();
  }
  text += "]}\n";
}

std::string ReportJson(const RunReport& run, FileDetailSource* details) {
  NoDetails none;
  OutputText out;
  WriteReportJson(run, details ? details : &none, &out);
  return std::move(out.text());
}

}  // namespace report
}  // namespace vaxo

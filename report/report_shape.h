// Tests: a report's JSON in a short canonical text, one line per file and
// per rule, so a test states a whole report in a few lines and compares it
// byte for byte.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace vaxo {
namespace report {

inline std::string ShapeText(const nlohmann::json& v) {
  return v.is_null() ? "-" : v.is_string() ? v.get<std::string>() : v.dump();
}

/// "exit 2 (closing entry)", the why lines, then per file
/// "STEU $X.DAT written" and per rule "  case key line old>new|default",
/// and "shift ran: missing ..." where the shift ran.
inline std::string ReportShape(const std::string& json_text) {
  const nlohmann::json j = nlohmann::json::parse(json_text);
  std::string s = "exit " + ShapeText(j["exit_code"]) + " (" + ShapeText(j["ended"]) + ")\n";
  for (const auto& w : j["why"]) s += "why " + ShapeText(w) + "\n";
  for (const auto& f : j["files"]) {
    s += ShapeText(f["pass"]) + " " + ShapeText(f["name"]) + " " + ShapeText(f["result"]) + "\n";
    for (const auto& r : f["rules"]) {
      s += "  " + ShapeText(r["case"]) + " " + ShapeText(r["key"]) + " " + ShapeText(r["line"]);
      if (!r["old_value"].is_null())
        s += " " + ShapeText(r["old_value"]) + ">" + ShapeText(r["new_value"]);
      if (!r["default_line"].is_null()) s += " " + ShapeText(r["default_line"]);
      s += "\n";
    }
  }
  if (j["shift"]["ran"].get<bool>()) {
    s += "shift ran, missing:";
    for (const auto& m : j["shift"]["missing"]) s += " " + ShapeText(m);
    s += "\n";
  }
  return s;
}

/// What the run leaves behind and does not take: per value
/// "R1 $X.DAT $K= differs OLD | NEW" ("-" for a null list or line), per
/// file not taken "not taken R1 NAME: REASON", and the verdict's head.
inline std::string AuditShape(const std::string& json_text) {
  const nlohmann::json j = nlohmann::json::parse(json_text);
  std::string s;
  for (const auto& f : j["files"]) {
    const std::string file = ShapeText(f["pass"]) + " " + ShapeText(f["name"]);
    if (f["left_behind"].is_null()) s += file + " -\n";
    for (const auto& v : f["left_behind"])
      s += file + " " + ShapeText(v["key"]) + " " + ShapeText(v["kind"]) + " " +
           ShapeText(v["old_line"]) + " | " + ShapeText(v["new_line"]) + "\n";
  }
  for (const auto& n : j["not_taken"])
    s += "not taken " + ShapeText(n["pass"]) + " " + ShapeText(n["name"]) + ": " +
         ShapeText(n["reason"]) + "\n";
  const std::string verdict = ShapeText(j["verdict"]);
  return s + verdict.substr(0, verdict.find(':')) + "\n";
}

}  // namespace report
}  // namespace vaxo

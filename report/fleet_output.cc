#include "report/fleet_output.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "base/text.h"
#include "report/html_text.h"

namespace vaxo {
namespace report {
namespace {

using Json = nlohmann::ordered_json;

std::string Known(const std::optional<int64_t>& n) { return n ? std::to_string(*n) : "-"; }

std::string ExitText(const HostRow& r) { return r.exit_code ? std::to_string(*r.exit_code) : "-"; }

std::string FilesText(const HostRow& r) {
  return r.files ? std::to_string(*r.files_written) + "/" + std::to_string(*r.files) : "-";
}

std::string ShiftText(const HostRow& r) {
  if (r.verdict == "NO REPORT") return "-";
  if (!r.shift_missing) return "not run";
  if (r.shift_missing->empty()) return "ok";
  std::string names = "missing";
  for (const std::string& n : *r.shift_missing) names += " " + n;
  return names;
}

// The cells of a row as the terminal and the page show them.
std::vector<std::string> Cells(const HostRow& r) {
  return {r.host,       r.verdict,
          ExitText(r),  r.verdict == "NO REPORT" ? "-" : r.preview ? "preview" : "run",
          FilesText(r), Known(r.left_behind),
          ShiftText(r)};
}

const char* const kColumns[] = {"host", "verdict", "exit", "of", "files", "left behind", "shift"};

Json Text(const std::string& bytes) { return Json(Latin1ToUtf8(bytes)); }

// "NOT COMPLETE" -> "not-complete", the class of its colour.
std::string Tone(const std::string& verdict) {
  std::string tone;
  for (char c : verdict) tone += c == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(c)));
  return tone;
}

// The link to a host's page: its path with every byte outside the few an
// address may hold as they are written %XX.
std::string Address(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      out += char(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// The page's own styles, after the head every page of ours has.
const char kStyle[] = R"(h1 { font-size: 1.35em; margin: 0; }
.verdict { border-left: .5em solid; padding: .6em 1em; margin-bottom: 1em; background: #f6f6f6; }
.ok { border-color: #3d8b40; } .check { border-color: #d99a1e; }
.not-complete, .no-report { border-color: #c0392b; }
table { border-collapse: collapse; }
th, td { text-align: left; padding: .25em .8em .25em .3em; border-bottom: 1px solid #ddd; vertical-align: top; }
td.v { font-weight: bold; } tr.check td.v { color: #9a6a00; }
tr.not-complete td.v, tr.no-report td.v { color: #c0392b; }
tr.ok td.v { color: #3d8b40; }
.problem { font-size: .9em; color: #555; font-weight: normal; }
.note { color: #555; margin: 0 0 .6em; }
@media print {
  body { margin: 0; max-width: none; font-size: 11px; }
  * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
}
</style>
</head>
<body>
)";

}  // namespace

std::string FleetCounts(const std::vector<HostRow>& rows) {
  std::string out = std::to_string(rows.size()) + (rows.size() == 1 ? " host" : " hosts");
  std::string parts;
  for (const char* verdict : kHostVerdicts) {
    const auto n = std::count_if(rows.begin(), rows.end(),
                                 [&](const HostRow& r) { return r.verdict == verdict; });
    if (n > 0) parts += (parts.empty() ? ": " : ", ") + std::to_string(n) + " " + verdict;
  }
  return out + parts;
}

std::string FleetTerminal(const std::vector<HostRow>& rows, size_t max_hosts) {
  const size_t shown = std::min(rows.size(), max_hosts);
  std::vector<std::vector<std::string>> table = {{std::begin(kColumns), std::end(kColumns)}};
  for (size_t i = 0; i < shown; ++i) table.push_back(Cells(rows[i]));
  std::vector<size_t> width(table[0].size(), 0);
  for (const auto& line : table)
    for (size_t c = 0; c < line.size(); ++c) width[c] = std::max(width[c], line[c].size());
  std::string out = FleetCounts(rows) + "\n";
  for (const auto& line : table) {
    std::string text;
    for (size_t c = 0; c < line.size(); ++c) {
      text += line[c];
      if (c + 1 < line.size()) text += std::string(width[c] - line[c].size() + 2, ' ');
    }
    out += TrimRightSpaces(text) + "\n";
  }
  if (shown < rows.size())
    out += "... and " + std::to_string(rows.size() - shown) +
           " more (the page and the JSON list all)\n";
  return out;
}

std::string FleetJson(const std::vector<HostRow>& rows) {
  Json hosts = Json::array();
  for (const HostRow& r : rows) {
    Json missing = nullptr;
    if (r.shift_missing) {
      missing = Json::array();
      for (const std::string& n : *r.shift_missing) missing.push_back(Text(n));
    }
    Json h;
    h["host"] = Text(r.host);
    h["verdict"] = r.verdict;
    h["exit_code"] = r.exit_code ? Json(*r.exit_code) : Json(nullptr);
    h["preview"] = r.verdict == "NO REPORT" ? Json(nullptr) : Json(r.preview);
    h["files_written"] = r.files_written ? Json(*r.files_written) : Json(nullptr);
    h["files"] = r.files ? Json(*r.files) : Json(nullptr);
    h["left_behind"] = r.left_behind ? Json(*r.left_behind) : Json(nullptr);
    h["shift_missing"] = std::move(missing);
    h["report"] = r.report.empty() ? Json(nullptr) : Text(r.report);
    hosts.push_back(std::move(h));
  }
  Json counts = Json::object();
  for (const char* verdict : kHostVerdicts)
    counts[verdict] = std::count_if(rows.begin(), rows.end(),
                                    [&](const HostRow& r) { return r.verdict == verdict; });
  Json j;
  j["hosts"] = std::move(hosts);
  j["counts"] = std::move(counts);
  return j.dump() + "\n";
}

std::string FleetHtml(const std::vector<HostRow>& rows) {
  const bool all_ok = !rows.empty() && std::all_of(rows.begin(), rows.end(), HostIsOk);
  const bool any_stop = std::any_of(rows.begin(), rows.end(), [](const HostRow& r) {
    return r.verdict == "NOT COMPLETE" || r.verdict == "NO REPORT";
  });
  std::string out = PageHead("Upgrade Vaxo fleet");
  out += kStyle;
  out += std::string("<header class=\"verdict ") +
         (all_ok                     ? "ok"
          : any_stop || rows.empty() ? "not-complete"
                                     : "check") +
         "\"><h1>" + HtmlEscaped(FleetCounts(rows)) +
         "</h1></header>\n<p class=\"note\">Problem hosts first. A host's name opens its own "
         "report.</p>\n<table>\n<tr>";
  for (const char* c : kColumns) out += std::string("<th>") + c;
  out += "\n";
  for (const HostRow& r : rows) {
    const std::vector<std::string> cells = Cells(r);
    out += "<tr class=\"" + Tone(r.verdict) + "\"><td>";
    if (r.report.empty())
      out += HtmlEscaped(r.host);
    else
      out += "<a href=\"" + HtmlEscaped(Address(r.report)) + "\">" + HtmlEscaped(r.host) + "</a>";
    out += "<td class=\"v\">" + HtmlEscaped(r.verdict);
    if (!r.problem.empty()) out += "<div class=\"problem\">" + HtmlEscaped(r.problem) + "</div>";
    for (size_t c = 2; c < cells.size(); ++c) out += "<td>" + HtmlEscaped(cells[c]);
    out += "\n";
  }
  return out + "</table>\n</body>\n</html>\n";
}

}  // namespace report
}  // namespace vaxo

#include "report/html_report.h"

#include <algorithm>

#include "report/exit_reason.h"
#include "report/html_text.h"
#include "report/tally.h"

namespace vaxo {
namespace report {
namespace {

// Colours of the five cases, in RuleCase order.
const char* const kCaseColour[] = {"#3d8b40", "#3f74b5", "#d99a1e", "#c0392b", "#9e9e9e"};

// The page's own styles, after the head every page of ours has.
const char kStyle[] = R"(h1 { font-size: 1.35em; margin: 0 0 .3em; }
h2 { font-size: 1.1em; margin: 1.4em 0 .4em; }
.verdict { border-left: .5em solid; padding: .6em 1em; margin-bottom: 1em; background: #f6f6f6; }
.ok { border-color: #3d8b40; } .check { border-color: #d99a1e; } .incomplete { border-color: #c0392b; }
.why { margin: .2em 0 0; padding-left: 1.2em; }
table { border-collapse: collapse; }
th, td { text-align: left; padding: .15em .6em .15em 0; vertical-align: top; }
.files td, .files th { border-bottom: 1px solid #ddd; padding: .25em .8em .25em .3em; }
.files tr.p0 td:nth-child(2), .files tr.p1 td:nth-child(4) { color: #c0392b; font-weight: bold; }
.files tr.p2 td:nth-child(4) { color: #9a6a00; font-weight: bold; }
.sw { display: inline-block; width: .8em; height: .8em; margin: 0 .25em 0 .6em; vertical-align: -.05em; }
details { margin: .2em 0; border: 1px solid #ddd; padding: .2em .5em; }
summary { cursor: pointer; }
.paths { font-size: .9em; color: #555; margin: .3em 0; word-break: break-all; }
pre { font-family: Consolas, "DejaVu Sans Mono", monospace; font-size: .85em; }
.rules { margin: .3em 0; white-space: pre; overflow-x: auto; }
.rules .kept-new { color: #9a6a00; font-weight: bold; }
.rules .lost { color: #c0392b; font-weight: bold; }
.diff { white-space: pre-wrap; }
.left { margin: .3em 0; white-space: pre-wrap; }
.left b { color: #9a6a00; }
@media print {
  body { margin: 0; max-width: none; font-size: 11px; }
  * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  details { break-inside: avoid; }
}
</style>
</head>
<body>
)";

void Escape(std::string_view s, std::string* out) { HtmlEscape(s, out); }

std::string Esc(const std::string& s) { return HtmlEscaped(s); }

// How many old values no rule carries, as the file table's cell says it.
std::string LeftCount(size_t n) {
  return n == 0 ? "none" : std::to_string(n) + (n == 1 ? " value" : " values");
}

std::string LeftCount(const FileReport& f) { return f.left_count ? LeftCount(*f.left_count) : ""; }

std::string CountsText(const CaseCounts& c) {
  std::string s;
  for (size_t i = 0; i < c.size(); ++i) {
    if (c[i] == 0) continue;
    s += (s.empty() ? "" : ", ") + std::to_string(c[i]) + " " + CaseName(RuleCase(i));
  }
  return s.empty() ? "no rules" : s;
}

// One bar 160 wide, a piece per case as long as its share of the rules.
std::string Bar(const CaseCounts& c) {
  int64_t total = 0;
  for (int64_t n : c) total += n;
  std::string svg = R"(<svg width="160" height="14" viewBox="0 0 160 14" role="img"><title>)" +
                    CountsText(c) + "</title>";
  if (total == 0)
    return svg +
           R"(<rect x="0.5" y="0.5" width="159" height="13" fill="none" stroke="#bbb"/></svg>)";
  double x = 0;
  for (size_t i = 0; i < c.size(); ++i) {
    if (c[i] == 0) continue;
    const double w = 160.0 * double(c[i]) / double(total);
    svg += "<rect x=\"" + std::to_string(x) + "\" width=\"" + std::to_string(w) +
           "\" height=\"14\" fill=\"" + kCaseColour[i] + "\"/>";
    x += w;
  }
  return svg + "</svg>";
}

std::string Legend() {
  std::string s;
  for (size_t i = 0; i < 5; ++i)
    s += std::string("<span class=\"sw\" style=\"background:") + kCaseColour[i] + "\"></span>" +
         CaseName(RuleCase(i));
  return s;
}

std::string LeftTotal(const RunReport& run) {
  size_t values = 0, files = 0;
  for (const FileReport& f : run.files) {
    if (f.left_count && *f.left_count > 0) {
      values += *f.left_count;
      ++files;
    }
  }
  return "<tr><th>left behind<td>" + std::to_string(values) + (values == 1 ? " value" : " values") +
         " in " + std::to_string(files) + (files == 1 ? " file" : " files") +
         " (no rule carries them)";
}

// Lines of the log the report could not read, with the first few.
std::string UnreadRows(const RunReport& run) {
  if (run.unread_lines == 0) return "";
  std::string s = "<tr><th>unread<td>" + std::to_string(run.unread_lines) +
                  " lines of the log in no layout the program writes";
  for (const UnreadLine& u : run.unread_examples)
    s += "<br>line " + std::to_string(u.line) + ": " + Esc(std::string(u.text));
  return s;
}

void Top(const RunReport& run, std::string* out) {
  const char* tone = run.ended != Ending::kClosingEntry ? "incomplete"
                     : RunIsOk(run)                     ? "ok"
                                                        : "check";
  *out += std::string("<header class=\"verdict ") + tone + "\"><h1>" + Esc(Verdict(run)) +
          "</h1>\n<ul class=\"why\">\n";
  for (const std::string& w : WhyTheExitCode(run)) *out += "<li>" + Esc(w) + "\n";
  *out += "</ul></header>\n<table>\n<tr><th>rules<td>" + CountsText(CountCases(run)) +
          "<tr><th>shift<td>" + Esc(ShiftLine(run)) + LeftTotal(run) + UnreadRows(run) +
          "<tr><th>log<td>" + Esc(run.log_path) +
          (run.started.empty() ? "" : ", run of " + Esc(run.started)) + "\n</table>\n";
}

void FileTable(const RunReport& run, const std::vector<int>& order, std::string* out) {
  *out += "<h2>Data files</h2>\n<p>" + Legend() +
          "</p>\n<table class=\"files\">\n<tr><th>file<th>result<th>rules by case<th>needs a "
          "look<th>left behind\n";
  for (int i : order) {
    const FileReport& f = run.files[size_t(i)];
    *out += "<tr class=\"p" + std::to_string(ProblemRank(f)) + "\"><td><a href=\"#f" +
            std::to_string(i) + "\">" + Esc(FileLabel(f)) + "</a><td>" + Esc(ResultText(f)) +
            "<td>" + Bar(CountCases(f)) + "<td>" +
            (f.result == FileResult::kWritten ? Esc(ProblemText(f)) : "not upgraded") + "<td>" +
            LeftCount(f) + "\n";
  }
  *out += "</table>\n";
}

// The files of the source folders that no pass took, each with why.
void NotTakenTable(const RunReport& run, std::string* out) {
  *out +=
      "<h2>Not taken</h2>\n<p>Files of the source folders that no pass took: nothing of "
      "them reaches the new installation.</p>\n<table class=\"files\">\n<tr><th>folder"
      "<th>file<th>why\n";
  for (const NotTaken& n : run.not_taken)
    *out += std::string("<tr><td>") + PassName(n.pass) + "<td>" + Esc(n.name) + "<td>" +
            Esc(n.reason) + "\n";
  *out += "</table>\n";
}

// `text` escaped and padded with blanks to `width` characters (bytes: the
// page's character set has one byte a character).
void Column(std::string_view text, size_t width, bool right, std::string* out) {
  const size_t pad = width > text.size() ? width - text.size() : 0;
  if (right) out->append(pad, ' ');
  Escape(text, out);
  if (!right) out->append(pad, ' ');
}

// The rules of a file as lines of text in columns: a run has a rule per line
// of its upg-files, and a browser lays out a hundred thousand lines of text
// much faster than as many table rows. Rules that set the exit code are
// marked.
void RuleLines(const FileReport& f, std::string* out) {
  size_t key_width = 3, line_width = 4;
  for (const RuleReport& r : f.rules) {
    key_width = std::max(key_width, r.key.size());
    line_width = std::max(line_width, std::to_string(r.line).size());
  }
  const size_t number_width = std::to_string(f.rules.size()).size();
  *out += "<pre class=\"rules\"><b>";
  Column("#", number_width, true, out);
  *out += ' ';
  Column("key", key_width, false, out);
  *out += " case     ";
  Column("line", line_width, true, out);
  *out += "  old &rarr; new</b>\n";
  for (size_t i = 0; i < f.rules.size(); ++i) {
    const RuleReport& r = f.rules[i];
    const bool marked = r.rule_case == RuleCase::kKeptNew || r.rule_case == RuleCase::kLost;
    if (marked) *out += std::string("<span class=\"") + CaseName(r.rule_case) + "\">";
    Column(std::to_string(i + 1), number_width, true, out);
    *out += ' ';
    Column(r.key.empty() ? std::string_view("?") : r.key, key_width, false, out);
    *out += ' ';
    Column(CaseName(r.rule_case), 8, false, out);
    *out += ' ';
    Column(r.line > 0 ? std::to_string(r.line) : "", line_width, true, out);
    *out += "  ";
    if (r.rule_case == RuleCase::kCarried) {
      Escape(r.old_value, out);
      *out += " &rarr; ";
      Escape(r.new_value, out);
    } else if (r.rule_case == RuleCase::kDefault) {
      *out += "&rarr; ";
      Escape(r.default_line(), out);
    } else {
      *out += r.rule_case == RuleCase::kKeptNew ? "(not in the old file: the new line stays)"
              : r.rule_case == RuleCase::kLost  ? "(not in the new file: the old value is lost)"
                                                : "(in neither file)";
    }
    if (marked) *out += "</span>";
    *out += '\n';
  }
  *out += "</pre>\n";
}

void FileFold(const FileReport& f, int index, const FileDetails& d, std::string* out) {
  *out += "<details id=\"f" + std::to_string(index) + "\"><summary>" + Esc(FileLabel(f)) + ": " +
          Esc(ResultText(f)) + "; " + CountsText(CountCases(f)) + "</summary>\n<p class=\"paths\">";
  const std::pair<const char*, const std::string*> paths[] = {
      {"old", &f.old_path}, {"new", &f.new_path}, {"upg", &f.upg_path}};
  for (const auto& p : paths) {
    if (!p.second->empty()) *out += std::string(p.first) + ": " + Esc(*p.second) + "<br>";
  }
  *out += "</p>\n";
  if (!f.rules.empty()) RuleLines(f, out);
  const std::vector<LeftValue>& left = d.audit.left.values;
  if (d.audited && !left.empty()) {
    *out += "<details class=\"lb\"><summary>left behind: " + LeftCount(left.size()) +
            " no rule carries</summary><pre class=\"left\">";
    for (const LeftValue& v : left) {
      *out += "<b>";
      Escape(v.key, out);
      *out += "</b>\n  old ";
      Escape(v.old_line, out);
      *out += "\n  new ";
      if (v.kind == LeftValue::Kind::kOldOnly)
        *out += "(no line in the new file)";
      else
        Escape(v.new_line, out);
      *out += '\n';
    }
    *out += "</pre></details>\n";
  }
  if (!d.backup_diff.empty()) {
    *out += "<details><summary>against the backup set</summary><pre class=\"diff\">";
    Escape(d.backup_diff, out);
    *out += "</pre></details>\n";
  }
  *out += "</details>\n";
}

}  // namespace

void WriteReportHtml(const RunReport& run, FileDetailSource* details, OutputText* out) {
  std::string& text = out->text();
  text += PageHead("Upgrade Vaxo report");
  text += kStyle;
  Top(run, &text);
  const std::vector<int> order = FilesByProblem(run);
  if (!run.files.empty()) {
    FileTable(run, order, &text);
    text += "<h2>Rules of each file</h2>\n";
    FileDetails d;
    for (int i : order) {
      details->Fill(size_t(i), true, &d);
      FileFold(run.files[size_t(i)], i, d, &text);
      out->PartDone();
    }
  }
  if (!run.not_taken.empty()) NotTakenTable(run, &text);
  text += "</body>\n</html>\n";
}

std::string ReportHtml(const RunReport& run, FileDetailSource* details) {
  NoDetails none;
  OutputText out;
  WriteReportHtml(run, details ? details : &none, &out);
  return std::move(out.text());
}

}  // namespace report
}  // namespace vaxo

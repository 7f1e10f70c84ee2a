// The run report over any log: it must end, the JSON must parse and hold
// every file and rule the report found, the page may carry no markup but its
// own (a log's bytes never become a tag), and the terminal summary stays
// within a dozen lines.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "fuzz/fuzz_check.h"
#include "platform/mem_env.h"
#include "report/exit_reason.h"
#include "report/html_report.h"
#include "report/installation_check.h"
#include "report/json_report.h"
#include "report/log_reader.h"
#include "report/terminal_summary.h"

namespace vaxo {
namespace {

// The tags the page is made of.
bool OwnTag(const std::string& page, size_t lt) {
  static const char* const kTags[] = {"!DOCTYPE html>",
                                      "html",
                                      "/html>",
                                      "head>",
                                      "/head>",
                                      "meta ",
                                      "title>",
                                      "/title>",
                                      "style>",
                                      "/style>",
                                      "body>",
                                      "/body>",
                                      "header ",
                                      "/header>",
                                      "h1>",
                                      "/h1>",
                                      "h2>",
                                      "/h2>",
                                      "ul ",
                                      "/ul>",
                                      "li>",
                                      "table",
                                      "/table>",
                                      "tr",
                                      "th>",
                                      "td>",
                                      "p>",
                                      "p ",
                                      "/p>",
                                      "span ",
                                      "/span>",
                                      "a ",
                                      "/a>",
                                      "svg ",
                                      "/svg>",
                                      "rect ",
                                      "details",
                                      "/details>",
                                      "summary>",
                                      "/summary>",
                                      "pre ",
                                      "/pre>",
                                      "b>",
                                      "/b>",
                                      "br>"};
  for (const char* tag : kTags) {
    if (page.compare(lt + 1, std::char_traits<char>::length(tag), tag) == 0) return true;
  }
  return false;
}

}  // namespace
}  // namespace vaxo

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vaxo;
  using namespace vaxo::report;
  RunReport run = ReadRunLog(std::string(reinterpret_cast<const char*>(data), size));
  MemEnv env;  // an installation without files: the log alone
  CompleteFromInstallation(&env, &run);

  VAXO_FUZZ_CHECK(!WhyTheExitCode(run).empty());
  const nlohmann::json j = nlohmann::json::parse(ReportJson(run));
  VAXO_FUZZ_CHECK(j["files"].size() == run.files.size());
  for (size_t f = 0; f < run.files.size(); ++f)
    VAXO_FUZZ_CHECK(j["files"][f]["rules"].size() == run.files[f].rules.size());

  const std::string page = ReportHtml(run);
  for (size_t lt = page.find('<'); lt != std::string::npos; lt = page.find('<', lt + 1))
    VAXO_FUZZ_CHECK(OwnTag(page, lt));

  const std::string summary = TerminalSummary(run);
  size_t lines = 0;
  for (char c : summary) lines += c == '\n';
  // A dozen lines; the lines the report could not read add their block
  // (a count and two examples). Without the installation no value left
  // behind and no file not taken is shown.
  VAXO_FUZZ_CHECK(lines <= 12 + (run.unread_lines > 0 ? 3 : 0));
  return 0;
}

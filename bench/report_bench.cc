// The report of a whole run: the log that upgrade_vaxo writes for a
// generated installation pair (200 data files of about 2,000 lines, and
// four times as many files), read into the report and turned into all three
// outputs in memory; vaxo report on it as a child process; and its page
// rendered by headless Chromium, beside an empty page.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "bench/bench_inputs.h"
#include "bench/child.h"
#include "platform/env.h"
#include "report/html_report.h"
#include "report/installation_check.h"
#include "report/json_report.h"
#include "report/left_behind.h"
#include "report/log_reader.h"
#include "report/terminal_summary.h"

namespace vaxo {
namespace bench {
namespace {

struct RunLog {
  std::string root;  // the pair, kept: the report reads the files its log names
  std::string path, text;
  int64_t lines = 0;
};

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The runs made so far, removed when the process ends.
struct Logs {
  ~Logs() {
    for (auto& kv : by_pair) RemoveTree(kv.second.root);
  }
  std::map<std::pair<int, int>, RunLog> by_pair;
};

// The run of `files` data files, every `differ_every`-th old value another
// than the new one, made once per process (not timed).
const RunLog& LogOf(int files, int differ_every = 1) {
  static Logs logs;
  auto it = logs.by_pair.find({files, differ_every});
  if (it != logs.by_pair.end()) return it->second;
  RunLog log;
  log.root = MakeTempDir("report");
  WriteInstallationPair(log.root, files, 2000, differ_every);
  WriteBytes(log.root + "/drive_c/zel/roboter/log/.keep", "");
  const ChildRun run =
      RunChild({UPGRADE_VAXO_BIN, log.root + "/OLD|" + log.root + "/NEW"},
               {"VAXO_DRIVE_C=" + log.root + "/drive_c"}, "/dev/null", log.root + "/stderr.txt");
  log.path = log.root + "/drive_c/zel/roboter/log/Upgrade_vaxo.log";
  log.text = ReadWhole(log.path);
  if (run.exit_code < 0 || log.text.empty()) std::abort();
  log.lines = std::count(log.text.begin(), log.text.end(), '\n');
  return logs.by_pair[{files, differ_every}] = log;
}

void ReportInMemory(benchmark::State& state) {
  const RunLog& log = LogOf(static_cast<int>(state.range(0)));
  size_t html = 0, json = 0;
  for (auto _ : state) {
    report::RunReport run = report::ReadRunLog(log.text);
    report::CompleteFromInstallation(Env::Default(), &run);
    html = report::ReportHtml(run).size();
    json = report::ReportJson(run).size();
    benchmark::DoNotOptimize(report::TerminalSummary(run));
  }
  state.counters["log_lines"] = double(log.lines);
  state.counters["html_MB"] = html / 1048576.0;
  state.counters["json_MB"] = json / 1048576.0;
}

BENCHMARK(ReportInMemory)
    ->ArgName("files")
    ->Arg(200)
    ->Arg(800)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

void RunReportCommand(benchmark::State& state, const char* program, int differ_every = 1) {
  const RunLog& log = LogOf(static_cast<int>(state.range(0)), differ_every);
  long peak_kb = 0;
  for (auto _ : state) {
    const ChildRun run = RunChild({program, "report", log.path, "--html", log.root + "/r.html",
                                   "--json", log.root + "/r.json"},
                                  {}, "/dev/null", log.root + "/report_err.txt");
    if (run.exit_code != 0) {
      state.SkipWithError("vaxo report failed");
      break;
    }
    state.SetIterationTime(run.seconds);
    peak_kb = std::max(peak_kb, run.peak_kb);
  }
  state.counters["log_lines"] = double(log.lines);
  state.counters["peak_MB"] = peak_kb / 1024.0;
}

void ReportCommand(benchmark::State& state) { RunReportCommand(state, VAXO_BIN); }
// The same without the audit of what the run leaves behind, side by side.
void ReportCommandWithoutAudit(benchmark::State& state) {
  RunReportCommand(state, VAXO_WITHOUT_AUDIT_BIN);
}

BENCHMARK(ReportCommand)
    ->ArgName("files")
    ->Arg(200)
    ->Arg(800)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK(ReportCommandWithoutAudit)
    ->ArgName("files")
    ->Arg(200)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The same pair but for the old values: one in fifty differs from the new
// one, so what finding costs is seen apart from listing every value.
void ReportCommandFewLeft(benchmark::State& state) { RunReportCommand(state, VAXO_BIN, 50); }
void ReportCommandFewLeftWithoutAudit(benchmark::State& state) {
  RunReportCommand(state, VAXO_WITHOUT_AUDIT_BIN, 50);
}

BENCHMARK(ReportCommandFewLeft)
    ->ArgName("files")
    ->Arg(200)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK(ReportCommandFewLeftWithoutAudit)
    ->ArgName("files")
    ->Arg(200)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The finder alone, in memory: old/new/upg triples of 2,000 lines as the
// installation pair has them (rules for a third), every `differ_every`-th
// old value another. Fifty triples taken in turn, as a report meets its
// files: one triple over and over would teach the processor its lines.
// What the report's audit costs a file before anything is written.
void LeftBehindFind(benchmark::State& state) {
  const int differ_every = static_cast<int>(state.range(0));
  std::vector<MachineData> triples;
  int64_t bytes = 0;
  for (uint32_t seed = 1; seed <= 50; ++seed) {
    triples.push_back(MakeMachineData(2000, RuleOrder::kFile, seed, 3, differ_every));
    bytes += int64_t(triples.back().old_text.size() + triples.back().new_text.size());
  }
  report::LeftBehindFinder finder;
  report::LeftBehindList left;
  size_t values = 0;
  for (auto _ : state) {
    values = 0;
    for (const MachineData& data : triples) {
      finder.NameRulesOf(data.upg_text);
      finder.Find(data.old_text, data.new_text, &left);
      values += left.values.size();
    }
    benchmark::DoNotOptimize(values);
  }
  state.counters["left"] = double(values);
  state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
}

BENCHMARK(LeftBehindFind)->ArgName("differ_every")->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond);

// files 0: an empty page, what starting the browser alone costs.
void PageInBrowser(benchmark::State& state) {
  if (access("/usr/bin/chromium", X_OK) != 0) {
    state.SkipWithError("chromium is not installed");
    return;
  }
  const int files = static_cast<int>(state.range(0));
  const std::string dir = files ? LogOf(files).root : MakeTempDir("page");
  const std::string page = dir + "/page.html";
  if (files) {
    report::RunReport run = report::ReadRunLog(LogOf(files).text);
    WriteBytes(page, report::ReportHtml(run));
  } else {
    WriteBytes(page, "<!DOCTYPE html><title>empty</title>");
  }
  for (auto _ : state) {
    RemoveTree(dir + "/profile");
    const ChildRun run = RunChild(
        {"/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
         "--no-first-run", "--disable-background-networking", "--disable-component-update",
         "--disable-sync", "--user-data-dir=" + dir + "/profile", "--window-size=1000,900",
         "--screenshot=" + dir + "/page.png", "file://" + page},
        {}, "/dev/null", dir + "/chromium_err.txt");
    if (run.exit_code != 0) {
      state.SkipWithError("chromium failed");
      break;
    }
    state.SetIterationTime(run.seconds);
  }
  state.counters["page_MB"] = FileSize(page) / 1048576.0;
  if (!files) RemoveTree(dir);
}

BENCHMARK(PageInBrowser)
    ->ArgName("files")
    ->Arg(0)
    ->Arg(200)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace
}  // namespace bench
}  // namespace vaxo

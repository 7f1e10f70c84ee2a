// Runs the measurements, then sets the figures that have targets against
// each other. Every ratio is taken between runs of this one process, so a
// busy machine slows both sides alike.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

/// The console output as usual, and every run's real time kept by name.
class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // With repetitions the median stands for the benchmark, else its one run.
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (!median && run.run_type != Run::RT_Iteration) continue;
      std::string name = run.run_name.str();
      if (!median && medians_.count(name)) continue;
      if (median) medians_.insert(name);
      Entry& e = entries_[name];
      e.ms = run.GetAdjustedRealTime();  // every benchmark here reports in ms
      for (const auto& counter : run.counters) e.counters[counter.first] = counter.second.value;
    }
  }

  struct Entry {
    double ms = 0;
    std::map<std::string, double> counters;
  };
  /// The run whose name begins with `prefix` followed by "/" or nothing.
  const Entry* Find(const std::string& prefix) const {
    for (const auto& e : entries_) {
      const std::string& name = e.first;
      if (name.compare(0, prefix.size(), prefix) == 0 &&
          (name.size() == prefix.size() || name[prefix.size()] == '/')) {
        return &e.second;
      }
    }
    return nullptr;
  }

 private:
  std::map<std::string, Entry> entries_;
  std::set<std::string> medians_;
};

const char* const kOrders[] = {"file", "reversed", "shuffled"};

std::string Args(const char* bench, int lines, int order, int check) {
  return std::string(bench) + "/lines:" + std::to_string(lines) +
         "/order:" + std::to_string(order) + "/check:" + std::to_string(check);
}

void Row(const std::string& what, double value, const char* relation, double limit) {
  const bool ok = relation[0] == '<' ? value <= limit : value >= limit;
  std::printf("| %s | %.3g | %s %g | %s |\n", what.c_str(), value, relation, limit,
              ok ? "met" : "MISSED");
}

void Ratio(const Recorder& r, const std::string& what, const std::string& top,
           const std::string& bottom, const char* relation, double limit) {
  const Recorder::Entry* a = r.Find(top);
  const Recorder::Entry* b = r.Find(bottom);
  if (a && b && b->ms > 0) Row(what, a->ms / b->ms, relation, limit);
}

void Report(const Recorder& r) {
  std::printf("\n| target | measured | limit | |\n|---|---|---|---|\n");
  Ratio(r, "upgrade_file 100,000 reversed / file order", Args("UpgradeFile", 100000, 1, 0),
        Args("UpgradeFile", 100000, 0, 0), "<=", 1.5);
  for (const char* bench : {"Engine", "UpgradeFile"}) {
    for (int order = 0; order < 3; ++order) {
      for (int check = 0; check < 2; ++check) {
        Ratio(
            r,
            std::string(bench) + " 100,000 / 25,000, " + kOrders[order] + (check ? ", check" : ""),
            Args(bench, 100000, order, check), Args(bench, 25000, order, check), "<=", 4.5);
      }
    }
  }
  if (const Recorder::Entry* e = r.Find(Args("Engine", 100000, 1, 0))) {
    Row("Engine 100,000 reversed, seconds", e->ms / 1000, "<=", 0.3);
  }
  Ratio(r, "literal / indexed search, 20,000 reversed", Args("EngineLiteral", 20000, 1, 0),
        Args("Engine", 20000, 1, 0), ">=", 50);
  if (const Recorder::Entry* e = r.Find("Installation/files:200/lines:2000")) {
    const double peak = e->counters.at("peak_MB");
    const double limit = e->counters.at("limit_MB");
    std::printf("| installation pair, seconds | %.3g | | |\n", e->ms / 1000);
    std::printf("| installation pair, processor seconds | %.3g | | |\n", e->counters.at("cpu_s"));
    std::printf("| installation pair, peak MB | %.3g | | |\n", peak);
    // The bound of the merge itself: the report the run writes after it
    // holds the log and its rules, and has a bound of its own (twice the
    // run without it, below).
    const Recorder::Entry* f = r.Find("RunAgainstFloor");
    if (f && f->counters.count("peak_without_report_MB"))
      Row("installation pair, peak MB of the run without its report",
          f->counters.at("peak_without_report_MB"), "<=", limit);
  }
  Ratio(r, "whole run with its backup set / without", "Installation/files:200/lines:2000",
        "InstallationWithoutBackup/files:200/lines:2000", "<=", 1.5);
  Ratio(r, "whole run with the report's audit / without", "Installation/files:200/lines:2000",
        "InstallationWithoutAudit/files:200/lines:2000", "<=", 1.1);
  Ratio(r, "vaxo report with its audit / without", "ReportCommand/files:200",
        "ReportCommandWithoutAudit/files:200", "<=", 1.1);
  Ratio(r, "vaxo report with its audit / without, one old value in 50 differs",
        "ReportCommandFewLeft/files:200", "ReportCommandFewLeftWithoutAudit/files:200", "<=", 1.1);
  for (const char* bench : {"RunAgainstFloor", "WineRunAgainstFloor"}) {
    const Recorder::Entry* e = r.Find(bench);
    if (!e || !e->counters.count("ratio")) continue;
    const std::string where = bench[0] == 'W' ? "Windows program under Wine" : "Linux program";
    std::printf("| %s, whole run / floor: %.3g s / %.3g s | | | |\n", where.c_str(),
                e->counters.at("run_s"), e->counters.at("floor_s"));
    Row(where + ", whole run / floor (medians of 3)", e->counters.at("ratio"), "<=", 1.5);
    if (e->counters.count("memory_ratio")) {
      std::printf("| peak with report / without: %.3g MB / %.3g MB | | | |\n",
                  e->counters.at("peak_MB"), e->counters.at("peak_without_report_MB"));
      Row("peak memory, run with its report / without", e->counters.at("memory_ratio"), "<=", 2);
    }
  }
  if (const Recorder::Entry* e = r.Find("ReportCommand/files:200")) {
    Row("vaxo report, log of " + std::to_string(long(e->counters.at("log_lines"))) +
            " lines, seconds",
        e->ms / 1000, "<=", 1);
  }
  Ratio(r, "report in memory, 4x / 1x the log", "ReportInMemory/files:800",
        "ReportInMemory/files:200", "<=", 4.5);
  Ratio(r, "vaxo report, 4x / 1x the log", "ReportCommand/files:800", "ReportCommand/files:200",
        "<=", 4.5);
  const Recorder::Entry* page = r.Find("PageInBrowser/files:200");
  const Recorder::Entry* empty = r.Find("PageInBrowser/files:0");
  if (page && empty) {
    Row("report page in Chromium beyond an empty page, seconds", (page->ms - empty->ms) / 1000,
        "<=", 2);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Recorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  Report(recorder);
  benchmark::Shutdown();
  return 0;
}

// The built programs end to end on generated files: upgrade_file on one
// data file, and upgrade_vaxo on a whole installation pair, with the wall
// time and the peak memory of the child process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "bench/bench_inputs.h"
#include "bench/child.h"

namespace vaxo {
namespace bench {
namespace {

struct Scratch {
  Scratch() : dir(MakeTempDir("files")) {}
  ~Scratch() { RemoveTree(dir); }
  std::string dir;
};

Scratch& TempFiles() {
  static Scratch scratch;
  return scratch;
}

/// The three files of one size and order, written once.
std::string FilesFor(int lines, RuleOrder order) {
  static std::map<std::tuple<int, int>, std::string> written;
  const auto key = std::make_tuple(lines, static_cast<int>(order));
  auto it = written.find(key);
  if (it != written.end()) return it->second;
  const std::string base =
      TempFiles().dir + "/" + std::to_string(lines) + "_" + OrderName(order) + "_";
  const MachineData data = MakeMachineData(lines, order, 42);
  WriteBytes(base + "old.dat", data.old_text);
  WriteBytes(base + "new.dat", data.new_text);
  WriteBytes(base + "rules.upg", data.upg_text);
  return written[key] = base;
}

void UpgradeFile(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const RuleOrder order = static_cast<RuleOrder>(state.range(1));
  const std::string base = FilesFor(lines, order);
  std::vector<std::string> argv = {UPGRADE_FILE_BIN};
  if (state.range(2) != 0) argv.push_back("--check");
  argv.insert(argv.end(),
              {"-o", base + "merged.dat", base + "old.dat", base + "new.dat", base + "rules.upg"});
  long peak_kb = 0;
  for (auto _ : state) {
    const ChildRun run = RunChild(argv, {}, "/dev/null", base + "log.txt");
    if (run.exit_code < 0 || run.exit_code > 2) {
      state.SkipWithError("upgrade_file failed");
      break;
    }
    state.SetIterationTime(run.seconds);
    peak_kb = std::max(peak_kb, run.peak_kb);
  }
  state.SetLabel(OrderName(order));
  state.counters["peak_MB"] = peak_kb / 1024.0;
}

BENCHMARK(UpgradeFile)
    ->ArgNames({"lines", "order", "check"})
    ->ArgsProduct({{1000, 25000, 100000}, {0, 1, 2}, {0, 1}})
    ->Repetitions(3)  // the shared machine is noisy: ratios use the medians
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

#ifdef UPGRADE_VAXO_BIN
// Each run writes over the new installation, so every run gets a fresh pair
// (not timed). The log goes to C:\zel\roboter\log as on a controller.
void RunInstallation(benchmark::State& state, const char* program) {
  const int files = static_cast<int>(state.range(0));
  const int lines = static_cast<int>(state.range(1));
  long peak_kb = 0;
  double cpu_seconds = 0;
  size_t largest = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string root = MakeTempDir("pair");
    largest = WriteInstallationPair(root, files, lines);
    WriteBytes(root + "/drive_c/zel/roboter/log/.keep", "");
    state.ResumeTiming();
    const ChildRun run =
        RunChild({program, root + "/OLD|" + root + "/NEW"}, {"VAXO_DRIVE_C=" + root + "/drive_c"},
                 "/dev/null", root + "/stderr.txt");
    const size_t log_size = FileSize(root + "/drive_c/zel/roboter/log/Upgrade_vaxo.log");
    RemoveTree(root);
    if (run.exit_code < 0 || log_size == 0) {
      state.SkipWithError("upgrade_vaxo failed");
      break;
    }
    state.SetIterationTime(run.seconds);
    peak_kb = std::max(peak_kb, run.peak_kb);
    cpu_seconds += run.cpu_seconds;
    state.counters["log_MB"] = log_size / 1048576.0;
  }
  state.counters["peak_MB"] = peak_kb / 1024.0;
  state.counters["cpu_s"] = cpu_seconds / double(state.iterations());
  state.counters["largest_file_KB"] = largest / 1024.0;
  state.counters["limit_MB"] = (8.0 * largest) / 1048576.0 + 16.0;
}

void Installation(benchmark::State& state) { RunInstallation(state, UPGRADE_VAXO_BIN); }
void InstallationWithoutBackup(benchmark::State& state) {
  RunInstallation(state, UPGRADE_VAXO_WITHOUT_BACKUP_BIN);
}

void InstallationWithoutAudit(benchmark::State& state) {
  RunInstallation(state, UPGRADE_VAXO_WITHOUT_AUDIT_BIN);
}

// Side by side, five each, so that the ratio of the medians is fair on a
// shared machine.
BENCHMARK(Installation)
    ->ArgNames({"files", "lines"})
    ->Args({200, 2000})
    ->Iterations(1)
    ->Repetitions(5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK(InstallationWithoutBackup)
    ->ArgNames({"files", "lines"})
    ->Args({200, 2000})
    ->Iterations(1)
    ->Repetitions(5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK(InstallationWithoutAudit)
    ->ArgNames({"files", "lines"})
    ->Args({200, 2000})
    ->Iterations(1)
    ->Repetitions(5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The whole run against its floor (floor.cc), and its peak memory against
// the same program without its report: three rounds of the three, each on a
// fresh pair, the medians set against each other. Under Wine (the Windows
// build in VAXO_BENCH_WIN32, its floor VAXO_BENCH_WIN32_FLOOR, with
// WINEPREFIX) the program and the floor are the Windows ones, the log goes
// to the prefix's drive C.
struct LogCount {
  long entries = 0, bytes = 0;
};

// The entries of a log: a line each, but for a title's four lines.
LogCount CountEntries(const std::string& log_path) {
  std::ifstream in(log_path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string text = ss.str();
  LogCount count;
  count.bytes = long(text.size());
  long lines = 0, titles = 0;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    ++lines;
    if (end == at) ++titles;
    at = end + 2;
  }
  count.entries = lines - 3 * titles;
  return count;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

std::string WindowsPath(const std::string& host) {
  std::string path = "Z:" + host;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

void AgainstFloor(benchmark::State& state, bool wine) {
  std::string program = UPGRADE_VAXO_BIN, floor = FLOOR_BIN,
              without_report = UPGRADE_VAXO_WITHOUT_REPORT_BIN, log_dir;
  std::vector<std::string> front;
  if (wine) {
    const char* dir = std::getenv("VAXO_BENCH_WIN32");
    const char* floor_exe = std::getenv("VAXO_BENCH_WIN32_FLOOR");
    const char* prefix = std::getenv("WINEPREFIX");
    if (!dir || !floor_exe || !prefix) {
      state.SkipWithError(
          "no Windows build (VAXO_BENCH_WIN32, VAXO_BENCH_WIN32_FLOOR) or no WINEPREFIX");
      for (auto _ : state) {
      }
      return;
    }
    program = std::string(dir) + "/UpgradeVaxo.exe";
    floor = floor_exe;
    front = {"/usr/bin/env", "wine"};
    log_dir = std::string(prefix) + "/drive_c/zel/roboter/log";
  }
  std::vector<double> runs, floors, peaks, bare_peaks, run_cpu, floor_cpu;
  for (auto _ : state) {
    for (int round = 0; round < 3; ++round) {
      for (int which = 0; which < 3; ++which) {
        const std::string root = MakeTempDir("floor");
        WriteInstallationPair(root, 200, 2000);
        const std::string here = wine ? log_dir : root + "/drive_c/zel/roboter/log";
        WriteBytes(here + "/.keep", "");
        const std::string log = here + "/Upgrade_vaxo.log";
        std::vector<std::string> argv = front;
        if (which < 2) {
          const std::string pair =
              wine ? WindowsPath(root + "/OLD") + "|" + WindowsPath(root + "/NEW")
                   : root + "/OLD|" + root + "/NEW";
          argv.push_back(which == 0 ? program : without_report);
          argv.push_back(pair);
        } else {
          argv.insert(argv.end(), {floor, wine ? WindowsPath(root) : root,
                                   wine ? "C:\\zel\\roboter\\log\\Upgrade_vaxo.log" : log,
                                   std::to_string(long(state.counters["entries"])),
                                   std::to_string(long(state.counters["log_bytes"]))});
        }
        if (wine && which == 1) {  // no Windows build without its report
          RemoveTree(root);
          continue;
        }
        const ChildRun run = RunChild(argv, {"VAXO_DRIVE_C=" + root + "/drive_c"}, "/dev/null",
                                      root + "/stderr.txt");
        const LogCount count = CountEntries(log);
        if (wine) RemoveTree(log_dir);
        RemoveTree(root);
        if (run.exit_code < 0 || run.exit_code > 2 || count.entries == 0) {
          state.SkipWithError("a run failed");
          return;
        }
        if (which == 0) {
          runs.push_back(run.seconds);
          run_cpu.push_back(run.cpu_seconds);
          peaks.push_back(run.peak_kb / 1024.0);
          state.counters["entries"] = double(count.entries);
          state.counters["log_bytes"] = double(count.bytes);
        } else if (which == 1) {
          bare_peaks.push_back(run.peak_kb / 1024.0);
        } else {
          floors.push_back(run.seconds);
          floor_cpu.push_back(run.cpu_seconds);
        }
      }
    }
    state.SetIterationTime(Median(runs));
  }
  state.counters["run_s"] = Median(runs);
  state.counters["floor_s"] = Median(floors);
  state.counters["ratio"] = Median(runs) / Median(floors);
  state.counters["run_cpu_s"] = Median(run_cpu);
  state.counters["floor_cpu_s"] = Median(floor_cpu);
  state.counters["peak_MB"] = Median(peaks);
  if (!wine) {
    state.counters["peak_without_report_MB"] = Median(bare_peaks);
    state.counters["memory_ratio"] = Median(peaks) / Median(bare_peaks);
  }
}

void RunAgainstFloor(benchmark::State& state) { AgainstFloor(state, false); }
void WineRunAgainstFloor(benchmark::State& state) { AgainstFloor(state, true); }

BENCHMARK(RunAgainstFloor)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(WineRunAgainstFloor)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
#endif

}  // namespace
}  // namespace bench
}  // namespace vaxo

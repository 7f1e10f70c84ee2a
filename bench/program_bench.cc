// The built programs end to end on generated files: upgrade_file on one
// data file, and upgrade_vaxo on a whole installation pair, with the wall
// time and the peak memory of the child process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
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
#endif

}  // namespace
}  // namespace bench
}  // namespace vaxo

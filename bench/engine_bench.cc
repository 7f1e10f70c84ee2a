// The merge of one file in memory, the logbook switched off: what the
// engine itself costs, by size, rule order and check mode, and the literal
// search beside the indexed one.
#include <benchmark/benchmark.h>

#include <map>
#include <tuple>

#include "base/exit_code.h"
#include "bench/bench_inputs.h"
#include "log/log_buch.h"
#include "upgrade/vaxo_upg.h"

namespace vaxo {
namespace bench {
namespace {

const MachineData& Inputs(int lines, RuleOrder order) {
  static std::map<std::tuple<int, int>, MachineData> cache;
  auto it = cache.find({lines, static_cast<int>(order)});
  if (it == cache.end()) {
    it = cache
             .emplace(std::make_tuple(lines, static_cast<int>(order)),
                      MakeMachineData(lines, order, 42))
             .first;
  }
  return it->second;
}

void Merge(benchmark::State& state, SearchMethod method) {
  const int lines = static_cast<int>(state.range(0));
  const RuleOrder order = static_cast<RuleOrder>(state.range(1));
  bool check = state.range(2) != 0;
  const MachineData& data = Inputs(lines, order);
  LogBuch().LogState(false);
  CLSVaxoUpg engine;
  engine.SetSearchMethod(method);
  std::string merged;
  for (auto _ : state) {
    state.PauseTiming();
    merged = data.old_text;
    state.ResumeTiming();
    engine.Upgrade("$BENCH.DAT", merged, data.new_text, data.upg_text, check);
    benchmark::DoNotOptimize(merged.data());
  }
  state.SetLabel(OrderName(order));
  state.counters["lines/s"] =
      benchmark::Counter(lines, benchmark::Counter::kIsIterationInvariantRate);
}

void Engine(benchmark::State& state) { Merge(state, SearchMethod::kIndexed); }
void EngineLiteral(benchmark::State& state) { Merge(state, SearchMethod::kLiteral); }

}  // namespace

BENCHMARK(Engine)
    ->ArgNames({"lines", "order", "check"})
    ->ArgsProduct({{1000, 25000, 100000}, {0, 1, 2}, {0, 1}})
    ->Args({20000, 1, 0})
    ->Repetitions(3)  // the shared machine is noisy: ratios use the medians
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One pass is enough: it runs for tens of seconds.
BENCHMARK(EngineLiteral)
    ->ArgNames({"lines", "order", "check"})
    ->Args({20000, 1, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace bench
}  // namespace vaxo

// The settings store on SQLite: reading a remembered answer (GetRegSetting and MakeInteger) in
// stores of growing size, and remembering one (SetRegSetting, bound by the fsync of its commit).
#include "bench_stores.h"

#include "platform/sqlite/memory_registry.h"

#include <benchmark/benchmark.h>

using namespace qvMsgErr;
using namespace qvMsgErr::platform;
using namespace qvbench;

namespace {

void readRememberedAnswers(benchmark::State& state, std::shared_ptr<Registry> store) {
    const auto count = static_cast<int>(state.range(0));
    const std::vector<std::string> names = someNames(count);
    setThreadRegistry(std::move(store));
    apartment().regRoot = Root;
    std::size_t i = 0;
    for (auto _ : state) {
        const int16_t answer =
            MakeInteger(GetRegSetting(names[i++ % names.size()], "", Section, true));
        if (answer == 0) {
            state.SkipWithError("a value is missing");
            break;
        }
        benchmark::DoNotOptimize(answer);
    }
    setThreadRegistry(nullptr);
}

void BM_GetRegSetting_Sqlite(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    const std::string path = storeWith(count);
    const std::vector<std::string> names = someNames(count);
    setThreadRegistry(std::make_shared<SqliteRegistry>(path));
    apartment().regRoot = Root;
    FloorRead floor(path);
    std::size_t i = 0;
    int16_t answer = 0;
    interleaved(
        state,
        [&] { answer = MakeInteger(GetRegSetting(names[i % names.size()], "", Section, true)); },
        [&] { benchmark::DoNotOptimize(floor.read(names[floorIndex(i++, names.size())])); });
    if (answer == 0) {
        state.SkipWithError("a value is missing");
    }
    setThreadRegistry(nullptr);
}

void BM_GetRegSetting_Memory(benchmark::State& state) {
    auto store = std::make_shared<MemoryRegistry>();
    setThreadRegistry(store);
    apartment().regRoot = Root;
    for (int i = 0; i < state.range(0); ++i) {
        SetRegSetting(valueName(i), std::to_string(1 + i % 7), Section, true);
    }
    readRememberedAnswers(state, store);
}

void BM_SetRegSetting_Sqlite(benchmark::State& state) {
    const std::string path = scratch().path + "/writes.db";
    setThreadRegistry(std::make_shared<SqliteRegistry>(path));
    apartment().regRoot = Root;
    SetRegSetting("Message", "1", Section, true); // opens and creates outside the timing
    int i = 0;
    for (auto _ : state) {
        if (!SetRegSetting("Message", std::to_string(1 + i++ % 7), Section, true)) {
            state.SkipWithError("the write failed");
            break;
        }
    }
    setThreadRegistry(nullptr);
}

} // namespace

BENCHMARK(BM_GetRegSetting_Sqlite)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_GetRegSetting_Memory)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_SetRegSetting_Sqlite)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->DisplayAggregatesOnly(true);

BENCHMARK_MAIN();

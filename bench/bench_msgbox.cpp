// clsMesgBox on the headless desktop: a message answered from the don't-show-again memory in
// stores of growing size (no window at all), a whole message in the 2003-style window
// (composition, layout, sizing, a scripted click, teardown), and the listing of every remembered
// answer that `qvmsg memory list` shows.
#include "bench_stores.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsMesgBox.h>
#include <qvMsgErr/headless.h>
#include <qvMsgErr/memory.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

using namespace qvMsgErr;
using namespace qvbench;

namespace {

void BM_RememberedAnswer(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    // Each stored answer is 1 + n % 7 for "Message n"; ask with a button set that holds it.
    constexpr int32_t kSetOf[8] = {0, 0, 1, 2, 2, 2, 4, 4};
    std::vector<std::pair<std::string, int32_t>> messages;
    for (const std::string& name : someNames(count)) {
        const int n = std::stoi(name.substr(name.find(' ') + 1));
        messages.emplace_back(name, kSetOf[1 + n % 7]);
    }
    auto desktop = std::make_shared<headless::HeadlessDesktop>();
    desktop->onModal([](headless::ScriptedUser& user) { user.click("cmdButton", 0); });
    setThreadDesktop(desktop);
    setThreadRegistry(std::make_shared<SqliteRegistry>(storeWith(count)));
    {
        FloorRead floor(storeWith(count));
        clsMesgBox box;
        box.Reg_Root(Root);
        box.MsgBoxType(Tessary2003);
        std::size_t i = 0;
        interleaved(
            state,
            [&] {
                box.DontShowAgain(true);
                const auto& [name, set] = messages[i % messages.size()];
                benchmark::DoNotOptimize(box.msgBox("Remembered?", set, "T", "", -1, name));
            },
            [&] {
                benchmark::DoNotOptimize(
                    floor.read(messages[floorIndex(i++, messages.size())].first));
            });
    }
    if (!desktop->sideEffects(headless::EffectKind::ModalShown).empty()) {
        state.SkipWithError("a window was shown: an answer was not remembered");
    }
    setThreadRegistry(nullptr);
    setThreadDesktop(nullptr);
}

void BM_WholeMessage(benchmark::State& state) {
    auto desktop = std::make_shared<headless::HeadlessDesktop>();
    desktop->onModal([](headless::ScriptedUser& user) { user.click("cmdButton", 1); });
    setThreadDesktop(desktop);
    {
        clsMesgBox box;
        for (auto _ : state) {
            box.MsgBoxType(Tessary2003);
            box.CmdDescriptions(state.range(0) != 0);
            box.DescYes("Saves the ledger and closes it");
            box.DescNo("Closes the ledger without saving");
            box.DescCancel("Keeps the ledger open");
            box.DetailsButton(true);
            box.DetailsString("Ledger.db, 3 unsaved changes");
            benchmark::DoNotOptimize(box.msgBox("Save the changes to the ledger before closing it?",
                                                3 | 32 | 0x4000, "Ledger"));
            desktop->clearSideEffects();
        }
    }
    setThreadDesktop(nullptr);
}

/// Listing every remembered answer of a store of N (`list` returns how many it saw), against one
/// SELECT of the key's names and values.
template <class List> void listAgainstFloor(benchmark::State& state, List&& list) {
    const auto count = static_cast<int>(state.range(0));
    const std::string path = storeWith(count);
    setThreadRegistry(std::make_shared<SqliteRegistry>(path));
    apartment().regRoot = Root;
    std::size_t listed = 0, floorRows = 0;
    interleaved(
        state, [&] { listed = list(); }, [&] { floorRows = floorList(path); });
    if (listed != static_cast<std::size_t>(count) || floorRows != listed) {
        state.SkipWithError("the listing missed answers");
    }
    state.SetItemsProcessed(state.iterations() * count);
    apartment().regRoot.clear();
    setThreadRegistry(nullptr);
}

/// The listing `qvmsg memory list` makes: each answer handed over as it is read.
void BM_ForEachRememberedAnswer(benchmark::State& state) {
    listAgainstFloor(state, [] {
        std::size_t seen = 0;
        ForEachRememberedAnswer([&](const RememberedAnswer& a) {
            benchmark::DoNotOptimize(a.ButtonNumber);
            ++seen;
        });
        return seen;
    });
}

/// The same answers gathered into a list of them all.
void BM_ListRememberedAnswers(benchmark::State& state) {
    listAgainstFloor(state, [] { return RememberedAnswers().size(); });
}

/// Forgetting every answer of a key, on a fresh copy of the store each time (copied outside the
/// timing), against one DELETE on another copy.
void BM_ForgetAllAnswers(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    const std::string original = storeWith(count), ours = original + ".ours",
                      theirs = original + ".floor";
    using Clock = std::chrono::steady_clock;
    double ourTotal = 0, floorTotal = 0;
    for (auto _ : state) {
        for (const auto& copy : {ours, theirs}) {
            std::filesystem::copy_file(original, copy,
                                       std::filesystem::copy_options::overwrite_existing);
        }
        setThreadRegistry(std::make_shared<SqliteRegistry>(ours));
        apartment().regRoot = Root;
        const auto start = Clock::now();
        const int32_t forgotten = ForgetAllAnswers();
        const auto middle = Clock::now();
        const std::size_t deleted = floorClear(theirs);
        const auto end = Clock::now();
        setThreadRegistry(nullptr);
        if (forgotten != count || deleted != static_cast<std::size_t>(count)) {
            state.SkipWithError("not every answer was forgotten");
            break;
        }
        const double ourTime = std::chrono::duration<double>(middle - start).count();
        ourTotal += ourTime;
        floorTotal += std::chrono::duration<double>(end - middle).count();
        state.SetIterationTime(ourTime);
    }
    if (floorTotal > 0) {
        state.counters["floor_ms"] = floorTotal / static_cast<double>(state.iterations()) * 1e3;
        state.counters["ratio"] = ourTotal / floorTotal;
    }
    apartment().regRoot.clear();
}

} // namespace

BENCHMARK(BM_ForEachRememberedAnswer)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_ListRememberedAnswers)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_ForgetAllAnswers)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_RememberedAnswer)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_WholeMessage)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("descriptions")
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);

BENCHMARK_MAIN();

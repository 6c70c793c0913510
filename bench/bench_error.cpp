// Showing an error on the headless desktop: what the library itself costs per Show (the dialog
// built from its design, filled, shown, answered and torn down), without and with the log line.
#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsError.h>
#include <qvMsgErr/headless.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

using namespace qvMsgErr;

namespace {

void BM_ShowAndAnswer(benchmark::State& state) {
    const bool logging = state.range(0) != 0;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("qvbench-error-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto desktop = std::make_shared<headless::HeadlessDesktop>();
    desktop->setComponentDirectory(dir.string());
    desktop->onModal([](headless::ScriptedUser& user) { user.click("cmdRetry"); });
    setThreadDesktop(desktop);

    clsError err;
    err.AppName("Bench");
    err.WriteDebugLog = logging;
    const std::string details = "Open&Read&Parse&";
    for (auto _ : state) {
        benchmark::DoNotOptimize(err.Show(true, "The file is locked.", 70, details, "", "reading"));
        desktop->clearSideEffects();
    }
    setThreadDesktop(nullptr);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ShowAndAnswer)->Arg(0)->Arg(1)->ArgName("log")->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

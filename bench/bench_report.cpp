// The error report with large details: composing the formatted report, writing it as RTF, and the
// one-line text. The details size grows from 1 KiB to 1 MiB; times should grow linearly.
#include "error/report.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace qvMsgErr;
using namespace qvMsgErr::error;

namespace {

/// Details of `size` bytes: lines of mixed ASCII, accented and emoji text, tabs and braces.
std::string details(std::size_t size) {
    const std::string line = "at Module.Procedure line 42:\t{value} = caf\xC3\xA9 \xF0\x9F\x98\x80 "
                             "\\path\\to\\file.txt\r\n";
    std::string text;
    text.reserve(size + line.size());
    while (text.size() < size) {
        text += line;
    }
    text.resize(size);
    return text;
}

ReportValues values(std::size_t size) {
    return {
        "Friday, January 2, 2026", "03:04",      "Host Application", "user", "Saving the document",
        "Path/File access error",  details(size)};
}

void BM_BuildPrintReport(benchmark::State& state) {
    const ReportValues v = values(static_cast<std::size_t>(state.range(0)));
    ComposingArea area;
    for (auto _ : state) {
        BuildPrintReport(area, v);
        benchmark::DoNotOptimize(area.text().data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_RtfDocument(benchmark::State& state) {
    ComposingArea area;
    BuildPrintReport(area, values(static_cast<std::size_t>(state.range(0))));
    const platform::FormattedDocument doc = area.document();
    for (auto _ : state) {
        std::string rtf = rtfDocument(doc);
        benchmark::DoNotOptimize(rtf.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_GetReportText(benchmark::State& state) {
    const ReportValues v = values(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string text = GetReportText(v);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_BuildPrintReport)->RangeMultiplier(32)->Range(1 << 10, 1 << 20);
BENCHMARK(BM_RtfDocument)->RangeMultiplier(32)->Range(1 << 10, 1 << 20);
BENCHMARK(BM_GetReportText)->RangeMultiplier(32)->Range(1 << 10, 1 << 20);

BENCHMARK_MAIN();

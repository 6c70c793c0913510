// Windows on the Qt desktop: the heap after many messages, and very long texts on both desktops,
// a whole message whose prompt is one long word or many short lines, and an error dialog whose
// details are. Each run builds the window, fills it,
// shows it, paints every control once and answers it with a click; the time should grow with the
// text's length, never with its square.
#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsError.h>
#include <qvMsgErr/clsMesgBox.h>
#include <qvMsgErr/headless.h>
#include <qvMsgErr/qt.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>
#include <string>

using namespace qvMsgErr;

namespace {

enum Desktop : int64_t { Headless, QtDesktop };
enum Shape : int64_t { Word, Lines };

/// `size` bytes of text: one word without a space, or lines of seven letters.
std::string longText(int64_t size, int64_t shape) {
    if (shape == Word) {
        return std::string(static_cast<std::size_t>(size), 'w');
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(size));
    while (text.size() + 9 <= static_cast<std::size_t>(size)) {
        text += "a line\r\n";
    }
    return text;
}

/// Clicks the button `name` (`index` of an array) of the next modal window once Qt shows it,
/// after painting the window whole (what a user would see first).
void clickWhenShown(const char* name, int16_t index) {
    QTimer::singleShot(0, [name, index] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            clickWhenShown(name, index);
            return;
        }
        benchmark::DoNotOptimize(modal->grab());
        const QString objectName =
            index < 0 ? QString(name) : QString("%1(%2)").arg(name).arg(index);
        modal->findChild<QPushButton*>(objectName)->click();
    });
}

/// The desktop the benchmark runs on, installed for the calling thread while it lives.
class OnDesktop {
public:
    OnDesktop(int64_t which, const char* button, int16_t index = -1)
        : qt_(which == QtDesktop), button_(button), index_(index) {
        if (qt_) {
            setThreadDesktop(qt::makeDesktop());
        } else {
            auto headless = std::make_shared<headless::HeadlessDesktop>();
            headless->onModal(
                [this](headless::ScriptedUser& user) { user.click(button_, index_); });
            headless_ = headless;
            setThreadDesktop(headless);
        }
    }
    ~OnDesktop() { setThreadDesktop(nullptr); }
    OnDesktop(const OnDesktop&) = delete;
    OnDesktop& operator=(const OnDesktop&) = delete;

    void answerNext() {
        if (qt_) {
            clickWhenShown(button_, index_);
        } else {
            headless_->clearSideEffects();
        }
    }

private:
    bool qt_;
    const char* button_;
    int16_t index_;
    std::shared_ptr<headless::HeadlessDesktop> headless_;
};

void BM_LongPrompt(benchmark::State& state) {
    const std::string prompt = longText(state.range(1), state.range(2));
    OnDesktop desktop(state.range(0), "cmdButton", 1);
    clsMesgBox box;
    for (auto _ : state) {
        box.MsgBoxType(Tessary2003);
        box.DescYes(prompt);
        box.CmdDescriptions(true);
        desktop.answerNext();
        benchmark::DoNotOptimize(box.msgBox(prompt, 3 | 32, "Ledger"));
    }
    state.SetBytesProcessed(state.iterations() * state.range(1) * 2);
}

void BM_LongDetails(benchmark::State& state) {
    const std::string details = longText(state.range(1), state.range(2));
    OnDesktop desktop(state.range(0), "cmdClose");
    clsError error;
    for (auto _ : state) {
        desktop.answerNext();
        benchmark::DoNotOptimize(error.Show(true, "The ledger is locked.", 70, details));
    }
    state.SetBytesProcessed(state.iterations() * state.range(1));
}

/// The heap a process keeps after showing 1,500 2003-style messages on Qt (after 50 to warm
/// up): windows come and go, so it should not grow.
void BM_HeapAfterManyWindows(benchmark::State& state) {
    OnDesktop desktop(QtDesktop, "cmdButton", 0);
    clsMesgBox box;
    const auto ask = [&] {
        box.MsgBoxType(static_cast<QVMsgBoxType>(state.range(0)));
        box.CmdDescriptions(true);
        box.DescYes("Saves the ledger");
        desktop.answerNext();
        benchmark::DoNotOptimize(box.msgBox("Save the ledger?", 3 | 32, "Ledger"));
    };
    for (auto _ : state) {
        for (int i = 0; i < 50; ++i) {
            ask();
        }
        const std::size_t before = mallinfo2().uordblks;
        for (int i = 0; i < 1500; ++i) {
            ask();
        }
        state.counters["heap_growth_MB"] =
            (static_cast<double>(mallinfo2().uordblks) - static_cast<double>(before)) / 1e6;
    }
}
BENCHMARK(BM_HeapAfterManyWindows)
    ->Arg(Tessary2003)
    ->ArgName("style")
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

void sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"qt", "bytes", "lines"});
    for (const int64_t desktop : {Headless, QtDesktop}) {
        for (const int64_t shape : {Word, Lines}) {
            for (const int64_t size : {16 << 10, 128 << 10, 1 << 20}) {
                b->Args({desktop, size, shape});
            }
        }
    }
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_LongPrompt)->Apply(sizes);
BENCHMARK(BM_LongDetails)->Apply(sizes);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen"); // measured without a display, as in the tests
    }
    const qt::Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The headless desktop: virtual clock and timers, modal display, the record of side effects,
// system message boxes, date and time texts.
#include "platform/test_form.h"

#include "scratch.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace qvMsgErr::testform {
namespace {

using headless::EffectKind;
using headless::HeadlessDesktop;
using headless::ScriptedUser;
using platform::ControlKind;
using platform::EventKind;
using Strings = std::vector<std::string>;

/// A window `form` with enabled timers of the given names and intervals (ms), and one button.
platform::FormDesign timers(const char* form, std::vector<std::pair<const char*, int32_t>> list) {
    platform::FormDesign d;
    d.name = form;
    for (const auto& [name, interval] : list) {
        auto& timer = d.controls.emplace_back();
        timer.kind = ControlKind::Timer;
        timer.name = name;
        timer.interval = interval;
    }
    auto& button = d.controls.emplace_back();
    button.kind = ControlKind::CommandButton;
    button.name = "cmdGo";
    button.tabIndex = 0;
    return d;
}

/// Logs the events of window `form` ("form:Click(cmdGo)"), or only its timer ticks
/// ("form.tmrA"), then runs `then` on each.
EventFunction logger(Strings& log, std::string form, bool ticksOnly,
                     std::function<void(platform::Event&)> then = {}) {
    return EventFunction([&log, form, ticksOnly, then](platform::Event& e) {
        if (!ticksOnly) {
            log.push_back(form + ":" + testing::PrintToString(RecordedEvent{e.kind, e.control}));
        } else if (e.kind == EventKind::Timer) {
            log.push_back(form + "." + e.control);
        }
        if (then) {
            then(e);
        }
    });
}

/// A side effect as text: its kind and the fields it sets.
std::string describe(const headless::SideEffect& e) {
    static const char* const kinds[] = {
        "ModalShown",       "ModelessShown", "Hidden",     "Unloaded",  "CloseRequest",  "Beep",
        "SystemMessageBox", "Topmost",       "Help",       "ShellOpen", "PrinterDialog", "Print",
        "SaveDialog",       "Save",          "DrawPicture"};
    std::string out = kinds[static_cast<int>(e.kind)];
    const auto number = [](int32_t n) { return n != 0 ? std::to_string(n) : std::string(); };
    const char* const names[] = {"window", "prompt", "title",   "help",  "text",
                                 "bytes",  "flags",  "context", "number"};
    const std::string values[] = {e.window,        e.prompt, e.title,         e.helpFile,
                                  e.text,          e.bytes,  number(e.flags), number(e.context),
                                  number(e.number)};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        out += values[i].empty() ? "" : std::string(" ") + names[i] + "=" + values[i];
    }
    out += e.flag ? " flag" : "";
    for (const auto& run : e.document) {
        out += " run=" + run.text;
    }
    return out;
}

Strings described(const std::vector<headless::SideEffect>& effects) {
    Strings out;
    for (const auto& e : effects) {
        out.push_back(describe(e));
    }
    return out;
}

TEST(HeadlessTimers, FireInOrderOfTimeThenOfWindowUntilUnloaded) {
    HeadlessDesktop desktop;
    Strings log;
    auto first = desktop.createWindow(timers("one", {{"tmrA", 300}, {"tmrB", 500}}));
    auto second = desktop.createWindow(timers("two", {{"tmrC", 1000}, {"tmrD", 0}}));
    bool unloadOnTick = false;
    auto a = logger(log, "one", true, [&](platform::Event&) {
        if (unloadOnTick) {
            first->unload();
        }
    });
    auto b = logger(log, "two", true);
    first->setHandler(&a);
    second->setHandler(&b);
    first->showModeless();
    second->showModeless();
    desktop.advanceSeconds(1);
    EXPECT_EQ(log,
              (Strings{"one.tmrA", "one.tmrB", "one.tmrA", "one.tmrA", "one.tmrB", "two.tmrC"}));
    log.clear();
    desktop.advanceSeconds(0);
    EXPECT_TRUE(log.empty());
    desktop.advanceSeconds(1); // 1200 A, 1500 A B, 1800 A, 2000 B C
    EXPECT_EQ(log,
              (Strings{"one.tmrA", "one.tmrA", "one.tmrB", "one.tmrA", "one.tmrB", "two.tmrC"}));
    log.clear();
    unloadOnTick = true; // at 2100: none of its later ticks come, the other window goes on
    desktop.advanceSeconds(1);
    EXPECT_EQ(log, (Strings{"one.tmrA", "two.tmrC"}));
    expectRunTimeError(5, "a clock running backwards", [&] { desktop.advanceSeconds(-1); });
}

TEST(HeadlessTimers, OnlyShownWindowsTickAndEachStartBeginsAfresh) {
    HeadlessDesktop desktop;
    Strings log;
    auto window = desktop.createWindow(timers("one", {{"tmrA", 1500}}));
    auto a = logger(log, "one", true);
    window->setHandler(&a);
    desktop.advanceSeconds(2);
    EXPECT_TRUE(log.empty()) << "not shown yet";

    window->showModeless();
    desktop.advanceSeconds(1);
    auto& timer = window->control("tmrA");
    timer.setInterval(1500); // starts afresh: due 1.5 s from now, not 0.5 s
    desktop.advanceSeconds(1);
    EXPECT_TRUE(log.empty());
    desktop.advanceSeconds(1);
    EXPECT_EQ(log.size(), 1u);
    window->hide();
    desktop.advanceSeconds(2);
    EXPECT_EQ(log.size(), 1u) << "hidden";
    window->showModeless(); // starts afresh: due 1.5 s from now
    desktop.advanceSeconds(1);
    EXPECT_EQ(log.size(), 1u);
    desktop.advanceSeconds(1);
    EXPECT_EQ(log.size(), 2u);
    expectRunTimeError(380, "a negative interval", [&] { timer.setInterval(-1); });
}

TEST(HeadlessTimers, ATickThatHidesEndsTheModalDisplay) {
    HeadlessDesktop desktop;
    Strings log;
    auto window = desktop.createWindow(timers("countdown", {{"tmrDown", 1000}}));
    auto handler = logger(log, "countdown", true, [&](platform::Event&) {
        if (log.size() == 3) {
            window->hide();
        }
    });
    window->setHandler(&handler);
    bool shownAfter = true;
    desktop.onModal([&](ScriptedUser& user) {
        user.advanceSeconds(10);
        shownAfter = user.shown();
        expectRunTimeError(5, "a click after the window hid", [&] { user.click("cmdGo"); });
    });
    window->showModal();
    EXPECT_FALSE(shownAfter);
    EXPECT_EQ(log.size(), 3u);
    EXPECT_TRUE(desktop.sideEffects(EffectKind::CloseRequest).empty());
}

TEST(HeadlessModal, NestedWindowsRunTheScriptAgain) {
    HeadlessDesktop desktop;
    Strings log;
    auto outer = desktop.createWindow(timers("outer", {}));
    auto inner = desktop.createWindow(timers("inner", {}));
    auto outerLog = logger(log, "outer", false, [&](platform::Event& e) {
        if (e.kind == EventKind::Click) {
            inner->showModal();
            log.push_back("inner returned");
        }
    });
    auto innerLog = logger(log, "inner", false, [&](platform::Event& e) {
        if (e.kind == EventKind::Click) {
            inner->hide();
        }
    });
    outer->setHandler(&outerLog);
    inner->setHandler(&innerLog);
    Strings scripts;
    desktop.onModal([&](ScriptedUser& user) {
        scripts.push_back(user.windowName());
        user.click("cmdGo");
        if (user.windowName() == "outer") {
            log.push_back("outer script goes on");
            expectRunTimeError(401, "modeless under a modal one", [&] { inner->showModeless(); });
        }
    });
    outer->showModal();

    EXPECT_EQ(scripts, (Strings{"outer", "inner"}));
    // The click finds the focus on cmdGo already: no second GotFocus. The outer window takes the
    // activation back when the inner one ends its display, and is uncovered.
    EXPECT_EQ(log, (Strings{"outer:Activate(window)", "outer:GotFocus(cmdGo)",
                            "outer:Paint(window)", "outer:Click(cmdGo)", "inner:Activate(window)",
                            "inner:GotFocus(cmdGo)", "inner:Paint(window)", "inner:Click(cmdGo)",
                            "outer:Activate(window)", "outer:Paint(window)", "inner returned",
                            "outer script goes on", "outer:Close(window)"}));
    EXPECT_EQ(described(desktop.sideEffects()),
              (Strings{"ModalShown window=outer", "ModalShown window=inner", "Hidden window=inner",
                       "CloseRequest window=outer", "Hidden window=outer"}));
}

TEST(HeadlessModal, WithoutAScriptARefusedCloseStillEndsTheDisplay) {
    HeadlessDesktop desktop;
    Strings log;
    auto window = desktop.createWindow(timers("plain", {}));
    auto handler = logger(log, "plain", false, [](platform::Event& e) { e.cancel = true; });
    window->setHandler(&handler);
    window->showModal();
    EXPECT_FALSE(window->isVisible()) << "a refused close must not hang a test";
    EXPECT_EQ(described(desktop.sideEffects()),
              (Strings{"ModalShown window=plain", "CloseRequest window=plain number=1",
                       "Hidden window=plain"}));
    EXPECT_EQ(log.back(), "plain:Close(window)");
}

TEST(HeadlessModal, ScriptErrorsComeOutHandlerErrorsAreDropped) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(timers("plain", {}));
    desktop.onModal([](ScriptedUser& user) { user.click("cmdMissing"); });
    expectRunTimeError(438, "the script's error", [&] { window->showModal(); });
    EXPECT_FALSE(window->isVisible());
    desktop.onModal([](ScriptedUser&) { throw std::out_of_range("script bug"); });
    expectRunTimeError(9, "a foreign error, converted", [&] { window->showModal(); });

    int calls = 0;
    EventFunction throwing([&](platform::Event&) {
        ++calls;
        throw RunTimeError(13);
    });
    window->setHandler(&throwing);
    desktop.onModal([](ScriptedUser& user) {
        user.click("cmdGo");
        user.keyDown('X');
        user.window().hide();
    });
    EXPECT_NO_THROW(window->showModal());
    EXPECT_GE(calls, 5);
}

TEST(HeadlessRecord, SideEffectsInOrder) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(timers("frmRecord", {}));
    desktop.onSystemMessageBox(
        [](const headless::SystemMessageBoxCall& call) { return call.prompt == "Sure?" ? 7 : 1; });
    desktop.onPrinterDialog([](int32_t) { return platform::PrinterChoice{false, "Office"}; });
    desktop.onSaveDialog([](const platform::SaveDialogSettings&) {
        return platform::SaveDialogResult{false, "/nonexistent/r.rtf", false};
    });
    qvtest::ScratchDir dir;
    const std::string saved = dir.file("report.txt"), bytes("Line\r\n\0binary\xff", 14);

    desktop.beep(platform::BeepExclamation);
    EXPECT_EQ(desktop.systemMessageBox("Sure?", 0x24, "Confirm", "help.chm", 12), 7);
    EXPECT_TRUE(desktop.setTopmost(window->handle(), true));
    EXPECT_FALSE(desktop.setTopmost(99, true));
    desktop.showHelp("help.chm", 1, 1234);
    desktop.shellOpen("mailto:a@b?subject= x &body=y | z\r\n");
    const auto printer = desktop.choosePrinter(0x108);
    desktop.printDocument(printer, {platform::TextRun{"Error Report"}});
    platform::SaveDialogSettings settings;
    settings.title = "Save as";
    settings.flags = 0xA06;
    const auto saveAs = desktop.chooseSaveFile(settings);
    expectRunTimeError(75, "no such dir", [&] { desktop.saveFile(saveAs.path, "{\\rtf1}"); });
    desktop.saveFile(saved, bytes);
    EXPECT_EQ(qvtest::readFile(saved), bytes);
    desktop.setPrinterFails(true);
    expectRunTimeError(482, "a failing printer", [&] { desktop.printDocument(printer, {}); });

    const Strings expected = {
        "Beep number=48",
        "SystemMessageBox prompt=Sure? title=Confirm help=help.chm flags=36 context=12 number=7",
        "Topmost window=frmRecord flag",
        "Help help=help.chm context=1234 number=1",
        "ShellOpen text=mailto:a@b?subject= x &body=y | z\r\n",
        "PrinterDialog text=Office flags=264",
        "Print text=Office run=Error Report",
        "SaveDialog title=Save as text=/nonexistent/r.rtf flags=2566",
        "Save text=/nonexistent/r.rtf bytes={\\rtf1} flag",
        "Save text=" + saved + " bytes=" + bytes,
        "Print text=Office flag"};
    EXPECT_EQ(described(desktop.sideEffects()), expected);
    desktop.clearSideEffects();
    EXPECT_TRUE(desktop.sideEffects().empty());

    // Without an answer the dialogs are cancelled.
    EXPECT_TRUE(HeadlessDesktop().choosePrinter(0).cancelled);
    EXPECT_TRUE(HeadlessDesktop().chooseSaveFile({}).cancelled);
}

TEST(HeadlessSystemMessageBox, AnswersTheDefaultButtonOfTheSet) {
    // The answer for default-button bits 0, 0x100, 0x200, 0x300 of each button set: a default
    // beyond the set's buttons is its first.
    const int32_t answers[8][4] = {
        {1, 1, 1, 1}, // OK
        {1, 2, 1, 1}, // OK Cancel
        {3, 4, 5, 3}, // Abort Retry Ignore
        {6, 7, 2, 6}, // Yes No Cancel
        {6, 7, 6, 6}, // Yes No
        {4, 2, 4, 4}, // Retry Cancel
        {1, 1, 1, 1}, // sets 6 and 7
        {1, 1, 1, 1},
    };
    for (int32_t set = 0; set < 8; ++set) {
        for (int32_t position = 0; position < 4; ++position) {
            // Icon, Help and other bits change nothing.
            for (int32_t other : {0, 0x4000 | 0x20, 0x40000 | 0x10}) {
                const int32_t flags = set | position << 8 | other;
                EXPECT_EQ(headless::defaultSystemAnswer(flags), answers[set][position]) << flags;
            }
        }
    }
    HeadlessDesktop desktop;
    EXPECT_EQ(desktop.systemMessageBox("p", 0x103, "t", "", 0), 7);
    EXPECT_EQ(desktop.sideEffects().at(0).number, 7);
}

TEST(HeadlessClock, TextsInTheLocaleForms) {
    const struct {
        int year, month, day, hour, minute, second; ///< month from 1
        const char *general, *longDate, *shortTime;
    } cases[] = {
        {2024, 2, 29, 12, 0, 0, "2/29/2024 12:00:00 PM", "Thursday, February 29, 2024", "12:00"},
        {2000, 3, 1, 23, 59, 59, "3/1/2000 11:59:59 PM", "Wednesday, March 1, 2000", "23:59"},
        {1969, 12, 31, 13, 5, 0, "12/31/1969 1:05:00 PM", "Wednesday, December 31, 1969", "13:05"},
        // fields out of range carry over
        {2025, 13, 1, 0, 0, 0, "1/1/2026 12:00:00 AM", "Thursday, January 1, 2026", "00:00"},
        {2025, 3, 0, 24, 0, 0, "3/1/2025 12:00:00 AM", "Saturday, March 1, 2025", "00:00"},
    };
    const auto texts = [](const HeadlessDesktop& d) {
        using F = platform::DateFormat;
        return Strings{d.dateTimeText(F::GeneralDate), d.dateTimeText(F::LongDate),
                       d.dateTimeText(F::ShortTime)};
    };
    for (const auto& c : cases) {
        HeadlessDesktop desktop;
        std::tm t{};
        t.tm_year = c.year - 1900;
        t.tm_mon = c.month - 1;
        t.tm_mday = c.day;
        t.tm_hour = c.hour;
        t.tm_min = c.minute;
        t.tm_sec = c.second;
        desktop.setClock(t);
        EXPECT_EQ(texts(desktop), (Strings{c.general, c.longDate, c.shortTime}));
    }
    // The clock starts at its fixed time and advances.
    HeadlessDesktop desktop;
    desktop.advanceSeconds(21 * 3600);
    EXPECT_EQ(texts(desktop),
              (Strings{"1/3/2026 12:04:05 AM", "Saturday, January 3, 2026", "00:04"}));
}

TEST(HeadlessEnvironment, Defaults) {
    HeadlessDesktop desktop;
    EXPECT_EQ(desktop.applicationTitle(), "Host Application");
    EXPECT_TRUE(std::filesystem::path(desktop.componentDirectory()).is_absolute());
    EXPECT_EQ(desktop.currentDirectory(), std::filesystem::current_path().string());
}

TEST(HeadlessEnvironment, WindowsOutliveTheirDesktopSafely) {
    auto desktop = std::make_unique<HeadlessDesktop>();
    auto window = desktop->createWindow(timers("orphan", {}));
    desktop.reset();
    window->setCaption("still readable");
    EXPECT_EQ(window->caption(), "still readable");
    expectRunTimeError(91, "showing without a desktop", [&] { window->showModal(); });
}

} // namespace
} // namespace qvMsgErr::testform

// The headless desktop: virtual clock and timers, modal display, the record of side effects,
// system message boxes, date and time texts, saved files.
#include "platform/test_form.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

namespace qvMsgErr::testform {
namespace {

using headless::EffectKind;
using headless::HeadlessDesktop;
using headless::ScriptedUser;
using platform::ControlDesign;
using platform::ControlKind;
using platform::EventKind;

/// A window with timers `names` of `intervals` ms, all enabled, and one button.
platform::FormDesign timers(const char* form, std::vector<std::pair<const char*, int32_t>> list) {
    platform::FormDesign d;
    d.name = form;
    d.clientWidth = 2000;
    d.clientHeight = 1000;
    for (const auto& [name, interval] : list) {
        ControlDesign t;
        t.kind = ControlKind::Timer;
        t.name = name;
        t.interval = interval;
        d.controls.push_back(t);
    }
    ControlDesign button;
    button.kind = ControlKind::CommandButton;
    button.name = "cmdGo";
    button.width = 1000;
    button.height = 390;
    button.tabIndex = 0;
    d.controls.push_back(button);
    return d;
}

/// Records "form.timer" for every tick and runs an optional action on it.
struct TickLog : platform::FormHandler {
    std::string form;
    std::vector<std::string>& log;
    std::function<void(const platform::Event&)> onTick;
    TickLog(std::string f, std::vector<std::string>& l) : form(std::move(f)), log(l) {}
    void onEvent(platform::Event& e) override {
        if (e.kind == EventKind::Timer) {
            log.push_back(form + "." + e.control);
            if (onTick) {
                onTick(e);
            }
        }
    }
};

TEST(HeadlessTimers, FireInOrderOfTimeThenOfWindow) {
    HeadlessDesktop desktop;
    std::vector<std::string> log;
    auto first = desktop.createWindow(timers("one", {{"tmrA", 300}, {"tmrB", 500}}));
    auto second = desktop.createWindow(timers("two", {{"tmrC", 1000}, {"tmrD", 0}}));
    TickLog a("one", log), b("two", log);
    first->setHandler(&a);
    second->setHandler(&b);
    first->showModeless();
    second->showModeless();
    desktop.advanceSeconds(1);
    EXPECT_EQ(log, (std::vector<std::string>{"one.tmrA", "one.tmrB", "one.tmrA", "one.tmrA",
                                             "one.tmrB", "two.tmrC"}));
    log.clear();
    desktop.advanceSeconds(0);
    EXPECT_TRUE(log.empty());
    desktop.advanceSeconds(1); // 1200 A, 1500 A B, 1800 A, 2000 B C
    EXPECT_EQ(log, (std::vector<std::string>{"one.tmrA", "one.tmrA", "one.tmrB", "one.tmrA",
                                             "one.tmrB", "two.tmrC"}));
    expectRunTimeError(
        5, [&] { desktop.advanceSeconds(-1); }, "a clock running backwards");
}

TEST(HeadlessTimers, AHandlerMayUnloadItsWindow) {
    HeadlessDesktop desktop;
    std::vector<std::string> log;
    auto first = desktop.createWindow(timers("one", {{"tmrA", 250}}));
    auto second = desktop.createWindow(timers("two", {{"tmrB", 400}}));
    TickLog a("one", log), b("two", log);
    int ticks = 0;
    a.onTick = [&](const platform::Event&) {
        if (++ticks == 2) {
            first->unload();
        }
    };
    first->setHandler(&a);
    second->setHandler(&b);
    first->showModeless();
    second->showModeless();
    desktop.advanceSeconds(1);
    EXPECT_EQ(log, (std::vector<std::string>{"one.tmrA", "two.tmrB", "one.tmrA", "two.tmrB"}));
}

TEST(HeadlessTimers, OnlyShownWindowsTickAndEachStartBeginsAfresh) {
    HeadlessDesktop desktop;
    std::vector<std::string> log;
    auto window = desktop.createWindow(timers("one", {{"tmrA", 1500}}));
    TickLog a("one", log);
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

    timer.setEnabled(false);
    desktop.advanceSeconds(3);
    EXPECT_EQ(log.size(), 1u) << "disabled";
    timer.setEnabled(true);
    window->hide();
    desktop.advanceSeconds(2);
    EXPECT_EQ(log.size(), 1u) << "hidden";
    window->showModeless(); // starts afresh: due 1.5 s from now
    desktop.advanceSeconds(1);
    EXPECT_EQ(log.size(), 1u);
    desktop.advanceSeconds(1);
    EXPECT_EQ(log.size(), 2u);
    expectRunTimeError(
        380, [&] { timer.setInterval(-1); }, "a negative interval");
}

TEST(HeadlessTimers, ATickThatHidesEndsTheModalDisplay) {
    HeadlessDesktop desktop;
    std::vector<std::string> log;
    auto window = desktop.createWindow(timers("countdown", {{"tmrDown", 1000}}));
    TickLog handler("countdown", log);
    handler.onTick = [&](const platform::Event&) {
        if (log.size() == 3) {
            window->hide();
        }
    };
    window->setHandler(&handler);
    bool shownAfter = true;
    desktop.onModal([&](ScriptedUser& user) {
        user.advanceSeconds(10);
        shownAfter = user.shown();
        expectRunTimeError(
            5, [&] { user.click("cmdGo"); }, "a click after the window hid");
    });
    window->showModal();
    EXPECT_FALSE(shownAfter);
    EXPECT_EQ(log.size(), 3u);
    EXPECT_TRUE(desktop.sideEffects(EffectKind::CloseRequest).empty());
}

/// Logs every event as "form:Kind control" and runs the action given for a control's Click.
struct EventLog : platform::FormHandler {
    std::string form;
    std::vector<std::string>& log;
    std::map<std::string, std::function<void()>> onClick;
    bool refuseClose = false;
    EventLog(std::string f, std::vector<std::string>& l) : form(std::move(f)), log(l) {}
    void onEvent(platform::Event& e) override {
        static const char* names[] = {"Click", "GotFocus", "KeyDown", "MouseMove",
                                      "Paint", "Activate", "Timer",   "Close"};
        log.push_back(form + ":" + names[static_cast<int>(e.kind)] +
                      (e.control.empty() ? "" : " " + e.control));
        if (e.kind == EventKind::Close) {
            e.cancel = refuseClose;
        }
        if (e.kind == EventKind::Click && onClick.count(e.control) != 0) {
            onClick[e.control]();
        }
    }
};

TEST(HeadlessModal, NestedWindowsRunTheScriptAgain) {
    HeadlessDesktop desktop;
    std::vector<std::string> log;
    auto outer = desktop.createWindow(timers("outer", {}));
    auto inner = desktop.createWindow(timers("inner", {}));
    EventLog outerLog("outer", log), innerLog("inner", log);
    outer->setHandler(&outerLog);
    inner->setHandler(&innerLog);
    outerLog.onClick["cmdGo"] = [&] {
        inner->showModal();
        log.push_back("inner returned");
    };
    innerLog.onClick["cmdGo"] = [&] { inner->hide(); };
    std::vector<std::string> scripts;
    desktop.onModal([&](ScriptedUser& user) {
        scripts.push_back(user.windowName());
        if (user.windowName() == "outer") {
            user.click("cmdGo");
            log.push_back("outer script goes on");
            expectRunTimeError(
                401, [&] { inner->showModeless(); }, "modeless under a modal one");
            expectRunTimeError(
                400, [&] { outer->showModal(); }, "shown twice");
        } else {
            user.click("cmdGo");
        }
    });
    outer->showModal();

    EXPECT_EQ(scripts, (std::vector<std::string>{"outer", "inner"}));
    // The click finds the focus on cmdGo already: no second GotFocus. The outer window takes the
    // activation back when the inner one ends its display, and is uncovered.
    const std::vector<std::string> expected = {
        "outer:Activate", "outer:GotFocus cmdGo", "outer:Paint",    "outer:Click cmdGo",
        "inner:Activate", "inner:GotFocus cmdGo", "inner:Paint",    "inner:Click cmdGo",
        "outer:Activate", "outer:Paint",          "inner returned", "outer script goes on",
        "outer:Close"};
    EXPECT_EQ(log, expected);

    std::vector<EffectKind> kinds;
    std::vector<std::string> windows;
    for (const auto& e : desktop.sideEffects()) {
        kinds.push_back(e.kind);
        windows.push_back(e.window);
    }
    EXPECT_EQ(kinds, (std::vector<EffectKind>{EffectKind::ModalShown, EffectKind::ModalShown,
                                              EffectKind::Hidden, EffectKind::CloseRequest,
                                              EffectKind::Hidden}));
    EXPECT_EQ(windows, (std::vector<std::string>{"outer", "inner", "inner", "outer", "outer"}));
}

TEST(HeadlessModal, WithoutAScriptTheWindowClosesAtOnce) {
    HeadlessDesktop desktop;
    std::vector<std::string> log;
    auto window = desktop.createWindow(timers("plain", {}));
    EventLog handler("plain", log);
    handler.refuseClose = true;
    window->setHandler(&handler);
    window->showModal();
    EXPECT_FALSE(window->isVisible()) << "a refused close must not hang a test";
    const auto closes = desktop.sideEffects(EffectKind::CloseRequest);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].number, 1) << "refused";
    EXPECT_EQ(desktop.sideEffects().back().kind, EffectKind::Hidden);
    EXPECT_EQ(log.back(), "plain:Close");
}

TEST(HeadlessModal, AScriptErrorEndsTheDisplayAndComesOut) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(timers("plain", {}));
    desktop.onModal([](ScriptedUser& user) { user.click("cmdMissing"); });
    expectRunTimeError(
        438, [&] { window->showModal(); }, "the script's error");
    EXPECT_FALSE(window->isVisible());
    desktop.onModal([](ScriptedUser&) { throw std::out_of_range("script bug"); });
    expectRunTimeError(
        9, [&] { window->showModal(); }, "a foreign error, converted");
}

TEST(HeadlessModal, HandlerErrorsAreDropped) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(timers("plain", {}));
    struct Throwing : platform::FormHandler {
        int calls = 0;
        void onEvent(platform::Event&) override {
            ++calls;
            throw RunTimeError(13);
        }
    } handler;
    window->setHandler(&handler);
    desktop.onModal([](ScriptedUser& user) {
        user.click("cmdGo");
        user.keyDown('X');
        user.window().hide();
    });
    EXPECT_NO_THROW(window->showModal());
    EXPECT_GE(handler.calls, 5);
}

TEST(HeadlessRecord, SideEffectsInOrder) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(timers("frmRecord", {}));
    desktop.onSystemMessageBox(
        [](const headless::SystemMessageBoxCall& call) { return call.prompt == "Sure?" ? 7 : 1; });
    desktop.onPrinterDialog([](int32_t) { return platform::PrinterChoice{false, "Office"}; });
    desktop.onSaveDialog([](const platform::SaveDialogSettings&) {
        return platform::SaveDialogResult{false, "/nonexistent-dir/report.rtf", false};
    });

    desktop.beep(platform::BeepExclamation);
    EXPECT_EQ(desktop.systemMessageBox("Sure?", 0x24, "Confirm", "help.chm", 12), 7);
    EXPECT_TRUE(desktop.setTopmost(window->handle(), true));
    EXPECT_FALSE(desktop.setTopmost(99, true));
    desktop.showHelp("help.chm", 1, 1234);
    desktop.shellOpen("mailto:a@b?subject= x &body=y | z\r\n");
    const auto printer = desktop.choosePrinter(0x108);
    desktop.printDocument(printer, {platform::TextRun{"Error Report"}});
    platform::SaveDialogSettings settings;
    settings.title = "Save error report as...";
    settings.flags = 0xA06;
    const auto saveAs = desktop.chooseSaveFile(settings);
    expectRunTimeError(
        75, [&] { desktop.saveFile(saveAs.path, "{\\rtf1}"); }, "no such dir");
    desktop.setPrinterFails(true);
    expectRunTimeError(
        482, [&] { desktop.printDocument(printer, {}); }, "a failing printer");

    const auto& e = desktop.sideEffects();
    std::vector<EffectKind> kinds;
    for (const auto& effect : e) {
        kinds.push_back(effect.kind);
    }
    ASSERT_EQ(kinds, (std::vector<EffectKind>{EffectKind::Beep, EffectKind::SystemMessageBox,
                                              EffectKind::Topmost, EffectKind::Help,
                                              EffectKind::ShellOpen, EffectKind::PrinterDialog,
                                              EffectKind::Print, EffectKind::SaveDialog,
                                              EffectKind::Save, EffectKind::Print}));
    EXPECT_EQ(e[0].number, 48);
    EXPECT_EQ(e[1].prompt, "Sure?");
    EXPECT_EQ(e[1].title, "Confirm");
    EXPECT_EQ(e[1].helpFile, "help.chm");
    EXPECT_EQ(e[1].flags, 0x24);
    EXPECT_EQ(e[1].context, 12);
    EXPECT_EQ(e[1].number, 7);
    EXPECT_EQ(e[2].window, "frmRecord");
    EXPECT_TRUE(e[2].flag);
    EXPECT_EQ(e[3].number, 1);
    EXPECT_EQ(e[3].context, 1234);
    EXPECT_EQ(e[4].text, "mailto:a@b?subject= x &body=y | z\r\n");
    EXPECT_EQ(e[5].flags, 0x108);
    EXPECT_FALSE(e[5].flag);
    EXPECT_EQ(e[5].text, "Office");
    EXPECT_EQ(e[6].text, "Office");
    ASSERT_EQ(e[6].document.size(), 1u);
    EXPECT_EQ(e[6].document[0].text, "Error Report");
    EXPECT_FALSE(e[6].flag);
    EXPECT_EQ(e[7].title, "Save error report as...");
    EXPECT_EQ(e[7].flags, 0xA06);
    EXPECT_EQ(e[7].text, "/nonexistent-dir/report.rtf");
    EXPECT_EQ(e[8].bytes, "{\\rtf1}");
    EXPECT_TRUE(e[8].flag) << "not written";
    EXPECT_TRUE(e[9].flag) << "the printer failed";

    EXPECT_EQ(desktop.sideEffects(EffectKind::Print).size(), 2u);
    desktop.clearSideEffects();
    EXPECT_TRUE(desktop.sideEffects().empty());
}

TEST(HeadlessRecord, DialogsWithoutAnAnswerAreCancelled) {
    HeadlessDesktop desktop;
    EXPECT_TRUE(desktop.choosePrinter(0).cancelled);
    EXPECT_TRUE(desktop.chooseSaveFile({}).cancelled);
    EXPECT_TRUE(desktop.sideEffects(EffectKind::PrinterDialog).at(0).flag);
    EXPECT_TRUE(desktop.sideEffects(EffectKind::SaveDialog).at(0).flag);
}

struct AnswerCase {
    int32_t flags;
    int32_t answer;
};

void PrintTo(const AnswerCase& c, std::ostream* out) {
    *out << "flags 0x" << std::hex << c.flags << std::dec << " -> " << c.answer;
}

class SystemMessageBoxDefault : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(SystemMessageBoxDefault, IsTheDefaultButtonOfTheSet) {
    const auto& c = GetParam();
    EXPECT_EQ(headless::defaultSystemAnswer(c.flags), c.answer);
    HeadlessDesktop desktop;
    EXPECT_EQ(desktop.systemMessageBox("p", c.flags, "t", "", 0), c.answer);
    EXPECT_EQ(desktop.sideEffects().at(0).number, c.answer);
}

INSTANTIATE_TEST_SUITE_P(ButtonSets, SystemMessageBoxDefault,
                         ::testing::Values(
                             // OK
                             AnswerCase{0x0, 1}, AnswerCase{0x100, 1}, AnswerCase{0x300, 1},
                             // OK Cancel
                             AnswerCase{0x1, 1}, AnswerCase{0x101, 2}, AnswerCase{0x201, 1},
                             // Abort Retry Ignore
                             AnswerCase{0x2, 3}, AnswerCase{0x102, 4}, AnswerCase{0x202, 5},
                             AnswerCase{0x302, 3},
                             // Yes No Cancel
                             AnswerCase{0x3, 6}, AnswerCase{0x103, 7}, AnswerCase{0x203, 2},
                             // Yes No
                             AnswerCase{0x4, 6}, AnswerCase{0x104, 7}, AnswerCase{0x204, 6},
                             // Retry Cancel
                             AnswerCase{0x5, 4}, AnswerCase{0x105, 2},
                             // sets 6 and 7
                             AnswerCase{0x6, 1}, AnswerCase{0x107, 1},
                             // icon, Help and other bits change nothing
                             AnswerCase{0x4000 | 0x20 | 0x103, 7},
                             AnswerCase{0x40000 | 0x10 | 0x4, 6}));

struct ClockCase {
    int year, month, day, hour, minute, second; ///< month from 1
    const char* general;
    const char* longDate;
    const char* shortTime;
};

void PrintTo(const ClockCase& c, std::ostream* out) {
    *out << c.general;
}

class ClockTexts : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockTexts, InTheLocaleForms) {
    const auto& c = GetParam();
    HeadlessDesktop desktop;
    std::tm t{};
    t.tm_year = c.year - 1900;
    t.tm_mon = c.month - 1;
    t.tm_mday = c.day;
    t.tm_hour = c.hour;
    t.tm_min = c.minute;
    t.tm_sec = c.second;
    desktop.setClock(t);
    EXPECT_EQ(desktop.dateTimeText(platform::DateFormat::GeneralDate), c.general);
    EXPECT_EQ(desktop.dateTimeText(platform::DateFormat::LongDate), c.longDate);
    EXPECT_EQ(desktop.dateTimeText(platform::DateFormat::ShortTime), c.shortTime);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, ClockTexts,
    ::testing::Values(ClockCase{2026, 1, 2, 3, 4, 5, "1/2/2026 3:04:05 AM",
                                "Friday, January 2, 2026", "03:04"},
                      ClockCase{2024, 2, 29, 12, 0, 0, "2/29/2024 12:00:00 PM",
                                "Thursday, February 29, 2024", "12:00"},
                      ClockCase{1999, 12, 31, 0, 0, 9, "12/31/1999 12:00:09 AM",
                                "Friday, December 31, 1999", "00:00"},
                      ClockCase{2000, 3, 1, 23, 59, 59, "3/1/2000 11:59:59 PM",
                                "Wednesday, March 1, 2000", "23:59"},
                      ClockCase{1969, 12, 31, 13, 5, 0, "12/31/1969 1:05:00 PM",
                                "Wednesday, December 31, 1969", "13:05"},
                      // fields out of range carry over
                      ClockCase{2025, 13, 1, 0, 0, 0, "1/1/2026 12:00:00 AM",
                                "Thursday, January 1, 2026", "00:00"},
                      ClockCase{2025, 3, 0, 24, 0, 0, "3/1/2025 12:00:00 AM",
                                "Saturday, March 1, 2025", "00:00"}));

TEST(HeadlessClock, StartsAtItsFixedTimeAndAdvances) {
    HeadlessDesktop desktop;
    EXPECT_EQ(desktop.dateTimeText(platform::DateFormat::GeneralDate), "1/2/2026 3:04:05 AM");
    desktop.advanceSeconds(21 * 3600);
    EXPECT_EQ(desktop.dateTimeText(platform::DateFormat::GeneralDate), "1/3/2026 12:04:05 AM");
    EXPECT_EQ(desktop.dateTimeText(platform::DateFormat::LongDate), "Saturday, January 3, 2026");
    EXPECT_EQ(desktop.dateTimeText(platform::DateFormat::ShortTime), "00:04");
}

TEST(HeadlessFiles, SaveWritesTheExactBytesAndReplaces) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("qvmsgerr-headless-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = (dir / "report.txt").string();
    HeadlessDesktop desktop;
    const std::string bytes("Line\r\n\0binary\xff", 14);
    {
        std::ofstream old(path);
        old << "an older and much longer content that must disappear";
    }
    desktop.saveFile(path, bytes);
    std::ifstream in(path, std::ios::binary);
    const std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(read, bytes);
    const auto saved = desktop.sideEffects(EffectKind::Save);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].text, path);
    EXPECT_EQ(saved[0].bytes, bytes);
    EXPECT_FALSE(saved[0].flag);

    // A directory and an empty name cannot be written either; both are recorded.
    expectRunTimeError(
        75, [&] { desktop.saveFile(dir.string(), "x"); }, "a directory");
    expectRunTimeError(
        75, [&] { desktop.saveFile("", "x"); }, "an empty name");
    EXPECT_EQ(desktop.sideEffects(EffectKind::Save).size(), 3u);
    std::filesystem::remove_all(dir);
}

TEST(HeadlessEnvironment, DefaultsAndSettings) {
    HeadlessDesktop desktop;
    EXPECT_EQ(desktop.name(), "headless");
    EXPECT_FLOAT_EQ(desktop.screenWidth(), 28800);
    EXPECT_FLOAT_EQ(desktop.screenHeight(), 16200);
    EXPECT_EQ(desktop.applicationTitle(), "Host Application");
    EXPECT_TRUE(std::filesystem::path(desktop.componentDirectory()).is_absolute());
    EXPECT_EQ(desktop.currentDirectory(), std::filesystem::current_path().string());
    desktop.setApplicationTitle("Payroll");
    desktop.setComponentDirectory("/opt/payroll/lib");
    desktop.setCurrentDirectory("/srv/work");
    EXPECT_EQ(desktop.applicationTitle(), "Payroll");
    EXPECT_EQ(desktop.componentDirectory(), "/opt/payroll/lib");
    EXPECT_EQ(desktop.currentDirectory(), "/srv/work");
    EXPECT_EQ(desktop.version().major, kVersionMajor);
}

TEST(HeadlessEnvironment, WindowsOutliveTheirDesktopSafely) {
    auto desktop = std::make_unique<HeadlessDesktop>();
    auto window = desktop->createWindow(timers("orphan", {}));
    desktop.reset();
    window->setCaption("still readable");
    EXPECT_EQ(window->caption(), "still readable");
    expectRunTimeError(
        91, [&] { window->showModal(); }, "showing without a desktop");
    window.reset();
}

} // namespace
} // namespace qvMsgErr::testform

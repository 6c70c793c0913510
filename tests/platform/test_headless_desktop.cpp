// The headless desktop: modal display, nested and failing, the answers of system message boxes,
// and windows that outlive their desktop.
#include "pinned_clock.h"
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

/// A window `form` with one button.
platform::FormDesign oneButton(const char* form) {
    platform::FormDesign d;
    d.name = form;
    auto& b = d.controls.emplace_back();
    std::tie(b.kind, b.name, b.tabIndex) = std::tuple(ControlKind::CommandButton, "cmdGo", 0);
    return d;
}

/// Logs the events of window `form` ("form:Click(cmdGo)"), then clicks on its button run `click`.
EventFunction logger(Strings& log, std::string form, std::function<void()> click) {
    return EventFunction([&log, form, click](platform::Event& e) {
        log.push_back(form + ":" + testing::PrintToString(RecordedEvent{e.kind, e.control}));
        if (e.kind == EventKind::Click) {
            click();
        }
    });
}

/// The side effects as text: each one's kind, window and number.
Strings described(const std::vector<headless::SideEffect>& effects) {
    static const char* const kinds[] = {"ModalShown", "ModelessShown", "Hidden", "Unloaded",
                                        "CloseRequest"};
    Strings out;
    for (const auto& e : effects) {
        out.push_back(std::string(kinds[static_cast<int>(e.kind)]) + " window=" + e.window +
                      (e.number != 0 ? " number=" + std::to_string(e.number) : ""));
    }
    return out;
}

TEST(HeadlessModal, NestedWindowsRunTheScriptAgain) {
    HeadlessDesktop desktop;
    Strings log;
    auto outer = desktop.createWindow(oneButton("outer"));
    auto inner = desktop.createWindow(oneButton("inner"));
    auto outerLog = logger(log, "outer", [&] {
        inner->showModal();
        log.push_back("inner returned");
    });
    auto innerLog = logger(log, "inner", [&] { inner->hide(); });
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

TEST(HeadlessModal, ErrorsAndRefusalsStillEndTheDisplay) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(oneButton("plain"));
    EventFunction refusing([](platform::Event& e) { e.cancel = true; });
    window->setHandler(&refusing);
    // No script: closed at once; a refused close must neither hang a test nor pass for an answer.
    expectRunTimeError(err::Unanswered, "a refused close", [&] { window->showModal(); });
    EXPECT_EQ(described(desktop.sideEffects()),
              (Strings{"ModalShown window=plain", "CloseRequest window=plain number=1",
                       "Hidden window=plain"}));

    // The script's errors come out of showModal; the handler's are dropped.
    desktop.onModal([](ScriptedUser& user) { user.click("cmdMissing"); });
    expectRunTimeError(438, "the script's error", [&] { window->showModal(); });
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

TEST(HeadlessSystemMessageBox, NobodyToAnswerTakesTheDefaultButtonOfTheSet) {
    // flags (the button set, the default button's position, perhaps an icon and Help), answer
    const std::pair<int32_t, int32_t> cases[] = {
        {6 | 0x100 | 0x4000 | 0x20, 10}, // Cancel, Try Again, Continue: the second
        {6, 2},                          // and the first
        {4 | 0x200, 6},                  // Yes No has no third button: the first
        {2 | 0x300 | 0x40000 | 0x10, 3}, // nor has Abort Retry Ignore a fourth
    };
    HeadlessDesktop desktop;
    for (const auto& [flags, answer] : cases) {
        EXPECT_EQ(desktop.systemMessageBox("Go on?", flags, "Title", "", 0), answer) << flags;
    }
}

TEST(HeadlessEnvironment, DefaultsAndWindowsThatOutliveTheirDesktop) {
    auto desktop = std::make_unique<HeadlessDesktop>();
    EXPECT_TRUE(std::filesystem::path(desktop->componentDirectory()).is_absolute());

    auto window = desktop->createWindow(oneButton("orphan"));
    desktop.reset();
    window->setCaption("still readable");
    EXPECT_EQ(window->caption(), "still readable");
    expectRunTimeError(91, "showing without a desktop", [&] { window->showModal(); });
}

} // namespace
} // namespace qvMsgErr::testform

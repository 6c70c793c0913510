// Windows and controls of the headless desktop: the shared test form, exact label metrics,
// containers and the keyboard's rules.
#include "platform/test_form.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <tuple>

namespace qvMsgErr::testform {
namespace {

using headless::EffectKind;
using headless::HeadlessDesktop;
using headless::ScriptedUser;
using platform::EventKind;
using platform::kAlt;
using platform::kShift;
using Events = std::vector<RecordedEvent>;
using namespace std::string_literals;

/// The shared script's user, played by the headless desktop's scripted user.
class HeadlessDriver final : public FormDriver {
public:
    explicit HeadlessDriver(ScriptedUser& user) : user_(user) {}
    void click(const std::string& name, int16_t index) override { user_.click(name, index); }
    void keyDown(int16_t keyCode, int16_t shift) override { user_.keyDown(keyCode, shift); }
    void mouseMove(const std::string& name, int16_t index) override {
        user_.mouseMove(name, index);
    }
    void tick(const std::string& name, bool ticked) override { user_.tick(name, ticked); }
    void close() override { user_.close(); }
    void advanceSeconds(int32_t seconds) override { user_.advanceSeconds(seconds); }
    void typeText(const std::string& name, const std::string& text) override {
        user_.type(name, text);
    }

private:
    ScriptedUser& user_;
};

/// A window of `design` on its own headless desktop, the test form's logic connected.
struct HeadlessForm {
    HeadlessDesktop desktop;
    std::unique_ptr<platform::Window> window;
    TestFormLogic logic;
    explicit HeadlessForm(const platform::FormDesign& design = testFormDesign())
        : window(desktop.createWindow(design)), logic(*window) {
        window->setHandler(&logic);
    }
    /// Runs `script` while the window is shown modally, hides it then; the events of the script.
    Events run(const std::function<void(ScriptedUser&)>& script) {
        Events events;
        desktop.onModal([&](ScriptedUser& user) {
            events = logic.eventsDuring([&] { script(user); });
            window->hide();
        });
        window->showModal();
        return events;
    }
};

TEST(HeadlessTestForm, SharedChecks) {
    HeadlessForm f;
    int scripts = 0;
    f.desktop.onModal([&](ScriptedUser& user) {
        ++scripts;
        HeadlessDriver driver(user);
        runSharedFormScript(user.window(), driver, f.logic);
    });
    f.window->showModal();
    EXPECT_EQ(scripts, 1);
    EXPECT_EQ(f.desktop.sideEffects(EffectKind::CloseRequest).size(), 2u)
        << "the script's own; none after it ended with the window hidden";

    HeadlessDesktop desktop;
    runSharedWindowChecks(desktop);
    EXPECT_EQ(desktop.sideEffects(EffectKind::Unloaded).size(), 1u);
}

TEST(HeadlessLabel, SizesToItsCaption) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    // One line per hard break (CR LF, CR or LF), 90 per code point (a broken UTF-8 sequence shows
    // as one U+FFFD each), 195 per line; word wrap keeps the width it is given and puts
    // floor(width / 90) characters on a line, breaking at the last space that fits.
    // Each row: the caption, whether the label wraps, its width and height.
    const std::tuple<const char*, bool, float, float> rows[] = {
        {"Hello\r\nWorld!", false, 540, 390},
        {"a\rbb\nccc", false, 270, 585},
        {"line\r\n", false, 360, 390},
        {"Gr\u00FC\u00DFe", false, 450, 195},
        {"a\xE2\x82z\xFF\xC3", false, 450, 195},
        {"  padded  ", false, 900, 195},
        {"Hello world", true, 450, 390},
        {"ab cde fg", true, 450, 585},
        {"abcdefghijkl", true, 450, 585},
        {"Hello", true, 400, 390},
        {"abc", true, 0, 585},
        {"one two\r\nthree", true, 900, 390},
        {"first\r\n\r\nthird", true, 900, 585},
    };
    const auto size = [](const platform::Control& c) { return std::pair(c.width(), c.height()); };
    for (const auto& [caption, wordWrap, width, height] : rows) {
        auto& label = window->control(wordWrap ? "lblWrapped" : "lblOneLine");
        label.setWidth(wordWrap ? width : 1);
        label.setCaption(caption);
        EXPECT_EQ(size(label), std::pair(width, height)) << caption;
    }

    auto& fixed = window->control("lblPanel");
    fixed.setCaption("A caption much longer than a label that does not size itself");
    EXPECT_EQ(size(fixed), std::pair(2700.0f, 195.0f));
    auto& label = window->control("lblOneLine");
    label.setCaption("Hello world");
    label.setWidth(450);
    label.setWordWrap(true);
    EXPECT_EQ(size(label), std::pair(450.0f, 390.0f)) << "turning word wrap on resizes";
}

TEST(HeadlessContainers, NestedChildrenFollowTheirContainers) {
    // The panel inside the frame, the shape inside the panel; the text box an array.
    auto design = testFormDesign();
    for (auto& c : design.controls) {
        if (c.name == "pnlBar" || c.name == "shpBox") {
            c.container = c.name == "pnlBar" ? "fraNotes" : "pnlBar";
            c.left = 30;
            c.top = 40;
        }
        c.index = c.name == "txtNotes" ? int16_t{0} : c.index;
    }
    HeadlessForm f(design);
    f.window->addElement("txtNotes", 1).setVisible(true);
    std::vector<std::tuple<std::string, float, float>> moves;
    EventFunction handler([&](platform::Event& e) {
        if (e.kind == EventKind::MouseMove) {
            moves.emplace_back(e.control, e.x, e.y);
        }
    });
    f.window->setHandler(&handler);
    f.run([&](ScriptedUser& user) {
        // The shape passes the mouse on in client coordinates: 120 + 30 + 30 + 1, 1560 + 40 + 40
        // + 2.
        user.mouseMove("shpBox", 0, 1, 2);
        f.window->control("fraNotes").setLeft(1120);
        user.mouseMove("shpBox", 0, 1, 2);
        user.mouseMove("cmdPanel", -1, 3, 4);

        auto& inner = f.window->control("cmdPanel");
        inner.setFocus();
        f.window->control("fraNotes").setVisible(false);
        EXPECT_FALSE(inner.hasFocus()) << "a hidden control loses the focus";
        expectRunTimeErrors(
            5, {{"focus two containers down", [&] { inner.setFocus(); }},
                {"click two containers down", [&] { user.click("cmdPanel"); }},
                {"an element copied into the frame", [&] { user.click("txtNotes", 1); }}});
        f.window->control("fraNotes").setVisible(true);
        f.window->control("pnlBar").setEnabled(false);
        expectRunTimeError(5, "click in a disabled panel", [&] { user.click("cmdPanel"); });
    });
    // The panel button reports its own coordinates.
    EXPECT_EQ(moves, (std::vector<std::tuple<std::string, float, float>>{
                         {"", 181, 1642}, {"", 1181, 1642}, {"cmdPanel", 3, 4}}));
}

TEST(HeadlessKeys, FollowTheWindowTheFocusedControlAndTheDesktop) {
    const struct {
        const char* rule;
        const char* focus; ///< control the user focuses before the key; nullptr: the first
        int16_t key, shift;
        const char* after; ///< the events after the key-down events, as printed
        std::function<void(platform::Window&)> arrange = {};
    } cases[] = {
        {"Enter stays in a multi-line text box", "txtNotes", 13, 0, ""},
        {"a hidden default button is not pressed", "chkOption", 13, 0, "",
         [](auto& w) { w.control("cmdAction", 0).setVisible(false); }},
        {"Escape without a usable cancel button does nothing", nullptr, 27, 0, "",
         [](auto& w) { w.control("cmdCancel").setEnabled(false); }},
        {"Space presses the focused button", nullptr, 32, 0, "Click(cmdAction[0])"},
        {"Space ticks the focused check box", "chkOption", 32, 0, "Click(chkOption)"},
        {"Tab moves on in tab order", nullptr, 9, 0, "GotFocus(chkOption)"},
        {"Tab skips what cannot take the focus", nullptr, 9, 0, "GotFocus(cmdCancel)",
         [](auto& w) { w.control("chkOption").setVisible(false); }},
        {"Shift+Tab goes back and wraps round", nullptr, 9, kShift, "GotFocus(cmdPanel)"},
        {"Alt+letter ticks its check box, in either case", nullptr, 'R', kAlt,
         "GotFocus(chkOption) Click(chkOption)",
         [](auto& w) { w.control("chkOption").setCaption("&remember this choice"); }},
        {"a disabled button's access key does nothing", nullptr, 'P', kAlt, "",
         [](auto& w) { w.control("cmdPanel").setEnabled(false); }},
    };
    for (const auto& c : cases) {
        HeadlessForm f;
        if (c.arrange) {
            c.arrange(*f.window);
        }
        Events events;
        f.run([&](ScriptedUser& user) {
            if (c.focus != nullptr) {
                user.focus(c.focus);
            }
            events = f.logic.eventsDuring([&] { user.keyDown(c.key, c.shift); });
        });
        ASSERT_FALSE(events.empty()) << c.rule;
        EXPECT_EQ(events.front(), (RecordedEvent{EventKind::KeyDown, "", -1, c.key, c.shift}))
            << c.rule;
        std::string after;
        for (const auto& e : events) {
            if (e.kind != EventKind::KeyDown) {
                after.append(after.empty() ? "" : " ").append(testing::PrintToString(e));
            }
        }
        EXPECT_EQ(after, c.after) << c.rule;
    }
}

TEST(HeadlessKeys, AWindowThatHidesOnTheKeyEndsItsJourney) {
    HeadlessForm f;
    Events seen;
    EventFunction handler([&](platform::Event& e) {
        seen.push_back({e.kind, e.control, e.index, e.keyCode});
        if (e.kind == EventKind::KeyDown) {
            f.window->hide();
        }
    });
    f.window->setHandler(&handler);
    f.run([](ScriptedUser& user) { user.keyDown(13); });
    EXPECT_EQ(seen.back(), (RecordedEvent{EventKind::KeyDown, "", -1, 13}))
        << "neither the button nor Enter followed";
}

} // namespace
} // namespace qvMsgErr::testform

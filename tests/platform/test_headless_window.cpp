// Windows and controls of the headless desktop: the shared test form, exact label metrics,
// containers and the keyboard's rules.
#include "platform/test_form.h"
#include "table.h"

#include "platform/contrast.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <map>
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
    const auto size = [](const platform::Control& c) { return std::pair(c.width(), c.height()); };
    for (const auto& row : qvtest::readTable("label-sizes.txt")) {
        const bool wordWrap = row.at(1) == "yes";
        const float width = std::stof(row.at(2));
        auto& label = window->control(wordWrap ? "lblWrapped" : "lblOneLine");
        label.setWidth(wordWrap ? width : 1);
        label.setCaption(row.at(0));
        EXPECT_EQ(size(label), std::pair(width, std::stof(row.at(3)))) << row.at(0);
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
    const std::map<std::string, int16_t> keys = {{"Enter", 13}, {"Escape", 27}, {"Space", 32},
                                                 {"Tab", 9},    {"R", 'R'},     {"P", 'P'}};
    const std::map<std::string, int16_t> shifts = {{"-", 0}, {"shift", kShift}, {"alt", kAlt}};
    using Window = platform::Window;
    const std::map<std::string, std::function<void(Window&)>> arrangements = {
        {"-", [](Window&) {}},
        {"default hidden", [](Window& w) { w.control("cmdAction", 0).setVisible(false); }},
        {"cancel disabled", [](Window& w) { w.control("cmdCancel").setEnabled(false); }},
        {"check box hidden", [](Window& w) { w.control("chkOption").setVisible(false); }},
        {"lower-case access key",
         [](Window& w) { w.control("chkOption").setCaption("&remember this choice"); }},
        {"panel button disabled", [](Window& w) { w.control("cmdPanel").setEnabled(false); }},
    };
    for (const auto& row : qvtest::readTable("keys.txt")) {
        const std::string& rule = row.at(0);
        const int16_t key = keys.at(row.at(2)), shift = shifts.at(row.at(3));
        HeadlessForm f;
        arrangements.at(row.at(4))(*f.window);
        Events events;
        f.run([&](ScriptedUser& user) {
            if (row.at(1) != "-") {
                user.focus(row.at(1));
            }
            events = f.logic.eventsDuring([&] { user.keyDown(key, shift); });
        });
        ASSERT_FALSE(events.empty()) << rule;
        EXPECT_EQ(events.front(), (RecordedEvent{EventKind::KeyDown, "", -1, key, shift})) << rule;
        std::string after;
        for (const auto& e : events) {
            if (e.kind != EventKind::KeyDown) {
                after.append(after.empty() ? "" : " ").append(testing::PrintToString(e));
            }
        }
        EXPECT_EQ(after.empty() ? "-" : after, row.at(5)) << rule;
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

TEST(Contrast, TextTakesTheFirstColourThatReadsElseBlackOrWhite) {
    for (const auto& row : qvtest::readTable("contrast.txt")) {
        const auto colour = [&](std::size_t i) {
            return static_cast<int32_t>(std::stoul(row.at(i), nullptr, 16));
        };
        SCOPED_TRACE(row.at(0) + " " + row.at(1) + " " + row.at(2));
        if (row.at(0) == "ratio") {
            EXPECT_NEAR(platform::contrast(colour(1), colour(2)), std::stod(row.at(3)), 0.001);
        } else if (row.at(0) == "readable") {
            EXPECT_EQ(platform::readableOn(colour(1), {colour(2)}), colour(3));
        } else if (row.at(0) == "faint") {
            EXPECT_EQ(platform::faintestReadable(colour(1), colour(2)), colour(3));
        } else {
            EXPECT_EQ(platform::inScheme(colour(1), {colour(2), colour(3)}), colour(4));
        }
    }
}

} // namespace
} // namespace qvMsgErr::testform

// Windows and controls of the headless desktop: exact metrics and the desktop's own rules.
#include "platform/test_form.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

namespace qvMsgErr::testform {
namespace {

using headless::EffectKind;
using headless::HeadlessDesktop;
using headless::ScriptedUser;
using platform::ControlDesign;
using platform::ControlKind;
using platform::EventKind;
using platform::kAlt;
using platform::kCtrl;
using platform::kShift;

platform::FormDesign withLabel(bool wordWrap, float width) {
    platform::FormDesign d;
    d.name = "frmLabel";
    d.clientWidth = 3000;
    d.clientHeight = 2000;
    ControlDesign label;
    label.kind = ControlKind::Label;
    label.name = "lblText";
    label.width = width;
    label.height = 195;
    label.autoSize = true;
    label.wordWrap = wordWrap;
    d.controls.push_back(label);
    return d;
}

struct LabelCase {
    const char* caption;
    bool wordWrap;
    float width; ///< before the caption change
    float expectedWidth, expectedHeight;
};

void PrintTo(const LabelCase& c, std::ostream* out) {
    *out << '"' << c.caption << "\" wrap " << c.wordWrap << " width " << c.width;
}

class LabelSizing : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabelSizing, TakesTheSizeOfItsCaption) {
    const auto& c = GetParam();
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(withLabel(c.wordWrap, c.width));
    auto& label = window->control("lblText");
    label.setCaption(c.caption);
    EXPECT_FLOAT_EQ(label.width(), c.expectedWidth);
    EXPECT_FLOAT_EQ(label.height(), c.expectedHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Metrics, LabelSizing,
    ::testing::Values(
        // one line per hard break, 90 per code point, 195 per line
        LabelCase{"", false, 45, 0, 195}, LabelCase{"Hello", false, 45, 450, 195},
        LabelCase{"Hello\r\nWorld!", false, 45, 540, 390},
        LabelCase{"a\rbb\nccc", false, 45, 270, 585}, LabelCase{"line\r\n", false, 45, 360, 390},
        LabelCase{"Gr\xC3\xBC\xC3\x9F"
                  "e",
                  false, 45, 450, 195},
        LabelCase{"  padded  ", false, 45, 900, 195},
        // word wrap keeps the width: floor(width / 90) characters per line
        LabelCase{"Hello", true, 450, 450, 195}, LabelCase{"Hello world", true, 450, 450, 390},
        LabelCase{"Hello  world", true, 450, 450, 390},
        LabelCase{"ab cd ef gh", true, 450, 450, 390},
        LabelCase{"aaaa bbbb cccc", true, 900, 900, 390},
        LabelCase{"abcdefghijkl", true, 450, 450, 585}, LabelCase{"Hello", true, 400, 400, 390},
        LabelCase{"abc", true, 0, 0, 585}, LabelCase{"one two\r\nthree", true, 900, 900, 390},
        LabelCase{"", true, 450, 450, 195}, LabelCase{"first\r\n\r\nthird", true, 900, 900, 585}));

TEST(HeadlessLabel, SizesOnlyWhenItSizesItself) {
    HeadlessDesktop desktop;
    auto design = withLabel(false, 500);
    design.controls[0].autoSize = false;
    auto window = desktop.createWindow(design);
    auto& label = window->control("lblText");
    label.setCaption("A caption much longer than the label");
    EXPECT_FLOAT_EQ(label.width(), 500);
    EXPECT_FLOAT_EQ(label.height(), 195);
}

TEST(HeadlessLabel, WordWrapChangeResizes) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(withLabel(false, 45));
    auto& label = window->control("lblText");
    label.setCaption("Hello world");
    EXPECT_FLOAT_EQ(label.width(), 990);
    label.setWidth(450);
    label.setWordWrap(true);
    EXPECT_FLOAT_EQ(label.width(), 450);
    EXPECT_FLOAT_EQ(label.height(), 390);
}

TEST(HeadlessWindow, OuterAndInnerSizes) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    EXPECT_FLOAT_EQ(window->width(), 6000 + headless::kBorderWidth);
    EXPECT_FLOAT_EQ(window->height(), 3900 + headless::kBorderHeight);
    EXPECT_FLOAT_EQ(window->scaleWidth(), 6000);
    EXPECT_FLOAT_EQ(window->scaleHeight(), 3900);

    struct {
        float outerWidth, outerHeight, innerWidth, innerHeight, readWidth, readHeight;
    } const cases[] = {
        {5000, 3000, 4880, 2535, 5000, 3000},
        {120, 465, 0, 0, 120, 465},
        {50, 100, 0, 0, 120, 465}, // smaller than the border: the client area is empty
    };
    for (const auto& c : cases) {
        window->setWidth(c.outerWidth);
        window->setHeight(c.outerHeight);
        EXPECT_FLOAT_EQ(window->scaleWidth(), c.innerWidth) << c.outerWidth;
        EXPECT_FLOAT_EQ(window->scaleHeight(), c.innerHeight) << c.outerHeight;
        EXPECT_FLOAT_EQ(window->width(), c.readWidth);
        EXPECT_FLOAT_EQ(window->height(), c.readHeight);
    }
}

TEST(HeadlessWindow, CentredAtFirstShowUnlessMoved) {
    HeadlessDesktop desktop;
    auto centred = desktop.createWindow(testFormDesign());
    centred->setHeight(4000); // the size at show time counts
    centred->showModeless();
    EXPECT_FLOAT_EQ(centred->left(), (28800 - 6120) / 2.0f);
    EXPECT_FLOAT_EQ(centred->top(), (16200 - 4000) / 2.0f);

    auto placed = desktop.createWindow(testFormDesign());
    placed->move(100, 200);
    placed->showModeless();
    EXPECT_FLOAT_EQ(placed->left(), 100);
    EXPECT_FLOAT_EQ(placed->top(), 200);
}

TEST(HeadlessWindow, HandlesCountFromOne) {
    HeadlessDesktop desktop;
    auto a = desktop.createWindow(testFormDesign());
    auto b = desktop.createWindow(testFormDesign());
    auto c = desktop.createWindow(withLabel(false, 0));
    EXPECT_EQ(a->handle(), 1);
    EXPECT_EQ(b->handle(), 2);
    EXPECT_EQ(c->handle(), 3);
}

/// A window with nested containers: fraOuter > pnlInner > cmdInner and shpInner.
platform::FormDesign nested() {
    platform::FormDesign d;
    d.name = "frmNested";
    d.clientWidth = 4000;
    d.clientHeight = 3000;
    auto add = [&](ControlKind kind, const char* name, const char* container, float left,
                   float top) -> ControlDesign& {
        ControlDesign c;
        c.kind = kind;
        c.name = name;
        c.container = container;
        c.left = left;
        c.top = top;
        c.width = 600;
        c.height = 300;
        d.controls.push_back(c);
        return d.controls.back();
    };
    add(ControlKind::Frame, "fraOuter", "", 100, 200);
    add(ControlKind::Panel, "pnlInner", "fraOuter", 30, 40);
    add(ControlKind::CommandButton, "cmdInner", "pnlInner", 5, 6).tabIndex = 0;
    add(ControlKind::Shape, "shpInner", "pnlInner", 7, 8);
    add(ControlKind::CommandButton, "cmdOutside", "", 2000, 2000).tabIndex = 1;
    return d;
}

TEST(HeadlessContainers, HideAndDisableTheirChildren) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(nested());
    TestFormLogic logic(*window);
    window->setHandler(&logic);
    desktop.onModal([&](ScriptedUser& user) {
        auto& outer = window->control("fraOuter");
        auto& inner = window->control("cmdInner");
        EXPECT_TRUE(inner.hasFocus()) << "first in tab order";
        outer.setVisible(false);
        EXPECT_TRUE(inner.visible()) << "the child keeps its own flag";
        EXPECT_FALSE(inner.hasFocus()) << "a hidden control loses the focus";
        expectRunTimeError(
            5, [&] { inner.setFocus(); }, "focus in a hidden frame");
        expectRunTimeError(
            5, [&] { user.click("cmdInner"); }, "click in a hidden frame");
        outer.setVisible(true);
        window->control("pnlInner").setEnabled(false);
        expectRunTimeError(
            5, [&] { inner.setFocus(); }, "focus in a disabled panel");
        expectRunTimeError(
            5, [&] { user.click("cmdInner"); }, "click in a disabled panel");
        window->control("pnlInner").setEnabled(true);
        inner.setFocus();
        EXPECT_TRUE(inner.hasFocus());
        window->hide();
    });
    window->showModal();
}

TEST(HeadlessContainers, ChildrenMoveWithThem) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(nested());
    std::vector<platform::Event> moves;
    struct Catch : platform::FormHandler {
        std::vector<platform::Event>& out;
        explicit Catch(std::vector<platform::Event>& o) : out(o) {}
        void onEvent(platform::Event& e) override {
            if (e.kind == EventKind::MouseMove) {
                out.push_back(e);
            }
        }
    } handler(moves);
    window->setHandler(&handler);
    desktop.onModal([&](ScriptedUser& user) {
        // The shape passes the mouse on in client coordinates: 100 + 30 + 7 + 1, 200 + 40 + 8 + 2.
        user.mouseMove("shpInner", -1, 1, 2);
        window->control("fraOuter").setLeft(1100);
        user.mouseMove("shpInner", -1, 1, 2);
        user.mouseMove("cmdInner", -1, 3, 4);
    });
    window->showModal();
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(moves[0].control, "");
    EXPECT_FLOAT_EQ(moves[0].x, 138);
    EXPECT_FLOAT_EQ(moves[0].y, 250);
    EXPECT_FLOAT_EQ(moves[1].x, 1138);
    EXPECT_EQ(moves[2].control, "cmdInner");
    EXPECT_FLOAT_EQ(moves[2].x, 3) << "a control's own coordinates";
}

TEST(HeadlessDesign, RejectsBrokenContainers) {
    HeadlessDesktop desktop;
    auto unknown = nested();
    unknown.controls[2].container = "pnlMissing";
    expectRunTimeError(
        5, [&] { desktop.createWindow(unknown); }, "unknown container");
    auto notAContainer = nested();
    notAContainer.controls[3].container = "cmdOutside";
    expectRunTimeError(
        5, [&] { desktop.createWindow(notAContainer); }, "a button as container");
    auto loop = nested();
    loop.controls[0].container = "pnlInner";
    expectRunTimeError(
        5, [&] { desktop.createWindow(loop); }, "containers in a loop");
    auto twice = nested();
    twice.controls.push_back(twice.controls[4]);
    expectRunTimeError(
        5, [&] { desktop.createWindow(twice); }, "a control listed twice");
}

TEST(HeadlessArrays, ElementsCopyTheCurrentSettingsOfElementZero) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    auto& first = window->control("cmdAction", 0);
    first.setTag("Help");
    first.setCaption("&Help");
    first.setLeft(10);
    first.setTabIndex(7);
    first.setFont({"Arial", 6.75f, true});
    ASSERT_TRUE(first.isDefault());

    auto& copy = window->addElement("cmdAction", 3);
    EXPECT_EQ(copy.tag(), "Help");
    EXPECT_EQ(copy.caption(), "&Help");
    EXPECT_FLOAT_EQ(copy.left(), 10);
    EXPECT_EQ(copy.tabIndex(), 7);
    EXPECT_EQ(copy.font().name, "Arial");
    EXPECT_FLOAT_EQ(copy.font().size, 6.75f);
    EXPECT_FALSE(copy.visible());
    EXPECT_FALSE(copy.isDefault()) << "a window has one default button";
    EXPECT_TRUE(first.isDefault());

    window->addElement("cmdAction", 1);
    EXPECT_EQ(window->elements("cmdAction"), (std::vector<int16_t>{0, 1, 3}));

    // Elements of a control inside a container stay in it.
    auto notes = testFormDesign();
    for (auto& c : notes.controls) {
        if (c.name == "txtNotes") {
            c.index = 0;
        }
    }
    auto other = desktop.createWindow(notes);
    auto& txt1 = other->addElement("txtNotes", 1);
    txt1.setVisible(true);
    other->control("fraNotes").setVisible(false);
    other->showModeless();
    expectRunTimeError(
        5, [&] { txt1.setFocus(); }, "an element copied into a hidden frame");
}

TEST(HeadlessArrays, LookupErrors) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    struct {
        const char* name;
        int16_t index;
        int32_t number;
    } const lookups[] = {
        {"cmdNothing", -1, 438}, {"cmdAction", 2, 9}, {"cmdAction", -1, 9},
        {"cmdCancel", 0, 9},     {"imgList", 1, 9},
    };
    for (const auto& l : lookups) {
        expectRunTimeError(
            l.number, [&] { window->control(l.name, l.index); },
            std::string("control ") + l.name + "(" + std::to_string(l.index) + ")");
        EXPECT_FALSE(window->hasControl(l.name, l.index));
    }
    struct {
        const char* name;
        int16_t index;
        int32_t number;
    } const loads[] = {
        {"cmdNothing", 1, 438}, {"cmdAction", 0, 360}, {"cmdAction", -1, 9},
        {"cmdCancel", 1, 9},    {"shpBox", -3, 9},
    };
    for (const auto& l : loads) {
        expectRunTimeError(
            l.number, [&] { window->addElement(l.name, l.index); },
            std::string("addElement ") + l.name + "(" + std::to_string(l.index) + ")");
    }
    expectRunTimeError(
        438, [&] { window->elements("cmdNothing"); }, "elements of nothing");
    expectRunTimeError(
        9, [&] { window->elements("cmdCancel"); }, "elements of a plain control");
}

TEST(HeadlessFocus, RefusedWhereTheUserCouldNotPutIt) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    expectRunTimeError(
        5, [&] { window->control("cmdAction", 0).setFocus(); }, "the window is not shown");
    window->showModeless();
    EXPECT_TRUE(window->control("cmdAction", 0).hasFocus()) << "the first in tab order";

    struct {
        const char* what;
        std::function<void(platform::Window&)> arrange;
        const char* name;
    } const cases[] = {
        {"hidden", [](auto& w) { w.control("chkOption").setVisible(false); }, "chkOption"},
        {"disabled", [](auto& w) { w.control("chkOption").setEnabled(false); }, "chkOption"},
        {"in a hidden frame", [](auto& w) { w.control("fraNotes").setVisible(false); }, "txtNotes"},
        {"in a disabled frame", [](auto& w) { w.control("fraNotes").setEnabled(false); },
         "txtNotes"},
        {"a label", [](auto&) {}, "lblOneLine"},
        {"a frame", [](auto&) {}, "fraNotes"},
        {"an image", [](auto&) {}, "imgPicture"},
        {"a timer", [](auto&) {}, "tmrTick"},
    };
    for (const auto& c : cases) {
        auto w = desktop.createWindow(testFormDesign());
        w->showModeless();
        c.arrange(*w);
        expectRunTimeError(
            5, [&] { w->control(c.name).setFocus(); }, c.what);
    }

    auto& check = window->control("chkOption");
    check.setFocus();
    ASSERT_TRUE(check.hasFocus());
    check.setEnabled(false);
    EXPECT_FALSE(check.hasFocus()) << "disabling the focused control drops the focus";
}

/// Runs `script` while the test form is shown modally and returns the events it caused.
std::vector<RecordedEvent> eventsOf(const std::function<void(ScriptedUser&)>& script,
                                    const std::function<void(platform::Window&)>& before = {}) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    TestFormLogic logic(*window);
    window->setHandler(&logic);
    if (before) {
        before(*window);
    }
    std::size_t mark = 0;
    desktop.onModal([&](ScriptedUser& user) {
        mark = logic.events().size();
        script(user);
        window->hide();
    });
    window->showModal();
    return logic.eventsSince(mark);
}

RecordedEvent click(const char* name, int16_t index = -1) {
    return {EventKind::Click, name, index, 0, 0};
}
RecordedEvent gotFocus(const char* name, int16_t index = -1) {
    return {EventKind::GotFocus, name, index, 0, 0};
}
RecordedEvent keyDown(const char* name, int16_t key, int16_t shift = 0, int16_t index = -1) {
    return {EventKind::KeyDown, name, index, key, shift};
}

struct KeyCase {
    const char* rule;
    std::function<void(platform::Window&)> arrange;
    const char* focus; ///< control focused by the user before the key; nullptr: the first
    int16_t key, shift;
    std::vector<RecordedEvent> after; ///< the events after the key-down events
};

void PrintTo(const KeyCase& c, std::ostream* out) {
    *out << c.rule;
}

class DesktopKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(DesktopKeys, FollowTheWindowAndTheFocusedControl) {
    const auto& c = GetParam();
    std::string focused;
    const auto events = eventsOf(
        [&](ScriptedUser& user) {
            if (c.focus != nullptr) {
                user.focus(c.focus);
            }
            for (const auto& name :
                 {"cmdAction", "chkOption", "txtNotes", "rtfInfo", "cmdCancel", "cmdPanel"}) {
                if (user.control(name, name == std::string("cmdAction") ? 0 : -1).hasFocus()) {
                    focused = name;
                }
            }
            user.keyDown(c.key, c.shift);
        },
        c.arrange);
    // Skip the focus the script gave, then the key-down events of the window and the control.
    auto at = events.begin();
    if (c.focus != nullptr && at != events.end() && at->kind == EventKind::GotFocus) {
        ++at;
    }
    ASSERT_NE(at, events.end());
    EXPECT_EQ(*at, keyDown("", c.key, c.shift)) << c.rule;
    ++at;
    if (!focused.empty()) {
        ASSERT_NE(at, events.end());
        EXPECT_EQ(at->kind, EventKind::KeyDown) << c.rule;
        EXPECT_EQ(at->control, focused) << c.rule;
        ++at;
    }
    EXPECT_EQ(std::vector<RecordedEvent>(at, events.end()), c.after) << c.rule;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DesktopKeys,
    ::testing::Values(
        KeyCase{"Enter presses the focused button", {}, "cmdCancel", 13, 0, {click("cmdCancel")}},
        KeyCase{"Enter elsewhere presses the default button",
                {},
                "chkOption",
                13,
                0,
                {click("cmdAction", 0)}},
        KeyCase{"Enter stays in a multi-line text box", {}, "txtNotes", 13, 0, {}},
        KeyCase{"Enter stays in a rich-text area", {}, "rtfInfo", 13, 0, {}},
        KeyCase{"a hidden default button is not pressed",
                [](auto& w) { w.control("cmdAction", 0).setVisible(false); },
                "chkOption",
                13,
                0,
                {}},
        KeyCase{"Escape presses the cancel button", {}, nullptr, 27, 0, {click("cmdCancel")}},
        KeyCase{"Escape without a usable cancel button does nothing",
                [](auto& w) { w.control("cmdCancel").setEnabled(false); },
                nullptr,
                27,
                0,
                {}},
        KeyCase{"Space presses the focused button", {}, nullptr, 32, 0, {click("cmdAction", 0)}},
        KeyCase{"Space ticks the focused check box", {}, "chkOption", 32, 0, {click("chkOption")}},
        KeyCase{"Space in a text box is typing", {}, "txtNotes", 32, 0, {}},
        KeyCase{"Tab moves on in tab order", {}, nullptr, 9, 0, {gotFocus("chkOption")}},
        KeyCase{"Tab skips what cannot take the focus",
                [](auto& w) { w.control("chkOption").setVisible(false); },
                nullptr,
                9,
                0,
                {gotFocus("cmdCancel")}},
        KeyCase{
            "Shift+Tab goes back and wraps round", {}, nullptr, 9, kShift, {gotFocus("cmdPanel")}},
        KeyCase{"Tab wraps round to the first", {}, "cmdPanel", 9, 0, {gotFocus("cmdAction", 0)}},
        KeyCase{"Alt+letter focuses and presses its button",
                {},
                nullptr,
                'P',
                kAlt,
                {gotFocus("cmdPanel"), click("cmdPanel")}},
        KeyCase{"Alt+letter ticks its check box",
                {},
                nullptr,
                'R',
                kAlt,
                {gotFocus("chkOption"), click("chkOption")}},
        KeyCase{"Alt+Shift+letter is left to the window", {}, nullptr, 'P', kAlt | kShift, {}},
        KeyCase{"Ctrl+letter is left to the window", {}, nullptr, 'P', kCtrl, {}},
        KeyCase{"a letter alone is left to the window", {}, nullptr, 'P', 0, {}},
        KeyCase{"no button has the access key", {}, nullptr, 'Z', kAlt, {}},
        KeyCase{"a disabled button's access key does nothing",
                [](auto& w) { w.control("cmdPanel").setEnabled(false); },
                nullptr,
                'P',
                kAlt,
                {}},
        KeyCase{"a doubled ampersand is no access key",
                [](auto& w) { w.control("cmdPanel").setCaption("A&&B"); },
                nullptr,
                'B',
                kAlt,
                {}},
        KeyCase{"a lower-case access letter counts",
                [](auto& w) { w.control("cmdPanel").setCaption("&next"); },
                nullptr,
                'N',
                kAlt,
                {gotFocus("cmdPanel"), click("cmdPanel")}}));

TEST(HeadlessKeys, WithoutKeyPreviewOnlyTheControlSeesTheKey) {
    HeadlessDesktop desktop;
    auto design = testFormDesign();
    design.keyPreview = false;
    auto window = desktop.createWindow(design);
    TestFormLogic logic(*window);
    window->setHandler(&logic);
    desktop.onModal([&](ScriptedUser& user) {
        const auto mark = logic.events().size();
        user.keyDown('K', kCtrl);
        EXPECT_EQ(logic.eventsSince(mark),
                  std::vector<RecordedEvent>{keyDown("cmdAction", 'K', kCtrl, 0)});
    });
    window->showModal();
}

TEST(HeadlessKeys, AWindowThatHidesOnTheKeyEndsItsJourney) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    struct HideOnKey : platform::FormHandler {
        platform::Window& w;
        std::vector<platform::Event> seen;
        explicit HideOnKey(platform::Window& window) : w(window) {}
        void onEvent(platform::Event& e) override {
            seen.push_back(e);
            if (e.kind == EventKind::KeyDown) {
                w.hide();
            }
        }
    } handler(*window);
    window->setHandler(&handler);
    desktop.onModal([&](ScriptedUser& user) { user.keyDown(13); });
    window->showModal();
    EXPECT_EQ(handler.seen.back().kind, EventKind::KeyDown);
    EXPECT_EQ(handler.seen.back().control, "") << "neither the button nor Enter followed";
}

TEST(HeadlessUser, ClicksReachWhatTheUserCanReach) {
    const auto events = eventsOf([](ScriptedUser& user) {
        user.click("lblOneLine");
        user.click("shpBox", 0);
        user.click("txtNotes");
        user.click("txtNotes");
        expectRunTimeError(
            5, [&] { user.click("tmrTick"); }, "a timer");
        expectRunTimeError(
            5, [&] { user.click("imgList"); }, "an image list");
        user.control("cmdCancel").setVisible(false);
        expectRunTimeError(
            5, [&] { user.click("cmdCancel"); }, "a hidden button");
        expectRunTimeError(
            5, [&] { user.tick("cmdPanel"); }, "tick on a button");
        expectRunTimeError(
            5, [&] { user.type("chkOption", "x"); }, "typing into a check box");
    });
    const std::vector<RecordedEvent> expected = {
        click("lblOneLine"), click(""), gotFocus("txtNotes"), click("txtNotes"), click("txtNotes")};
    EXPECT_EQ(events, expected);
}

TEST(HeadlessUser, TickChangesOnlyWhatDiffers) {
    std::vector<int16_t> values;
    const auto events = eventsOf([&](ScriptedUser& user) {
        auto& check = user.control("chkOption");
        user.tick("chkOption", false);
        values.push_back(check.value());
        user.tick("chkOption", true);
        values.push_back(check.value());
        user.tick("chkOption", true);
        values.push_back(check.value());
        check.setValue(0); // the logic's change: no Click
        values.push_back(check.value());
        expectRunTimeError(
            380, [&] { check.setValue(2); }, "value 2");
    });
    EXPECT_EQ(values, (std::vector<int16_t>{0, 1, 1, 0}));
    EXPECT_EQ(events, (std::vector<RecordedEvent>{gotFocus("chkOption"), click("chkOption")}));
}

TEST(HeadlessUser, TypingNeedsTheFocusToStay) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    // Like a details box that hands the focus straight back to a button.
    struct Bounce : platform::FormHandler {
        platform::Window& w;
        explicit Bounce(platform::Window& window) : w(window) {}
        void onEvent(platform::Event& e) override {
            if (e.kind == EventKind::GotFocus && e.control == "txtNotes") {
                w.control("cmdCancel").setFocus();
            }
        }
    } handler(*window);
    window->setHandler(&handler);
    desktop.onModal([&](ScriptedUser& user) {
        user.type("txtNotes", "lost");
        EXPECT_EQ(window->control("txtNotes").text(), "First line\r\nSecond line");
        EXPECT_TRUE(window->control("cmdCancel").hasFocus());
        user.type("rtfInfo", "kept");
        EXPECT_EQ(window->control("rtfInfo").text(), "kept");
    });
    window->showModal();
}

TEST(HeadlessWindow, DefaultButtonIsUnique) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    auto& action = window->control("cmdAction", 0);
    auto& cancel = window->control("cmdCancel");
    EXPECT_TRUE(action.isDefault());
    cancel.setDefault(true);
    EXPECT_TRUE(cancel.isDefault());
    EXPECT_FALSE(action.isDefault());
    cancel.setDefault(false);
    EXPECT_FALSE(cancel.isDefault());
    expectRunTimeError(
        438, [&] { window->control("chkOption").setDefault(true); }, "default flag on a check box");
}

TEST(HeadlessWindow, UnloadEndsEverything) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    auto& button = window->control("cmdAction", 0);
    window->showModeless();
    window->unload();
    window->unload();
    window->hide();
    EXPECT_FALSE(window->isLoaded());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->hasControl("cmdAction", 0));
    EXPECT_EQ(button.name(), "cmdAction") << "a kept reference still names its control";
    const std::pair<const char*, std::function<void()>> after[] = {
        {"caption of a kept control", [&] { (void)button.caption(); }},
        {"focus on a kept control", [&] { button.setFocus(); }},
        {"control()", [&] { window->control("cmdAction", 0); }},
        {"addElement", [&] { window->addElement("cmdAction", 1); }},
        {"elements", [&] { window->elements("cmdAction"); }},
        {"window caption", [&] { (void)window->caption(); }},
        {"window width", [&] { window->setWidth(1000); }},
        {"showModal", [&] { window->showModal(); }},
        {"showModeless", [&] { window->showModeless(); }},
        {"drawPicture", [&] { window->drawPicture("imgList", 1, 0, 0); }},
    };
    for (const auto& [what, action] : after) {
        expectRunTimeError(91, action, what);
    }
    EXPECT_EQ(desktop.sideEffects(EffectKind::Unloaded).size(), 1u);
    EXPECT_FALSE(desktop.setTopmost(window->handle(), true));
}

TEST(HeadlessWindow, DrawingChecksTheImageList) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    window->drawPicture("imgList", 4, 10, 20);
    expectRunTimeError(
        380, [&] { window->drawPicture("imgList", 5, 0, 0); }, "picture 5");
    expectRunTimeError(
        438, [&] { window->drawPicture("imgNone", 1, 0, 0); }, "no such list");
    expectRunTimeError(
        438, [&] { window->drawPicture("imgPicture", 1, 0, 0); }, "an image");
    window->setImageListBackColor("imgList", 0x123456);
    EXPECT_EQ(window->control("imgList").backColor(), 0x123456);
    const auto drawn = desktop.sideEffects(EffectKind::DrawPicture);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].window, "frmTestForm");
    EXPECT_EQ(drawn[0].number, 4);
    EXPECT_FLOAT_EQ(drawn[0].y, 20);
}

TEST(HeadlessWindow, DefaultColours) {
    HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    const auto face = static_cast<int32_t>(0x8000000Fu);
    EXPECT_EQ(window->backColor(), face);
    EXPECT_EQ(window->control("cmdCancel").backColor(), face);
    EXPECT_EQ(window->control("txtNotes").backColor(), static_cast<int32_t>(0x80000005u));
    EXPECT_EQ(window->control("txtNotes").foreColor(), static_cast<int32_t>(0x80000008u));
    EXPECT_EQ(window->control("cmdCancel").foreColor(), static_cast<int32_t>(0x80000012u));
    EXPECT_EQ(window->control("pnlBar").backColor(), 0xF0E0D0) << "the design's own colour";
}

} // namespace
} // namespace qvMsgErr::testform

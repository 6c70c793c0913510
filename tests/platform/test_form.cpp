#include "platform/test_form.h"

#include "raised.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace qvMsgErr::testform {

using platform::ControlDesign;
using platform::ControlKind;
using platform::EventKind;

namespace {

::testing::AssertionResult received(const std::vector<RecordedEvent>& events, EventKind kind,
                                    const std::string& control, int16_t index = -1) {
    if (std::any_of(events.begin(), events.end(), [&](const RecordedEvent& e) {
            return e.kind == kind && e.control == control && e.index == index;
        })) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "no " << RecordedEvent{kind, control, index}
                                         << " among " << ::testing::PrintToString(events);
}

} // namespace

platform::FormDesign testFormDesign() {
    platform::FormDesign d;
    std::tie(d.name, d.caption, d.clientWidth, d.clientHeight, d.keyPreview) =
        std::tuple("frmTestForm", "qvMsgErr test form", 6000.0f, 3900.0f, true);
    // The control just added, at `tab` in the tab order; a reference that the next add()
    // invalidates.
    const auto add = [&](ControlKind kind, const char* name, float left, float top, float width,
                         float height, const char* caption = "", int16_t tab = -1) -> auto& {
        auto& c = d.controls.emplace_back();
        std::tie(c.kind, c.name, c.left, c.top, c.width, c.height, c.caption, c.tabIndex) =
            std::tuple(kind, name, left, top, width, height, caption, tab);
        return c;
    };
    using K = ControlKind;
    add(K::Image, "imgPicture", 120, 120, 480, 480).picture = platform::StockPicture::Information;
    add(K::Image, "imgMarker", 120, 720, 480, 480);
    add(K::Label, "lblOneLine", 720, 120, 2250, 195, "A label that sizes itself").autoSize = true;
    auto& wrapped = add(K::Label, "lblWrapped", 720, 420, 3000, 390,
                        "This label keeps its width and wraps its words onto more lines.");
    wrapped.autoSize = wrapped.wordWrap = true;
    add(K::CheckBox, "chkOption", 720, 960, 3000, 285, "&Remember this choice", 1);
    auto& action = add(K::CommandButton, "cmdAction", 4560, 120, 1320, 390, "&Action", 0);
    std::tie(action.index, action.isDefault) = std::tuple(0, true);
    add(K::CommandButton, "cmdCancel", 4560, 1080, 1320, 390, "Cancel", 2).isCancel = true;
    add(K::Frame, "fraNotes", 120, 1560, 3480, 1500, "Notes");
    auto& notes = add(K::TextBox, "txtNotes", 120, 270, 3240, 1110, "First line\r\nSecond line", 3);
    notes.container = "fraNotes";
    notes.multiLine = notes.verticalScrollBar = true;
    add(K::RichText, "rtfInfo", 3720, 1620, 2160, 1440, "Rich text area", 4).verticalScrollBar =
        true;
    auto& box = add(K::Shape, "shpBox", 120, 3240, 600, 420);
    std::tie(box.index, box.fillColor, box.borderColor) = std::tuple(0, 0xD15A12, 0x800000);
    add(K::Panel, "pnlBar", 1560, 3180, 4320, 540).backColor = 0xF0E0D0;
    auto& panelLabel = add(K::Label, "lblPanel", 120, 165, 2700, 195, "A panel with a button:");
    panelLabel.container = "pnlBar";
    panelLabel.backColor = 0xF0E0D0;
    add(K::CommandButton, "cmdPanel", 3060, 75, 1140, 390, "&Panel", 5).container = "pnlBar";
    add(K::ImageList, "imgList", 0, 0, 0, 0).pictures = {
        {"icnCritical", platform::StockPicture::Critical},
        {"icnQuestion", platform::StockPicture::Question},
        {"icnExclamation", platform::StockPicture::Exclamation},
        {"icnInformation", platform::StockPicture::Information}};
    auto& timer = add(K::Timer, "tmrTick", 0, 0, 0, 0);
    std::tie(timer.interval, timer.enabled) = std::tuple(1000, false);
    return d;
}

void completeTestForm(platform::Window& window) {
    const auto element1 = [&](const char* name) -> platform::Control& {
        return window.hasControl(name, 1) ? window.control(name, 1) : window.addElement(name, 1);
    };
    auto& second = element1("cmdAction");
    second.setTop(window.control("cmdAction", 0).top() + 480);
    second.setCaption("&Second");
    second.setTabIndex(1);
    second.setVisible(true);
    auto& box = element1("shpBox");
    box.setLeft(window.control("shpBox", 0).left() + 720);
    box.setFillColor(0x12A0D1);
    box.setBorderColor(0x004080);
    box.setVisible(true);
}

std::ostream& operator<<(std::ostream& out, const RecordedEvent& event) {
    static const char* const kinds[] = {"Click", "GotFocus", "KeyDown", "MouseMove",
                                        "Paint", "Activate", "Timer",   "Close"};
    out << kinds[static_cast<int>(event.kind)] << "("
        << (event.control.empty() ? "window" : event.control);
    if (event.index >= 0) {
        out << "[" << event.index << "]";
    }
    if (event.kind == EventKind::KeyDown) {
        out << ", key " << event.keyCode << ", shift " << event.shift;
    }
    return out << ")";
}

void TestFormLogic::onEvent(platform::Event& event) {
    events_.push_back({event.kind, event.control, event.index, event.keyCode, event.shift});
    if (event.kind == EventKind::Paint) {
        auto& marker = window_.control("imgMarker");
        window_.drawPicture("imgList", 2, marker.left(), marker.top());
    } else if (event.kind == EventKind::Timer) {
        ++timerTicks_;
    } else if (event.kind == EventKind::Close) {
        event.cancel = refuseClose;
    }
}

std::vector<RecordedEvent> TestFormLogic::eventsDuring(const std::function<void()>& act) {
    const auto mark = static_cast<std::ptrdiff_t>(events_.size());
    act();
    return {events_.begin() + mark, events_.end()};
}

std::size_t TestFormLogic::count(EventKind kind) const {
    return static_cast<std::size_t>(std::count_if(
        events_.begin(), events_.end(), [&](const RecordedEvent& e) { return e.kind == kind; }));
}

void expectRunTimeError(int32_t number, const std::string& what,
                        const std::function<void()>& action) {
    try { // a foreign exception must not unwind through a toolkit's event loop
        const RunTimeError e = testing::raised(action);
        EXPECT_EQ(e.Number, number) << what << ": " << e.Description;
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": foreign exception " << e.what();
    }
}

void expectRunTimeErrors(int32_t number, std::initializer_list<NamedAction> actions) {
    for (const auto& [what, action] : actions) {
        expectRunTimeError(number, what, action);
    }
}

namespace {

// --- while the window is shown modally -------------------------------------------------------

void checkShownWindow(platform::Window& w, TestFormLogic& logic) {
    EXPECT_TRUE(w.isVisible());
    EXPECT_NE(w.handle(), 0);
    EXPECT_GE(logic.count(EventKind::Activate), 1u);
    EXPECT_GE(logic.count(EventKind::Paint), 1u);
    // Every desktop rounds twips to its own pixels; 15 twips is one pixel at 96 dpi.
    EXPECT_NEAR(w.scaleWidth(), 6000, 15);
    EXPECT_NEAR(w.scaleHeight(), 3900, 15);
    expectRunTimeError(400, "showing a shown window", [&] { w.showModal(); });
}

void checkClicksAndKeys(platform::Window& w, FormDriver& user, TestFormLogic& logic) {
    const auto lastAfter = [&](const std::function<void()>& act) {
        const auto events = logic.eventsDuring(act);
        return events.empty() ? RecordedEvent{EventKind::Paint, "(nothing)"} : events.back();
    };
    const auto clicked = [](const char* name, int16_t index = -1) {
        return RecordedEvent{EventKind::Click, name, index};
    };
    auto& check = w.control("chkOption");
    EXPECT_EQ(lastAfter([&] { user.click("cmdAction", 1); }), clicked("cmdAction", 1));
    EXPECT_EQ(lastAfter([&] { user.click("lblOneLine"); }), clicked("lblOneLine"));
    EXPECT_EQ(lastAfter([&] { user.tick("chkOption", true); }), clicked("chkOption"));
    EXPECT_EQ(check.value(), 1);
    EXPECT_EQ(lastAfter([&] { user.tick("chkOption", false); }), clicked("chkOption"));
    EXPECT_EQ(check.value(), 0);
    check.setFocus();
    EXPECT_EQ(lastAfter([&] { user.keyDown(13); }), clicked("cmdAction", 0))
        << "Enter on a check box presses the default button";
    EXPECT_EQ(check.value(), 0) << "and leaves the check box alone";
    w.control("cmdPanel").setFocus();
    EXPECT_EQ(lastAfter([&] { user.keyDown(13); }), clicked("cmdPanel"))
        << "Enter presses the focused button";
    EXPECT_EQ(lastAfter([&] { user.keyDown(27); }), clicked("cmdCancel"));
    EXPECT_TRUE(w.isVisible()) << "Escape alone does not close the window";

    w.control("cmdAction", 0).setFocus();
    auto keys = logic.eventsDuring([&] { user.keyDown('K', platform::kShift); });
    std::erase_if(keys, [](const RecordedEvent& e) { return e.kind != EventKind::KeyDown; });
    EXPECT_EQ(keys, (std::vector<RecordedEvent>{
                        {EventKind::KeyDown, "", -1, 'K', platform::kShift},
                        {EventKind::KeyDown, "cmdAction", 0, 'K', platform::kShift}}))
        << "with key preview the window sees the key first";
}

void checkFocus(platform::Window& w, TestFormLogic& logic) {
    // What cannot take the focus: a control hidden or disabled itself or in its container, and
    // the kinds that never take it. Each row: the control changed, how, the control focused.
    using Setter = void (platform::Control::*)(bool);
    const Setter hide = &platform::Control::setVisible, disable = &platform::Control::setEnabled;
    const std::tuple<const char*, Setter, const char*> refusals[] = {
        {"chkOption", hide, "chkOption"}, {"chkOption", disable, "chkOption"},
        {"fraNotes", hide, "txtNotes"},   {"fraNotes", disable, "txtNotes"},
        {"pnlBar", hide, "cmdPanel"},     {"lblOneLine", nullptr, "lblOneLine"},
    };
    for (const auto& [changed, set, target] : refusals) {
        if (set != nullptr) {
            (w.control(changed).*set)(false);
        }
        expectRunTimeError(5, std::string("focus on ") + target + ", " + changed + " changed",
                           [&] { w.control(target).setFocus(); });
        if (set != nullptr) {
            (w.control(changed).*set)(true);
        }
    }
    w.control("pnlBar").setVisible(false);
    EXPECT_TRUE(w.control("cmdPanel").visible()) << "a child keeps its own flag";
    w.control("pnlBar").setVisible(true);

    for (const auto& [name, index] :
         {std::pair<const char*, int16_t>{"cmdPanel", -1}, {"cmdAction", 0}}) {
        auto& c = w.control(name, index);
        EXPECT_TRUE(
            received(logic.eventsDuring([&] { c.setFocus(); }), EventKind::GotFocus, name, index));
        EXPECT_TRUE(c.hasFocus()) << name;
    }
    EXPECT_FALSE(w.control("cmdPanel").hasFocus());
    auto& button = w.control("cmdAction", 0);
    button.setEnabled(false);
    EXPECT_FALSE(button.hasFocus()) << "disabling the focused control takes the focus away";
    button.setEnabled(true);
}

void checkMouse(FormDriver& user, TestFormLogic& logic) {
    EXPECT_TRUE(received(logic.eventsDuring([&] { user.mouseMove("cmdAction", 0); }),
                         EventKind::MouseMove, "cmdAction", 0));
    const auto moves = logic.eventsDuring([&] { user.mouseMove("shpBox", 0); });
    EXPECT_TRUE(received(moves, EventKind::MouseMove, "")) << "a shape passes the mouse on";
    EXPECT_FALSE(received(moves, EventKind::MouseMove, "shpBox", 0));
}

void checkTexts(platform::Window& w, FormDriver& user) {
    for (const auto& [name, designed] : {std::pair{"txtNotes", "First line\r\nSecond line"},
                                         std::pair{"rtfInfo", "Rich text area"}}) {
        auto& area = w.control(name);
        EXPECT_EQ(area.text(), designed);
        area.setText("alpha\r\nbeta\r\n\r\ngamma");
        EXPECT_EQ(area.text(), "alpha\r\nbeta\r\n\r\ngamma");
        user.typeText(name, "typed by the user");
        EXPECT_EQ(area.text(), "typed by the user");
    }
}

void checkTimer(platform::Window& w, FormDriver& user, TestFormLogic& logic) {
    const auto ticksInASecond = [&](bool enabled) {
        w.control("tmrTick").setEnabled(enabled);
        const int before = logic.timerTicks();
        user.advanceSeconds(1);
        return logic.timerTicks() - before;
    };
    EXPECT_EQ(ticksInASecond(false), 0) << "a disabled timer does not tick";
    EXPECT_GE(ticksInASecond(true), 1);
    EXPECT_EQ(ticksInASecond(false), 0);
}

void checkClose(platform::Window& w, FormDriver& user, TestFormLogic& logic) {
    for (bool refuse : {true, false}) {
        logic.refuseClose = refuse;
        EXPECT_TRUE(received(logic.eventsDuring([&] { user.close(); }), EventKind::Close, ""));
        EXPECT_EQ(w.isVisible(), refuse) << "only a refused close keeps the window";
    }
    EXPECT_TRUE(w.isLoaded()) << "closing hides the window, it stays loaded";
}

// --- without a user --------------------------------------------------------------------------

ControlDesign& designOf(platform::FormDesign& d, const std::string& name) {
    return *std::find_if(d.controls.begin(), d.controls.end(),
                         [&](const ControlDesign& c) { return c.name == name; });
}

void checkRefusedDesigns(platform::Desktop& desktop) {
    const std::pair<const char*, std::function<void(platform::FormDesign&)>> broken[] = {
        {"a control listed twice", [](auto& d) { d.controls.push_back(d.controls.front()); }},
        {"an unknown container", [](auto& d) { designOf(d, "txtNotes").container = "fraNone"; }},
        {"a button as container", [](auto& d) { designOf(d, "txtNotes").container = "cmdCancel"; }},
        {"containers in a loop",
         [](auto& d) {
             designOf(d, "fraNotes").container = "pnlBar";
             designOf(d, "pnlBar").container = "fraNotes";
         }},
    };
    for (const auto& [what, breakIt] : broken) {
        auto design = testFormDesign();
        breakIt(design);
        expectRunTimeError(5, what, [&] { desktop.createWindow(design); });
    }
}

void checkLookupErrors(platform::Window& w) {
    expectRunTimeErrors(
        438, {{"an unknown control", [&] { w.control("cmdNothing"); }},
              {"loading an unknown control", [&] { w.addElement("cmdNothing", 1); }},
              {"an unknown image list", [&] { w.drawPicture("imgNone", 1, 0, 0); }},
              {"an image as image list", [&] { w.drawPicture("imgPicture", 1, 0, 0); }},
              {"default flag on a check box", [&] { w.control("chkOption").setDefault(true); }}});
    expectRunTimeErrors(9,
                        {{"an element not loaded", [&] { w.control("cmdAction", 7); }},
                         {"an array without index", [&] { w.control("cmdAction"); }},
                         {"an index on a plain control", [&] { w.control("cmdCancel", 0); }},
                         {"loading without index", [&] { w.addElement("cmdAction", -1); }},
                         {"loading onto a plain control", [&] { w.addElement("cmdCancel", 1); }}});
    expectRunTimeErrors(360, {{"loading element 0 again", [&] { w.addElement("cmdAction", 0); }}});
    expectRunTimeErrors(380, {{"picture 5 of 4", [&] { w.drawPicture("imgList", 5, 0, 0); }},
                              {"picture 0", [&] { w.drawPicture("imgList", 0, 0, 0); }}});
    EXPECT_FALSE(w.hasControl("cmdNothing"));
    EXPECT_FALSE(w.hasControl("cmdAction", 7));
}

/// The settings an added element copies from element 0.
auto copiedSettings(platform::Control& c) {
    const auto font = c.font();
    return std::tuple(c.caption(), c.tag(), c.left(), c.top(), c.width(), c.height(), c.tabIndex(),
                      c.backColor(), c.foreColor(), font.name, font.size, font.bold,
                      c.borderColor(), c.fillColor());
}

void checkArrays(platform::Window& w) {
    EXPECT_EQ(w.elements("cmdAction"), std::vector<int16_t>{0});
    // A copy takes element 0's settings as they are now, not as designed.
    auto& first = w.control("cmdAction", 0);
    first.setCaption("&Help");
    first.setTag("Help");
    first.setLeft(10);
    first.setWidth(1350);
    first.setTabIndex(7);
    first.setBackColor(0xC0FFC0);
    first.setForeColor(0x400000);
    first.setFont({"Arial", 6.75f, true});
    auto& copy = w.addElement("cmdAction", 3);
    EXPECT_EQ(&copy, &w.control("cmdAction", 3));
    EXPECT_EQ(copy.index(), 3);
    EXPECT_EQ(copiedSettings(copy), copiedSettings(first));
    EXPECT_FALSE(copy.visible()) << "a new element starts hidden";
    EXPECT_FALSE(copy.isDefault()) << "a window has one default button";
    EXPECT_TRUE(first.isDefault());
    w.addElement("cmdAction", 1);
    EXPECT_EQ(w.elements("cmdAction"), (std::vector<int16_t>{0, 1, 3}));

    auto& box = w.control("shpBox", 0);
    box.setBorderColor(0x0000FF);
    box.setFillColor(0xFF0000);
    EXPECT_EQ(copiedSettings(w.addElement("shpBox", 1)), copiedSettings(box));
}

void checkDefaults(platform::Window& w) {
    // Colours the design leaves unset are the system's; a set one is the design's own.
    const auto sys = [](uint32_t index) { return static_cast<int32_t>(0x80000000u | index); };
    EXPECT_EQ(std::tuple(w.backColor(), w.control("txtNotes").backColor(),
                         w.control("cmdCancel").foreColor(), w.control("lblPanel").backColor()),
              std::tuple(sys(0x0F), sys(0x05), sys(0x12), 0xF0E0D0));
    auto& action = w.control("cmdAction", 0);
    auto& cancel = w.control("cmdCancel");
    cancel.setDefault(true);
    EXPECT_TRUE(cancel.isDefault());
    EXPECT_FALSE(action.isDefault()) << "a window has one default button";
    action.setDefault(true);
    EXPECT_FALSE(cancel.isDefault());
}

void checkUnload(platform::Desktop& desktop, platform::Window& w) {
    auto& button = w.control("cmdAction", 0);
    w.showModeless();
    const auto handle = w.handle();
    w.unload();
    w.unload();
    w.hide();
    EXPECT_FALSE(w.isLoaded());
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.hasControl("cmdAction", 0));
    EXPECT_EQ(w.handle(), handle);
    EXPECT_EQ(button.name(), "cmdAction") << "a kept reference still names its control";
    expectRunTimeErrors(91, {{"caption of a kept control", [&] { (void)button.caption(); }},
                             {"focus on a kept control", [&] { button.setFocus(); }},
                             {"window caption", [&] { (void)w.caption(); }},
                             {"showModeless", [&] { w.showModeless(); }},
                             {"drawPicture", [&] { w.drawPicture("imgList", 1, 0, 0); }}});
    EXPECT_FALSE(desktop.setTopmost(handle, true)) << "an unloaded window";
}

} // namespace

void runSharedFormScript(platform::Window& w, FormDriver& user, TestFormLogic& logic) {
    checkShownWindow(w, logic);
    completeTestForm(w);
    checkClicksAndKeys(w, user, logic);
    checkFocus(w, logic);
    checkMouse(user, logic);
    checkTexts(w, user);
    checkTimer(w, user, logic);
    checkClose(w, user, logic);
}

void runSharedWindowChecks(platform::Desktop& desktop) {
    checkRefusedDesigns(desktop);
    auto window = desktop.createWindow(testFormDesign());
    checkLookupErrors(*window);
    checkArrays(*window);
    checkDefaults(*window);
    expectRunTimeError(5, "focus in a window not shown",
                       [&] { window->control("cmdAction", 0).setFocus(); });
    checkUnload(desktop, *window);
}

} // namespace qvMsgErr::testform

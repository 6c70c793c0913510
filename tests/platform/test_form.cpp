#include "platform/test_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace qvMsgErr::testform {

using platform::ControlDesign;
using platform::ControlKind;
using platform::EventKind;

namespace {

ControlDesign make(ControlKind kind, std::string name, float left, float top, float width,
                   float height, std::string caption = {}) {
    ControlDesign c;
    c.kind = kind;
    c.name = std::move(name);
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.caption = std::move(caption);
    return c;
}

const char* kindName(EventKind kind) {
    switch (kind) {
    case EventKind::Click:
        return "Click";
    case EventKind::GotFocus:
        return "GotFocus";
    case EventKind::KeyDown:
        return "KeyDown";
    case EventKind::MouseMove:
        return "MouseMove";
    case EventKind::Paint:
        return "Paint";
    case EventKind::Activate:
        return "Activate";
    case EventKind::Timer:
        return "Timer";
    case EventKind::Close:
        return "Close";
    }
    return "?";
}

std::string listed(const std::vector<RecordedEvent>& events) {
    std::ostringstream out;
    out << "[";
    for (std::size_t i = 0; i < events.size(); ++i) {
        out << (i > 0 ? ", " : "") << events[i];
    }
    out << "]";
    return out.str();
}

/// Whether `events` hold an event of `kind` for `control` (element `index`).
::testing::AssertionResult received(const std::vector<RecordedEvent>& events, EventKind kind,
                                    const std::string& control, int16_t index = -1) {
    const bool found = std::any_of(events.begin(), events.end(), [&](const RecordedEvent& e) {
        return e.kind == kind && e.control == control && e.index == index;
    });
    if (found) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "no " << RecordedEvent{kind, control, index} << " among " << listed(events);
}

std::vector<RecordedEvent> only(const std::vector<RecordedEvent>& events, EventKind kind) {
    std::vector<RecordedEvent> out;
    std::copy_if(events.begin(), events.end(), std::back_inserter(out),
                 [&](const RecordedEvent& e) { return e.kind == kind; });
    return out;
}

} // namespace

platform::FormDesign testFormDesign() {
    platform::FormDesign d;
    d.name = "frmTestForm";
    d.caption = "qvMsgErr test form";
    d.clientWidth = 6000;
    d.clientHeight = 3900;
    d.keyPreview = true;

    auto picture = make(ControlKind::Image, "imgPicture", 120, 120, 480, 480);
    picture.picture = platform::StockPicture::Information;
    d.controls.push_back(picture);
    d.controls.push_back(make(ControlKind::Image, "imgMarker", 120, 720, 480, 480));

    auto oneLine =
        make(ControlKind::Label, "lblOneLine", 720, 120, 2250, 195, "A label that sizes itself");
    oneLine.autoSize = true;
    d.controls.push_back(oneLine);
    auto wrapped = make(ControlKind::Label, "lblWrapped", 720, 420, 3000, 390,
                        "This label keeps its width and wraps its words onto more lines.");
    wrapped.autoSize = true;
    wrapped.wordWrap = true;
    d.controls.push_back(wrapped);

    auto check =
        make(ControlKind::CheckBox, "chkOption", 720, 960, 3000, 285, "&Remember this choice");
    check.tabIndex = 1;
    d.controls.push_back(check);

    auto action = make(ControlKind::CommandButton, "cmdAction", 4560, 120, 1320, 390, "&Action");
    action.index = 0;
    action.tabIndex = 0;
    action.isDefault = true;
    d.controls.push_back(action);
    auto cancel = make(ControlKind::CommandButton, "cmdCancel", 4560, 1080, 1320, 390, "Cancel");
    cancel.tabIndex = 2;
    cancel.isCancel = true;
    d.controls.push_back(cancel);

    d.controls.push_back(make(ControlKind::Frame, "fraNotes", 120, 1560, 3480, 1500, "Notes"));
    auto notes =
        make(ControlKind::TextBox, "txtNotes", 120, 270, 3240, 1110, "First line\r\nSecond line");
    notes.container = "fraNotes";
    notes.multiLine = true;
    notes.verticalScrollBar = true;
    notes.tabIndex = 3;
    d.controls.push_back(notes);

    auto rich = make(ControlKind::RichText, "rtfInfo", 3720, 1620, 2160, 1440, "Rich text area");
    rich.verticalScrollBar = true;
    rich.tabIndex = 4;
    d.controls.push_back(rich);

    auto box = make(ControlKind::Shape, "shpBox", 120, 3240, 600, 420);
    box.index = 0;
    box.fillColor = 0xD15A12;
    box.borderColor = 0x800000;
    d.controls.push_back(box);

    auto panel = make(ControlKind::Panel, "pnlBar", 1560, 3180, 4320, 540);
    panel.backColor = 0xF0E0D0;
    d.controls.push_back(panel);
    auto panelLabel =
        make(ControlKind::Label, "lblPanel", 120, 165, 2700, 195, "A panel with a button:");
    panelLabel.container = "pnlBar";
    panelLabel.backColor = 0xF0E0D0;
    d.controls.push_back(panelLabel);
    auto panelButton = make(ControlKind::CommandButton, "cmdPanel", 3060, 75, 1140, 390, "&Panel");
    panelButton.container = "pnlBar";
    panelButton.tabIndex = 5;
    d.controls.push_back(panelButton);

    auto list = make(ControlKind::ImageList, "imgList", 0, 0, 0, 0);
    list.pictures = {{"icnCritical", platform::StockPicture::Critical},
                     {"icnQuestion", platform::StockPicture::Question},
                     {"icnExclamation", platform::StockPicture::Exclamation},
                     {"icnInformation", platform::StockPicture::Information}};
    d.controls.push_back(list);

    auto timer = make(ControlKind::Timer, "tmrTick", 0, 0, 0, 0);
    timer.interval = 1000;
    timer.enabled = false;
    d.controls.push_back(timer);
    return d;
}

void completeTestForm(platform::Window& window) {
    if (!window.hasControl("cmdAction", 1)) {
        window.addElement("cmdAction", 1);
    }
    auto& first = window.control("cmdAction", 0);
    auto& second = window.control("cmdAction", 1);
    second.setTop(first.top() + 480);
    second.setCaption("&Second");
    second.setTabIndex(1);
    second.setVisible(true);

    if (!window.hasControl("shpBox", 1)) {
        window.addElement("shpBox", 1);
    }
    auto& box = window.control("shpBox", 1);
    box.setLeft(window.control("shpBox", 0).left() + 720);
    box.setFillColor(0x12A0D1);
    box.setBorderColor(0x004080);
    box.setVisible(true);
}

std::ostream& operator<<(std::ostream& out, const RecordedEvent& event) {
    out << kindName(event.kind) << "(" << (event.control.empty() ? "window" : event.control);
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
    switch (event.kind) {
    case EventKind::Paint: {
        auto& marker = window_.control("imgMarker");
        window_.drawPicture("imgList", 2, marker.left(), marker.top());
        break;
    }
    case EventKind::Timer:
        ++timerTicks_;
        break;
    case EventKind::Close:
        event.cancel = refuseClose;
        break;
    default:
        break;
    }
}

std::vector<RecordedEvent> TestFormLogic::eventsSince(std::size_t mark) const {
    if (mark >= events_.size()) {
        return {};
    }
    return {events_.begin() + static_cast<std::ptrdiff_t>(mark), events_.end()};
}

std::size_t TestFormLogic::count(EventKind kind) const {
    return static_cast<std::size_t>(std::count_if(
        events_.begin(), events_.end(), [&](const RecordedEvent& e) { return e.kind == kind; }));
}

void expectRunTimeError(int32_t number, const std::function<void()>& action,
                        const std::string& what) {
    try {
        action();
        ADD_FAILURE() << what << ": no error, expected run-time error " << number;
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, number) << what << ": " << e.Description;
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": foreign exception " << e.what();
    }
}

namespace {

void checkShownWindow(platform::Window& w, TestFormLogic& logic) {
    const auto design = testFormDesign();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isLoaded());
    EXPECT_NE(w.handle(), 0);
    EXPECT_EQ(w.caption(), design.caption);
    EXPECT_GE(logic.count(EventKind::Activate), 1u);
    EXPECT_GE(logic.count(EventKind::Paint), 1u);
    // Every desktop rounds twips to its own pixels; 15 twips is one pixel at 96 dpi.
    EXPECT_NEAR(w.scaleWidth(), design.clientWidth, 15);
    EXPECT_NEAR(w.scaleHeight(), design.clientHeight, 15);
    EXPECT_GE(w.width(), w.scaleWidth());
    EXPECT_GE(w.height(), w.scaleHeight());
}

void checkLabelSizing(platform::Window& w) {
    auto& one = w.control("lblOneLine");
    EXPECT_TRUE(one.autoSize());
    EXPECT_FALSE(one.wordWrap());
    one.setCaption("Short");
    one.refresh();
    const float shortWidth = one.width(), lineHeight = one.height();
    EXPECT_GT(shortWidth, 0);
    EXPECT_GT(lineHeight, 0);

    one.setCaption("Short, and then a good deal longer");
    one.refresh();
    EXPECT_GT(one.width(), shortWidth * 2) << "a longer caption widens the label";
    EXPECT_FLOAT_EQ(one.height(), lineHeight) << "one line stays one line";

    one.setCaption("Short\r\nShort");
    one.refresh();
    EXPECT_NEAR(one.width(), shortWidth, 15) << "the longest line sets the width";
    EXPECT_GT(one.height(), lineHeight * 1.5f) << "CR LF starts a second line";
    one.setCaption("A label that sizes itself");

    auto& wrapped = w.control("lblWrapped");
    EXPECT_TRUE(wrapped.wordWrap());
    const float width = wrapped.width();
    wrapped.setCaption("Short");
    wrapped.refresh();
    const float oneLine = wrapped.height();
    EXPECT_FLOAT_EQ(wrapped.width(), width) << "a wrapping label keeps its width";
    EXPECT_GT(oneLine, 0);
    wrapped.setCaption("A caption of many short words that cannot fit on one line of this "
                       "label and so must wrap onto a second and a third line of text.");
    wrapped.refresh();
    EXPECT_FLOAT_EQ(wrapped.width(), width) << "a wrapping label keeps its width";
    EXPECT_GT(wrapped.height(), oneLine * 2.5f) << "the height grows to the wrapped lines";
    wrapped.setCaption("This label keeps its width and wraps its words onto more lines.");
}

void checkArrays(platform::Window& w) {
    EXPECT_EQ(w.elements("cmdAction"), std::vector<int16_t>{0});
    auto& first = w.control("cmdAction", 0);
    // The copy takes element 0's settings as they are now, not as designed.
    first.setBackColor(0xC0FFC0);
    first.setForeColor(0x400000);
    first.setWidth(1350);
    auto font = first.font();
    font.bold = true;
    first.setFont(font);

    auto& second = w.addElement("cmdAction", 1);
    EXPECT_EQ(&second, &w.control("cmdAction", 1));
    EXPECT_EQ(second.kind(), ControlKind::CommandButton);
    EXPECT_EQ(second.name(), "cmdAction");
    EXPECT_EQ(second.index(), 1);
    EXPECT_FALSE(second.visible()) << "a new element starts hidden";
    EXPECT_TRUE(first.visible());
    EXPECT_EQ(second.caption(), "&Action");
    EXPECT_FLOAT_EQ(second.left(), first.left());
    EXPECT_FLOAT_EQ(second.top(), first.top());
    EXPECT_FLOAT_EQ(second.width(), 1350);
    EXPECT_FLOAT_EQ(second.height(), first.height());
    EXPECT_EQ(second.backColor(), 0xC0FFC0);
    EXPECT_EQ(second.foreColor(), 0x400000);
    EXPECT_TRUE(second.font().bold);
    EXPECT_EQ(second.tabIndex(), first.tabIndex());
    EXPECT_EQ(w.elements("cmdAction"), (std::vector<int16_t>{0, 1}));
    first.setWidth(1320);
    second.setWidth(1320);

    auto& box = w.control("shpBox", 0);
    box.setBorderColor(0x0000FF);
    box.setFillColor(0xFF0000);
    EXPECT_EQ(box.borderColor(), 0x0000FF);
    EXPECT_EQ(box.fillColor(), 0xFF0000);
    auto& box1 = w.addElement("shpBox", 1);
    EXPECT_EQ(box1.borderColor(), 0x0000FF);
    EXPECT_EQ(box1.fillColor(), 0xFF0000);
    EXPECT_FALSE(box1.visible());
    box.setBorderColor(0x800000);
    box.setFillColor(0xD15A12);
    EXPECT_EQ(box.fillColor(), 0xD15A12);

    expectRunTimeError(
        360, [&] { w.addElement("cmdAction", 1); }, "loading element 1 twice");
    expectRunTimeError(
        9, [&] { w.addElement("cmdCancel", 1); }, "an element of a plain control");
    expectRunTimeError(
        9, [&] { w.control("cmdAction", 7); }, "an element not loaded");
    expectRunTimeError(
        438, [&] { w.control("cmdNothing"); }, "an unknown control");
    EXPECT_FALSE(w.hasControl("cmdAction", 7));
    EXPECT_TRUE(w.hasControl("cmdAction", 1));

    expectRunTimeError(
        5, [&] { second.setFocus(); }, "focus on a hidden element");
    completeTestForm(w);
    EXPECT_TRUE(second.visible());
    EXPECT_EQ(second.caption(), "&Second");
}

void checkClicks(platform::Window& w, FormDriver& user, TestFormLogic& logic) {
    auto mark = logic.events().size();
    user.click("cmdAction", 1);
    EXPECT_TRUE(received(logic.eventsSince(mark), EventKind::Click, "cmdAction", 1));
    EXPECT_FALSE(received(logic.eventsSince(mark), EventKind::Click, "cmdAction", 0));

    auto& check = w.control("chkOption");
    EXPECT_EQ(check.value(), 0);
    mark = logic.events().size();
    user.tick("chkOption", true);
    EXPECT_EQ(check.value(), 1);
    EXPECT_TRUE(received(logic.eventsSince(mark), EventKind::Click, "chkOption"));
    mark = logic.events().size();
    user.tick("chkOption", false);
    EXPECT_EQ(check.value(), 0);
    EXPECT_TRUE(received(logic.eventsSince(mark), EventKind::Click, "chkOption"));
}

void checkFocus(platform::Window& w, TestFormLogic& logic) {
    auto& panel = w.control("pnlBar");
    auto& inPanel = w.control("cmdPanel");
    panel.setVisible(false);
    EXPECT_TRUE(inPanel.visible()) << "a child keeps its own flag";
    expectRunTimeError(
        5, [&] { inPanel.setFocus(); }, "focus inside a hidden panel");
    panel.setVisible(true);

    auto& check = w.control("chkOption");
    check.setEnabled(false);
    expectRunTimeError(
        5, [&] { check.setFocus(); }, "focus on a disabled check box");
    check.setEnabled(true);

    auto mark = logic.events().size();
    inPanel.setFocus();
    EXPECT_TRUE(inPanel.hasFocus());
    EXPECT_TRUE(received(logic.eventsSince(mark), EventKind::GotFocus, "cmdPanel"));

    auto& button = w.control("cmdAction", 0);
    mark = logic.events().size();
    button.setFocus();
    EXPECT_TRUE(button.hasFocus());
    EXPECT_FALSE(inPanel.hasFocus());
    EXPECT_TRUE(received(logic.eventsSince(mark), EventKind::GotFocus, "cmdAction", 0));
}

void checkKeyPreview(platform::Window& w, FormDriver& user, TestFormLogic& logic) {
    ASSERT_TRUE(w.control("cmdAction", 0).hasFocus());
    const auto mark = logic.events().size();
    user.keyDown('K', platform::kShift);
    const auto keys = only(logic.eventsSince(mark), EventKind::KeyDown);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0], (RecordedEvent{EventKind::KeyDown, "", -1, 'K', platform::kShift}))
        << "the window sees the key first";
    EXPECT_EQ(keys[1], (RecordedEvent{EventKind::KeyDown, "cmdAction", 0, 'K', platform::kShift}));
    EXPECT_TRUE(w.isVisible()) << "K is no access key of the form";
}

void checkMouse(FormDriver& user, TestFormLogic& logic) {
    auto mark = logic.events().size();
    user.mouseMove("cmdAction", 0);
    EXPECT_TRUE(received(logic.eventsSince(mark), EventKind::MouseMove, "cmdAction", 0));

    mark = logic.events().size();
    user.mouseMove("shpBox", 0);
    const auto moves = logic.eventsSince(mark);
    EXPECT_TRUE(received(moves, EventKind::MouseMove, "")) << "a shape passes the mouse on";
    EXPECT_FALSE(received(moves, EventKind::MouseMove, "shpBox", 0));
}

void checkTexts(platform::Window& w, FormDriver& user) {
    auto& notes = w.control("txtNotes");
    EXPECT_EQ(notes.text(), "First line\r\nSecond line");
    notes.setText("alpha\r\nbeta\r\n\r\ngamma");
    EXPECT_EQ(notes.text(), "alpha\r\nbeta\r\n\r\ngamma");
    user.typeText("txtNotes", "typed by the user");
    EXPECT_EQ(notes.text(), "typed by the user");

    auto& rich = w.control("rtfInfo");
    EXPECT_EQ(rich.text(), "Rich text area");
    rich.setText("Rich\r\ntext");
    EXPECT_EQ(rich.text(), "Rich\r\ntext");
    rich.setTag("kept");
    EXPECT_EQ(rich.tag(), "kept");
}

void checkTimer(platform::Window& w, FormDriver& user, TestFormLogic& logic) {
    auto& timer = w.control("tmrTick");
    EXPECT_FALSE(timer.enabled());
    EXPECT_EQ(timer.interval(), 1000);
    user.advanceSeconds(1);
    EXPECT_EQ(logic.timerTicks(), 0) << "a disabled timer does not tick";

    timer.setEnabled(true);
    user.advanceSeconds(1);
    EXPECT_GE(logic.timerTicks(), 1);
    timer.setEnabled(false);
    const int stopped = logic.timerTicks();
    user.advanceSeconds(1);
    EXPECT_EQ(logic.timerTicks(), stopped);
}

void checkDrawing(platform::Window& w) {
    expectRunTimeError(
        380, [&] { w.drawPicture("imgList", 5, 0, 0); }, "picture 5 of 4");
    expectRunTimeError(
        380, [&] { w.drawPicture("imgList", 0, 0, 0); }, "picture 0");
}

void checkClose(platform::Window& w, FormDriver& user, TestFormLogic& logic) {
    logic.refuseClose = true;
    const auto mark = logic.events().size();
    user.close();
    EXPECT_TRUE(received(logic.eventsSince(mark), EventKind::Close, ""));
    EXPECT_TRUE(w.isVisible()) << "a refused close keeps the window";
    logic.refuseClose = false;
}

} // namespace

void runSharedFormScript(platform::Window& w, FormDriver& user, TestFormLogic& logic) {
    checkShownWindow(w, logic);
    checkLabelSizing(w);
    checkArrays(w);
    checkClicks(w, user, logic);
    checkFocus(w, logic);
    checkKeyPreview(w, user, logic);
    checkMouse(user, logic);
    checkTexts(w, user);
    checkTimer(w, user, logic);
    checkDrawing(w);
    checkClose(w, user, logic);

    w.hide();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.isLoaded()) << "hiding keeps the window loaded";
}

} // namespace qvMsgErr::testform

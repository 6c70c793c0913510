#include "windows/MessageWindow.h"

#include "support/failure.h"
#include "support/texts.h"

#include <qvMsgErr/RunTimeError.h>

#include <functional>
#include <limits>
#include <string>
#include <string_view>

namespace qvMsgErr::windows {

namespace {

constexpr const char* kButtons = "cmdButton";
constexpr const char* kDescriptions = "lblCmdDesc";

// The composition marks the two buttons that do not answer by their tags; the comparison is
// exact, so a host's caption can never turn an answer button into one of them.
constexpr std::string_view kHelpTag = "Help";
constexpr std::string_view kDetailsTag = "Details";

// Help commands of the desktop.
constexpr int32_t kHelpContext = 1;
constexpr int32_t kHelpContents = 3;

constexpr int16_t kKeyF1 = 112;
constexpr int16_t kKeyEscape = 27;

constexpr std::string_view kCollapsedMark = " >>";
constexpr std::string_view kExpandedMark = "<< ";
// The collapsed height is an outer height, title bar and borders included: this far above it the
// frame starts right below the collapsed client area.
constexpr float kFrameAboveCollapsedHeight = 450;
// The frame keeps a margin inside the window, and the text one inside the frame.
constexpr float kFrameInset = 200;
constexpr float kTextInset = 200;

/// Whether the character after the first "&" of `caption` is `key` (an upper-case letter or a
/// digit), compared in upper case. "&&" yields "&", which no key matches.
bool accessKeyIs(const std::string& caption, char key) {
    const auto amp = caption.find('&');
    if (amp == std::string::npos || amp + 1 >= caption.size()) {
        return false;
    }
    char next = caption[amp + 1];
    if (next >= 'a' && next <= 'z') {
        next = static_cast<char>(next - 'a' + 'A');
    }
    // A multi-byte character starts with a byte above 0x7F, which no key code matches.
    return next == key;
}

int16_t toInteger(int32_t value) {
    if (value < std::numeric_limits<int16_t>::min() ||
        value > std::numeric_limits<int16_t>::max()) {
        throw RunTimeError(err::Overflow);
    }
    return static_cast<int16_t>(value);
}

} // namespace

MessageWindow::MessageWindow(const platform::FormDesign& design, const ProcedureTrails& trails)
    : LibraryForm(design, texts::kMessageBox), trails_(trails) {}

void MessageWindow::onEvent(platform::Event& event) {
    using platform::EventKind;
    const std::string& name = event.control;
    switch (event.kind) {
    case EventKind::Click:
        if (name == kButtons) {
            cmdButton_Click(event.index);
        } else if (name == kDescriptions) {
            lblCmdDesc_Click(event.index);
        }
        break;
    case EventKind::KeyDown:
        // With key preview the window's copy comes first and has no control; the focused
        // control's own copy follows and is left to the desktop.
        if (name.empty()) {
            Form_KeyDown(event.keyCode, event.shift);
        }
        break;
    case EventKind::MouseMove:
        if (name == kButtons) {
            cmdButton_MouseMove(event.index);
        } else if (name == kDescriptions) {
            passOver({[&] { cmdButton_MouseMove(event.index); }});
        } else if (name.empty()) {
            Form_MouseMove();
        }
        break;
    case EventKind::Paint:
        Form_Paint();
        break;
    case EventKind::GotFocus: // every control keeps the focus it is given, the details too
        break;
    case EventKind::Activate:
        Form_Activate();
        break;
    case EventKind::Timer:
        if (name == "timerCountdown") {
            timerCountdown_Timer();
        }
        break;
    case EventKind::Close:
        // As on the system's own box: the close box answers Cancel (OK where OK is the only
        // answer); where the message offers neither, closing it is no answer and is refused.
        if (CloseIndex >= 0) {
            g_iButtonIndex = CloseIndex;
        } else {
            event.cancel = true;
        }
        break;
    }
}

void MessageWindow::ShowIcon(const int16_t& IconNumber) {
    const auto draw = [&] {
        const platform::Control& marker = control("imgIcon");
        window().drawPicture("imgIcons", IconNumber, marker.left(), marker.top());
    };
    showAndDecide(trails_.ShowIcon, {draw});
}

void MessageWindow::cmdButton_Click(int16_t Index) {
    const char* trail = trails_.cmdButton_Click;
    std::string tag;
    if (!showAndDecide(trail, {[&] { tag = control(kButtons, Index).tag(); }})) {
        return;
    }
    if (tag == kHelpTag) {
        // The window stays open and the answer unchanged: help is no answer.
        const auto openHelp = [&] {
            const int32_t context = window().helpContextId();
            if (context != 0) {
                desktop().showHelp(g_sHelpFile, kHelpContext, context);
            } else {
                desktop().showHelp(g_sHelpFile, kHelpContents, 0);
            }
        };
        showAndDecide(trail, {openHelp});
    } else if (tag == kDetailsTag) {
        showAndDecide(trail, {[&] { ToggleDetailsDisplay(control(kButtons, Index)); }});
    } else {
        // Hiding ends the modal display; the window stays loaded for the answer to be read.
        const auto answer = [&] {
            g_iButtonIndex = Index;
            window().hide();
        };
        showAndDecide(trail, {answer});
    }
}

void MessageWindow::ToggleDetailsDisplay(platform::Control& DetailsButton) {
    const char* trail = trails_.ToggleDetailsDisplay;
    bool expand = false;
    if (!showAndDecide(trail, {[&] { expand = !control("FraDetails").visible(); }})) {
        return;
    }
    // "&Details >>" and "<< &Details" swap; a caption without the mark stays as the host gave it.
    const auto relabel = [&] {
        const std::string caption = DetailsButton.caption();
        if (expand && caption.ends_with(kCollapsedMark)) {
            DetailsButton.setCaption(std::string(kExpandedMark) +
                                     caption.substr(0, caption.size() - kCollapsedMark.size()));
        } else if (!expand && caption.starts_with(kExpandedMark)) {
            DetailsButton.setCaption(caption.substr(kExpandedMark.size()) +
                                     std::string(kCollapsedMark));
        }
    };
    // The frame's height and the text's height and left stay as designed: only the widths
    // follow the window, whose width the composition set.
    if (expand) {
        showAndDecide(
            trail,
            {
                relabel,
                [&] { window().setHeight(control("FraDetails").height() + m_sngCollapsedHeight); },
                [&] {
                    control("FraDetails").setTop(m_sngCollapsedHeight - kFrameAboveCollapsedHeight);
                },
                [&] { control("FraDetails").setWidth(window().width() - kFrameInset); },
                [&] { control("txtDetails").setWidth(control("FraDetails").width() - kTextInset); },
                [&] { control("FraDetails").setVisible(true); },
            });
    } else {
        showAndDecide(trail, {
                                 relabel,
                                 [&] { window().setHeight(m_sngCollapsedHeight); },
                                 [&] { control("FraDetails").setVisible(false); },
                             });
    }
}

void MessageWindow::Form_Activate() {
    const auto recordHeight = [&] { m_sngCollapsedHeight = window().height(); };
    showAndDecide(trails_.Form_Activate, {[&] { focusDefaultButton(); }, recordHeight});
}

void MessageWindow::Form_KeyDown(int16_t KeyCode, int16_t Shift) {
    // The key is not consumed: the focused control still receives it.
    const auto pressFirst = [&](const std::function<bool(const platform::Control&)>& matches) {
        for (const int16_t i : window().elements(kButtons)) {
            if (matches(control(kButtons, i))) {
                cmdButton_Click(i);
                return;
            }
        }
    };
    if (KeyCode == kKeyEscape && Shift == 0) {
        // Escape answers what the close box answers, and nothing where that is nothing.
        if (CloseIndex >= 0) {
            showAndDecide(trails_.Form_KeyDown, {[&] { cmdButton_Click(CloseIndex); }});
        }
    } else if (KeyCode == kKeyF1) {
        const auto isHelp = [](const platform::Control& b) { return b.tag() == kHelpTag; };
        showAndDecide(trails_.Form_KeyDown, {[&] { pressFirst(isHelp); }});
    } else if (KeyCode == 'C' && Shift == platform::kCtrl) {
        // Copies the message, as people know from the system's own box. The key goes on to the
        // focused control, so a selection in the details replaces it with what was selected.
        showAndDecide(trails_.Form_KeyDown, {[&] { desktop().copyText(copiedText()); }});
    } else if (KeyCode >= '0' && KeyCode <= 'Z' && Shift != platform::kAlt &&
               !control("txtDetails").hasFocus()) {
        // Alt alone is the desktop's own access key: pressing here as well would press the
        // button twice. With Shift or Ctrl added it is ours. In the details, which a keyboard
        // user reads by moving through them, a letter is no answer: only Alt presses there.
        const char key = static_cast<char>(KeyCode);
        const auto hasKey = [key](const platform::Control& b) {
            return accessKeyIs(b.caption(), key);
        };
        showAndDecide(trails_.Form_KeyDown, {[&] { pressFirst(hasKey); }});
    }
}

std::string MessageWindow::copiedText() const {
    const std::string rule = "---------------------------\n";
    std::string text =
        rule + window().caption() + "\n" + rule + control("lblPrompt").caption() + "\n" + rule;
    if (const std::string details = control("txtDetails").text(); !details.empty()) {
        text += details + "\n" + rule;
    }
    for (const int16_t i : window().elements(kButtons)) {
        // The Details toggle answers nothing: it is no button of the message.
        if (const platform::Control& button = control(kButtons, i);
            button.visible() && button.tag() != kDetailsTag) {
            text += platform::shownCaption(button.caption()) + "   ";
        }
    }
    return text + "\n" + rule;
}

void MessageWindow::Form_Paint() {
    // The surface keeps nothing, so the icon is drawn on every paint.
    passOver({[&] {
        if (IconOffset > 0) {
            const int16_t number = toInteger(IconOffset);
            ShowIcon(number);
        }
    }});
}

void addSharedControls(platform::FormDesign& d, const SharedDesign& s) {
    using platform::ControlKind;
    d.announce = "lblPrompt"; // a message is an alert: screen readers read its prompt at once
    auto& button = addControl(d, ControlKind::CommandButton, kButtons, kArray, s.buttonLeft,
                              s.buttonTop, 1140, 390, 0);
    button.caption = "??";
    button.visible = false;

    auto& prompt = addControl(d, ControlKind::Label, "lblPrompt", -1, 225, 225, 45, 195, 1);
    prompt.autoSize = true;
    prompt.backColor = s.promptBack;

    auto& check = addControl(d, ControlKind::CheckBox, "chkDontShow", -1, 150, 1575, 240, 240, 2);
    check.visible = false;
    check.backColor = s.promptBack;

    auto& dontShow = addControl(d, ControlKind::Label, "lblDontShowAgain", -1, 450, 1575,
                                s.dontShowWidth, 195, 3);
    dontShow.visible = false;
    dontShow.autoSize = true;
    dontShow.labels = "chkDontShow";
    dontShow.backColor = s.promptBack;

    // Descriptions wrap at the width the composition gives them, the prompt's: each box then
    // ends 50 twips right of its text, as it starts 50 left of it. Grown on one line instead,
    // the widest description would push the button column out and stick 300 twips out of its
    // box. No back colour of their own: the box shows through.
    auto& description = addControl(d, ControlKind::Label, kDescriptions, kArray, s.descriptionLeft,
                                   s.descriptionTop, 1050, 195, 4);
    description.caption = "Abcdefg12345";
    description.visible = false;
    description.describes = kButtons;
    description.autoSize = true;
    description.wordWrap = true;
    description.foreColor = s.descriptionColor;

    auto& frame =
        addControl(d, ControlKind::Frame, "FraDetails", -1, 75, s.detailsTop, 6090, 1665, 5);
    frame.caption = "Details";
    frame.visible = false;

    auto& details = addControl(d, ControlKind::TextBox, "txtDetails", -1, 75, 225, 5865, 1365, 6);
    details.accessibleName = "Details";
    details.container = "FraDetails";
    details.multiLine = true;
    details.verticalScrollBar = true;
    details.backColor = s.detailsBack;
}

} // namespace qvMsgErr::windows

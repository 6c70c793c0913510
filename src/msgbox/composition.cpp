// ShowMessage: one msgBox call turned into an answer. It answers from the memory when it can,
// hands the Standard style to the system message box, and otherwise fills a message window,
// lays out its buttons, sizes and places it, shows it and reads the user's choice back.
#include <qvMsgErr/clsMesgBox.h>

#include "msgbox/numbers.h"
#include "platform/system_box.h"
#include "support/failure.h"
#include "support/texts.h"
#include "support/unattended.h"
#include "windows/MessageWindow.h"

#include <qvMsgErr/apartment.h>

#include <algorithm>
#include <memory>

namespace qvMsgErr {

using platform::Control;

namespace {

// Layout of the button column (twips).
constexpr float kBelowPrompt = 200;       // first button below the prompt, with descriptions
constexpr float kColumnGap = 500;         // prompt's right edge to the button column
constexpr float kButtonGap = 100;         // between buttons, and between description boxes
constexpr float kDescButtonGap = 150;     // between buttons, with descriptions
constexpr float kBoxAboveButton = 10;     // description box above its button
constexpr float kDescInBox = 20;          // description below its box's top; box height allowance
constexpr float kDescIndent = 50;         // description right of its box's left edge
constexpr float kRightOfDesc = 100;       // room right of the widest description
constexpr float kBoxToColumn = 400;       // box's right edge to the button column
constexpr float kIconToPrompt = 150;      // prompt right of the icon
constexpr float kPromptToLogo = 100;      // logo right of the prompt
constexpr float kCheckBoxIndicator = 320; // check box's width beyond its text
constexpr float kBelowFrameCaption = 30;  // the details text below the line of its frame's caption

// Sizing (twips).
constexpr float kPromptShare = 0.3F;  // of the screen width, before the prompt wraps
constexpr float kContentMargin = 200; // below the content
constexpr float kLineGap = 50;        // above the check box and the countdown line
constexpr float kHeightAllowance = 650;
constexpr float kWidthAllowance = 250;

float bottom(const Control& c) {
    return c.top() + c.height();
}
float right(const Control& c) {
    return c.left() + c.width();
}

/// Centre minus half the size, the size first rounded to whole twips; RunTimeError 6 when the
/// result leaves the Long range.
int32_t centredAt(int32_t centre, float size) {
    const int64_t half = static_cast<int64_t>(msgbox::roundToLong(size)) / 2;
    return msgbox::roundToLong(static_cast<double>(static_cast<int64_t>(centre) - half));
}

unattended::Question systemBoxQuestion(const std::string& Prompt, int32_t Buttons,
                                       const std::string& Title, const std::string& MessageID) {
    unattended::Question q{"system message box", MessageID, Title, Prompt, {}, 0};
    const std::vector<int32_t> answers = platform::systemBoxAnswers(Buttons);
    for (const int32_t answer : answers) {
        q.answers.emplace_back(answer, platform::systemBoxAnswerName(answer));
    }
    q.closeAnswer = platform::closeAnswerOf(answers);
    return q;
}

} // namespace

int32_t clsMesgBox::ShowMessage(int32_t Style, const std::string& Prompt, int32_t Buttons,
                                const std::string& Title, const std::string& HelpFile,
                                int32_t Context, std::string& MessageID, int32_t CentreX,
                                int32_t CentreY) {
    std::unique_ptr<windows::MessageWindow> frm;
    try {
        MessageID = msgbox::trimSpaces(MessageID);
        if (dontShowAgain_) {
            if (MessageID.empty()) {
                dontShowAgain_ = false;
            } else {
                const int32_t remembered = rememberedAnswer(MessageID);
                if (IsValidButton(Buttons, remembered)) {
                    return remembered;
                }
            }
        }
        platform::Desktop& desktop = threadDesktop();
        const std::string caption = Title == kNoTitle ? desktop.applicationTitle() : Title;
        if (Style != TessaryClassic && Style != Tessary2003) {
            // The system's box has sets of its own beyond the seven buttons (6: Cancel, Try
            // Again, Continue), so the whole flag word goes to it unchecked.
            if (!desktop.hasUser()) {
                return unattended::answer(systemBoxQuestion(Prompt, Buttons, caption, MessageID));
            }
            return desktop.systemMessageBox(Prompt, Buttons, caption, HelpFile, Context);
        }
        if (!msgbox::definesButtons(Buttons)) {
            // Sets 6 and 7 name no buttons: a window would show whatever the last message left.
            throw RunTimeError(err::InvalidCall);
        }
        if (Style == TessaryClassic) {
            frm = std::make_unique<windows::frmTessaryClassic>();
            timerUse_ = false; // the classic window never counts down
        } else {
            frm = std::make_unique<windows::frmTessary2003>();
        }
        const int32_t answer = composeAndShow(*frm, Prompt, Buttons, caption, HelpFile, Context,
                                              MessageID, CentreX, CentreY);
        frm->unload();
        return answer;
    } catch (...) {
        RunTimeError e = toRunTimeError(std::current_exception());
        if (frm) {
            passOver({[&] { frm->unload(); }});
        }
        e.Source.insert(0, "ShowMessage&");
        throw e;
    }
}

int32_t clsMesgBox::composeAndShow(windows::MessageWindow& frm, const std::string& Prompt,
                                   int32_t Buttons, const std::string& Title,
                                   const std::string& HelpFile, int32_t Context,
                                   const std::string& MessageID, int32_t CentreX, int32_t CentreY) {
    platform::Window& w = frm.window();
    auto* countdownWindow = dynamic_cast<windows::frmTessary2003*>(&frm);

    frm.CommandDescriptions = cmdDescriptions_;
    if (backColorSet_) {
        frm.MessageBackColor(backColor_);
    }
    w.setCaption(Title);

    Control& prompt = frm.control("lblPrompt");
    prompt.setCaption(Prompt);
    const float promptLimit = kPromptShare * frm.desktop().screenWidth();
    if (prompt.width() > promptLimit) {
        prompt.setWordWrap(true);
        prompt.setWidth(promptLimit);
    }
    frm.control("lblCmdDesc", 0).setWidth(prompt.width());

    if (!HelpFile.empty() && Context != -1) {
        frm.g_sHelpFile = HelpFile;
        w.setHelpContextId(Context);
    }

    const int32_t icon = msgbox::iconCode(Buttons);
    if (icon >= icnCritical) {
        frm.IconOffset = icon;
        const Control& place = frm.control("imgIcon");
        prompt.setLeft(right(place) + kIconToPrompt);
    } else {
        frm.IconOffset = icnNone;
    }
    frm.control("imgLogo").setLeft(right(prompt) + kPromptToLogo);

    layoutButtons(frm, Buttons);

    if (dontShowForceButton_ != qvButtonNone && dontShowAgain_) {
        dontShowAgain_ = IsValidButton(Buttons, dontShowForceButton_);
    }

    Control& check = frm.control("chkDontShow");
    if (dontShowAgain_) {
        const std::string prompt = msgbox::dontShowPrompt(dontShowAgainPrompt_, frm.desktop());
        check.setVisible(true);
        check.setCaption(prompt);
        check.setValue(dontShowAgainTicked_ ? 1 : 0);
        Control& label = frm.control("lblDontShowAgain");
        label.setCaption(prompt);
        label.refresh();
        check.setWidth(label.width() + kCheckBoxIndicator);
        check.setHeight(std::max(check.height(), label.height())); // a larger font's line
        check.setTop(CalcMaxHeight(frm) + kLineGap);
        label.setTop(check.top());
    }

    if (timerUse_ && countdownWindow != nullptr) {
        Control& countdown = frm.control("lblCountDown");
        countdown.setVisible(true);
        countdown.setCaption(TimerCountDownCaption + std::to_string(timerSeconds_) +
                             frm.desktop().translate(texts::kMessageBox, "seconds") + "  ");
        countdown.refresh();
        countdownWindow->CountDownCaption = TimerCountDownCaption;
        countdownWindow->CountDownSeconds = timerSeconds_;
        countdown.setTop(dontShowAgain_ ? bottom(check) + kLineGap : CalcMaxHeight(frm) + kLineGap);
    }

    sizeWindow(frm);

    if (detailsButton_) {
        Control& text = frm.control("txtDetails");
        text.setText(detailsString_);
        // The text starts below the frame's caption, however high the font makes it; the frame,
        // and the window with it when the details open, grow by as much.
        Control& frame = frm.control("FraDetails");
        const float below = frm.desktop().measureCaption(frame.caption(), frame.font(), 0).height +
                            kBelowFrameCaption;
        if (below > text.top()) {
            frame.setHeight(frame.height() + below - text.top());
            text.setTop(below);
        }
    }
    if (UseSounds) {
        frm.desktop().beep(msgbox::soundFor(icon));
    }
    placeWindow(frm, CentreX, CentreY);
    if (timerUse_ && countdownWindow != nullptr) {
        frm.control("lblCountDown").setCaption({}); // the window writes the running count
    }

    if (frm.desktop().hasUser()) {
        frm.showModal();
    } else {
        frm.g_iButtonIndex = unattendedPosition(frm, Prompt, Title, MessageID);
    }

    int32_t answer = qvButtonNone;
    const bool closedAll = !frm.window().isLoaded();
    if (closedAll) {
        // "Close all", chosen in an error dialog shown while this message was up, unloaded the
        // window: the message answers as its close box would (nothing for Yes/No), and its
        // check box counts as never ticked.
        if (frm.CloseIndex >= 0) {
            answer = table_.ButtonResults.at(static_cast<std::size_t>(frm.CloseIndex));
        }
    } else if (frm.g_iButtonIndex < 0) {
        TimeOutOccured = true;
        answer = table_.ButtonResults.at(static_cast<std::size_t>(DefaultIndex));
    } else {
        answer = table_.ButtonResults.at(static_cast<std::size_t>(frm.g_iButtonIndex));
    }
    // A message whose default is Help or Details, ended by its countdown, was answered by no
    // button at all.
    if (answer < qvButtonOK) {
        answer = qvButtonNone;
    }
    dontShowAgainTicked_ = !closedAll && check.value() == 1;
    if (dontShowAgainTicked_ && !MessageID.empty() && !dontShowIsManual_) {
        rememberAnswer(MessageID, Buttons, answer);
    }
    return answer;
}

void clsMesgBox::layoutButtons(windows::MessageWindow& frm, int32_t Buttons) {
    const bool descriptions = cmdDescriptions_;
    const Control& prompt = frm.control("lblPrompt");
    const float promptLeft = prompt.left();
    const float column = prompt.left() + prompt.width() + kColumnGap;
    platform::Window& w = frm.window();

    Control& first = frm.control("cmdButton", 0);
    if (descriptions) {
        first.setTop(bottom(prompt) + kBelowPrompt);
    }
    SetupButtonNames(Buttons);
    const ButtonTable& t = table_;

    // Puts description i beside its button: box, text, the box grown to the text, and the button
    // centred on a description taller than itself.
    const auto describe = [&](int16_t i, float boxTop) {
        Control& box = frm.control("shpLabelBack", i);
        Control& text = frm.control("lblCmdDesc", i);
        Control& button = frm.control("cmdButton", i);
        box.setVisible(true);
        box.setTop(boxTop);
        box.setLeft(promptLeft);
        text.setCaption(t.ButtonDescriptions.at(static_cast<std::size_t>(i)));
        text.setVisible(true);
        text.setTop(box.top() + kDescInBox);
        text.setLeft(box.left() + kDescIndent);
        if (box.height() < text.height() + kDescInBox) {
            box.setHeight(text.height() + kDescInBox);
        }
        if (text.height() > button.height()) {
            button.setTop(text.top() + text.height() / 2 - button.height() / 2);
            return true;
        }
        return false;
    };

    // The buttons widen together to the widest caption, as far as the screen lets the window
    // grow (it ends 250 right of them); a caption wider still breaks into lines and the buttons
    // grow in height instead. The copies of element 0 take its size. Descriptions wrap at the
    // prompt's width, so the column does not move right of where it starts here.
    const std::vector<std::string> captions(t.ButtonCaptions.begin(),
                                            t.ButtonCaptions.begin() + t.ButtonCount);
    const platform::TextExtent room =
        buttonRoom(frm.desktop(), captions, first.font(), {first.width(), first.height()},
                   frm.desktop().screenWidth() - kWidthAllowance - column);
    first.setWidth(room.width);
    first.setHeight(room.height);

    first.setCaption(t.ButtonCaptions[0]);
    first.setLeft(column);
    first.setVisible(true);
    first.setTabIndex(0);
    if (descriptions) {
        describe(0, first.top() - kBoxAboveButton);
    }

    for (int16_t i = 1; i < t.ButtonCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        Control& button = w.addElement("cmdButton", i);
        const Control& above = frm.control("cmdButton", static_cast<int16_t>(i - 1));
        button.setCaption(t.ButtonCaptions.at(at));
        button.setLeft(column);
        button.setTop(bottom(above) + (descriptions ? kDescButtonGap : kButtonGap));
        button.setVisible(true);
        button.setTabIndex(i);
        if (t.ButtonResults.at(at) == msgbox::kHelpResult) {
            button.setTag("Help");
        } else if (t.ButtonResults.at(at) == msgbox::kDetailsResult) {
            button.setTag("Details");
        }
        if (!descriptions) {
            continue;
        }
        Control& box = w.addElement("shpLabelBack", i);
        Control& text = w.addElement("lblCmdDesc", i);
        if (t.ButtonResults.at(at) < qvButtonOK) {
            box.setVisible(false);
            text.setVisible(false);
            continue;
        }
        const Control& boxAbove = frm.control("shpLabelBack", static_cast<int16_t>(i - 1));
        if (!describe(i, bottom(boxAbove) + kButtonGap)) {
            button.setTop(box.top() + kBoxAboveButton);
        }
    }

    // Escape and the close box answer as on the system's own box, or not at all.
    const auto& results = t.ButtonResults;
    const int32_t closeAnswer = platform::closeAnswerOf(platform::systemBoxAnswers(Buttons));
    const auto closeAt = std::find(results.begin(), results.begin() + t.ButtonCount, closeAnswer);
    frm.CloseIndex = closeAnswer != 0 && closeAt != results.begin() + t.ButtonCount
                         ? static_cast<int16_t>(closeAt - results.begin())
                         : int16_t{-1};
    w.setCloseBox(frm.CloseIndex >= 0);

    first.setDefault(true);
    frm.g_iButtonIndex = 0;
    DefaultIndex = 0;
    const int16_t position = msgbox::defaultPosition(Buttons, t.ButtonCount);
    if (position > 0) {
        frm.control("cmdButton", position).setDefault(true);
        frm.g_iButtonIndex = position;
        DefaultIndex = position;
    }

    if (descriptions) {
        float columnLeft = first.left();
        for (int16_t i = 0; i < t.ButtonCount; ++i) {
            columnLeft = std::max(columnLeft, right(frm.control("lblCmdDesc", i)) + kRightOfDesc);
        }
        if (columnLeft > first.left()) {
            for (int16_t i = 0; i < t.ButtonCount; ++i) {
                frm.control("cmdButton", i).setLeft(columnLeft);
            }
        }
        for (int16_t i = 0; i < t.ButtonCount; ++i) {
            Control& box = frm.control("shpLabelBack", i);
            box.setWidth(first.left() - box.left() - kBoxToColumn);
        }
    }
}

int16_t clsMesgBox::unattendedPosition(const windows::MessageWindow& frm, const std::string& Prompt,
                                       const std::string& Title,
                                       const std::string& MessageID) const {
    unattended::Question q{"message", MessageID, Title, Prompt, {}, 0};
    if (frm.CloseIndex >= 0) {
        q.closeAnswer = table_.ButtonResults.at(static_cast<std::size_t>(frm.CloseIndex));
    }
    for (int16_t i = 0; i < table_.ButtonCount; ++i) {
        const int32_t result = table_.ButtonResults.at(static_cast<std::size_t>(i));
        if (result >= qvButtonOK) {
            q.answers.emplace_back(result, msgbox::buttonName(result));
        }
    }
    // A custom caption names its button too ("&Save" for Yes).
    for (int16_t i = 0; i < table_.ButtonCount; ++i) {
        const int32_t result = table_.ButtonResults.at(static_cast<std::size_t>(i));
        if (result >= qvButtonOK) {
            q.answers.emplace_back(result, table_.ButtonCaptions.at(static_cast<std::size_t>(i)));
        }
    }
    const int32_t answer = unattended::answer(q);
    const auto& results = table_.ButtonResults;
    return static_cast<int16_t>(std::find(results.begin(), results.end(), answer) -
                                results.begin());
}

float clsMesgBox::CalcMaxHeight(windows::MessageWindow& frm) const {
    const auto last = static_cast<int16_t>(table_.ButtonCount - 1);
    float h = bottom(frm.control("imgIcon")) + kContentMargin;
    h = std::max(h, bottom(frm.control("lblPrompt")) + kContentMargin);
    h = std::max(h, bottom(frm.control("cmdButton", last)) + kContentMargin);
    if (cmdDescriptions_) {
        h = std::max(h, bottom(frm.control("lblCmdDesc", last)) + kContentMargin);
    }
    return h;
}

void clsMesgBox::sizeWindow(windows::MessageWindow& frm) const {
    platform::Window& w = frm.window();
    const Control& prompt = frm.control("lblPrompt");
    // The horizontal border goes into the height and the vertical one into the width: the
    // window has always been sized this way, and hosts' layouts rely on the result.
    const float dx = w.width() - w.scaleWidth();
    w.setHeight(bottom(prompt) + kHeightAllowance + dx);
    const float dy = w.height() - w.scaleHeight();
    w.setWidth(right(prompt) + kWidthAllowance + dy);

    const auto growTo = [&w](const Control& c, bool widthToo) {
        if (bottom(c) + kHeightAllowance > w.height()) {
            w.setHeight(bottom(c) + kHeightAllowance);
        }
        if (widthToo && right(c) + kWidthAllowance > w.width()) {
            w.setWidth(right(c) + kWidthAllowance);
        }
    };
    if (dontShowAgain_) {
        growTo(frm.control("chkDontShow"), true);
        growTo(frm.control("lblDontShowAgain"), true);
    }
    if (timerUse_) {
        growTo(frm.control("lblCountDown"), true);
    }
    const auto last = static_cast<int16_t>(table_.ButtonCount - 1);
    growTo(frm.control("cmdButton", last), true);
    if (cmdDescriptions_) {
        growTo(frm.control("lblCmdDesc", last), false);
    }
}

void clsMesgBox::placeWindow(windows::MessageWindow& frm, int32_t CentreX, int32_t CentreY) const {
    platform::Window& w = frm.window();
    platform::Desktop& desktop = frm.desktop();
    if (formPosition_) {
        w.move(formLeft_, formTop_);
    } else if (CentreX == msgbox::kNoParentPosition || CentreY == msgbox::kNoParentPosition) {
        w.placeCentred((desktop.screenWidth() - w.width()) / 2,
                       (desktop.screenHeight() - w.height()) / 2);
    } else {
        w.placeCentred(static_cast<float>(centredAt(CentreX, w.width())),
                       static_cast<float>(centredAt(CentreY, w.height())));
    }
    desktop.setTopmost(w.handle(), true);
}

} // namespace qvMsgErr

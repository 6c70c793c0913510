// The 2003-style message window: blue description boxes that light up under the mouse, a click
// on a description presses its button, and a countdown that closes the window by itself.
#include "windows/MessageWindow.h"

#include "support/failure.h"
#include "support/texts.h"

#include <limits>
#include <string>

namespace qvMsgErr::windows {

using platform::ControlKind;

namespace {

constexpr ProcedureTrails kTrails{
    "Public Property Let MessageBackColor&",
    "Private Sub ToggleDetailsDisplay&",
    "cmdButton_Click&",
    "Form_Activate&",
    "Form_KeyDown&",
    "ShowIcon(&",
};

constexpr int32_t kLightBlue = 0xFFE0C0; ///< the window and what sits on it
constexpr int32_t kDetailsBack = 0xE7E6D6;
constexpr int32_t kWhite = 0xFFFFFF;
/// The icons' background, close to the window's, so their edges blend in.
constexpr int32_t kIconMask = 0xFFE3C6;

// A description box at rest and while the mouse is over its button or description.
constexpr int32_t kBoxBorder = 0x800000;
constexpr int32_t kBoxFill = 0xD15A12;
constexpr int32_t kLitBorder = 0x0000FF;
constexpr int32_t kLitFill = 0xFF0000;

constexpr int32_t kTickMilliseconds = 1000;

platform::FormDesign makeDesign() {
    platform::FormDesign d;
    d.name = "frmTessary2003";
    d.clientWidth = 6240;
    d.clientHeight = 4035;
    d.keyPreview = true;
    d.startCentered = false; // the composition places the window itself
    d.backColor = kLightBlue;

    addSharedControls(d, {5010, 105, 165, 2775, 255, kWhite, 2295, kLightBlue, kDetailsBack});

    auto& countdown = addControl(d, ControlKind::Label, "lblCountDown", -1, 135, 1950, 45, 195, 7);
    countdown.visible = false;
    countdown.autoSize = true;

    auto& box = addControl(d, ControlKind::Shape, "shpLabelBack", kArray, 2670, 120, 2190, 465);
    box.fillColor = kBoxFill;
    box.borderColor = kBoxBorder;
    box.visible = false;

    addControl(d, ControlKind::Image, "imgIcon", -1, 150, 150, 390, 315).visible = false;
    addControl(d, ControlKind::Image, "imgLogo", -1, 4515, 30, 1665, 390);

    // Drawn by number 1 to 4; the fifth is never drawn.
    auto& icons = addControl(d, ControlKind::ImageList, "imgIcons", -1, 0, 0, 0, 0);
    icons.maskColor = kIconMask;
    icons.pictures = {
        {"icnCriticalx", platform::StockPicture::Critical},
        {"icnQuestion", platform::StockPicture::Question},
        {"icnExclamation", platform::StockPicture::Exclamation},
        {"icnInformation", platform::StockPicture::Information},
        {"icnCritical", platform::StockPicture::Critical},
    };

    auto& timer = addControl(d, ControlKind::Timer, "timerCountdown", -1, 0, 0, 0, 0);
    timer.enabled = false;
    timer.interval = 0;
    return d;
}

} // namespace

const platform::FormDesign& frmTessary2003Design() {
    static const platform::FormDesign design = makeDesign();
    return design;
}

frmTessary2003::frmTessary2003() : MessageWindow(frmTessary2003Design(), kTrails) {}

void frmTessary2003::MessageBackColor(const int32_t& NewColor) {
    showAndDecide(trails().MessageBackColor,
                  {
                      [&] { window().setImageListBackColor("imgIcons", NewColor); },
                      [&] { control("lblPrompt").setBackColor(NewColor); },
                      [&] { control("lblDontShowAgain").setBackColor(NewColor); },
                      [&] { control("FraDetails").setBackColor(NewColor); },
                      [&] { control("chkDontShow").setBackColor(NewColor); },
                      [&] { control("lblCountDown").setBackColor(NewColor); },
                      [&] { window().setBackColor(NewColor); },
                      [&] { control("cmdButton", 0).setBackColor(NewColor); },
                  });
}

void frmTessary2003::focusDefaultButton() {
    // A button that cannot take the focus is passed over: the window still works by mouse, and
    // a countdown must not wait behind an error dialog.
    passOver({[&] { control("cmdButton", g_iButtonIndex).setFocus(); }});
}

void frmTessary2003::Form_Activate() {
    focusDefaultButton();
    // Every activation starts the second afresh; the count itself goes on.
    const auto startCountdown = [&] {
        if (CountDownSeconds > 0) {
            platform::Control& timer = control("timerCountdown");
            timer.setInterval(kTickMilliseconds);
            timer.setEnabled(true);
        }
    };
    showAndDecide(trails().Form_Activate,
                  {[&] { m_sngCollapsedHeight = window().height(); }, startCountdown});
}

void frmTessary2003::cmdButton_MouseMove(int16_t Index) {
    if (!CommandDescriptions) {
        return;
    }
    // Only this box: the window's background puts every box back, so moving from one button
    // straight onto another lights both until then.
    showAndDecide("cmdButton_MouseMove&",
                  {
                      [&] { control("shpLabelBack", Index).setBorderColor(kLitBorder); },
                      [&] { control("shpLabelBack", Index).setFillColor(kLitFill); },
                  });
}

void frmTessary2003::lblCmdDesc_Click(int16_t Index) {
    passOver({[&] { cmdButton_Click(Index); }});
}

void frmTessary2003::Form_MouseMove() {
    if (!CommandDescriptions) {
        return;
    }
    const auto resetBoxes = [&] {
        for (const int16_t i : window().elements("shpLabelBack")) {
            platform::Control& box = control("shpLabelBack", i);
            box.setBorderColor(kBoxBorder);
            box.setFillColor(kBoxFill);
        }
    };
    showAndDecide("Form_MouseMove&", {resetBoxes});
}

void frmTessary2003::timerCountdown_Timer() {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const auto step = [&] {
        // The extremes stand still: the line keeps showing the number and the window never
        // closes by itself.
        if (CountDownSeconds == kMax || CountDownSeconds == kMin) {
            return;
        }
        if (CountDownSeconds < 1) {
            // A timeout: the composition answers with the default button.
            g_iButtonIndex = -1;
            window().hide();
        } else {
            --CountDownSeconds;
        }
    };
    showAndDecide("timerCountdown_Timer&", {[&] { MakeCountdownCaption(); }, step});
}

void frmTessary2003::MakeCountdownCaption() {
    const auto write = [&] {
        const bool one = CountDownSeconds == 1 || CountDownSeconds == -1;
        const std::string unit =
            desktop().translate(texts::kMessageBox, one ? "second" : "seconds");
        control("lblCountDown")
            .setCaption(CountDownCaption + " " + std::to_string(CountDownSeconds) + " " + unit);
    };
    showAndDecide("MakeCountdownCaption&", {write});
}

} // namespace qvMsgErr::windows

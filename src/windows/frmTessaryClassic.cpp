// The classic message window: grey description boxes, no hover, no countdown.
#include "windows/MessageWindow.h"

#include "support/failure.h"

namespace qvMsgErr::windows {

using platform::ControlKind;

namespace {

constexpr ProcedureTrails kTrails{
    "Property Let MessageBackColor&",
    "ToggleDetailsDisplay(&",
    "cmdButton_Click&",
    "Form_Activate&",
    "Form_KeyDown&",
    "ShowIcon(&",
};

constexpr int32_t kBlack = 0x000000;
constexpr int32_t kLightGrey = 0xE0E0E0;
constexpr int32_t kSilver = 0xC0C0C0;

platform::FormDesign makeDesign() {
    platform::FormDesign d;
    d.name = "frmTessaryClassic";
    d.clientWidth = 6240;
    d.clientHeight = 3765;
    d.keyPreview = true;
    d.startCentered = false; // the composition places the window itself

    addSharedControls(d, {5025, 150, 45, 2700, 150, kBlack, 2025, std::nullopt, std::nullopt});

    // A flat box: the border takes the fill colour.
    auto& box = addControl(d, ControlKind::Shape, "shpLabelBack", kArray, 2700, 150, 2190, 465);
    box.fillColor = kLightGrey;
    box.borderColor = kLightGrey;
    box.visible = false;

    addControl(d, ControlKind::Image, "imgIcon", -1, 150, 150, 390, 315).visible = false;
    addControl(d, ControlKind::Image, "imgLogo", -1, 4500, 75, 1665, 390).visible = false;

    auto& icons = addControl(d, ControlKind::ImageList, "imgIcons", -1, 0, 0, 0, 0);
    icons.maskColor = kSilver;
    icons.pictures = {
        {"icnCritical", platform::StockPicture::Critical},
        {"icnQuestion", platform::StockPicture::Question},
        {"icnExclamation", platform::StockPicture::Exclamation},
        {"icnInformation", platform::StockPicture::Information},
    };
    return d;
}

} // namespace

const platform::FormDesign& frmTessaryClassicDesign() {
    static const platform::FormDesign design = makeDesign();
    return design;
}

frmTessaryClassic::frmTessaryClassic() : MessageWindow(frmTessaryClassicDesign(), kTrails) {}

void frmTessaryClassic::MessageBackColor(const int32_t& NewColor) {
    showAndDecide(trails().MessageBackColor,
                  {
                      [&] { control("lblPrompt").setBackColor(NewColor); },
                      [&] { control("lblDontShowAgain").setBackColor(NewColor); },
                      [&] { control("FraDetails").setBackColor(NewColor); },
                      [&] { control("chkDontShow").setBackColor(NewColor); },
                      [&] { window().setBackColor(NewColor); },
                      [&] { control("cmdButton", 0).setBackColor(NewColor); },
                  });
}

void frmTessaryClassic::focusDefaultButton() {
    // A button that cannot take the focus is reported: it means the composition chose a default
    // position that is not shown.
    control("cmdButton", g_iButtonIndex).setFocus();
}

} // namespace qvMsgErr::windows

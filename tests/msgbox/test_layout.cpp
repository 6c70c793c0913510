// Geometry of the message window on the headless desktop, in exact twips: 90 per character,
// 195 per line, borders 120 × 465, screen 28800 × 16200. The 2003 window's design puts the
// prompt at (225, 225), the icon place at (150, 150) 390 × 315 and the first button at
// (5010, 105) 1140 × 390.
#include "msgbox_fixture.h"

#include <map>
#include <tuple>

namespace msgboxtest {
namespace {

using namespace qvMsgErr;

/// Where a control was and what it said.
struct Box {
    float left = 0, top = 0, width = 0, height = 0;
    std::string caption;
    bool visible = false;
};

Box boxOf(platform::Control& c) {
    return {c.left(), c.top(), c.width(), c.height(), c.caption(), c.visible()};
}

class LayoutTest : public MsgBoxTest {
protected:
    /// Shows `prompt` and records the window and every control of interest, then presses
    /// button 0.
    std::map<std::string, Box> show(const std::string& prompt, int32_t buttons,
                                    const HostObject* parent = nullptr) {
        std::map<std::string, Box> seen;
        user([&](ScriptedUser& u) {
            const auto& w = u.window();
            outer = {w.left(), w.top(), w.width(), w.height(), w.caption(), true};
            seen["prompt"] = boxOf(u.control("lblPrompt"));
            for (const char* list : {"cmdButton", "lblCmdDesc", "shpLabelBack"}) {
                for (int16_t i : u.window().elements(list)) {
                    seen[list + std::to_string(i)] = boxOf(u.control(list, i));
                }
            }
            for (const char* name : {"chkDontShow", "lblCountDown"}) {
                seen[name] = boxOf(u.control(name));
            }
            u.click("cmdButton", 0);
        });
        box->MsgBoxType(Tessary2003);
        box->msgBox(prompt, buttons, "T", "", -1, "Q1", parent);
        return seen;
    }

    Box outer; ///< the window
};

TEST_F(LayoutTest, WindowSizedToItsContentAndCentred) {
    std::string wrapping; // 34 words of 9 characters: 96 fit the 8640 twips of a line, so 4 lines
    for (int i = 0; i < 34; ++i) {
        wrapping += "wrapping ";
    }
    const FixedForm parent(3000, 2000, 6000, 4001); // centred at (6000, 4000): 4000.5 to even
    // The height comes from the prompt (its bottom + 650 + the horizontal border 120) or the
    // last button (its bottom + 650); the width from the button column (+ 250) where that beats
    // the prompt's right edge + 250 + the vertical border 465. Buttons stack 100 apart.
    const struct {
        std::string prompt;
        int32_t buttons;
        const HostObject* parent;
        float promptLeft, promptWidth, height, width, left, top;
    } cases[] = {
        {"Hello world", 0, nullptr, 225, 990, 225 + 195 + 650 + 120, 225 + 990 + 500 + 1140 + 250,
         (28800 - 3105) / 2.0F, (16200 - 1190) / 2.0F},
        {"Hello world", 0, &parent, 225, 990, 1190, 3105, 6000 - 1552, 4000 - 595},
        // An icon moves the prompt right of its place.
        {"Hello world", 3 | 64, nullptr, 690, 990, 105 + 3 * 390 + 2 * 100 + 650,
         690 + 990 + 500 + 1140 + 250, (28800 - 3570) / 2.0F, (16200 - 2125) / 2.0F},
        // A long prompt wraps at 30 % of the screen.
        {wrapping, 0, nullptr, 225, 0.3F * 28800, 225 + 4 * 195 + 650 + 120,
         225 + 8640 + 500 + 1140 + 250, (28800 - 10755) / 2.0F, (16200 - 1775) / 2.0F},
    };
    for (const auto& c : cases) {
        auto s = show(c.prompt, c.buttons, c.parent);
        EXPECT_EQ(std::tuple(s["prompt"].left, s["prompt"].width, s["cmdButton0"].left,
                             outer.height, outer.width, outer.left, outer.top),
                  std::tuple(c.promptLeft, c.promptWidth, c.promptLeft + c.promptWidth + 500,
                             c.height, c.width, c.left, c.top))
            << c.prompt.size() << " " << c.buttons;
    }
}

TEST_F(LayoutTest, DescriptionsBesideTheirButtons) {
    box->CmdDescriptions(true);
    box->DescYes("Save it");
    box->DescNo("Throw it away now please");
    auto s = show("Hello world", 4 | 0x4000);
    // First button 200 below the prompt; its box 10 above it.
    EXPECT_EQ(std::tuple(s["cmdButton0"].top, s["shpLabelBack0"].top, s["lblCmdDesc0"].top,
                         s["lblCmdDesc0"].left),
              std::tuple(620.F, 610.F, 630.F, 275.F));
    // Descriptions wrap at the prompt's width, 11 characters: "Throw it / away now / please".
    // The second box is 100 below the first, grown to its description; its button centred on
    // that. Help has no description of its own and follows 150 below.
    EXPECT_EQ(std::tuple(s["lblCmdDesc1"].width, s["lblCmdDesc1"].height, s["shpLabelBack1"].top,
                         s["shpLabelBack1"].height, s["cmdButton1"].top, s["lblCmdDesc2"].visible,
                         s["shpLabelBack2"].visible, s["cmdButton2"].top),
              std::tuple(990.F, 585.F, 1175.F, 605.F, 1195 + 585 / 2.0F - 195, false, false,
                         1195 + 585 / 2.0F - 195 + 390 + 150));
    // No description reaches past the prompt, so the column stays 500 right of it, and every box
    // ends 50 right of its text as it starts 50 left of it.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s["cmdButton" + std::to_string(i)].left, 225 + 990 + 500);
        EXPECT_EQ(s["shpLabelBack" + std::to_string(i)].width, 1715 - 225 - 400);
    }
    EXPECT_EQ(225 + s["shpLabelBack1"].width, 275 + 990 + 50);
}

TEST_F(LayoutTest, CheckBoxAndCountdownBelowTheContent) {
    box->DontShowAgain(true);
    box->TimerUse(true);
    box->TimerSeconds(30);
    box->TimerCountDownCaption = "Closing in ";
    auto s = show("Hello world", 0);
    // Content height: the button's bottom 495 + 200; the window writes the running count.
    EXPECT_EQ(std::tuple(s["chkDontShow"].top, s["chkDontShow"].width, s["chkDontShow"].caption,
                         s["lblCountDown"].top, s["lblCountDown"].caption, outer.height,
                         outer.width),
              std::tuple(745.F, 29 * 90 + 320.F, "Don't show this message again", 745 + 240 + 50.F,
                         "", 1035 + 195 + 650.F, 150 + 2930 + 250.F));
    // A tall description centres its button.
    box->CmdDescriptions(true);
    box->DescOK("one\r\ntwo\r\nthree");
    s = show("Hello world", 0);
    EXPECT_EQ(std::tuple(s["lblCmdDesc0"].height, s["shpLabelBack0"].height, s["cmdButton0"].top),
              std::tuple(585.F, 605.F, 630 + 585 / 2.0F - 195));
}

} // namespace
} // namespace msgboxtest

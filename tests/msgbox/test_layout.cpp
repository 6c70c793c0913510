// Geometry of the message window and the icon a flag word chooses, on the headless desktop, in
// exact twips: 90 per character, 195 per line, borders 120 × 465, screen 28800 × 16200. The 2003
// window's design puts the prompt at (225, 225), the icon place at (150, 150) 390 × 315 and
// the first button at (5010, 105) 1140 × 390.
#include "msgbox/numbers.h"
#include "msgbox_fixture.h"
#include "table.h"

#include <map>
#include <tuple>
#include <vector>

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

TEST(FlagWord, IconLaterTestsWin) {
    for (const auto& row : qvtest::readTable("icons.txt")) {
        EXPECT_EQ(msgbox::iconCode(flagsOf(row.at(0))), std::stoi(row.at(1))) << row.at(0);
    }
}

TEST_F(LayoutTest, WindowSizedToItsContentAndCentred) {
    const FixedForm parent(3000, 2000, 6000, 4001);
    for (const auto& row : qvtest::readTable("window-size.txt")) {
        std::string prompt;
        for (int i = 0; i < std::stoi(row.at(2)); ++i) {
            prompt += row.at(1);
        }
        const std::string& setting = row.at(4);
        desktop->setMessageFontSize(setting.ends_with(" pt") ? std::stof(setting) : 8);
        box->ButtonYes(setting.starts_with("yes: ") ? setting.substr(5) : "");
        auto s = show(prompt, flagsOf(row.at(3)), setting == "parent" ? &parent : nullptr);
        std::vector<float> expected;
        for (std::size_t i = 5; i < row.size(); ++i) {
            expected.push_back(std::stof(row.at(i)));
        }
        EXPECT_EQ((std::vector<float>{s["prompt"].left, s["prompt"].width, outer.height,
                                      outer.width, outer.left, outer.top}),
                  expected)
            << row.at(0);
        EXPECT_EQ(s["cmdButton0"].left, s["prompt"].left + s["prompt"].width + 500) << row.at(0);
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
}

} // namespace
} // namespace msgboxtest

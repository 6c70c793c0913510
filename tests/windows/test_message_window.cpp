// What both message windows do alike: access keys, Help, Details, focus and the icon.
#include "window_fixture.h"

using namespace windowtest;

namespace {

TEST_F(WindowTest, KeysPressButtonsAndOpenHelp) {
    const struct {
        int16_t key, shift;
        int32_t context;
        const char* helpTag;
        int16_t answer;      ///< -1: the window stays open
        int32_t helpCommand; ///< 0: no help
    } cases[] = {
        {'Y', 0, 0, "Help", 0, 0}, // the caption's "&y" compares in upper case
        {'Y', platform::kShift, 0, "Help", 0, 0},
        {'N', platform::kCtrl, 0, "Help", 1, 0},
        {'N', platform::kCtrl | platform::kAlt, 0, "Help", 1, 0},
        {'N', platform::kAlt, 0, "Help", 1, 0}, // the desktop's own access key
        {'C', 0, 0, "Help", -1, 0},             // no "&"
        {'B', 0, 0, "Help", -1, 0},             // "&&" is searched at its first "&"
        {'1', 0, 0, "Help", 4, 0},
        {'y', 0, 0, "Help", -1, 0}, // key code 121
        {'H', 0, 0, "Help", -1, 3},
        {112, 0, 1234, "Help", -1, 1},
        {112, 0, 1234, "help", -1, 0}, // tags compare exactly
        {'H', 0, 1234, "help", 5, 0},
    };
    for (const Style style : kBothStyles) {
        for (const auto& c : cases) {
            SCOPED_TRACE(nameOf(style) + " " + std::to_string(c.key) + "/" +
                         std::to_string(c.shift) + " " + c.helpTag);
            desktop->clearSideEffects();
            auto w = open(style,
                          {{"&yes", ""},
                           {"&No", ""},
                           {"Cancel", ""},
                           {"A&&B", ""},
                           {"&1 more", ""},
                           {"&Help", c.helpTag}},
                          2);
            w->g_sHelpFile = "app.chm";
            w->window().setHelpContextId(c.context);
            bool shown = true;
            run(*w, [&](ScriptedUser& u) {
                u.keyDown(c.key, c.shift);
                shown = u.shown();
            });
            EXPECT_EQ(shown, c.answer == -1);
            // The script's end is the title bar's close box: it answers with the default.
            EXPECT_EQ(w->g_iButtonIndex, c.answer == -1 ? 2 : c.answer);
            const auto help = desktop->sideEffects(headless::EffectKind::Help);
            ASSERT_EQ(help.size(), c.helpCommand == 0 ? 0U : 1U);
            if (c.helpCommand != 0) {
                EXPECT_EQ(help[0].helpFile, "app.chm");
                EXPECT_EQ(help[0].number, c.helpCommand);
                EXPECT_EQ(help[0].context, c.helpCommand == 1 ? c.context : 0);
            }
        }
    }
}

TEST_F(WindowTest, DetailsOpenBelowAndCloseAgain) {
    const std::pair<std::string, std::string> captions[] = {{"&Details >>", "<< &Details"},
                                                            {"More", "More"}};
    for (const Style style : kBothStyles) {
        for (const auto& caption : captions) {
            // A caption without the marks stays as it is, but the section still opens.
            const std::string& collapsed = caption.first;
            const std::string& expanded = caption.second;
            SCOPED_TRACE(nameOf(style) + " " + collapsed);
            auto w = open(style, {{"OK", ""}, {collapsed, "Details"}}, 1);
            w->window().setHeight(2400);
            w->window().setWidth(5000);
            run(*w, [&](ScriptedUser& u) {
                platform::Control& frame = u.control("FraDetails");
                platform::Control& toggle = u.control("cmdButton", 1);
                EXPECT_TRUE(toggle.hasFocus()) << "activation focuses the default";
                u.click("cmdButton", 1);
                EXPECT_TRUE(frame.visible());
                EXPECT_EQ(toggle.caption(), expanded);
                EXPECT_FLOAT_EQ(u.window().height(), 2400 + 1665);
                EXPECT_FLOAT_EQ(frame.top(), 1950);
                EXPECT_FLOAT_EQ(frame.width(), 4800);
                EXPECT_FLOAT_EQ(u.control("txtDetails").width(), 4600);
                u.click("txtDetails");
                EXPECT_TRUE(toggle.hasFocus()) << "the text keeps no focus";

                u.click("cmdButton", 1);
                EXPECT_FALSE(frame.visible());
                EXPECT_EQ(toggle.caption(), collapsed);
                EXPECT_FLOAT_EQ(u.window().height(), 2400);

                // Coming back to the window while the details show makes that the new height.
                u.click("cmdButton", 1);
                u.activate();
                u.click("cmdButton", 1);
                EXPECT_FLOAT_EQ(u.window().height(), 2400 + 1665);
                u.click("cmdButton", 0);
            });
            EXPECT_EQ(w->g_iButtonIndex, 0);
        }
    }
}

TEST_F(WindowTest, IconIsDrawnOnEveryPaint) {
    const struct {
        Style style;
        int32_t offset;
        int16_t drawn; ///< 0: nothing; -1: an error
        const char* key;
    } cases[] = {
        {Style::Classic, 0, 0, ""},    {Style::Classic, 4, 4, "icnInformation"},
        {Style::Classic, 5, -1, ""},   {Style::Office, 1, 1, "icnCriticalx"},
        {Style::Office, 40000, 0, ""}, // no 16-bit number: passed over
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(nameOf(c.style) + " " + std::to_string(c.offset));
        auto w = open(c.style, {{"OK", ""}});
        w->IconOffset = c.offset;
        // A failed drawing comes back with every paint: taking the icon away ends it.
        answerError = [&](ScriptedUser& u) {
            w->IconOffset = 0;
            u.click("cmdClose");
        };
        run(*w, [&](ScriptedUser& u) {
            u.paint();
            const auto surface = desktop->surface(u.window().handle());
            ASSERT_EQ(surface.size(), c.drawn > 0 ? 1U : 0U);
            if (c.drawn > 0) {
                EXPECT_EQ(
                    w->window().design().find("imgIcons")->pictures.at(surface[0].number - 1).key,
                    c.key);
                EXPECT_FLOAT_EQ(surface[0].x, 150);
                EXPECT_FLOAT_EQ(surface[0].y, 150);
            }
        });
        EXPECT_EQ(errors, std::vector<std::string>(c.drawn < 0 ? 1 : 0, "ShowIcon(\r\n"));
        errors.clear();
    }
}

TEST_F(WindowTest, BackColourReachesItsPartsOnly) {
    for (const Style style : kBothStyles) {
        SCOPED_TRACE(nameOf(style));
        auto w = open(style, {{"OK", ""}});
        const int32_t list = w->control("imgIcons").backColor();
        const int32_t text = w->control("txtDetails").backColor();
        w->MessageBackColor(0x123456);
        std::vector<std::string> parts = {"lblPrompt", "lblDontShowAgain", "FraDetails",
                                          "chkDontShow"};
        if (style == Style::Office) {
            parts.emplace_back("lblCountDown");
            EXPECT_EQ(w->control("imgIcons").backColor(), 0x123456);
        } else {
            EXPECT_EQ(w->control("imgIcons").backColor(), list);
        }
        for (const std::string& part : parts) {
            EXPECT_EQ(w->control(part).backColor(), 0x123456) << part;
        }
        EXPECT_EQ(w->window().backColor(), 0x123456);
        EXPECT_EQ(w->window().addElement("cmdButton", 1).backColor(), 0x123456) << "a copy";
        EXPECT_EQ(w->control("txtDetails").backColor(), text);
    }
}

TEST_F(WindowTest, UnfocusableDefaultIsReportedByTheClassicWindowOnly) {
    const struct {
        Style style;
        std::string answer;
        size_t errors;
        float collapsedHeight; ///< as recorded by the activation
        int16_t focused;
    } cases[] = {
        {Style::Classic, "cmdRetry", 1, 3000, 1},
        {Style::Classic, "cmdIgnore", 1, 3000, 0},
        {Style::Classic, "cmdClose", 1, 0, 0},
        {Style::Office, "", 0, 3000, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(nameOf(c.style) + " " + c.answer);
        auto w = open(c.style, {{"OK", ""}, {"Gone", "", false}, {"Details", "Details"}}, 1);
        w->window().setHeight(3000);
        answerError = [&](ScriptedUser& u) {
            if (c.answer == "cmdRetry") {
                w->control("cmdButton", 1).setVisible(true);
            }
            u.click(c.answer);
        };
        // Modeless: a modal window would be activated again, and fail again, when the dialog
        // above it ends.
        w->window().showModeless();
        EXPECT_EQ(errors, std::vector<std::string>(c.errors, "Form_Activate\r\n"));
        errors.clear();
        EXPECT_TRUE(w->control("cmdButton", c.focused).hasFocus());
        ASSERT_TRUE(desktop->actOnModeless(nameOf(c.style), [&](ScriptedUser& u) {
            u.click("cmdButton", 2);
            EXPECT_FLOAT_EQ(u.window().height(), c.collapsedHeight + 1665);
        }));
    }
}

} // namespace

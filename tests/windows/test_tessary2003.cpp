// What only the 2003-style window does: descriptions light up and press their button, and a
// countdown closes the window.
#include "window_fixture.h"

#include <utility>

using namespace windowtest;

namespace {

struct Box {
    int32_t border, fill;
    bool operator==(const Box&) const = default;
};
constexpr Box kNormal{0x800000, 0xD15A12}, kLit{0x0000FF, 0xFF0000};

TEST_F(WindowTest, DescriptionBoxesLightUnderTheMouse) {
    const struct {
        Style style;
        bool descriptions, lights;
    } cases[] = {
        {Style::Office, true, true}, {Style::Office, false, false}, {Style::Classic, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(nameOf(c.style) + (c.descriptions ? " on" : " off"));
        auto w = open(c.style, {{"&Yes", ""}, {"&No", ""}, {"Cancel", ""}}, 0, true);
        w->CommandDescriptions = c.descriptions;
        const auto boxes = [&] {
            std::vector<Box> all;
            for (int16_t i = 0; i < 3; ++i) {
                const auto& b = w->control("shpLabelBack", i);
                all.push_back({b.borderColor(), b.fillColor()});
            }
            return all;
        };
        const Box d = boxes()[0];
        const Box on = c.lights ? kLit : d;
        run(*w, [&](ScriptedUser& u) {
            u.mouseMove("cmdButton", 1);
            EXPECT_EQ(boxes(), (std::vector<Box>{d, on, d}));
            u.mouseMove("lblCmdDesc", 2);
            EXPECT_EQ(boxes(), (std::vector<Box>{d, on, on})) << "both stay lit";
            u.mouseMove("lblPrompt");
            EXPECT_EQ(boxes(), (std::vector<Box>{d, on, on})) << "not the background";
            u.mouseMove("shpLabelBack", 2); // a shape passes the mouse on to the window
            EXPECT_EQ(boxes(), (std::vector<Box>(3, d)));
        });
        EXPECT_TRUE(c.style == Style::Classic || d == kNormal);
    }
}

TEST_F(WindowTest, DescriptionClickPressesItsButton) {
    const struct {
        Style style;
        int16_t description;
        bool shown;
        size_t help;
        const char* details;
    } cases[] = {
        {Style::Office, 0, false, 0, "&Details >>"},
        {Style::Office, 1, true, 1, "&Details >>"},
        {Style::Office, 2, true, 0, "<< &Details"},
        {Style::Classic, 0, true, 0, "&Details >>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(nameOf(c.style) + " " + std::to_string(c.description));
        desktop->clearSideEffects();
        auto w =
            open(c.style, {{"&Yes", ""}, {"&Help", "Help"}, {"&Details >>", "Details"}}, 1, true);
        bool shown = false;
        run(*w, [&](ScriptedUser& u) {
            u.click("lblCmdDesc", c.description);
            shown = u.shown();
            EXPECT_EQ(w->control("cmdButton", 2).caption(), c.details);
        });
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(desktop->sideEffects(headless::EffectKind::Help).size(), c.help);
        EXPECT_EQ(w->g_iButtonIndex, c.shown ? 1 : c.description);
    }
}

TEST_F(WindowTest, CountdownClosesTheWindow) {
    const struct {
        int32_t seconds;
        std::vector<std::string> ticks; ///< the line after each second
        int16_t answer; ///< -1: closed by the last tick; 1: the button pressed after it
    } cases[] = {
        {1, {"1 second", "0 seconds"}, -1},
        {3, {"3 seconds", "2 seconds", "1 second", "0 seconds"}, -1},
        {3, {"3 seconds", "2 seconds"}, 1},
        {2147483647, {"2147483647 seconds", "2147483647 seconds"}, 1},
        {0, {"", ""}, 1},
        {-4, {""}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        auto w = open(Style::Office, {{"OK", ""}, {"Cancel", ""}});
        auto& office = static_cast<windows::frmTessary2003&>(*w);
        office.CountDownSeconds = c.seconds;
        office.CountDownCaption = "Closing in";
        run(*w, [&](ScriptedUser& u) {
            EXPECT_EQ(u.control("timerCountdown").enabled(), c.seconds > 0);
            for (const std::string& tick : c.ticks) {
                u.advanceSeconds(1);
                EXPECT_EQ(u.control("lblCountDown").caption(),
                          tick.empty() ? "" : "Closing in " + tick);
            }
            EXPECT_EQ(u.shown(), c.answer != -1);
            if (u.shown()) {
                u.click("cmdButton", 1);
            }
        });
        EXPECT_EQ(w->g_iButtonIndex, c.answer);
    }
}

} // namespace

// What only the 2003-style window does: descriptions light up and press their button, and a
// countdown at the extreme stands still. (How the countdown runs and ends is seen through the
// message box itself.)
#include "window_fixture.h"

#include <limits>
#include <tuple>

using namespace windowtest;

namespace {

using Box = std::pair<int32_t, int32_t>; ///< border and fill colour
constexpr Box kLit{0x0000FF, 0xFF0000};

TEST_F(WindowTest, DescriptionsLightUnderTheMouseAndPressTheirButton) {
    // style, descriptions shown, whether they light up, whether a click presses their button
    const std::tuple<Style, bool, bool, bool> cases[] = {{Style::Office, true, true, true},
                                                         {Style::Office, false, false, true},
                                                         {Style::Classic, true, false, false}};
    for (const auto& [style, descriptions, lights, presses] : cases) {
        SCOPED_TRACE(nameOf(style) + (descriptions ? " on" : " off"));
        desktop->clearSideEffects();
        auto w = open(style, {{"&Yes", ""}, {"&Help", "Help"}, {"Cancel", ""}}, 2);
        w->CommandDescriptions = descriptions;
        const auto boxes = [&] {
            std::vector<Box> all;
            for (int16_t i = 0; i < 3; ++i) {
                const auto& b = w->control("shpLabelBack", i);
                all.emplace_back(b.borderColor(), b.fillColor());
            }
            return all;
        };
        const Box d = boxes()[0];
        const Box on = lights ? kLit : d;
        run(*w, [&, presses = presses](ScriptedUser& u) {
            u.mouseMove("cmdButton", 1);
            EXPECT_EQ(boxes(), (std::vector<Box>{d, on, d}));
            u.mouseMove("lblCmdDesc", 2);
            EXPECT_EQ(boxes(), (std::vector<Box>{d, on, on})) << "both stay lit";
            u.mouseMove("lblPrompt");
            EXPECT_EQ(boxes(), (std::vector<Box>{d, on, on})) << "not the background";
            u.mouseMove("shpLabelBack", 2); // a shape passes the mouse on to the window
            EXPECT_EQ(boxes(), (std::vector<Box>(3, d)));
            // Help's description opens help and leaves the window open, as the button does.
            u.click("lblCmdDesc", 1);
            EXPECT_EQ(desktop->sideEffects(headless::EffectKind::Help).size(), presses ? 1U : 0U);
            u.click("lblCmdDesc", 0);
            EXPECT_EQ(u.shown(), !presses);
        });
        EXPECT_EQ(w->g_iButtonIndex, presses ? 0 : 2);
    }
}

} // namespace

// The message windows: access keys, Help, Details, the icon, colours and the names of their
// procedures, and what only the 2003 style does: descriptions that light up and press their button.
// Each test fills a window the way the composition does and answers the error dialog itself.
#include "scratch.h"
#include "table.h"

#include "error/presenter.h"
#include "windows/MessageWindow.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace qvMsgErr;
using headless::ScriptedUser;
using windows::MessageWindow;

enum class Style { Classic, Office };
const Style kBothStyles[] = {Style::Classic, Style::Office};
std::string nameOf(Style s) {
    return s == Style::Classic ? "frmTessaryClassic" : "frmTessary2003";
}

using Button = std::pair<std::string, std::string>; ///< caption and tag

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        desktop->setComponentDirectory(dir.path());
        setThreadDesktop(desktop);
        apartment().sharedError = error::presenterFor(std::make_shared<clsError>());
        desktop->onModal([this](ScriptedUser& u) {
            if (u.windowName() == "dlgError") {
                errors.push_back(u.control("rtfDetails").text());
                answerError(u);
            } else if (user) {
                user(u);
            }
        });
    }
    void TearDown() override {
        apartment().sharedError.reset();
        EXPECT_EQ(errors, std::vector<std::string>{}) << "error dialogs nobody expected";
        EXPECT_EQ(loadedFormCount(), 0U) << "a test left windows of the library open";
        setThreadDesktop(nullptr);
    }

    /// A window with `buttons`, each with a description and a box, as the composition fills it,
    /// the default at `defaultIndex`.
    static std::unique_ptr<MessageWindow> open(Style style, const std::vector<Button>& buttons,
                                               int16_t defaultIndex = 0) {
        auto w =
            style == Style::Classic
                ? std::unique_ptr<MessageWindow>(std::make_unique<windows::frmTessaryClassic>())
                : std::make_unique<windows::frmTessary2003>();
        for (int16_t i = 0; i < static_cast<int16_t>(buttons.size()); ++i) {
            for (const char* array : {"cmdButton", "lblCmdDesc", "shpLabelBack"}) {
                auto& c = i == 0 ? w->control(array, 0) : w->window().addElement(array, i);
                c.setTop(150 + 600 * static_cast<float>(i));
                c.setVisible(true);
            }
            w->control("cmdButton", i).setCaption(buttons[i].first);
            w->control("cmdButton", i).setTag(buttons[i].second);
        }
        w->g_iButtonIndex = defaultIndex;
        w->CloseIndex = defaultIndex; // as for a message whose Cancel is the default
        return w;
    }

    /// Shows `w` modally with `act` as the user.
    void run(MessageWindow& w, std::function<void(ScriptedUser&)> act) {
        user = std::move(act);
        w.showModal();
    }

    qvtest::ScratchDir dir;
    std::shared_ptr<headless::HeadlessDesktop> desktop =
        std::make_shared<headless::HeadlessDesktop>();
    std::function<void(ScriptedUser&)> user;
    /// Answers the error dialog. The details of each one shown are in `errors`, which a test that
    /// expects them clears.
    std::function<void(ScriptedUser&)> answerError = [](ScriptedUser& u) { u.click("cmdClose"); };
    std::vector<std::string> errors;
};

TEST_F(WindowTest, KeysPressButtonsAndOpenHelp) {
    const std::vector<Button> buttons = {{"&yes", ""},    {"&No", ""},     {"Cancel", ""},
                                         {"A&&B", ""},    {"&1 more", ""}, {"&Help", "help"},
                                         {"&Ask", "Help"}};
    for (const auto& row : qvtest::readTable("keys.txt")) {
        SCOPED_TRACE(row.at(0));
        const auto key =
            static_cast<int16_t>(row.at(1).size() == 1 ? row.at(1)[0] : std::stoi(row.at(1)));
        const int16_t shift = (row.at(2).find("ctrl") != std::string::npos ? platform::kCtrl : 0) |
                              (row.at(2).find("alt") != std::string::npos ? platform::kAlt : 0);
        const int answer = row.at(3) == "-" ? -1 : std::stoi(row.at(3));
        const auto help = static_cast<size_t>(std::stoi(row.at(4)));
        desktop->clearSideEffects();
        auto w = open(Style::Classic, buttons, 2);
        run(*w, [&](ScriptedUser& u) { u.keyDown(key, shift); });
        // The script's end is the title bar's close box: it answers with the default.
        EXPECT_EQ(w->g_iButtonIndex, answer == -1 ? 2 : answer);
        EXPECT_EQ(desktop->sideEffects(headless::EffectKind::Help).size(), help);
    }
}

TEST_F(WindowTest, CtrlCCopiesTheMessageAsText) {
    const std::string rule = "---------------------------\n";
    for (const Style style : kBothStyles) {
        SCOPED_TRACE(nameOf(style));
        desktop->clearSideEffects();
        // "&Cancel" would take Ctrl+C as its access key: copying comes first.
        auto w =
            open(style,
                 {{"&Yes", ""}, {"&Cancel", ""}, {"&Details >>", "Details"}, {"&Help", "Help"}}, 1);
        w->window().setCaption("Ledger");
        w->control("lblPrompt").setCaption("Save A&&B?");
        w->control("txtDetails").setText("3 entries");
        run(*w, [](ScriptedUser& u) {
            u.keyDown('C', platform::kCtrl);
            EXPECT_TRUE(u.shown());
        });
        const auto copies = desktop->sideEffects(headless::EffectKind::Copy);
        ASSERT_EQ(copies.size(), 1U);
        EXPECT_EQ(copies[0].text, rule + "Ledger\n" + rule + "Save A&&B?\n" + rule + "3 entries\n" +
                                      rule + "Yes   Cancel   Help   \n" + rule);
    }
}

TEST_F(WindowTest, DetailsOpenBelowAndCloseAgain) {
    // A caption without the marks stays as it is, but the section still opens.
    const std::pair<std::string, std::string> captions[] = {{"&Details >>", "<< &Details"},
                                                            {"More", "More"}};
    for (const auto& caption : captions) {
        SCOPED_TRACE(caption.first);
        auto w = open(Style::Office, {{"OK", ""}, {caption.first, "Details"}}, 1);
        w->window().setHeight(2400);
        w->window().setWidth(5000);
        run(*w, [&](ScriptedUser& u) {
            platform::Control& frame = u.control("FraDetails");
            platform::Control& toggle = u.control("cmdButton", 1);
            const auto state = [&] {
                return std::tuple(frame.visible(), toggle.caption(), u.window().height());
            };
            EXPECT_TRUE(toggle.hasFocus()) << "activation focuses the default";
            u.click("cmdButton", 1);
            EXPECT_EQ(state(), std::tuple(true, caption.second, 2400.F + 1665));
            EXPECT_EQ(std::tuple(frame.top(), frame.width(), u.control("txtDetails").width()),
                      std::tuple(1950.F, 4800.F, 4600.F));
            // The details take the focus, and a letter typed there is no access key.
            u.click("txtDetails");
            u.keyDown('D');
            EXPECT_EQ(state(), std::tuple(true, caption.second, 2400.F + 1665));
            u.click("cmdButton", 1);
            EXPECT_EQ(state(), std::tuple(false, caption.first, 2400.F));
        });
    }
}

TEST_F(WindowTest, IconIsDrawnOnEveryPaint) {
    for (const auto& row : qvtest::readTable("icons.txt")) {
        SCOPED_TRACE(row.at(0));
        const Style style = row.at(1) == "classic" ? Style::Classic : Style::Office;
        const int32_t offset = std::stoi(row.at(2)), drawn = std::stoi(row.at(3));
        auto w = open(style, {{"OK", ""}});
        w->IconOffset = offset;
        // A failed drawing comes back with every paint: taking the icon away ends it.
        answerError = [&](ScriptedUser& u) {
            w->IconOffset = 0;
            u.click("cmdClose");
        };
        run(*w, [&](ScriptedUser& u) {
            u.paint();
            const auto surface = desktop->surface(u.window().handle());
            ASSERT_EQ(surface.size(), drawn > 0 ? 1U : 0U);
            for (const auto& icon : surface) {
                EXPECT_EQ(std::tuple(icon.number, icon.x, icon.y), std::tuple(drawn, 150.F, 150.F));
            }
        });
        EXPECT_EQ(std::exchange(errors, {}),
                  std::vector<std::string>(drawn < 0 ? 1 : 0, "ShowIcon(\r\n"));
    }
}

// A procedure that fails names itself in the error dialog, each style in its own words.
TEST_F(WindowTest, BackColourReachesItsPartsOnlyAndFailsOnAnUnloadedWindow) {
    for (const Style style : kBothStyles) {
        SCOPED_TRACE(nameOf(style));
        auto w = open(style, {{"OK", ""}});
        const int32_t list = w->control("imgIcons").backColor();
        const int32_t text = w->control("txtDetails").backColor();
        w->MessageBackColor(0x123456);
        for (const char* part : {"lblPrompt", "lblDontShowAgain", "FraDetails", "chkDontShow"}) {
            EXPECT_EQ(w->control(part).backColor(), 0x123456) << part;
        }
        EXPECT_EQ(w->window().addElement("cmdButton", 1).backColor(), 0x123456) << "a copy";
        EXPECT_EQ(w->control("txtDetails").backColor(), text);
        // Only the 2003 style has a countdown line, and blends its icons into the window.
        const bool office = style == Style::Office;
        EXPECT_TRUE(!office || w->control("lblCountDown").backColor() == 0x123456);
        EXPECT_EQ(w->control("imgIcons").backColor(), office ? 0x123456 : list);

        w->window().unload();
        w->MessageBackColor(0x123456);
        EXPECT_EQ(std::exchange(errors, {}),
                  std::vector<std::string>{office ? "Public Property Let MessageBackColor\r\n"
                                                  : "Property Let MessageBackColor\r\n"});
    }
}

TEST_F(WindowTest, AFailingPressIsNamedInTheErrorDialog) {
    for (const Style style : kBothStyles) {
        auto w = open(style, {{"OK", ""}});
        w->CloseIndex = 7; // Escape answers with a button that is not there
        run(*w, [](ScriptedUser& u) {
            u.keyDown(27);
            u.click("cmdButton", 0);
        });
        EXPECT_EQ(std::exchange(errors, {}), std::vector<std::string>{"cmdButton_Click\r\n"})
            << nameOf(style);
    }
}

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
        });
        EXPECT_EQ(w->g_iButtonIndex, presses ? 0 : 2);
    }
}

} // namespace

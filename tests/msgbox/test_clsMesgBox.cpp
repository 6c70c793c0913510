// clsMesgBox as a host uses it: options and their reset, the call, the styles, the countdown and
// the failures, on the headless desktop.
#include "msgbox_fixture.h"
#include "raised.h"
#include "table.h"

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/clsError.h>

#include <cmath>
#include <tuple>

namespace msgboxtest {
namespace {

using namespace qvMsgErr;

using qvMsgErr::testing::raised;

TEST_F(MsgBoxTest, OneShotOptionsResetAfterACompletedCallOnly) {
    box->MsgBoxType(Tessary2003);
    box->ButtonOK("Fine");
    box->DefaultButtonCancel("Stop");
    box->DescOK("Carries on");
    box->CmdDescriptions(true);
    box->DetailsButton(true);
    box->DetailsString("more");
    box->DontShowIsManual(true);
    box->DontShowIsValidForCancel(true);
    box->DontShowForceButton(qvButtonOK);
    box->DontShowAgainPrompt("Never again");
    box->FormPosition(true);
    box->FormLeft(15);
    box->FormTop(15);
    box->TimerUse(true);
    box->UseSounds = false;
    std::vector<std::string> seen;
    user([&](ScriptedUser& u) {
        auto& w = u.window();
        seen.push_back(u.control("cmdButton", 0).caption() + "|" +
                       u.control("cmdButton", 1).caption() + "|" +
                       u.control("lblCmdDesc", 0).caption() + "|" +
                       std::to_string(w.elements("cmdButton").size()) + "|" +
                       u.control("lblDontShowAgain").caption() + "|" +
                       (u.control("lblCountDown").visible() ? "countdown" : "") + "|" +
                       (w.left() == 15 ? "at 15" : "centred"));
        u.click("cmdButton", 0);
    });
    box->DontShowAgain(true);
    EXPECT_EQ(box->msgBox("First", 1, "T", "", -1, "Reset"), qvButtonOK);
    EXPECT_EQ(std::tuple(box->DetailsString(), box->DontShowIsManual(), box->CmdDescriptions(),
                         box->DontShowIsValidForCancel(), box->DontShowForceButton(),
                         box->UseSounds),
              std::tuple("", false, false, false, qvButtonNone, true));
    box->CmdDescriptions(true);
    box->DontShowAgain(true);
    EXPECT_EQ(box->msgBox("Second", 1, "T", "", -1, "Reset2"), qvButtonOK);
    // A standing caption takes effect from the next reset on.
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "Fine|Cancel|Carries on|3|Never again|countdown|at 15",
                        "OK|Stop|Carries on|2|Don't show this message again||centred"}));

    // A failed call leaves every option as the host set it.
    box->ButtonOK("Kept");
    box->DetailsString("kept");
    EXPECT_EQ(raised([&] { box->msgBox("Bad", 6); }).Number, err::InvalidCall);
    EXPECT_EQ(box->DetailsString(), "kept");
}

TEST_F(MsgBoxTest, RegRootAndSharedErrorBelongToTheThread) {
    clsMesgBox other;
    box->Reg_Root("Software\\Ledger");
    EXPECT_EQ(other.Reg_Root(), "Software\\Ledger");
    box.reset();
    EXPECT_FALSE(apartment().sharedError) << "destroying any object releases the error object";
    box = std::make_unique<clsMesgBox>(); // and a new one brings it back for the dialog below

    // A root that cannot be written is shown in the error dialog, never thrown, and the old
    // root stays; a getter that fails passes its name on.
    const std::string huge(1 << 20, 'r');
    std::string details;
    user([&](ScriptedUser& u) {
        details = u.control("rtfDetails").text();
        u.click("cmdClose");
    });
    failNextAllocationFrom = huge.size();
    EXPECT_NO_THROW(box->Reg_Root(huge));
    EXPECT_EQ(box->Reg_Root(), "Software\\Ledger");
    EXPECT_EQ(details.rfind("Public Property Let Reg_Root(newAppRoot As String)", 0), 0U)
        << details;
    box->DetailsString(huge);
    failNextAllocationFrom = huge.size();
    const RunTimeError e = raised([&] { (void)box->DetailsString(); });
    EXPECT_EQ(std::tie(e.Number, e.Source),
              std::make_tuple(err::OutOfMemory, std::string("Get DetailsString&qvMsgErr")));
}

TEST_F(MsgBoxTest, ButtonTableAndTags) {
    // The library's own captions go through the user's language (marked "~" here); the host's
    // stay as given, also where they read like ours.
    desktop->setTranslator([](const std::string&, const std::string& text) { return "~" + text; });
    box->MsgBoxType(TessaryClassic);
    box->DetailsButton(true);
    box->ButtonNo("");   // falls back to the standing caption
    box->ButtonYes(" "); // one character is a caption
    box->ButtonCancel("Cancel");
    std::vector<std::string> seen;
    user([&](ScriptedUser& u) {
        for (int16_t i : u.window().elements("cmdButton")) {
            seen.push_back(u.control("cmdButton", i).caption() + "/" +
                           u.control("cmdButton", i).tag());
        }
        u.click("cmdButton", 2);
    });
    EXPECT_EQ(box->msgBox("Save?", 3 | 0x4000), qvButtonCancel);
    EXPECT_EQ(seen, (std::vector<std::string>{" /", "~&No/", "Cancel/", "~&Help/Help",
                                              "~&Details >>/Details"}));
    EXPECT_EQ(box->ResolveButtonNameText(qvButtonCancel, true), "cancel");
    EXPECT_EQ(box->ResolveButtonNameText(static_cast<qvButtonNumbers>(8)), "Unknown");
}

TEST_F(MsgBoxTest, DefaultButtonAnswersAClosedWindowAndTheCountdown) {
    for (const auto& row : qvtest::readTable("countdown.txt")) {
        const int32_t buttons = flagsOf(row.at(2)), expected = buttonNamed(row.at(5));
        const bool timedOut = row.at(6) == "true";
        const int press = row.at(7) == "-" ? -1 : std::stoi(row.at(7));
        box->MsgBoxType(row.at(1) == "classic" ? TessaryClassic : Tessary2003);
        box->TimerUse(row.at(3) == "on");
        box->TimerSeconds(std::stoi(row.at(4)));
        box->TimerCountDownCaption = "Closing in";
        std::vector<std::string> countdown;
        bool offered = false;
        user([&](ScriptedUser& u) {
            offered = u.window().closeBox();
            for (int s = 0; s < 5 && u.shown() && u.window().hasControl("lblCountDown"); ++s) {
                u.advanceSeconds(1);
                countdown.push_back(u.control("lblCountDown").caption());
                if (press >= 0) {
                    u.click("cmdButton", static_cast<int16_t>(press));
                }
            }
            if (u.shown()) {
                u.keyDown(27);
            }
            if (u.shown() && offered) {
                u.close();
            }
        });
        const bool closable = (buttons & 7) != 2 && (buttons & 7) != 4;
        const bool unanswered = expected == qvButtonNone && !timedOut;
        int32_t answer = qvButtonNone;
        const RunTimeError e = raised([&] { answer = box->msgBox("Wait", buttons); });
        EXPECT_EQ(std::tuple(answer, box->TimeOutOccured, e.Number, offered),
                  std::tuple(expected, timedOut, unanswered ? err::Unanswered : 0, closable))
            << row.at(0);
        if (timedOut) {
            EXPECT_EQ(countdown,
                      (std::vector<std::string>{"Closing in 3 seconds", "Closing in 2 seconds",
                                                "Closing in 1 second", "Closing in 0 seconds"}));
        }
    }
}

// An error shown while a message is up (a host's timer, a window's own failure), closed with a
// confirmed "Close all": every window of the library goes, and the message answers as its close
// box would, which for Yes/No is nothing.
TEST_F(MsgBoxTest, CloseAllDuringAMessageAnswersAsItsCloseBoxAndRemembersNothing) {
    for (const auto& [buttons, expected] :
         {std::pair(4 | 0x100, qvButtonNone), std::pair(3 | 0x100, qvButtonCancel)}) {
        bool aborted = false;
        desktop->onSystemMessageBox([](const auto&) { return qvButtonYes; }); // "Close all?"
        user([&](ScriptedUser& u) {
            if (u.windowName() == "dlgError") {
                u.click("cmdAbort");
                return;
            }
            u.tick("chkDontShow");
            clsError err;
            err.Abort.connect([&] { aborted = true; });
            err.Show(true, "Disk full", 61);
        });
        box->MsgBoxType(TessaryClassic);
        box->DontShowAgain(true);
        EXPECT_EQ(box->msgBox("Save?", buttons, "T", "", -1, "Q"), expected) << buttons;
        EXPECT_TRUE(aborted);
        EXPECT_FALSE(box->DontShowAgainTicked());
        EXPECT_EQ(remembered("Q"), "");
    }
}

TEST_F(MsgBoxTest, WindowFillingHelpSoundAndTitle) {
    desktop->setApplicationTitle("Ledger");
    box->MsgBoxType(Tessary2003);
    for (const auto& row : qvtest::readTable("window-filling.txt")) {
        desktop->clearSideEffects();
        if (const int32_t color = std::stoi(row.at(10), nullptr, 0); color >= 0) {
            box->BackColor(color);
        }
        std::string caption;
        int32_t back = -1;
        user([&](ScriptedUser& u) {
            caption = u.window().caption();
            back = u.window().backColor();
            u.keyDown(112); // F1 presses Help
            u.click("cmdButton", 0);
        });
        box->UseSounds = row.at(5) == "on";
        EXPECT_EQ(
            box->msgBox("Text", flagsOf(row.at(1)), row.at(2), row.at(3), std::stoi(row.at(4))),
            qvButtonOK);
        std::string beeps;
        for (const auto& beep : desktop->sideEffects(EffectKind::Beep)) {
            beeps += std::to_string(beep.number);
        }
        const auto help = desktop->sideEffects(EffectKind::Help);
        ASSERT_EQ(help.size(), 1U);
        EXPECT_EQ(std::tie(caption, back, help[0].number, help[0].helpFile, beeps),
                  std::make_tuple(row.at(6), std::stoi(row.at(11), nullptr, 0),
                                  std::stoi(row.at(7)), row.at(8), row.at(9)))
            << row.at(0);
        EXPECT_EQ(desktop->sideEffects(EffectKind::Topmost).size(), 1U);
    }
}

TEST_F(MsgBoxTest, FailuresCarryTheTrailAndUnloadTheWindow) {
    box->MsgBoxType(Tessary2003);
    const std::string inside = "MsgBox&ShowMessage&qvMsgErr";
    // A parent centred near the end of the Long range: the centre fits, the window's left edge
    // does not; one centred beyond it fails before any window.
    const FixedForm edge(-2147483000.0F, 0, 100, 100), beyond(3e9F, 0, 10, 10);
    const std::tuple<std::function<void()>, int32_t, std::string> cases[] = {
        {[&] { box->msgBox("No buttons", 7); }, err::InvalidCall, inside},
        {[&] { box->msgBox("Edge", 0, "T", "", -1, "", &edge); }, err::Overflow, inside},
        {[&] { box->msgBox("Beyond", 0, "T", "", -1, "", &beyond); }, err::Overflow,
         "MsgBox&qvMsgErr"},
    };
    for (const auto& [call, number, source] : cases) {
        const RunTimeError e = raised(call);
        EXPECT_EQ(std::tie(e.Number, e.Source), std::tie(number, source));
    }
    for (float bad : {std::nanf(""), -1e30F}) {
        box->FormPosition(true);
        box->FormLeft(bad);
        const RunTimeError e = raised([&] { box->msgBox("Where?"); });
        EXPECT_EQ(std::tie(e.Number, e.Source), std::tie(err::InvalidPropertyValue, inside)) << bad;
    }
    EXPECT_EQ(windows, 0);
}

} // namespace
} // namespace msgboxtest

// clsMesgBox as a host uses it: options and their reset, the call, the styles, the countdown and
// the failures, on the headless desktop.
#include "msgbox_fixture.h"
#include "raised.h"

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/clsError.h>

#include <cmath>
#include <limits>
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
    box->MsgBoxType(TessaryClassic);
    box->DetailsButton(true);
    box->ButtonNo("");   // falls back to the standing caption
    box->ButtonYes(" "); // one character is a caption
    std::vector<std::string> seen;
    user([&](ScriptedUser& u) {
        for (int16_t i : u.window().elements("cmdButton")) {
            seen.push_back(u.control("cmdButton", i).caption() + "/" +
                           u.control("cmdButton", i).tag());
        }
        u.click("cmdButton", 2);
    });
    EXPECT_EQ(box->msgBox("Save?", 3 | 0x4000), qvButtonCancel);
    EXPECT_EQ(seen, (std::vector<std::string>{" /", "&No/", "Cancel/", "&Help/Help",
                                              "&Details >>/Details"}));
    EXPECT_EQ(box->ResolveButtonNameText(qvButtonCancel, true), "cancel");
    EXPECT_EQ(box->ResolveButtonNameText(static_cast<qvButtonNumbers>(8)), "Unknown");
}

TEST_F(MsgBoxTest, DefaultButtonAnswersAClosedWindowAndTheCountdown) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    // What is left open is closed with Escape, then with the close box. Sets 2 and 4 have no
    // Cancel and no lone OK: the close box is withdrawn and Escape does nothing, so a message
    // left open is unanswered.
    const struct {
        int32_t style, buttons;
        bool timer;
        int32_t seconds, answer;
        bool timedOut;
        int16_t press = -1; // the button pressed a second into the countdown
    } cases[] = {
        {Tessary2003, 4 | 0x100, true, 3, qvButtonNo, true},            // second default
        {Tessary2003, 3 | 0x300, true, 3, qvButtonCancel, true},        // third of three
        {TessaryClassic, 3 | 0x100, true, 3, qvButtonCancel, false},    // classic never counts
        {Tessary2003, 1 | 0x4000 | 0x200, true, 3, qvButtonNone, true}, // Help is no answer
        {Tessary2003, 1, false, 3, qvButtonCancel, false},
        {TessaryClassic, 0, false, 3, qvButtonOK, false},
        {TessaryClassic, 4, false, 3, qvButtonNone, false},
        {Tessary2003, 2, false, 3, qvButtonNone, false},
        {Tessary2003, 4 | 0x100, true, 3, qvButtonYes, false, 0}, // a press ends it
        // Nothing to count down, or nothing that ends within the five seconds: Escape answers.
        {Tessary2003, 1 | 0x100, true, -1, qvButtonCancel, false},
        {Tessary2003, 1 | 0x100, true, 0, qvButtonCancel, false},
        {Tessary2003, 1 | 0x100, true, kMax, qvButtonCancel, false},
        {Tessary2003, 1 | 0x100, true, -kMax - 1, qvButtonCancel, false},
    };
    for (const auto& c : cases) {
        box->MsgBoxType(static_cast<QVMsgBoxType>(c.style));
        box->TimerUse(c.timer);
        box->TimerSeconds(c.seconds);
        box->TimerCountDownCaption = "Closing in";
        std::vector<std::string> countdown;
        bool offered = false;
        user([&](ScriptedUser& u) {
            offered = u.window().closeBox();
            for (int s = 0; s < 5 && u.shown() && u.window().hasControl("lblCountDown"); ++s) {
                u.advanceSeconds(1);
                countdown.push_back(u.control("lblCountDown").caption());
                if (c.press >= 0) {
                    u.click("cmdButton", c.press);
                }
            }
            if (u.shown()) {
                u.keyDown(27);
            }
            if (u.shown() && offered) {
                u.close();
            }
        });
        const bool closable = (c.buttons & 7) != 2 && (c.buttons & 7) != 4;
        const bool unanswered = c.answer == qvButtonNone && !c.timedOut;
        int32_t answer = qvButtonNone;
        const RunTimeError e = raised([&] { answer = box->msgBox("Wait", c.buttons); });
        EXPECT_EQ(std::tuple(answer, box->TimeOutOccured, e.Number, offered),
                  std::tuple(c.answer, c.timedOut, unanswered ? err::Unanswered : 0, closable))
            << c.buttons << " " << c.seconds;
        if (c.timedOut) {
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

TEST_F(MsgBoxTest, StandardStyleGoesToTheSystemMessageBox) {
    desktop->setApplicationTitle("Ledger");
    std::vector<headless::SystemMessageBoxCall> calls;
    desktop->onSystemMessageBox([&](const headless::SystemMessageBoxCall& c) {
        calls.push_back(c);
        return qvButtonRetry;
    });
    box->DontShowAgainTicked(true);
    EXPECT_EQ(box->msgBox("Disk full", 5 | 48 | 0x8000, "~NO~TITLE~", "h.chm", 7), qvButtonRetry);
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(std::tie(calls[0].flags, calls[0].title, calls[0].helpFile, calls[0].context),
              std::make_tuple(5 | 48 | 0x8000, "Ledger", "h.chm", 7));
    EXPECT_EQ(windows, 0);
    EXPECT_TRUE(box->DontShowAgainTicked());
    EXPECT_FALSE(box->TimeOutOccured);
}

TEST_F(MsgBoxTest, WindowFillingHelpSoundAndTitle) {
    desktop->setApplicationTitle("Ledger");
    box->MsgBoxType(Tessary2003);
    const struct {
        int32_t buttons;
        std::string title, helpFile;
        int32_t context;
        bool sounds;
        std::string caption;
        int32_t helpCommand; // what F1 opens: 3 is the contents of no file
        std::string helpOpened;
        std::vector<int32_t> beeps;
        int32_t backColor;  // set before the call; -1: none
        int32_t windowBack; // the window's colour: a colour set once stays for later messages
    } cases[] = {
        {0x4000, "~NO~TITLE~", "h.chm", 0, true, "Ledger", 3, "h.chm", {0}, -1, 0xFFE0C0},
        {64 | 0x4000, "", "h.chm", 1234, true, "", 1, "h.chm", {64}, 0, 0},
        {16 | 0x4000, "T", "h.chm", -1, false, "T", 3, "", {}, -1, 0},
        {32 | 0x4000, "T", "", 5, true, "T", 3, "", {32}, 0x123456, 0x123456},
    };
    for (const auto& c : cases) {
        desktop->clearSideEffects();
        if (c.backColor >= 0) {
            box->BackColor(c.backColor);
        }
        std::string caption;
        int32_t back = -1;
        user([&](ScriptedUser& u) {
            caption = u.window().caption();
            back = u.window().backColor();
            u.keyDown(112); // F1 presses Help
            u.click("cmdButton", 0);
        });
        box->UseSounds = c.sounds;
        EXPECT_EQ(box->msgBox("Text", c.buttons, c.title, c.helpFile, c.context), qvButtonOK);
        std::vector<int32_t> beeps;
        for (const auto& beep : desktop->sideEffects(EffectKind::Beep)) {
            beeps.push_back(beep.number);
        }
        const auto help = desktop->sideEffects(EffectKind::Help);
        ASSERT_EQ(help.size(), 1U);
        EXPECT_EQ(std::tie(caption, back, help[0].number, help[0].helpFile, beeps),
                  std::tie(c.caption, c.windowBack, c.helpCommand, c.helpOpened, c.beeps))
            << c.buttons;
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

// The typed face adds nothing: each builder call shows the window, records the side effects,
// remembers and answers exactly as the equivalent calls on clsMesgBox do.
#include "msgbox_fixture.h"
#include "snapshot.h"

#include <qvMsgErr/memory.h>
#include <qvMsgErr/message.h>

namespace msgboxtest {
namespace {

using namespace qvMsgErr;

static_assert((Buttons::YesNo | Icon::Question | DefaultButton::Second).word() == (4 | 32 | 0x100));
// A later value of a group replaces the earlier one; options add up.
static_assert((Buttons::YesNo | Icon::Question | Buttons::OK | Icon::None).word() == 0);
static_assert((Option::Help | Modality::Task | Option::TopMost | Modality::System).word() ==
              (0x4000 | 0x1000 | 0x40000));
static_assert(Colour::rgb(0x336699).bgr() == 0x996633 && Colour(1, 2, 3).bgr() == 0x030201);
static_assert(Colour::system(15).bgr() == static_cast<int32_t>(0x8000000F));

const FixedForm kParent(3000, 2000, 6000, 4000);

/// One message both ways: the builder, and the same message on the class (its msgBox call
/// last), with the user's part.
struct Case {
    const char* name;
    std::function<Message()> typed;
    std::function<int32_t(clsMesgBox&)> classic;
    std::function<void(ScriptedUser&)> user = [](ScriptedUser& u) { u.click("cmdButton", 0); };
};

const Case kCases[] = {
    {"flag word and title",
     [] {
         return Message{"Save?"}
             .style(Style::Tessary2003)
             .buttons(Buttons::YesNoCancel)
             .icon(Icon::Question)
             .defaultButton(DefaultButton::Second)
             .title("Ledger");
     },
     [](clsMesgBox& b) {
         b.MsgBoxType(Tessary2003);
         return b.msgBox("Save?", 3 | 32 | 0x100, "Ledger");
     }},
    {"application title, help, no sound",
     [] {
         return Message{"Look"}
             .style(Style::Classic)
             .flags(Buttons::OKCancel | Icon::Exclamation | Option::Help)
             .applicationTitle()
             .help("ledger.chm", 42)
             .sound(false)
             .defaultButton(DefaultButton::Third);
     },
     [](clsMesgBox& b) {
         b.MsgBoxType(TessaryClassic);
         b.UseSounds = false;
         return b.msgBox("Look", 1 | 48 | 0x4000 | 0x200, "~NO~TITLE~", "ledger.chm", 42);
     },
     [](ScriptedUser& u) { u.keyDown(112); }}, // F1, then the default: Help asks for help
    {"captions and details",
     [] {
         return Message{"Again?"}
             .style(Style::Tessary2003)
             .buttons(Buttons::AbortRetryIgnore)
             .option(Option::Help)
             .caption(Button::Abort, "&Stop")
             .caption(Button::Retry, "&Again")
             .caption(Button::Ignore, "&Skip")
             .helpCaption("&Manual")
             .detailsCaption("&More >>")
             .details("line 1\r\nline 2")
             .title("");
     },
     [](clsMesgBox& b) {
         b.MsgBoxType(Tessary2003);
         b.ButtonAbort("&Stop");
         b.ButtonRetry("&Again");
         b.ButtonIgnore("&Skip");
         b.ButtonHelp("&Manual");
         b.ButtonDetails("&More >>");
         b.DetailsButton(true);
         b.DetailsString("line 1\r\nline 2");
         return b.msgBox("Again?", 2 | 0x4000, "");
     },
     [](ScriptedUser& u) {
         u.click("cmdButton", 4);
         u.click("cmdButton", 1);
     }},
    {"captions and descriptions of the other answers",
     [] {
         return Message{"Go on?"}
             .style(Style::Classic)
             .buttons(Buttons::YesNoCancel)
             .caption(Button::Yes, "Y&up")
             .caption(Button::No, "N&ope")
             .caption(Button::Cancel, "&Back")
             .caption(Button::OK, "unused")
             .description(Button::Yes, "Goes on")
             .description(Button::No, "Stops here")
             .description(Button::Cancel, "Nothing")
             .description(Button::OK, "unused")
             .description(Button::Abort, "unused")
             .description(Button::Retry, "unused")
             .description(Button::Ignore, "unused");
     },
     [](clsMesgBox& b) {
         b.MsgBoxType(TessaryClassic);
         b.ButtonYes("Y&up");
         b.ButtonNo("N&ope");
         b.ButtonCancel("&Back");
         b.ButtonOK("unused");
         b.DescYes("Goes on");
         b.DescNo("Stops here");
         b.DescCancel("Nothing");
         b.DescOK("unused");
         b.DescAbort("unused");
         b.DescRetry("unused");
         b.DescIgnore("unused");
         b.CmdDescriptions(true);
         return b.msgBox("Go on?", 3, "~NO~TITLE~");
     },
     [](ScriptedUser& u) { u.click("cmdButton", 2); }},
    {"position in pixels, an RGB colour",
     [] {
         return Message{"Here"}
             .style(Style::Tessary2003)
             .position(Pixels{100, 50.5})
             .backColour(Colour::rgb(0x336699));
     },
     [](clsMesgBox& b) {
         b.MsgBoxType(Tessary2003);
         b.FormPosition(true);
         b.FormLeft(1500);
         b.FormTop(757.5);
         b.BackColor(0x996633);
         return b.msgBox("Here");
     }},
    {"position in points, a system colour",
     [] {
         return Message{"There"}
             .style(Style::Classic)
             .position(Points{10, 20})
             .backColour(Colour::system(5));
     },
     [](clsMesgBox& b) {
         b.MsgBoxType(TessaryClassic);
         b.FormPosition(true);
         b.FormLeft(200);
         b.FormTop(400);
         b.BackColor(static_cast<int32_t>(0x80000005));
         return b.msgBox("There");
     }},
    {"parent", [] { return Message{"Centred"}.style(Style::Tessary2003).parent(&kParent); },
     [](clsMesgBox& b) {
         b.MsgBoxType(Tessary2003);
         return b.msgBox("Centred", 0, "~NO~TITLE~", "", -1, "", &kParent);
     }},
    {"countdown",
     [] {
         return Message{"Soon"}
             .style(Style::Tessary2003)
             .buttons(Buttons::RetryCancel)
             .countdown(3)
             .countdownCaption("Closing in");
     },
     [](clsMesgBox& b) {
         b.MsgBoxType(Tessary2003);
         b.TimerUse(true);
         b.TimerSeconds(3);
         b.TimerCountDownCaption = "Closing in";
         return b.msgBox("Soon", 5);
     },
     [](ScriptedUser& u) { u.advanceSeconds(5); }},
    {"remembered, Cancel allowed, own prompt",
     [] {
         return Message{"Keep?"}
             .style(Style::Tessary2003)
             .buttons(Buttons::OKCancel)
             .rememberAs("Keep")
             .rememberCancel()
             .rememberPrompt("Never again");
     },
     [](clsMesgBox& b) {
         b.MsgBoxType(Tessary2003);
         b.DontShowAgain(true);
         b.DontShowIsValidForCancel(true);
         b.DontShowAgainPrompt("Never again");
         return b.msgBox("Keep?", 1, "~NO~TITLE~", "", -1, "Keep");
     },
     [](ScriptedUser& u) {
         u.tick("chkDontShow");
         u.click("cmdButton", 1);
     }},
    {"ticked, forced, by hand",
     [] {
         return Message{"Force?"}
             .style(Style::Classic)
             .buttons(Buttons::YesNo)
             .rememberAs("Force")
             .rememberTicked()
             .rememberButton(Button::Yes);
     },
     [](clsMesgBox& b) {
         b.MsgBoxType(TessaryClassic);
         b.DontShowAgain(true);
         b.DontShowAgainTicked(true);
         b.DontShowForceButton(qvButtonYes);
         return b.msgBox("Force?", 4, "~NO~TITLE~", "", -1, "Force");
     },
     [](ScriptedUser& u) { u.click("cmdButton", 1); }},
    {"manual memory, an identity alone",
     [] {
         return Message{"Manual?"}
             .style(Style::Tessary2003)
             .buttons(Buttons::YesNo)
             .rememberAs("Manual")
             .rememberManually()
             .id("Other");
     },
     [](clsMesgBox& b) {
         b.MsgBoxType(Tessary2003);
         b.DontShowAgain(true);
         b.DontShowIsManual(true);
         return b.msgBox("Manual?", 4, "~NO~TITLE~", "", -1, "Other");
     },
     [](ScriptedUser& u) {
         u.tick("chkDontShow");
         u.click("cmdButton", 0);
     }},
    {"the system box with modality and options",
     [] {
         return Message{"System"}.flags(Buttons::CancelTryAgainContinue | Icon::Information |
                                        Modality::System | Option::TopMost | Option::RightAligned |
                                        Option::RightToLeft | Option::Foreground |
                                        Option::DefaultDesktopOnly);
     },
     [](clsMesgBox& b) {
         return b.msgBox("System",
                         6 | 64 | 0x1000 | 0x40000 | 0x80000 | 0x100000 | 0x10000 | 0x20000);
     }},
};

class TypedMessage : public MsgBoxTest {
protected:
    /// What one way of showing gave: the window as first seen, the record, the answer, the
    /// outputs and the store.
    std::string run(const Case& c, const std::function<int32_t(clsMesgBox&)>& show) {
        desktop->clearSideEffects();
        qvMsgErr::setThreadRegistry(std::make_shared<qvMsgErr::platform::MemoryRegistry>());
        std::string seen;
        desktop->onModal([&](ScriptedUser& u) {
            seen += qvtest::snapshot(u.window());
            c.user(u);
        });
        clsMesgBox fresh;
        std::ostringstream out;
        const int32_t answer = show(fresh);
        out << seen << qvtest::snapshot(*desktop) << "answer " << answer << " timed out "
            << fresh.TimeOutOccured << " ticked " << fresh.DontShowAgainTicked();
        for (const auto& a : RememberedAnswers()) {
            out << " remembered " << a.MessageID << '=' << a.Stored;
        }
        return out.str();
    }
};

TEST_F(TypedMessage, EachBuilderCallIsTheClassCall) {
    for (const Case& c : kCases) {
        const std::string classic = run(c, c.classic);
        const std::string typed = run(c, [&](clsMesgBox& box) {
            Message m = c.typed();
            const auto answer = static_cast<int32_t>(m.show(box));
            EXPECT_EQ(m.timedOut(), box.TimeOutOccured) << c.name;
            EXPECT_EQ(m.ticked(), box.DontShowAgainTicked()) << c.name;
            return answer;
        });
        EXPECT_EQ(typed, classic) << c.name;
        // On a box of its own the message gives the same again.
        const std::string own =
            run(c, [&](clsMesgBox&) { return static_cast<int32_t>(c.typed().show()); });
        EXPECT_EQ(own.substr(0, own.find(" timed out")),
                  classic.substr(0, classic.find(" timed out")))
            << c.name;
    }
}

TEST_F(TypedMessage, AMessageOfItsOwnKeepsTheHostsSharedErrorObject) {
    const auto shared = apartment().sharedError;
    ASSERT_NE(shared, nullptr);
    user([](ScriptedUser& u) { u.click("cmdButton", 0); });
    EXPECT_EQ(Message{"Hi"}.style(Style::Classic).show(), Button::OK);
    EXPECT_EQ(apartment().sharedError, shared);
}

TEST_F(TypedMessage, ButtonsWithoutTextsAreRefused) {
    for (const Button b : {Button::None, Button::TryAgain, Button::Continue}) {
        EXPECT_THROW(Message{"x"}.caption(b, "x"), RunTimeError);
        try {
            Message{"x"}.description(b, "x");
            ADD_FAILURE() << "no error";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.Number, err::InvalidCall);
        }
    }
}

TEST_F(TypedMessage, RememberUnderSetsTheThreadsRoot) {
    rememberUnder("Software\\Ledger");
    EXPECT_EQ(box->Reg_Root(), "Software\\Ledger");
}

} // namespace
} // namespace msgboxtest

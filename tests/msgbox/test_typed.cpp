// The typed face adds nothing: each builder call shows the window, records the side effects,
// remembers and answers exactly as the equivalent calls on clsMesgBox do.
#include "msgbox_fixture.h"
#include "raised.h"
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

using M = Message;
using B = clsMesgBox;
/// msgBox's arguments besides the prompt.
struct A {
    int32_t flags = 0;
    std::string title = B::kNoTitle, help;
    int32_t context = -1;
    std::string id;
    const HostObject* parent = nullptr;
};
/// One builder call and the same on the class.
struct Step {
    void (*typed)(M&);
    void (*classic)(B&, A&);
};
/// A message made of steps, and the user's part. Together the cases make every builder call.
struct Case {
    void (*user)(ScriptedUser&);
    std::vector<Step> steps;
};

const Case kCases[] = {
    {[](ScriptedUser& u) {
         u.keyDown(112); // F1: help
         u.tick("chkDontShow");
         u.advanceSeconds(5);
     },
     {{[](M& m) { m.style(Style::Tessary2003); }, [](B& b, A&) { b.MsgBoxType(Tessary2003); }},
      {[](M& m) { m.buttons(Buttons::YesNoCancel); }, [](B&, A& a) { a.flags |= 3; }},
      {[](M& m) { m.icon(Icon::Question); }, [](B&, A& a) { a.flags |= 32; }},
      {[](M& m) { m.defaultButton(DefaultButton::Second); }, [](B&, A& a) { a.flags |= 0x100; }},
      {[](M& m) { m.option(Option::Help); }, [](B&, A& a) { a.flags |= 0x4000; }},
      {[](M& m) { m.title("Ledger"); }, [](B&, A& a) { a.title = "Ledger"; }},
      {[](M& m) { m.help("a.chm", 42); }, [](B&, A& a) { a.help = "a.chm", a.context = 42; }},
      {[](M& m) { m.caption(Button::Yes, "&Keep"); }, [](B& b, A&) { b.ButtonYes("&Keep"); }},
      {[](M& m) { m.caption(Button::No, "&Drop"); }, [](B& b, A&) { b.ButtonNo("&Drop"); }},
      {[](M& m) { m.caption(Button::Cancel, "&Back"); }, [](B& b, A&) { b.ButtonCancel("&Back"); }},
      {[](M& m) { m.helpCaption("&Manual"); }, [](B& b, A&) { b.ButtonHelp("&Manual"); }},
      {[](M& m) { m.detailsCaption("&More >>"); }, [](B& b, A&) { b.ButtonDetails("&More >>"); }},
      {[](M& m) { m.details("line 1"); },
       [](B& b, A&) { b.DetailsButton(true), b.DetailsString("line 1"); }},
      {[](M& m) { m.description(Button::Yes, "Y"); },
       [](B& b, A&) { b.DescYes("Y"), b.CmdDescriptions(true); }},
      {[](M& m) { m.description(Button::No, "N"); }, [](B& b, A&) { b.DescNo("N"); }},
      {[](M& m) { m.description(Button::Cancel, "C"); }, [](B& b, A&) { b.DescCancel("C"); }},
      {[](M& m) { m.countdown(3); }, [](B& b, A&) { b.TimerUse(true), b.TimerSeconds(3); }},
      {[](M& m) { m.countdownCaption("In"); }, [](B& b, A&) { b.TimerCountDownCaption = "In"; }},
      {[](M& m) {
           m.position(Pixels{100, 50.5});
       },
       [](B& b, A&) { b.FormPosition(true), b.FormLeft(1500), b.FormTop(757.5); }},
      {[](M& m) { m.backColour(Colour::rgb(0x336699)); }, [](B& b, A&) { b.BackColor(0x996633); }},
      {[](M& m) { m.rememberAs("Keep"); },
       [](B& b, A& a) { b.DontShowAgain(true), a.id = "Keep"; }},
      {[](M& m) { m.rememberCancel(); }, [](B& b, A&) { b.DontShowIsValidForCancel(true); }},
      {[](M& m) { m.rememberPrompt("Never"); }, [](B& b, A&) { b.DontShowAgainPrompt("Never"); }}}},
    {[](ScriptedUser& u) { u.click("cmdButton", 1); },
     {{[](M& m) { m.style(Style::Classic); }, [](B& b, A&) { b.MsgBoxType(TessaryClassic); }},
      {[](M& m) { m.buttons(Buttons::AbortRetryIgnore); }, [](B&, A& a) { a.flags |= 2; }},
      {[](M& m) { m.icon(Icon::Exclamation); }, [](B&, A& a) { a.flags |= 48; }},
      {[](M& m) { m.defaultButton(DefaultButton::Third); }, [](B&, A& a) { a.flags |= 0x200; }},
      {[](M& m) { m.title("T").applicationTitle(); }, [](B&, A&) {}},
      {[](M& m) { m.sound(false); }, [](B& b, A&) { b.UseSounds = false; }},
      {[](M& m) { m.caption(Button::Abort, "&Stop"); }, [](B& b, A&) { b.ButtonAbort("&Stop"); }},
      {[](M& m) { m.caption(Button::Retry, "&Again"); }, [](B& b, A&) { b.ButtonRetry("&Again"); }},
      {[](M& m) { m.caption(Button::Ignore, "&Skip"); }, [](B& b, A&) { b.ButtonIgnore("&Skip"); }},
      {[](M& m) { m.description(Button::Abort, "A"); },
       [](B& b, A&) { b.DescAbort("A"), b.CmdDescriptions(true); }},
      {[](M& m) { m.description(Button::Retry, "R"); }, [](B& b, A&) { b.DescRetry("R"); }},
      {[](M& m) { m.description(Button::Ignore, "I"); }, [](B& b, A&) { b.DescIgnore("I"); }},
      {[](M& m) {
           m.position(Points{10, 20});
       },
       [](B& b, A&) { b.FormPosition(true), b.FormLeft(200), b.FormTop(400); }},
      {[](M& m) { m.backColour(Colour::system(5)); },
       [](B& b, A&) { b.BackColor(static_cast<int32_t>(0x80000005)); }}}},
    {[](ScriptedUser& u) { u.click("cmdButton", 1); },
     {{[](M& m) { m.style(Style::Tessary2003); }, [](B& b, A&) { b.MsgBoxType(Tessary2003); }},
      {[](M& m) { m.buttons(Buttons::OKCancel); }, [](B&, A& a) { a.flags |= 1; }},
      {[](M& m) { m.caption(Button::OK, "&Go"); }, [](B& b, A&) { b.ButtonOK("&Go"); }},
      {[](M& m) { m.description(Button::OK, "O"); },
       [](B& b, A&) { b.DescOK("O"), b.CmdDescriptions(true); }},
      {[](M& m) { m.parent(&kParent); }, [](B&, A& a) { a.parent = &kParent; }},
      {[](M& m) { m.rememberAs("Go"); }, [](B& b, A& a) { b.DontShowAgain(true), a.id = "Go"; }},
      {[](M& m) { m.rememberTicked(); }, [](B& b, A&) { b.DontShowAgainTicked(true); }},
      {[](M& m) { m.rememberButton(Button::OK); },
       [](B& b, A&) { b.DontShowForceButton(qvButtonOK); }},
      {[](M& m) { m.rememberManually(); }, [](B& b, A&) { b.DontShowIsManual(true); }},
      {[](M& m) { m.id("Other"); }, [](B&, A& a) { a.id = "Other"; }}}},
    // The system box: every group of the flag word, a later value replacing the earlier one.
    {nullptr,
     {{[](M& m) { m.flags(Buttons::CancelTryAgainContinue | Icon::Information | Option::TopMost); },
       [](B&, A& a) { a.flags = 6 | 64 | 0x40000; }},
      {[](M& m) { m.modality(Modality::System).modality(Modality::Task); },
       [](B&, A& a) { a.flags |= 0x2000; }},
      {[](M& m) { m.option(Option::RightAligned).option(Option::RightToLeft); },
       [](B&, A& a) { a.flags |= 0x80000 | 0x100000; }},
      {[](M& m) { m.option(Option::Foreground).option(Option::DefaultDesktopOnly); },
       [](B&, A& a) { a.flags |= 0x10000 | 0x20000; }}}},
};

class TypedMessage : public MsgBoxTest {
protected:
    /// What one way of showing gave: the window as first seen, the record, the answer, the
    /// outputs and the store.
    std::string run(const Case& c, const std::function<int32_t(B&)>& show) {
        desktop->clearSideEffects();
        qvMsgErr::setThreadRegistry(std::make_shared<qvMsgErr::platform::MemoryRegistry>());
        std::string seen;
        desktop->onModal([&](ScriptedUser& u) {
            seen += qvtest::snapshot(u.window());
            c.user(u);
        });
        B fresh;
        std::ostringstream out;
        const int32_t answer = show(fresh);
        out << seen << qvtest::snapshot(*desktop) << "answer " << answer << " timed out "
            << fresh.TimeOutOccured << " ticked " << fresh.DontShowAgainTicked();
        for (const auto& a : RememberedAnswers()) {
            out << " remembered " << a.MessageID << '=' << a.Stored;
        }
        return out.str();
    }
    static M typed(const Case& c) {
        M m{"Save?"};
        for (const Step& s : c.steps) {
            s.typed(m);
        }
        return m;
    }
};

TEST_F(TypedMessage, EachBuilderCallIsTheClassCall) {
    for (const Case& c : kCases) {
        const std::string classic = run(c, [&](B& box) {
            A a;
            for (const Step& s : c.steps) {
                s.classic(box, a);
            }
            return box.msgBox("Save?", a.flags, a.title, a.help, a.context, a.id, a.parent);
        });
        EXPECT_EQ(run(c,
                      [&](B& box) {
                          M m = typed(c);
                          const auto answer = static_cast<int32_t>(m.show(box));
                          EXPECT_EQ(std::pair(m.timedOut(), m.ticked()),
                                    std::pair(box.TimeOutOccured, box.DontShowAgainTicked()));
                          return answer;
                      }),
                  classic);
        // On a box of its own the message gives the same again.
        const std::string own = run(c, [&](B&) { return static_cast<int32_t>(typed(c).show()); });
        EXPECT_EQ(own.substr(0, own.find(" timed out")),
                  classic.substr(0, classic.find(" timed out")));
    }
}

TEST_F(TypedMessage, AMessageOfItsOwnKeepsTheHostsSharedErrorObjectAndRoot) {
    const auto shared = apartment().sharedError;
    ASSERT_NE(shared, nullptr);
    user([](ScriptedUser& u) { u.click("cmdButton", 0); });
    EXPECT_EQ(Message{"Hi"}.style(Style::Classic).show(), Button::OK);
    EXPECT_EQ(apartment().sharedError, shared);
    rememberUnder("Software\\Ledger");
    EXPECT_EQ(box->Reg_Root(), "Software\\Ledger");
}

TEST_F(TypedMessage, ButtonsWithoutTextsAreRefused) {
    for (const Button b : {Button::None, Button::TryAgain, Button::Continue}) {
        EXPECT_EQ(qvMsgErr::testing::raised([&] { Message{"x"}.caption(b, "x"); }).Number,
                  err::InvalidCall);
        EXPECT_EQ(qvMsgErr::testing::raised([&] { Message{"x"}.description(b, "x"); }).Number,
                  err::InvalidCall);
    }
}

} // namespace
} // namespace msgboxtest

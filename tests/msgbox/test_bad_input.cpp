// Hostile input: every message is answered or refused with a documented error, never a crash
// (the sanitizer build runs these too), and the memory survives odd identities.
#include "msgbox_fixture.h"

#include "msgbox/numbers.h"
#include "scratch.h"

#include <qvMsgErr/RunTimeError.h>

namespace msgboxtest {
namespace {

using namespace qvMsgErr;

TEST_F(MsgBoxTest, EveryFlagWordAnswersOrIsRefused) {
    // No script: each message is answered unattended, as its close box would answer it, or
    // refused where it has no such answer (and for sets 6 and 7, which name no buttons).
    qvtest::ScopedEnv quiet("QVMSGERR_UNATTENDED_LOG", "/dev/null");
    for (int32_t style : {TessaryClassic, Tessary2003}) {
        box->MsgBoxType(static_cast<QVMsgBoxType>(style));
        for (int32_t flags = 0; flags <= 0xFFFF; ++flags) {
            box->DetailsButton((flags & 0x800) != 0);
            box->CmdDescriptions((flags & 0x1000) != 0);
            try {
                const int32_t answer = box->msgBox("Flags", flags);
                // Help or Details as the default button answers nothing.
                ASSERT_TRUE(msgbox::isButtonOfSet(flags, answer) || answer == qvButtonNone)
                    << flags << " gave " << answer;
            } catch (const RunTimeError& e) {
                const bool noButtons = (flags & 7) >= 6,
                           noClose = (flags & 7) == 2 || (flags & 7) == 4;
                ASSERT_EQ(e.Number, noButtons ? err::InvalidCall : err::Unanswered) << flags;
                ASSERT_TRUE(noButtons || noClose) << flags;
            }
        }
    }
    EXPECT_EQ(loadedFormCount(), 0U);
}

TEST_F(MsgBoxTest, OddTextsAreShownAndAnswered) {
    const std::string mebibyte(1 << 20, 'm');
    const std::string texts[] = {
        mebibyte,
        std::string("nul\0inside", 10),
        "broken \xC3\x28 and \xFF bytes",
        "\r\n\r\n\r\n",
        "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D right to left",
        "emoji \xF0\x9F\x98\x80\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD",
        "",
    };
    int16_t seenButtons = 0;
    user([&](ScriptedUser& u) {
        seenButtons = static_cast<int16_t>(u.window().elements("cmdButton").size());
        u.click("cmdButton", 1);
    });
    for (const std::string& text : texts) {
        box->MsgBoxType(Tessary2003);
        box->ButtonYes("&&Fine");
        box->ButtonNo("Ends in &");
        box->CmdDescriptions(true);
        box->DescYes(text);
        box->DetailsButton(true);
        box->DetailsString(text);
        box->DontShowAgain(true);
        box->DontShowAgainPrompt(text);
        EXPECT_EQ(box->msgBox(text, 4, text), qvButtonNo) << text.size();
        EXPECT_EQ(seenButtons, 3);
    }
}

TEST_F(MsgBoxTest, CountdownExtremesAndColours) {
    const struct {
        int32_t seconds;
        bool timesOut;
    } timers[] = {{-1, false}, {0, false}, {2147483647, false}, {-2147483648, false}, {2, true}};
    for (const auto& t : timers) {
        user([](ScriptedUser& u) {
            u.advanceSeconds(5);
            if (u.shown()) {
                u.click("cmdButton", 0);
            }
        });
        box->MsgBoxType(Tessary2003);
        box->TimerUse(true);
        box->TimerSeconds(t.seconds);
        box->BackColor(static_cast<int32_t>(0x80000000U | static_cast<uint32_t>(t.seconds & 0xFF)));
        EXPECT_EQ(box->msgBox("Count", 1 | 0x100), t.timesOut ? qvButtonCancel : qvButtonOK)
            << t.seconds;
        EXPECT_EQ(box->TimeOutOccured, t.timesOut) << t.seconds;
    }
}

TEST_F(MsgBoxTest, OddIdentitiesAreRememberedApart) {
    const std::string ids[] = {std::string(1 << 20, 'i'), "a\\b\\\\c\\", std::string("n\0l", 3),
                               std::string("n\0m", 3), "Q1"};
    user([](ScriptedUser& u) {
        u.tick("chkDontShow");
        u.click("cmdButton", 1);
    });
    for (const std::string& id : ids) {
        box->MsgBoxType(Tessary2003);
        box->DontShowAgain(true);
        EXPECT_EQ(box->msgBox("Remember", 4, "T", "", -1, id), qvButtonNo);
    }
    for (const std::string& id : ids) {
        EXPECT_EQ(remembered(id), "7") << id.substr(0, 20);
    }
    user([](ScriptedUser& u) { u.click("cmdButton", 0); });
    const int before = windows;
    for (const std::string& id : ids) {
        box->DontShowAgain(true);
        EXPECT_EQ(box->msgBox("Remember", 4, "T", "", -1, id), qvButtonNo);
    }
    EXPECT_EQ(windows, before);
}

} // namespace
} // namespace msgboxtest

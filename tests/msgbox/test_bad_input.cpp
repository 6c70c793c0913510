// Hostile input: every message is answered or refused with a documented error, never a crash
// (the sanitizer build runs these too), and the memory survives odd identities.
#include "msgbox_fixture.h"

#include "msgbox/numbers.h"
#include "scratch.h"
#include "table.h"

#include <qvMsgErr/RunTimeError.h>

namespace msgboxtest {
namespace {

using namespace qvMsgErr;

TEST_F(MsgBoxTest, EveryFlagWordAnswersOrIsRefused) {
    // No script: each message is answered unattended, as its close box would answer it, or
    // refused where it has no such answer (and for sets 6 and 7, which name no buttons).
    qvtest::ScopedEnv quiet("QVMSGERR_UNATTENDED_LOG", qvtest::kNullDevice);
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
    std::vector<std::string> texts = {std::string(1 << 20, 'm'), ""};
    for (const auto& row : qvtest::readTable("odd-texts.txt")) {
        texts.push_back(row.at(1));
    }
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

// Each identity gets an answer of its own: one that lost the part after a NUL or a backslash
// would share its neighbour's.
TEST_F(MsgBoxTest, OddIdentitiesAreRememberedApart) {
    const std::string ids[] = {std::string(1 << 20, 'i'), "a\\b\\\\c\\",          "a\\b",
                               std::string("n\0l", 3),    std::string("n\0m", 3), "n"};
    const auto position = [](std::size_t i) { return static_cast<int16_t>(i % 2); }; // Yes, No
    for (std::size_t i = 0; i < std::size(ids); ++i) {
        EXPECT_EQ(answer(4, position(i), true, ids[i]), qvButtonYes + position(i));
    }
    const int before = windows;
    for (std::size_t i = 0; i < std::size(ids); ++i) {
        EXPECT_EQ(answer(4, 0, false, ids[i]), qvButtonYes + position(i)) << i;
    }
    EXPECT_EQ(windows, before) << "every one answered from the memory";
}

} // namespace
} // namespace msgboxtest

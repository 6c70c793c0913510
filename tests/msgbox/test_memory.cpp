// The don't-show-again memory: what is stored, what answers without a window, and a store that
// cannot be used.
#include "msgbox_fixture.h"
#include "raised.h"

#include "platform/sqlite/sqlite_registry.h"
#include "scratch.h"

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/memory.h>

namespace msgboxtest {
namespace {

using namespace qvMsgErr;

using MemoryTest = MsgBoxTest;

TEST_F(MemoryTest, TickedAnswerIsRememberedForItsSetOnly) {
    EXPECT_EQ(answer(4, 1), qvButtonNo);
    EXPECT_EQ(remembered("Q1"), "7");
    EXPECT_TRUE(box->DontShowAgainTicked());
    const int before = windows;
    box->DontShowAgain(true);
    EXPECT_EQ(box->msgBox("Save?", 4, "T", "", -1, "  Q1 "), qvButtonNo);
    EXPECT_EQ(windows, before) << "answered from the memory";
    // In the system's style too the memory answers first, and no countdown ran out.
    box->TimeOutOccured = true;
    box->MsgBoxType(Standard);
    box->DontShowAgain(true);
    EXPECT_EQ(box->msgBox("Save?", 4, "T", "", -1, "Q1"), qvButtonNo);
    EXPECT_FALSE(box->TimeOutOccured);
    EXPECT_TRUE(desktop->sideEffects(EffectKind::SystemMessageBox).empty());
    // For a set without No the message is shown, and its box starts ticked as the last one
    // was left, so the untouched box remembers OK.
    EXPECT_EQ(answer(1, 0, false), qvButtonOK);
    EXPECT_EQ(windows, before + 1);
    EXPECT_EQ(remembered("Q1"), "1");
}

TEST_F(MemoryTest, WhatIsStored) {
    const struct {
        int32_t buttons;
        int16_t position;
        qvButtonNumbers force;
        bool validForCancel, manual;
        std::string stored;
    } cases[] = {
        {3, 2, qvButtonNone, false, false, ""}, // Cancel is not remembered
        {3, 2, qvButtonNone, true, false, "2"}, // unless the host allows it
        {4, 1, qvButtonYes, false, false, "6"}, // the forced answer, whatever was pressed
        {1, 1, qvButtonOK, false, false, "1"},  // forced, Cancel pressed
        {4, 0, qvButtonNone, false, true, ""},  // the host keeps the choice itself
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string id = "W" + std::to_string(++n);
        box->DontShowForceButton(c.force);
        box->DontShowIsValidForCancel(c.validForCancel);
        box->DontShowIsManual(c.manual);
        answer(c.buttons, c.position, true, id);
        EXPECT_EQ(remembered(id), c.stored) << id;
        EXPECT_TRUE(box->DontShowAgainTicked()) << id;
    }
}

TEST_F(MemoryTest, GetDontShowIDValueIsStrict) {
    // The stored text, and the number read from it or the error number, negated.
    const std::pair<const char*, int32_t> cases[] = {
        {"6", 6},        {"\t6 ", 6},    {"-3", -3},   {"2.5", 2},         {"3.5", 4},
        {"1e2", 100},    {"&H10", 16},   {"&o17", 15}, {"-32768", -32768}, {"32768", -6},
        {"32767.5", -6}, {"&H8000", -6}, {"six", -13}, {"0x10", -13},      {"   ", -13}};
    for (const auto& [text, value] : cases) {
        SetRegSetting("Q1", text, "MessageBox\\ShowMessage", true);
        try {
            EXPECT_EQ(box->GetDontShowIDValue("Q1"), value) << '"' << text << '"';
        } catch (const RunTimeError& e) {
            EXPECT_EQ(std::tie(e.Number, e.Source),
                      std::make_tuple(-value, "GetDontShowIDValue&qvMsgErr"))
                << '"' << text << '"';
        }
    }
    // The identity is taken as given, and one with nothing stored has no number either.
    for (const char* id : {" Q1 ", "Missing"}) {
        EXPECT_EQ(qvMsgErr::testing::raised([&] { box->GetDontShowIDValue(id); }).Number,
                  err::TypeMismatch)
            << id;
    }
    // The lookup of a message reads the same text leniently and ignores what is no button.
    SetRegSetting("Text", "six", "MessageBox\\ShowMessage", true);
    SetRegSetting("Q2", "99", "MessageBox\\ShowMessage", true);
    EXPECT_EQ(answer(4, 0, false, "Text"), qvButtonYes);
    EXPECT_EQ(answer(4, 0, false, "Q2"), qvButtonYes);
}

// What the memory functions show is what the messages answer from, under this thread's root only.
TEST_F(MemoryTest, ListFindAndForgetWhatMessagesRemember) {
    answer(4, 1, true, " SaveOnClose ");
    answer(2, 2, true, "Import");
    SetRegSetting("Odd", "maybe", "MessageBox\\ShowMessage", true); // another program's text
    apartment().regRoot = "Software\\Elsewhere";
    answer(4, 0, true, "SaveOnClose");
    apartment().regRoot = "Software\\Tests";

    std::vector<std::string> rows;
    for (const auto& a : RememberedAnswers()) {
        rows.push_back(a.MessageID + "=" + a.Stored + "=" + std::to_string(a.ButtonNumber));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"Import=5=5", "Odd=maybe=0", "SaveOnClose=7=7"}));

    ASSERT_TRUE(FindRememberedAnswer("  saveonclose ").has_value());
    EXPECT_EQ(FindRememberedAnswer("  saveonclose ")->ButtonNumber, qvButtonNo);
    EXPECT_FALSE(FindRememberedAnswer("Nothing").has_value());

    EXPECT_TRUE(ForgetAnswer(" SAVEONCLOSE"));
    EXPECT_FALSE(ForgetAnswer("SaveOnClose"));
    const int before = windows;
    box->DontShowAgainTicked(false);
    EXPECT_EQ(answer(4, 0, false, "SaveOnClose"), qvButtonYes);
    EXPECT_EQ(windows, before + 1) << "a forgotten answer asks again";
    EXPECT_EQ(ForgetAllAnswers(), 2);
    EXPECT_TRUE(RememberedAnswers().empty());
    apartment().regRoot = "Software\\Elsewhere";
    EXPECT_EQ(RememberedAnswers().size(), 1U) << "another root keeps its answers";
}

// A store that cannot be read: messages still ask and answer but remember nothing; the memory
// functions report it rather than take it for an empty memory, and leave it as it was.
TEST_F(MemoryTest, AStoreThatCannotBeUsedIsNoMemory) {
    qvtest::ScratchDir dir;
    const std::string corrupt = dir.file("corrupt.db");
    qvtest::writeFile(corrupt, std::string(4096, 'x'));
    qvtest::writeFile(dir.file("plain"), "a file, not a directory");
    for (const std::string& path : {corrupt, dir.file("plain/registry.db")}) {
        setThreadRegistry(std::make_shared<platform::SqliteRegistry>(path));
        EXPECT_EQ(answer(4, 1), qvButtonNo) << path;
        EXPECT_EQ(answer(4, 0), qvButtonYes) << path << ": nothing was remembered";
    }
    setThreadRegistry(std::make_shared<platform::SqliteRegistry>(corrupt));
    for (const auto& call : std::vector<std::function<void()>>{
             [] { RememberedAnswers(); }, [] { FindRememberedAnswer("Q1"); },
             [] { ForgetAnswer("Q1"); }, [] { ForgetAllAnswers(); }}) {
        EXPECT_EQ(qvMsgErr::testing::raised(call).Number, err::PathFileAccess);
    }
    EXPECT_EQ(qvtest::readFile(corrupt), std::string(4096, 'x'));
    setThreadRegistry(std::make_shared<platform::SqliteRegistry>(dir.file("none/registry.db")));
    EXPECT_TRUE(RememberedAnswers().empty()) << "no store yet is an empty memory";
    EXPECT_FALSE(ForgetAnswer("Q1"));
}

} // namespace
} // namespace msgboxtest

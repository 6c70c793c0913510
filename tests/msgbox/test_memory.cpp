// The don't-show-again memory: what is stored, what answers without a window, and a store that
// cannot be used.
#include "msgbox_fixture.h"
#include "raised.h"
#include "table.h"

#ifdef _WIN32
#include "platform/winreg/windows_registry.h"
#else
#include "platform/sqlite/sqlite_registry.h"
#endif
#include "scratch.h"

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/memory.h>

#ifdef _WIN32
#include <windows.h>
// windows.h after the store's headers: it makes HKEY_CURRENT_USER … macros of its own.
#include <random>
#include <sddl.h>
#endif

namespace msgboxtest {
namespace {

using namespace qvMsgErr;

using MemoryTest = MsgBoxTest;

TEST_F(MemoryTest, TickedAnswerIsRememberedForItsSetOnly) {
    EXPECT_EQ(answer(4, 1), qvButtonNo);
    EXPECT_EQ(remembered("Q1"), "7");
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
    // What it does not remember goes to the system's box, with the application's title for none;
    // the check box stays as it was.
    desktop->setApplicationTitle("Ledger");
    EXPECT_EQ(box->msgBox("Disk full", 5 | 48 | 0x8000, "~NO~TITLE~", "h.chm", 7, "Q2"),
              qvButtonRetry);
    const auto boxes = desktop->sideEffects(EffectKind::SystemMessageBox);
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(std::tie(boxes[0].flags, boxes[0].title, boxes[0].helpFile, boxes[0].context),
              std::make_tuple(5 | 48 | 0x8000, "Ledger", "h.chm", 7));
    EXPECT_TRUE(box->DontShowAgainTicked());
    // For a set without No the message is shown, and its box starts ticked as the last one
    // was left, so the untouched box remembers OK.
    EXPECT_EQ(answer(1, 0, false), qvButtonOK);
    EXPECT_EQ(windows, before + 1);
    EXPECT_EQ(remembered("Q1"), "1");
}

TEST_F(MemoryTest, GetDontShowIDValueIsStrict) {
    for (const auto& row : qvtest::readTable("dont-show-id-value.txt")) {
        SetRegSetting("Q1", row.at(0), "MessageBox\\ShowMessage", true);
        std::string read;
        try {
            read = std::to_string(box->GetDontShowIDValue("Q1"));
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.Source, "GetDontShowIDValue&qvMsgErr");
            read = "error " + std::to_string(e.Number);
        }
        EXPECT_EQ(read, row.at(1)) << '"' << row.at(0) << '"';
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
    box->DontShowForceButton(qvButtonYes); // stored whatever is pressed
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
    EXPECT_EQ(rows, (std::vector<std::string>{"Import=5=5", "Odd=maybe=0", "SaveOnClose=6=6"}));

    ASSERT_TRUE(FindRememberedAnswer("  saveonclose ").has_value());
    EXPECT_EQ(FindRememberedAnswer("  saveonclose ")->ButtonNumber, qvButtonYes);
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

#ifdef _WIN32
// The registry's counterpart of a store that cannot be read: a key nobody may open, whose access
// list its owner (the test) set. Messages still ask and answer but remember nothing; the memory
// functions report it (70, permission denied) rather than take it for an empty memory.
TEST_F(MemoryTest, AKeyThatCannotBeOpenedIsNoMemory) {
    const std::string sandbox =
        "Software\\qvMsgErr tests\\memory-" + std::to_string(std::random_device()());
    const auto registry = std::make_shared<platform::WindowsRegistry>(sandbox);
    setThreadRegistry(registry);
    const std::string path =
        sandbox + "\\HKEY_CURRENT_USER\\Software\\Tests\\MessageBox\\ShowMessage";
    const std::wstring key(path.begin(), path.end());
    const auto secure = [&](const wchar_t* sddl) {
        ::HKEY k = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, WRITE_DAC,
                                    nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                           &sd, nullptr));
        EXPECT_EQ(::RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
        ::LocalFree(sd);
        ::RegCloseKey(k);
    };
    secure(L"D:P"); // an empty access list: nobody may do anything
    EXPECT_EQ(answer(4, 1), qvButtonNo);
    EXPECT_EQ(answer(4, 0), qvButtonYes) << "nothing was remembered";
    for (const auto& call : std::vector<std::function<void()>>{
             [] { RememberedAnswers(); }, [] { FindRememberedAnswer("Q1"); },
             [] { ForgetAnswer("Q1"); }, [] { ForgetAllAnswers(); }}) {
        EXPECT_EQ(qvMsgErr::testing::raised(call).Number, err::PermissionDenied);
    }
    secure(L"D:P(A;;KA;;;WD)");
    EXPECT_TRUE(RememberedAnswers().empty());
    EXPECT_EQ(registry->DeleteSandbox(), platform::regresult::Success);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\qvMsgErr tests"); // when no other run uses it
}
#else
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
#endif

} // namespace
} // namespace msgboxtest

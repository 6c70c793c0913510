// The ledger's dialog flows on the headless desktop: a script plays the user, a virtual clock
// stands in for the wall clock, and every test starts with an empty settings store.
#include "ledger_actions.h"

#include <qvMsgErr/qvMsgErr.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;
using ledger::SaveResult;
using qvMsgErr::headless::EffectKind;
using qvMsgErr::headless::HeadlessDesktop;
using qvMsgErr::headless::ScriptedUser;

// Remembered answers go to a store of this test run, never the user's own. The store is opened
// at the first use, so the variable has to be set before any test runs.
class PrivateStore : public ::testing::Environment {
public:
    void SetUp() override {
        path_ =
            fs::path(::testing::TempDir()) / ("ledger-tests-" + std::to_string(::getpid()) + ".db");
        ::setenv("QVMSGERR_REGISTRY", path_.c_str(), 1);
    }
    void TearDown() override {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            fs::remove(path_.string() + suffix);
        }
    }

private:
    fs::path path_;
};
[[maybe_unused]] const auto* const kStore = ::testing::AddGlobalTestEnvironment(new PrivateStore);

class LedgerFlows : public ::testing::Test {
protected:
    void SetUp() override {
        qvMsgErr::setThreadDesktop(desktop);
        // Each test its own settings key, so that no remembered answer leaks between tests.
        qvMsgErr::clsMesgBox().Reg_Root(
            std::string("Software\\Ledger tests\\") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { qvMsgErr::setThreadDesktop(nullptr); }

    std::size_t shown(const std::string& window) const {
        std::size_t n = 0;
        for (const auto& effect : desktop->sideEffects(EffectKind::ModalShown)) {
            n += effect.window == window ? 1 : 0;
        }
        return n;
    }

    std::shared_ptr<HeadlessDesktop> desktop = std::make_shared<HeadlessDesktop>();
};

constexpr int16_t kDiscard = 0; // positions of the message's buttons
constexpr int16_t kKeep = 1;

TEST_F(LedgerFlows, ConfirmDiscardAnswers) {
    const struct {
        const char* what;
        std::function<void(ScriptedUser&)> user;
        bool discard;
        bool timedOut;
    } rows[] = {
        {"Discard", [](ScriptedUser& u) { u.click("cmdButton", kDiscard); }, true, false},
        {"Keep editing", [](ScriptedUser& u) { u.click("cmdButton", kKeep); }, false, false},
        {"a Yes/No question has no close box, and Escape does not answer it",
         [](ScriptedUser& u) {
             ASSERT_FALSE(u.window().closeBox());
             u.keyDown(27);
             ASSERT_TRUE(u.shown());
             u.click("cmdButton", kKeep);
         },
         false, false},
        {"Enter on the default button", [](ScriptedUser& u) { u.keyDown(13); }, false, false},
        // The count shows 30 down to 0, a second each, and then the default button answers.
        {"nobody, until the countdown has run out", [](ScriptedUser& u) { u.advanceSeconds(31); },
         false, true},
        {"Discard after 29 seconds",
         [](ScriptedUser& u) {
             u.advanceSeconds(29);
             ASSERT_TRUE(u.shown());
             u.click("cmdButton", kDiscard);
         },
         true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        desktop->onModal(row.user);
        qvMsgErr::clsMesgBox box;
        EXPECT_EQ(ledger::confirmDiscard(box), row.discard);
        EXPECT_EQ(box.TimeOutOccured, row.timedOut);
    }
    EXPECT_EQ(shown("frmTessary2003"), std::size(rows)) << "nothing was remembered unticked";
}

TEST_F(LedgerFlows, ConfirmDiscardRemembersATickedAnswer) {
    for (const int16_t button : {kDiscard, kKeep}) {
        SCOPED_TRACE(button);
        desktop->clearSideEffects();
        // A key of its own per answer: the second would otherwise be answered by the first.
        qvMsgErr::clsMesgBox().Reg_Root("Software\\Ledger tests\\Remember" +
                                        std::to_string(button));
        desktop->onModal([&](ScriptedUser& u) {
            u.tick("chkDontShow");
            u.click("cmdButton", button);
        });
        qvMsgErr::clsMesgBox first;
        const bool answer = ledger::confirmDiscard(first);
        EXPECT_EQ(answer, button == kDiscard);

        desktop->onModal([](ScriptedUser& u) {
            ADD_FAILURE() << "asked again: " << u.windowName();
            u.close();
        });
        qvMsgErr::clsMesgBox second;
        EXPECT_EQ(ledger::confirmDiscard(second), answer);
        EXPECT_EQ(shown("frmTessary2003"), 1u);
    }
}

TEST_F(LedgerFlows, SaveLedgerReportsFailuresAndFollowsTheUser) {
    const fs::path dir =
        fs::path(::testing::TempDir()) / ("ledger-save-" + std::to_string(::getpid()));
    const fs::path file = dir / "ledger.txt";
    const std::string text = "2026-01-02;coffee;-3.20\n";
    int dialogs = 0; // error dialogs so far in this row
    const struct {
        const char* what;
        bool dirExists;
        std::function<void(ScriptedUser&)> user; // on every error dialog
        SaveResult result;
        int dialogs;
    } rows[] = {
        {"saved at once", true, nullptr, SaveResult::Saved, 0},
        {"Ignore", false, [](ScriptedUser& u) { u.click("cmdIgnore"); }, SaveResult::NotSaved, 1},
        {"Close", false, [](ScriptedUser& u) { u.click("cmdClose"); }, SaveResult::NotSaved, 1},
        {"the close box", false, [](ScriptedUser& u) { u.close(); }, SaveResult::NotSaved, 1},
        {"the user fixes the cause and tries again", false,
         [&](ScriptedUser& u) {
             fs::create_directories(dir);
             u.click("cmdRetry");
         },
         SaveResult::Saved, 1},
        {"tries again twice, then gives up", false,
         [&](ScriptedUser& u) { u.click(dialogs < 3 ? "cmdRetry" : "cmdIgnore"); },
         SaveResult::NotSaved, 3},
        {"Close all, confirmed", false, [](ScriptedUser& u) { u.click("cmdAbort"); },
         SaveResult::CloseAll, 1},
    };
    // "Close all" asks for confirmation in a system message box.
    desktop->onSystemMessageBox(
        [](const qvMsgErr::headless::SystemMessageBoxCall&) { return qvMsgErr::qvButtonYes; });
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(dir);
        if (row.dirExists) {
            fs::create_directories(dir);
        }
        dialogs = 0;
        desktop->clearSideEffects();
        desktop->onModal([&](ScriptedUser& u) {
            if (++dialogs > 5) { // a flow that keeps asking would otherwise never end
                ADD_FAILURE() << "the error dialog keeps coming back";
                u.click("cmdIgnore");
                return;
            }
            row.user(u);
        });

        EXPECT_EQ(ledger::saveLedger(file.string(), text), row.result);
        EXPECT_EQ(dialogs, row.dialogs);
        EXPECT_EQ(shown("dlgError"), static_cast<std::size_t>(row.dialogs));
        std::ifstream in(file);
        const std::string written{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(written, row.result == SaveResult::Saved ? text : "");
    }
    fs::remove_all(dir);
}

} // namespace

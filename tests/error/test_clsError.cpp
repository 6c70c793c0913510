// clsError on the headless desktop: what Show puts into the dialog, what it returns, Close all,
// modeless display, the properties with the suggested solutions, and the error log.
#include "error_fixture.h"

#include "error/solution.h"
#include "support/failure.h"
#include "table.h"
#include "windows/MessageWindow.h"

#include <qvMsgErr/clsError.h>

#include <filesystem>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace qvMsgErr;
using namespace errortest;
using namespace std::string_literals;

namespace {

// --- What Show puts into the dialog --------------------------------------------------------------

TEST_F(ErrorTest, ShowFillsTheDialog) {
    for (const auto& row : qvtest::readTable("show-fills.txt")) {
        clsError e;
        e.Description(row.at(1));
        e.Details(row.at(2));
        e.AppName(row.at(3));
        e.UserName(row.at(4));
        e.Activity(row.at(5));
        e.Number(std::stoi(row.at(6)));
        clicks("cmdClose");
        dialogs = 0;
        EXPECT_EQ(e.Show(true, row.at(7), std::stoi(row.at(8)), row.at(9), row.at(10), row.at(11)),
                  qvButtonAbort);
        ASSERT_EQ(dialogs, 1);
        const std::string solution =
            row.at(16) == "(solution of 75)" ? error::GetSolutionText(75) : row.at(16);
        EXPECT_EQ(seen,
                  (Seen{row.at(12), row.at(17), row.at(13), row.at(14), row.at(15), solution}))
            << row.at(0);
    }
}

// One text as every argument is shown exactly as given however hostile.
TEST_F(ErrorTest, ShowPutsHostileTextsAsGiven) {
    for (const std::string& t : {std::string(1 << 20, 'x'), "nul\0inside"s, "bad \xff\xfe utf-8"s,
                                 "{\\rtf1 \\par} \\b0 {"s}) {
        clsError e;
        clicks("cmdClose");
        e.Show(true, t, 0, t, t, t);
        EXPECT_EQ(seen, (Seen{"", "A problem occurred while " + t, t, t, "", t})) << t.size();
    }
}

// --- What Show returns ---------------------------------------------------------------------------

TEST_F(ErrorTest, NobodyToAskAnswersByTheRulesOrSaysSoOnStandardError) {
    // No script stands in for the user: the answer file, else Close as by the close box.
    qvtest::writeFile(dir.file("answers"), "id 61 = Try Again\n");
    qvtest::ScopedEnv answers("QVMSGERR_ANSWERS", dir.file("answers"));
    qvtest::ScopedEnv log("QVMSGERR_UNATTENDED_LOG", dir.file("unattended.log"));
    EXPECT_EQ(clsError().Show(true, "Disk full", 61), 4);
    EXPECT_EQ(clsError().Show(true, "Not found", 53), 3);
    EXPECT_NE(qvtest::readFile(dir.file("unattended.log")).find("\terror\t"), std::string::npos);

    // No window system at all: the error goes to standard error, and nobody answered it.
    class NoWindows final : public HeadlessDesktop {
        std::unique_ptr<qvMsgErr::platform::Window>
        createWindow(const qvMsgErr::platform::FormDesign&) override {
            throw qvMsgErr::RunTimeError(qvMsgErr::err::NoWindows, "no display here");
        }
    };
    qvMsgErr::setThreadDesktop(std::make_shared<NoWindows>());
    int16_t response = -1;
    const std::string said = qvtest::stderrOf(dir.file("stderr"), [&] {
        clsError e;
        e.Number(61);
        response = e.Show(true, "Disk full");
    });
    EXPECT_EQ(response, 0);
    EXPECT_EQ(said, "qvMsgErr: error 61 \"Disk full\" could not be shown: no display here\n");
}

// --- Close all -----------------------------------------------------------------------------------

TEST_F(ErrorTest, CloseAllClosesEveryWindowThenTellsEveryHost) {
    clsError background, e;
    e.AppName("Ledger");
    background.Show(false, "left open"); // a modeless dialog of another object
    windows::frmTessary2003 message;     // and a message window, inside which the error comes up
    std::vector<std::string> calls;
    e.Abort.connect([&] {
        calls.push_back("first:" + std::to_string(loadedFormCount()) +
                        (e.AbortPending() ? ":pending" : ""));
        throw RunTimeError(5); // a failing host callback keeps no other from running
    });
    e.Abort.connect([&] { calls.push_back("second"); });
    int16_t answer = -1;
    desktop->onModal([&](ScriptedUser& u) {
        if (u.windowName() == "frmTessary2003") {
            answer = e.Show(true, "failed inside the message window");
            EXPECT_FALSE(u.shown());
        } else {
            u.click("cmdAbort");
        }
    });
    message.showModal();  // returns once "Close all" has unloaded it
    EXPECT_EQ(answer, 0); // the object never heard an answer
    EXPECT_EQ(calls, (std::vector<std::string>{"first:0:pending", "second"}));
    EXPECT_TRUE(e.AbortPending() && !background.AbortPending());

    const auto boxes = desktop->sideEffects(EffectKind::SystemMessageBox);
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(std::tie(boxes[0].prompt, boxes[0].title, boxes[0].flags),
              std::make_tuple("This will close Ledger. Are you sure you want to do this?"s,
                              "Confirm shutdown"s, 4 | 32));
}

TEST_F(ErrorTest, AnAbortCallbackMayShowTheNextErrorThroughTheSameObject) {
    clsError e;
    int16_t inner = -1;
    e.Abort.connect([&] { inner = e.Show(true, "while closing"); });
    user([](ScriptedUser& u) {
        u.click(u.control("rtfDescription").text() == "while closing" ? "cmdIgnore" : "cmdAbort");
    });
    EXPECT_EQ(e.Show(true, "first"), 5); // the nested dialog's answer is the object's last one
    EXPECT_EQ(inner, 5);
    EXPECT_EQ(dialogs, 2);
}

// --- Modeless display ----------------------------------------------------------------------------

TEST_F(ErrorTest, ModelessButtonsNoLongerReachTheObject) {
    for (const char* button : {"cmdIgnore", "cmdAbort"}) {
        std::filesystem::remove(dir.file("ErrorLog.txt"));
        clsError e;
        clicks("cmdRetry");
        ASSERT_EQ(e.Show(), 4);
        e.WriteDebugLog = true;
        clsError{}.Show(false, "another window"); // its dialog outlives the object
        bool told = false;
        e.Abort.connect([&] { told = true; });

        EXPECT_EQ(e.Show(false, "later"), 4); // at once, with the earlier answer
        EXPECT_TRUE(std::filesystem::exists(dir.file("ErrorLog.txt")));
        EXPECT_EQ(loadedFormCount(), 2U);

        EXPECT_TRUE(
            desktop->actOnModeless("dlgError", [button](ScriptedUser& u) { u.click(button); }));
        EXPECT_EQ(loadedFormCount(), 1U) << button; // only the dialog acted on has gone
        EXPECT_FALSE(told || e.AbortPending());
        clicks("cmdClose");
        EXPECT_EQ(e.Show(), 3);
        EXPECT_TRUE(desktop->actOnModeless("dlgError", [](ScriptedUser& u) {
            EXPECT_EQ(u.control("rtfDescription").text(), "another window");
            u.click("cmdRetry");
        }));
        EXPECT_EQ(loadedFormCount(), 0U);
    }
}

// --- Properties and suggested solutions ---------------------------------------------------------

TEST(ErrorProperties, EmptyValuesFallBackAndClearingTheLastErrorEmptiesIt) {
    clsError e;
    e.SupportEmail("");
    e.Appearance("");
    EXPECT_EQ(std::tuple(e.SupportEmail(), e.Appearance(), e.AbortPending(), e.LastErrorOccured()),
              std::tuple(std::string(clsError::kDefaultSupportEmail), "Standard"s, false, false));
    e.LastNumber = 53;
    e.LastDescription = "File not found";
    e.LastSource = "Load";
    e.LastErrorOccured(true);
    e.LastErrorOccured(false);
    EXPECT_EQ(std::tuple(e.LastErrorOccured(), e.LastNumber, e.LastDescription, e.LastSource),
              std::tuple(false, 0, ""s, ""s));
}

TEST(ErrorProperties, SolutionFollowsTheNumber) {
    clsError e;
    for (const auto& row : qvtest::readTable("solutions.txt")) {
        e.Number(std::stoi(row.at(0)));
        const std::string text = e.Solution();
        uint64_t fnv = 1469598103934665603ULL;
        for (const unsigned char c : text) {
            fnv = (fnv ^ c) * 1099511628211ULL;
        }
        EXPECT_EQ(std::tuple(text.size(), fnv),
                  std::tuple(std::stoul(row.at(1)), std::stoull(row.at(2), nullptr, 16)))
            << row.at(0);
    }
}

// --- The error log -------------------------------------------------------------------------------

TEST_F(ErrorTest, OnlyARegularFlagFileSwitchesLoggingOn) {
    EXPECT_FALSE(clsError().WriteDebugLog);
    std::filesystem::create_directory(dir.file("LogError.flag"));
    EXPECT_FALSE(clsError().WriteDebugLog);
    std::filesystem::remove(dir.file("LogError.flag"));
    qvtest::writeFile(dir.file("LogError.flag"), "");
    EXPECT_TRUE(clsError().WriteDebugLog);
}

TEST_F(ErrorTest, LogLinesAreWrittenAfterTheDialogHasClosed) {
    qvtest::writeFile(dir.file("LogError.flag"), "");
    const std::string log = dir.file("ErrorLog.txt");
    std::string logged;
    user([&](ScriptedUser& u) {
        EXPECT_EQ(qvtest::readFile(log), logged) << "written before the dialog closed";
        u.click("cmdClose");
    });
    for (const auto& row : qvtest::readTable("log-lines.txt")) {
        clsError e;
        e.Number(std::stoi(row.at(1)));
        e.Show(true, row.at(3), std::stoi(row.at(2)));
        logged += row.at(4) + "\r\n";
        EXPECT_EQ(qvtest::readFile(log), logged) << row.at(0);
    }
    EXPECT_EQ(dialogs, 3);
}

TEST_F(ErrorTest, AnUnwritableLogChangesNothing) {
    std::filesystem::create_directory(dir.file("ErrorLog.txt")); // the log path is a directory
    qvtest::writeFile(dir.file("LogError.flag"), "");
    std::vector<std::string> places = {dir.path()};
#ifndef _WIN32 // a directory the user may not write (a POSIX mode; Windows has ACLs instead)
    std::filesystem::create_directory(dir.file("ro"));
    qvtest::writeFile(dir.file("ro/LogError.flag"), "");
    ::chmod(dir.file("ro").c_str(), 0500);
    places.push_back(dir.file("ro"));
#endif
    const auto check = [&] {
        for (const std::string& where : places) {
            desktop->setComponentDirectory(where);
            clsError e;
            ASSERT_TRUE(e.WriteDebugLog) << where;
            clicks("cmdRetry");
            testing::internal::CaptureStdout();
            testing::internal::CaptureStderr();
            EXPECT_EQ(e.Show(true, "x", 1), 4) << where;
            EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        }
        EXPECT_FALSE(std::filesystem::exists(dir.file("ro/ErrorLog.txt")));
    };
#ifdef _WIN32
    check();
#else
    qvtest::asUnprivileged({dir.path()}, check);
#endif
}

} // namespace

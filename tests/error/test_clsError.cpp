// clsError on the headless desktop: what Show puts into the dialog, what it returns, Close all,
// modeless display, the properties and the error log.
#include "error_fixture.h"

#include "error/presenter.h"
#include "error/solution.h"
#include "support/failure.h"
#include "support/forms.h"

#include <qvMsgErr/clsError.h>

#include <filesystem>
#include <vector>

#include <sys/stat.h>

using namespace qvMsgErr;
using namespace errortest;
using namespace std::string_literals;

namespace {

// ---------------------------------------------------------------------------------------------
// What Show puts into the dialog
// ---------------------------------------------------------------------------------------------

struct Props {
    std::string description, details, appName, userName, activity;
    int32_t number = 0;
};
struct Args {
    std::string description, details, solution, activity;
    int32_t number = 0;
};
struct Expected {
    std::string activity, description, details, number, solution, caption;
};
struct FillCase {
    const char* name;
    Props props;
    Args args;
    Expected expected;
};

const std::string kSolution75 = error::GetSolutionText(75);

const FillCase kFillCases[] = {
    {"NothingAtAll", {}, {}, {"A problem occurred.", "", "", "", "", ""}},
    {"ArgumentsWin",
     {"prop desc", "prop det", "App", "", "prop act", 70},
     {"  arg desc \r\n", "arg det", "", "saving", 75},
     {"A problem occurred while saving", "arg desc", "arg det", "Error number is 75", kSolution75,
      "App"}},
    {"BlankArgumentsFallBack",
     {"prop desc", "prop det", "", "", "printing", 0},
     {" \r\n", "  \r\n\0"s, "", "  \n", 0},
     {"A problem occurred while printing", "prop desc", "prop det", "", "", ""}},
    {"NumberFromProperty",
     {"", "", "", "", "", 75},
     {},
     {"A problem occurred.", "", "", "Last error number was 75", kSolution75, ""}},
    {"NegativeNumber",
     {},
     {"", "", "", "", -2147483647 - 1},
     {"A problem occurred.", "", "", "Error number is -2147483648", "", ""}},
    {"SpacesSuppressTheBuiltInSolution",
     {},
     {"", "", "   ", "", 75},
     {"A problem occurred.", "", "", "Error number is 75", "", ""}},
    {"SolutionArgumentIsTrimmed",
     {},
     {"", "", "  do this  \r\n", "", 0},
     {"A problem occurred.", "", "", "", "do this", ""}},
    {"AmpersandsBecomeLines",
     {},
     {"", "A&B&", "", "", 0},
     {"A problem occurred.", "", "A\r\nB\r\n", "", "", ""}},
    {"UserNameWithoutAppName",
     {"", "", "", "ann", "", 0},
     {},
     {"A problem occurred.", "", "", "", "", " - ann"}},
    {"CaptionIsUntrimmed",
     {"", "", " App ", " ann ", "", 0},
     {},
     {"A problem occurred.", "", "", "", "", " App  -  ann "}},
    {"UnknownNumberHasNoSolution",
     {},
     {"", "", "", "", 402},
     {"A problem occurred.", "", "", "Error number is 402", "", ""}},
};

class ShowFills : public ErrorTest, public ::testing::WithParamInterface<FillCase> {};

TEST_P(ShowFills, TheDialog) {
    const FillCase& c = GetParam();
    clsError e;
    e.Description(c.props.description);
    e.Details(c.props.details);
    e.AppName(c.props.appName);
    e.UserName(c.props.userName);
    e.Activity(c.props.activity);
    e.Number(c.props.number);
    clicks("cmdClose");
    EXPECT_EQ(e.Show(true, c.args.description, c.args.number, c.args.details, c.args.solution,
                     c.args.activity),
              qvButtonAbort);
    ASSERT_EQ(dialogs, 1);
    EXPECT_EQ(seen.activity, c.expected.activity);
    EXPECT_EQ(seen.description, c.expected.description);
    EXPECT_EQ(seen.details, c.expected.details);
    EXPECT_EQ(seen.number, c.expected.number);
    EXPECT_EQ(seen.solution, c.expected.solution);
    EXPECT_EQ(seen.caption, c.expected.caption);
    EXPECT_EQ(seen.version, "1.0.72");
}

INSTANTIATE_TEST_SUITE_P(Cases, ShowFills, ::testing::ValuesIn(kFillCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ErrorTest, ShowTrimsLineEndsOffThePropertiesItFallsBackOn) {
    clsError e;
    e.Description("  disk full \r\n");
    e.Details("d\r\n\0"s);
    e.Activity("copying\n");
    e.AppName("App\r\n");
    e.UserName("ann \r");
    clicks("cmdClose");
    e.Show();
    EXPECT_EQ(e.Description(), "  disk full ");
    EXPECT_EQ(e.Details(), "d");
    EXPECT_EQ(e.Activity(), "copying");
    EXPECT_EQ(e.AppName(), "App");
    EXPECT_EQ(e.UserName(), "ann ");
    EXPECT_EQ(seen.caption, "App - ann ");

    // Properties an argument replaced stay as they were.
    clsError f;
    f.Description("kept\r\n");
    f.Show(true, "given");
    EXPECT_EQ(f.Description(), "kept\r\n");
}

// ---------------------------------------------------------------------------------------------
// What Show returns
// ---------------------------------------------------------------------------------------------

struct ResponseCase {
    const char* name;
    std::function<void(ScriptedUser&)> act;
    int16_t expected; ///< after an earlier dialog of the object answered 5
};

const ResponseCase kResponses[] = {
    {"Close", [](ScriptedUser& u) { u.click("cmdClose"); }, 3},
    {"TryAgain", [](ScriptedUser& u) { u.click("cmdRetry"); }, 4},
    {"Ignore", [](ScriptedUser& u) { u.click("cmdIgnore"); }, 5},
    {"Escape", [](ScriptedUser& u) { u.keyDown(27); }, 3},
    {"EnterOnNoOtherButton", [](ScriptedUser& u) { u.keyDown(13); }, 3},
    {"EnterOnTryAgain",
     [](ScriptedUser& u) {
         u.focus("cmdRetry");
         u.keyDown(13);
     },
     4},
    {"CloseBoxKeepsTheLastResponse", [](ScriptedUser& u) { u.close(); }, 5},
    {"CloseAllKeepsTheLastResponse", [](ScriptedUser& u) { u.click("cmdAbort"); }, 5},
    {"DeclinedCloseAllThenTryAgain",
     [](ScriptedUser& u) {
         u.desktop().onSystemMessageBox([](const auto&) { return 7; });
         u.click("cmdAbort");
         EXPECT_TRUE(u.shown());
         u.click("cmdRetry");
     },
     4},
    {"DetailsToggleIsNoAnswer",
     [](ScriptedUser& u) {
         u.click("cmdDetails");
         u.click("cmdDetails");
         EXPECT_TRUE(u.shown());
         u.close();
     },
     5},
};

class ShowReturns : public ErrorTest, public ::testing::WithParamInterface<ResponseCase> {};

TEST_P(ShowReturns, TheLastResponse) {
    clsError e;
    clicks("cmdIgnore");
    ASSERT_EQ(e.Show(), 5);
    user(GetParam().act);
    EXPECT_EQ(e.Show(true, "second"), GetParam().expected);
    EXPECT_EQ(loadedFormCount(), 0U);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShowReturns, ::testing::ValuesIn(kResponses),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ErrorTest, AnObjectThatNeverHeardAnAnswerReturnsZero) {
    clsError e;
    user([](ScriptedUser& u) { u.close(); });
    EXPECT_EQ(e.Show(), 0);
}

// ---------------------------------------------------------------------------------------------
// Close all
// ---------------------------------------------------------------------------------------------

TEST_F(ErrorTest, CloseAllConfirmedClosesEveryWindowThenTellsEveryHost) {
    clsError background, e;
    e.AppName("Ledger");
    background.Show(false, "left open"); // a modeless dialog of another object
    ASSERT_EQ(loadedFormCount(), 1U);

    std::vector<std::string> calls;
    e.Abort.connect([&] {
        calls.push_back("first:" + std::to_string(loadedFormCount()) +
                        (e.AbortPending() ? ":pending" : ""));
        throw RunTimeError(5); // a failing host callback keeps no other from running
    });
    e.Abort.connect([&] { calls.push_back("second"); });
    clicks("cmdAbort");
    EXPECT_FALSE(e.AbortPending());
    e.Show();
    EXPECT_EQ(calls, (std::vector<std::string>{"first:0:pending", "second"}));
    EXPECT_TRUE(e.AbortPending());
    EXPECT_FALSE(background.AbortPending());

    const auto boxes = desktop->sideEffects(EffectKind::SystemMessageBox);
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].prompt, "This will close Ledger. Are you sure you want to do this?");
    EXPECT_EQ(boxes[0].title, "Confirm shutdown");
    EXPECT_EQ(boxes[0].flags, 4 | 32);

    // It stays pending.
    clicks("cmdClose");
    EXPECT_EQ(e.Show(), 3);
    EXPECT_TRUE(e.AbortPending());
}

/// A message window of the library, as far as "Close all" is concerned.
class MessageWindow final : public LibraryForm {
public:
    MessageWindow() : LibraryForm(design()) {}
    void onEvent(platform::Event&) override {}
    static const platform::FormDesign& design() {
        static const platform::FormDesign d = [] {
            platform::FormDesign f;
            f.name = "frmMessage";
            f.clientWidth = 3000;
            f.clientHeight = 1000;
            return f;
        }();
        return d;
    }
};

TEST_F(ErrorTest, CloseAllFromAnErrorInsideAMessageWindowClosesThatWindowToo) {
    clsError e;
    MessageWindow message;
    int16_t answer = -1;
    bool messageOpenDuringAbort = true;
    e.Abort.connect([&] { messageOpenDuringAbort = message.isLoaded(); });
    desktop->onModal([&](ScriptedUser& u) {
        if (u.windowName() == "frmMessage") {
            answer = e.Show(true, "failed inside the message window");
            EXPECT_FALSE(u.shown());
        } else {
            u.click("cmdAbort");
        }
    });
    message.window().showModal(); // returns once "Close all" has unloaded it
    EXPECT_EQ(answer, 0);
    EXPECT_FALSE(message.isLoaded());
    EXPECT_FALSE(messageOpenDuringAbort);
    EXPECT_TRUE(e.AbortPending());
}

TEST_F(ErrorTest, TheLibrarysOwnHandlersAskThroughTheSharedErrorObject) {
    apartment().sharedError = error::presenterFor(std::make_shared<clsError>());
    std::vector<std::string> answers = {"cmdRetry", "cmdIgnore"};
    std::vector<Seen> shown;
    user([&](ScriptedUser& u) {
        shown.push_back(seen);
        u.click(answers.at(shown.size() - 1));
    });
    int attempts = 0;
    bool after = false;
    EXPECT_TRUE(showAndDecide("Let ButtonOK&", {
                                                   [&] {
                                                       ++attempts;
                                                       throw RunTimeError(75);
                                                   },
                                                   [&] { after = true; },
                                               }));
    apartment().sharedError.reset();
    EXPECT_EQ(attempts, 2); // tried again once, then passed over
    EXPECT_TRUE(after);
    ASSERT_EQ(shown.size(), 2U);
    EXPECT_EQ(shown[0].description, "Path/File access error");
    EXPECT_EQ(shown[0].number, "Error number is 75");
    EXPECT_EQ(shown[0].details, "Let ButtonOK\r\n");
    EXPECT_EQ(shown[0].solution, kSolution75);
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

TEST_F(ErrorTest, ShutdownQuestionWithoutAppName) {
    clsError e;
    desktop->onSystemMessageBox([](const auto&) { return 7; });
    user([](ScriptedUser& u) {
        u.click("cmdAbort");
        u.click("cmdClose");
    });
    bool told = false;
    e.Abort.connect([&] { told = true; });
    EXPECT_EQ(e.Show(), 3);
    EXPECT_FALSE(told);
    EXPECT_FALSE(e.AbortPending());
    EXPECT_EQ(desktop->sideEffects(EffectKind::SystemMessageBox).at(0).prompt,
              "This will close . Are you sure you want to do this?");
}

// ---------------------------------------------------------------------------------------------
// Modeless display
// ---------------------------------------------------------------------------------------------

struct ModelessCase {
    const char* name;
    std::function<void(ScriptedUser&)> act;
};

class Modeless : public ErrorTest, public ::testing::WithParamInterface<ModelessCase> {};

TEST_P(Modeless, ButtonsNoLongerReachTheObject) {
    clsError e, other;
    clicks("cmdRetry");
    ASSERT_EQ(e.Show(), 4);
    e.WriteDebugLog = true;
    other.Show(false, "another window");
    bool told = false;
    e.Abort.connect([&] { told = true; });

    EXPECT_EQ(e.Show(false, "later"), 4); // at once, with the earlier answer
    EXPECT_TRUE(std::filesystem::exists(dir.file("ErrorLog.txt")));
    EXPECT_EQ(loadedFormCount(), 2U);

    EXPECT_TRUE(desktop->actOnModeless("dlgError", GetParam().act));
    EXPECT_EQ(loadedFormCount(), 1U); // only the dialog the user acted on has gone
    EXPECT_FALSE(told);
    EXPECT_FALSE(e.AbortPending());
    clicks("cmdClose");
    EXPECT_EQ(e.Show(), 3);
    EXPECT_TRUE(desktop->actOnModeless("dlgError", [](ScriptedUser& u) {
        EXPECT_EQ(u.control("rtfDescription").text(), "another window");
        u.close();
    }));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Modeless,
    ::testing::Values(ModelessCase{"Ignore", [](ScriptedUser& u) { u.click("cmdIgnore"); }},
                      ModelessCase{"CloseAll", [](ScriptedUser& u) { u.click("cmdAbort"); }},
                      ModelessCase{"CloseBox", [](ScriptedUser& u) { u.close(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ErrorTest, AModelessDialogOutlivesItsObject) {
    {
        clsError e;
        e.Show(false, "still there");
    }
    ASSERT_EQ(loadedFormCount(), 1U);
    EXPECT_TRUE(desktop->actOnModeless("dlgError", [](ScriptedUser& u) {
        EXPECT_EQ(u.control("rtfDescription").text(), "still there");
        u.click("cmdRetry");
    }));
    EXPECT_EQ(loadedFormCount(), 0U);
}

// ---------------------------------------------------------------------------------------------
// Properties
// ---------------------------------------------------------------------------------------------

TEST(ErrorProperties, DefaultsAndPlainValues) {
    clsError e;
    EXPECT_EQ(e.SupportEmail(), clsError::kDefaultSupportEmail);
    e.SupportEmail("help@example.org");
    EXPECT_EQ(e.SupportEmail(), "help@example.org");
    e.SupportEmail("");
    EXPECT_EQ(e.SupportEmail(), clsError::kDefaultSupportEmail);

    EXPECT_EQ(e.Appearance(), "Standard");
    e.Appearance("Flat");
    EXPECT_EQ(e.Appearance(), "Flat");
    e.Appearance("");
    EXPECT_EQ(e.Appearance(), "Standard");

    EXPECT_FALSE(e.AbortPending());
    EXPECT_FALSE(e.LastErrorOccured());
}

TEST(ErrorProperties, LastErrorOccuredFalseClearsTheLastVariables) {
    clsError e;
    const auto set = [&] {
        e.LastNumber = 53;
        e.LastDescription = "File not found";
        e.LastSource = "Load";
    };
    set();
    e.LastErrorOccured(true);
    EXPECT_TRUE(e.LastErrorOccured());
    EXPECT_EQ(e.LastNumber, 53);
    EXPECT_EQ(e.LastDescription, "File not found");
    EXPECT_EQ(e.LastSource, "Load");
    e.LastErrorOccured(false);
    EXPECT_FALSE(e.LastErrorOccured());
    EXPECT_EQ(e.LastNumber, 0);
    EXPECT_EQ(e.LastDescription, "");
    EXPECT_EQ(e.LastSource, "");
}

TEST(ErrorProperties, SolutionFollowsTheNumberProperty) {
    clsError e;
    for (int32_t n : {0, 71, 402, 70, 75, 400, 401}) {
        e.Number(n);
        EXPECT_EQ(e.Solution(), error::GetSolutionText(n)) << n;
        EXPECT_EQ(e.Solution().empty(), n != 70 && n != 75 && n != 400 && n != 401) << n;
    }
}

// ---------------------------------------------------------------------------------------------
// The error log
// ---------------------------------------------------------------------------------------------

TEST_F(ErrorTest, OnlyARegularFlagFileSwitchesLoggingOn) {
    EXPECT_FALSE(clsError().WriteDebugLog);
    std::filesystem::create_directory(dir.file("LogError.flag"));
    EXPECT_FALSE(clsError().WriteDebugLog);
    std::filesystem::remove(dir.file("LogError.flag"));
    qvtest::writeFile(dir.file("LogError.flag"), "");
    clsError on;
    EXPECT_TRUE(on.WriteDebugLog);
    std::filesystem::remove(dir.file("LogError.flag"));
    EXPECT_TRUE(on.WriteDebugLog); // decided once, at creation
    EXPECT_FALSE(clsError().WriteDebugLog);
}

TEST_F(ErrorTest, LogLinesAreWrittenAfterTheDialogHasClosed) {
    qvtest::writeFile(dir.file("LogError.flag"), "");
    clsError e;
    e.Number(-7);
    const std::string log = dir.file("ErrorLog.txt");
    std::string logged;
    user([&](ScriptedUser& u) {
        EXPECT_EQ(qvtest::readFile(log), logged) << "written before the dialog closed";
        u.click("cmdClose");
    });
    const auto show = [&](auto... args) {
        e.Show(true, args...);
        logged = qvtest::readFile(log);
    };
    show(" Disk full, or nearly\r\nso \r\n");
    show("", 53);
    e.Number(0);
    show("");
    EXPECT_EQ(logged, "1/2/2026 3:04:05 AM,-7,Disk full, or nearly\r\nso\r\n"
                      "1/2/2026 3:04:05 AM,53,\r\n"
                      "1/2/2026 3:04:05 AM,0,\r\n");
    EXPECT_EQ(dialogs, 3);
}

TEST_F(ErrorTest, AnUnwritableLogChangesNothing) {
    std::filesystem::create_directory(dir.file("ErrorLog.txt")); // the log path is a directory
    qvtest::writeFile(dir.file("LogError.flag"), "");
    std::filesystem::create_directory(dir.file("ro"));
    qvtest::writeFile(dir.file("ro/LogError.flag"), "");
    ::chmod(dir.file("ro").c_str(), 0500);
    qvtest::asUnprivileged({dir.path()}, [&] {
        for (const std::string& where : {dir.path(), dir.file("ro")}) {
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
    });
}

} // namespace

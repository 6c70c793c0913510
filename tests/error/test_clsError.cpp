// clsError on the headless desktop: what Show puts into the dialog, what it returns, Close all,
// modeless display, the properties and the error log.
#include "error_fixture.h"

#include "error/presenter.h"
#include "error/solution.h"
#include "support/failure.h"
#include "support/forms.h"

#include <qvMsgErr/clsError.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include <sys/stat.h>

using namespace qvMsgErr;
using namespace errortest;
using namespace std::string_literals;

namespace {

// --- What Show puts into the dialog --------------------------------------------------------------

struct Props {
    std::string description, details, appName, userName, activity;
    int32_t number = 0;
};
struct Args {
    std::string description, details, solution, activity;
    int32_t number = 0;
};
struct FillCase {
    const char* name;
    Props props;
    Args args;
    Seen expected;
};

const std::string kSolution75 = error::GetSolutionText(75);

const FillCase kFillCases[] = {
    {"NothingAtAll", {}, {}, {"", "A problem occurred.", "", "", "", ""}},
    // Arguments win over the properties; "&" ends a line; the caption joins untrimmed names.
    {"ArgumentsWin",
     {"prop desc", "prop det", " App ", " ann ", "prop act", 70},
     {"  arg desc \r\n", "A&B&", "", "saving", 75},
     {" App  -  ann ", "A problem occurred while saving", "arg desc", "A\r\nB\r\n",
      "Error number is 75", kSolution75}},
    {"BlankArgumentsFallBack",
     {"prop desc", "prop det", "", "ann", "printing", 0},
     {" \r\n", "  \r\n\0"s, "  do this  \r\n", "  \n", -2147483647 - 1},
     {" - ann", "A problem occurred while printing", "prop desc", "prop det",
      "Error number is -2147483648", "do this"}},
    {"NumberFromProperty",
     {"", "", " App ", "", "", 75},
     {},
     {" App ", "A problem occurred.", "", "", "Last error number was 75", kSolution75}},
    {"SpacesSuppressTheBuiltInSolution",
     {},
     {"", "", "   ", "", 75},
     {"", "A problem occurred.", "", "", "Error number is 75", ""}},
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
    EXPECT_EQ(seen, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShowFills, ::testing::ValuesIn(kFillCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ErrorTest, ShowTrimsLineEndsOffThePropertiesItFallsBackOn) {
    clsError e;
    e.Description("  disk full \r\n");
    e.Details("d\r\n\0"s);
    e.Activity("copying\n");
    e.AppName(" App\r\n");
    e.UserName("ann \r");
    clicks("cmdClose");
    e.Show();
    EXPECT_EQ(
        (std::vector{e.Description(), e.Details(), e.Activity(), e.AppName(), e.UserName(),
                     seen.caption}),
        (std::vector<std::string>{"  disk full ", "d", "copying", " App", "ann ", " App - ann "}));

    // Properties an argument replaced stay as they were.
    clsError f;
    f.Description("kept\r\n");
    f.Show(true, "given");
    EXPECT_EQ(f.Description(), "kept\r\n");
}

// --- What Show returns ---------------------------------------------------------------------------

std::function<void(ScriptedUser&)> press(const char* button) {
    return [button](ScriptedUser& u) { u.click(button); };
}

TEST_F(ErrorTest, ShowReturnsTheLastResponseOfTheObjectsDialogs) {
    const std::pair<std::function<void(ScriptedUser&)>, int16_t> cases[] = {
        {press("cmdRetry"), 4},
        {press("cmdIgnore"), 5},
        {[](ScriptedUser& u) { u.keyDown(27); }, 3},
        {[](ScriptedUser& u) { u.keyDown(13); }, 3}, // no other button has the focus
        {[](ScriptedUser& u) { u.close(); }, 5},     // no answer: the earlier one stands
        {press("cmdAbort"), 5},
    };
    for (const auto& [act, expected] : cases) {
        clsError e;
        clicks("cmdIgnore");
        ASSERT_EQ(e.Show(), 5);
        user(act);
        EXPECT_EQ(e.Show(true, "second"), expected) << dialogs;
        EXPECT_EQ(loadedFormCount(), 0U);
    }
}

// --- Close all -----------------------------------------------------------------------------------

/// A message window of the library, as far as "Close all" is concerned.
class MessageWindow final : public LibraryForm {
public:
    MessageWindow() : LibraryForm(kDesign) {}
    void onEvent(platform::Event&) override {}
    static inline const platform::FormDesign kDesign = [] {
        platform::FormDesign f;
        f.name = "frmMessage";
        return f;
    }();
};

TEST_F(ErrorTest, CloseAllClosesEveryWindowThenTellsEveryHost) {
    clsError background, e;
    e.AppName("Ledger");
    background.Show(false, "left open"); // a modeless dialog of another object
    MessageWindow message;               // and a modal one, inside which the error comes up
    std::vector<std::string> calls;
    e.Abort.connect([&] {
        calls.push_back("first:" + std::to_string(loadedFormCount()) +
                        (e.AbortPending() ? ":pending" : ""));
        throw RunTimeError(5); // a failing host callback keeps no other from running
    });
    e.Abort.connect([&] { calls.push_back("second"); });
    int16_t answer = -1;
    desktop->onModal([&](ScriptedUser& u) {
        if (u.windowName() == "frmMessage") {
            answer = e.Show(true, "failed inside the message window");
            EXPECT_FALSE(u.shown());
        } else {
            u.click("cmdAbort");
        }
    });
    message.window().showModal(); // returns once "Close all" has unloaded it
    EXPECT_EQ(answer, 0);         // the object never heard an answer
    EXPECT_EQ(calls, (std::vector<std::string>{"first:0:pending", "second"}));
    EXPECT_TRUE(e.AbortPending());
    EXPECT_FALSE(background.AbortPending());

    const auto boxes = desktop->sideEffects(EffectKind::SystemMessageBox);
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(std::tie(boxes[0].prompt, boxes[0].title, boxes[0].flags),
              std::make_tuple("This will close Ledger. Are you sure you want to do this?"s,
                              "Confirm shutdown"s, 4 | 32));

    // It stays pending.
    clicks("cmdClose");
    EXPECT_EQ(e.Show(), 3);
    EXPECT_TRUE(e.AbortPending());
}

TEST_F(ErrorTest, DeclinedShutdownQuestionWithoutAppNameKeepsTheDialog) {
    clsError e;
    desktop->onSystemMessageBox([](const auto&) { return 7; });
    user([](ScriptedUser& u) {
        u.click("cmdAbort");
        EXPECT_TRUE(u.shown());
        u.click("cmdRetry");
    });
    bool told = false;
    e.Abort.connect([&] { told = true; });
    EXPECT_EQ(e.Show(), 4);
    EXPECT_FALSE(told);
    EXPECT_FALSE(e.AbortPending());
    EXPECT_EQ(desktop->sideEffects(EffectKind::SystemMessageBox).at(0).prompt,
              "This will close . Are you sure you want to do this?");
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
    const auto failing = [&] {
        ++attempts;
        throw RunTimeError(75);
    };
    EXPECT_TRUE(showAndDecide("Let ButtonOK&", {failing, [&] { after = true; }}));
    apartment().sharedError.reset();
    EXPECT_EQ(attempts, 2); // tried again once, then passed over
    EXPECT_TRUE(after);
    ASSERT_EQ(shown.size(), 2U);
    EXPECT_EQ(shown[0], (Seen{"", "A problem occurred.", "Path/File access error",
                              "Let ButtonOK\r\n", "Error number is 75", kSolution75}));
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

        EXPECT_TRUE(desktop->actOnModeless("dlgError", press(button)));
        EXPECT_EQ(loadedFormCount(), 1U) << button; // only the dialog acted on has gone
        EXPECT_FALSE(told);
        EXPECT_FALSE(e.AbortPending());
        clicks("cmdClose");
        EXPECT_EQ(e.Show(), 3);
        EXPECT_TRUE(desktop->actOnModeless("dlgError", [](ScriptedUser& u) {
            EXPECT_EQ(u.control("rtfDescription").text(), "another window");
            u.click("cmdRetry");
        }));
        EXPECT_EQ(loadedFormCount(), 0U);
    }
}

// --- Properties ----------------------------------------------------------------------------------

TEST(ErrorProperties, DefaultsAndStoredValues) {
    clsError e;
    EXPECT_FALSE(e.AbortPending());
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

    e.Number(75);
    EXPECT_EQ(e.Solution(), kSolution75);
    e.Number(402);
    EXPECT_EQ(e.Solution(), "");

    EXPECT_FALSE(e.LastErrorOccured());
    e.LastNumber = 53;
    e.LastDescription = "File not found";
    e.LastSource = "Load";
    e.LastErrorOccured(true);
    EXPECT_TRUE(e.LastErrorOccured());
    EXPECT_EQ(std::tie(e.LastNumber, e.LastDescription, e.LastSource),
              std::make_tuple(53, "File not found"s, "Load"s));
    e.LastErrorOccured(false);
    EXPECT_FALSE(e.LastErrorOccured());
    EXPECT_EQ(std::tie(e.LastNumber, e.LastDescription, e.LastSource),
              std::make_tuple(0, ""s, ""s));
}

// --- The error log -------------------------------------------------------------------------------

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

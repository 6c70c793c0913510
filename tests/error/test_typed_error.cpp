// The typed error report adds nothing: each builder call shows the dialog, records the side
// effects and answers exactly as the equivalent calls on clsError do; the choice is typed.
#include "error_fixture.h"
#include "snapshot.h"

#include <qvMsgErr/clsError.h>
#include <qvMsgErr/error_report.h>

#include <filesystem>
#include <sstream>

namespace errortest {
namespace {

using namespace qvMsgErr;

struct Case {
    const char* name;
    std::function<ErrorReport()> typed;
    std::function<int16_t(clsError&)> classic;
    const char* button; ///< what the user presses
    ErrorChoice choice;
};

const Case kCases[] = {
    {"every argument, Try Again",
     [] {
         return ErrorReport{"The ledger is locked."}
             .number(70)
             .details("Open&Read&")
             .solution("Close the other program.")
             .doing("opening the ledger")
             .application("Ledger")
             .user("ann")
             .supportEmail("help@ledger.example")
             .log();
     },
     [](clsError& e) {
         e.WriteDebugLog = true;
         e.AppName("Ledger");
         e.UserName("ann");
         e.SupportEmail("help@ledger.example");
         return e.Show(true, "The ledger is locked.", 70, "Open&Read&", "Close the other program.",
                       "opening the ledger");
     },
     "cmdRetry", ErrorChoice::TryAgain},
    {"the built-in solution, Ignore, the e-mail",
     [] { return ErrorReport{"Denied"}.number(75).supportEmail("it@ledger.example"); },
     [](clsError& e) {
         e.SupportEmail("it@ledger.example");
         return e.Show(true, "Denied", 75);
     },
     "cmdEmail cmdIgnore", ErrorChoice::Ignore},
    {"Close all", [] { return ErrorReport{"Fatal"}.doing("saving"); },
     [](clsError& e) { return e.Show(true, "Fatal", 0, "", "", "saving"); }, "cmdAbort",
     ErrorChoice::CloseAll},
};

class TypedError : public ErrorTest {
protected:
    std::string run(const Case& c, const std::function<int16_t(clsError&)>& show) {
        desktop->clearSideEffects();
        std::string seen;
        desktop->onModal([&](ScriptedUser& u) {
            if (u.windowName() != "dlgError") {
                return; // the question of "Close all": the default, Yes
            }
            seen += qvtest::snapshot(u.window());
            std::istringstream buttons(c.button);
            for (std::string b; buttons >> b;) {
                u.click(b);
            }
        });
        clsError error;
        std::ostringstream out;
        const int16_t response = show(error);
        out << seen << qvtest::snapshot(*desktop) << "response " << response << " abort "
            << error.AbortPending() << " log " << qvtest::readFile(dir.file("ErrorLog.txt"));
        std::filesystem::remove(dir.file("ErrorLog.txt"));
        return out.str();
    }
};

TEST_F(TypedError, EachBuilderCallIsTheClassCall) {
    for (const Case& c : kCases) {
        const std::string classic = run(c, c.classic);
        ErrorChoice choice{};
        const std::string typed = run(c, [&](clsError& error) {
            choice = c.typed().show(error);
            return choice == ErrorChoice::CloseAll ? int16_t{0} : static_cast<int16_t>(choice);
        });
        EXPECT_EQ(typed, classic) << c.name;
        EXPECT_EQ(choice, c.choice) << c.name;
    }
}

TEST_F(TypedError, CloseAllRunsTheCallbackAndModelessReturnsAtOnce) {
    clicks("cmdAbort");
    int closed = 0;
    EXPECT_EQ(ErrorReport{"Fatal"}.onCloseAll([&] { ++closed; }).show(), ErrorChoice::CloseAll);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(ErrorReport{"Later"}.modeless().show(), ErrorChoice::None);
    EXPECT_TRUE(desktop->actOnModeless("dlgError", [](ScriptedUser& u) { u.click("cmdClose"); }));
}

} // namespace
} // namespace errortest

// Shared by the error tests: a headless desktop of the test's own whose component directory is a
// scratch directory, and a record of what the error dialog showed.
#pragma once

#include "scratch.h"

#include "support/apartment.h"
#include "support/forms.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace errortest {

using qvMsgErr::headless::EffectKind;
using qvMsgErr::headless::HeadlessDesktop;
using qvMsgErr::headless::ScriptedUser;

/// What the dialog held when the scripted user first saw it.
struct Seen {
    std::string caption, activity, description, details, number, solution;
    bool operator==(const Seen&) const = default;
};

inline void PrintTo(const Seen& s, std::ostream* os) {
    *os << ::testing::PrintToString(std::vector<std::string>{s.caption, s.activity, s.description,
                                                             s.details, s.number, s.solution});
}

inline Seen look(ScriptedUser& user) {
    return {user.window().caption(),
            user.control("rtfActivity").text(),
            user.control("rtfDescription").text(),
            user.control("rtfDetails").text(),
            user.control("lblErrorNumber").caption(),
            user.control("rtfSolution").text()};
}

class ErrorTest : public ::testing::Test {
protected:
    void SetUp() override {
        desktop->setComponentDirectory(dir.path());
        qvMsgErr::setThreadDesktop(desktop);
    }
    void TearDown() override {
        EXPECT_EQ(qvMsgErr::loadedFormCount(), 0U) << "a test left windows of the library open";
        qvMsgErr::unloadAllForms();
        qvMsgErr::apartment().keptForms.clear();
        qvMsgErr::setThreadDesktop(nullptr);
    }

    /// The user's part for every modal dialog: look, then `act`.
    void user(const std::function<void(ScriptedUser&)>& act) {
        desktop->onModal([this, act](ScriptedUser& u) {
            if (u.windowName() == "dlgError") {
                seen = look(u);
                ++dialogs;
            }
            if (act) {
                act(u);
            }
        });
    }
    /// Clicks `control` in every modal dialog.
    void clicks(const std::string& control) {
        user([control](ScriptedUser& u) { u.click(control); });
    }

    qvtest::ScratchDir dir;
    std::shared_ptr<HeadlessDesktop> desktop = std::make_shared<HeadlessDesktop>();
    Seen seen;
    int dialogs = 0;
};

} // namespace errortest

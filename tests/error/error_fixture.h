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
#include <string>

namespace errortest {

using qvMsgErr::headless::EffectKind;
using qvMsgErr::headless::HeadlessDesktop;
using qvMsgErr::headless::ScriptedUser;

/// What the dialog held when the scripted user first saw it.
struct Seen {
    std::string caption, activity, description, details, number, solution, version;
    float innerHeight = 0;
    bool infoVisible = false, detailsVisible = false;
};

inline Seen look(ScriptedUser& user) {
    Seen s;
    s.caption = user.window().caption();
    s.activity = user.control("rtfActivity").text();
    s.description = user.control("rtfDescription").text();
    s.details = user.control("rtfDetails").text();
    s.number = user.control("lblErrorNumber").caption();
    s.solution = user.control("rtfSolution").text();
    s.version = user.control("lblversion").caption();
    s.innerHeight = user.window().scaleHeight();
    s.infoVisible = user.control("FraInfo").visible();
    s.detailsVisible = user.control("FraDetails").visible();
    return s;
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

// Shared by the error tests: a headless desktop of the test's own whose component directory is a
// scratch directory, and a record of what the error dialog showed.
#pragma once

#include "pinned_clock.h"
#include "scratch.h"

#include "support/apartment.h"
#include "support/forms.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace errortest {

using qvMsgErr::headless::EffectKind;
using qvMsgErr::headless::HeadlessDesktop;
using qvMsgErr::headless::ScriptedUser;

/// What the dialog held when the scripted user first saw it: caption, activity, description,
/// details, number and solution.
using Seen = std::array<std::string, 6>;

class ErrorTest : public ::testing::Test {
protected:
    void SetUp() override {
        qvtest::pinClock(*desktop);
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
                seen = {u.window().caption(),
                        u.control("rtfActivity").text(),
                        u.control("rtfDescription").text(),
                        u.control("rtfDetails").text(),
                        u.control("lblErrorNumber").caption(),
                        u.control("rtfSolution").text()};
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

// Shared by the message-window tests: a headless desktop, a shared error object whose dialog the
// test answers, and windows filled the way the composition fills them.
#pragma once

#include "scratch.h"

#include "error/presenter.h"
#include "windows/MessageWindow.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace windowtest {

using namespace qvMsgErr;
using headless::ScriptedUser;
using windows::MessageWindow;

enum class Style { Classic, Office };
inline const Style kBothStyles[] = {Style::Classic, Style::Office};
inline std::string nameOf(Style s) {
    return s == Style::Classic ? "frmTessaryClassic" : "frmTessary2003";
}

using Button = std::pair<std::string, std::string>; ///< caption and tag

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        desktop->setComponentDirectory(dir.path());
        setThreadDesktop(desktop);
        apartment().sharedError = error::presenterFor(std::make_shared<clsError>());
        desktop->onModal([this](ScriptedUser& u) {
            if (u.windowName() == "dlgError") {
                errors.push_back(u.control("rtfDetails").text());
                answerError(u);
            } else if (user) {
                user(u);
            }
        });
    }
    void TearDown() override {
        apartment().sharedError.reset();
        EXPECT_EQ(errors, std::vector<std::string>{}) << "error dialogs nobody expected";
        EXPECT_EQ(loadedFormCount(), 0U) << "a test left windows of the library open";
        setThreadDesktop(nullptr);
    }

    /// A window with `buttons`, each with a description and a box, as the composition fills it,
    /// the default at `defaultIndex`.
    static std::unique_ptr<MessageWindow> open(Style style, const std::vector<Button>& buttons,
                                               int16_t defaultIndex = 0) {
        auto w =
            style == Style::Classic
                ? std::unique_ptr<MessageWindow>(std::make_unique<windows::frmTessaryClassic>())
                : std::make_unique<windows::frmTessary2003>();
        for (int16_t i = 0; i < static_cast<int16_t>(buttons.size()); ++i) {
            for (const char* array : {"cmdButton", "lblCmdDesc", "shpLabelBack"}) {
                auto& c = i == 0 ? w->control(array, 0) : w->window().addElement(array, i);
                c.setTop(150 + 600 * static_cast<float>(i));
                c.setVisible(true);
            }
            w->control("cmdButton", i).setCaption(buttons[i].first);
            w->control("cmdButton", i).setTag(buttons[i].second);
        }
        w->g_iButtonIndex = defaultIndex;
        w->CloseIndex = defaultIndex; // as for a message whose Cancel is the default
        return w;
    }

    /// Shows `w` modally with `act` as the user.
    void run(MessageWindow& w, std::function<void(ScriptedUser&)> act) {
        user = std::move(act);
        w.showModal();
    }

    qvtest::ScratchDir dir;
    std::shared_ptr<headless::HeadlessDesktop> desktop =
        std::make_shared<headless::HeadlessDesktop>();
    std::function<void(ScriptedUser&)> user;
    /// Answers the error dialog. The details of each one shown are in `errors`, which a test that
    /// expects them clears.
    std::function<void(ScriptedUser&)> answerError = [](ScriptedUser& u) { u.click("cmdClose"); };
    std::vector<std::string> errors;
};

} // namespace windowtest

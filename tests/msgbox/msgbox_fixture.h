// Shared by the message-box tests: a headless desktop and an in-memory store of the test's own,
// a fresh clsMesgBox, and a record of the message window as the user first saw it.
#pragma once

#include "platform/sqlite/memory_registry.h"
#include "support/apartment.h"
#include "support/forms.h"
#include "support/modRegistry.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsMesgBox.h>
#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace msgboxtest {

using qvMsgErr::headless::EffectKind;
using qvMsgErr::headless::HeadlessDesktop;
using qvMsgErr::headless::ScriptedUser;

/// When not 0, the next allocation of at least this many bytes fails, and this goes back to 0:
/// the way to reach what a host sees when memory runs out.
extern std::atomic<std::size_t> failNextAllocationFrom;

/// Where a control was and what it said.
struct Box {
    float left = 0, top = 0, width = 0, height = 0;
    std::string caption;
    bool visible = false;
};

inline Box boxOf(qvMsgErr::platform::Control& c) {
    return {c.left(), c.top(), c.width(), c.height(), c.caption(), c.visible()};
}

class MsgBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        qvMsgErr::setThreadDesktop(desktop);
        qvMsgErr::setThreadRegistry(store);
        qvMsgErr::apartment().regRoot = "Software\\Tests";
        box = std::make_unique<qvMsgErr::clsMesgBox>();
    }
    void TearDown() override {
        box.reset();
        EXPECT_EQ(qvMsgErr::loadedFormCount(), 0U) << "a message left its window loaded";
        qvMsgErr::unloadAllForms();
        qvMsgErr::setThreadRegistry(nullptr);
        qvMsgErr::apartment().regRoot.clear();
        qvMsgErr::setThreadDesktop(nullptr);
    }

    /// The user's part for every message window: `act`, after the window's state is recorded.
    void user(const std::function<void(ScriptedUser&)>& act) {
        desktop->onModal([this, act](ScriptedUser& u) {
            if (u.windowName().rfind("frmTessary", 0) == 0) {
                ++windows;
                window = u.windowName();
                outer = {u.window().left(),   u.window().top(),     u.window().width(),
                         u.window().height(), u.window().caption(), true};
            }
            if (act) {
                act(u);
            }
        });
    }
    /// Presses the button at `position` in every message window.
    void presses(int16_t position) {
        user([position](ScriptedUser& u) { u.click("cmdButton", position); });
    }

    /// The answer the store holds for `id`, or "" when none.
    static std::string remembered(const std::string& id) {
        return qvMsgErr::GetRegSetting(id, "", "MessageBox\\ShowMessage", true);
    }

    std::shared_ptr<HeadlessDesktop> desktop = std::make_shared<HeadlessDesktop>();
    std::shared_ptr<qvMsgErr::platform::MemoryRegistry> store =
        std::make_shared<qvMsgErr::platform::MemoryRegistry>();
    std::unique_ptr<qvMsgErr::clsMesgBox> box;
    int windows = 0;
    std::string window;
    Box outer;
};

} // namespace msgboxtest

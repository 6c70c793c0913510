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
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace msgboxtest {

using qvMsgErr::headless::EffectKind;
using qvMsgErr::headless::HeadlessDesktop;
using qvMsgErr::headless::ScriptedUser;

/// When not 0, the next allocation of at least this many bytes fails, and this goes back to 0:
/// the way to reach what a host sees when memory runs out.
extern std::atomic<std::size_t> failNextAllocationFrom;

/// The answer a table names: "none", "ok", "cancel", "abort", "retry", "ignore", "yes" or "no".
inline int32_t buttonNamed(const std::string& name) {
    static const std::map<std::string, int32_t> kButtons = {
        {"none", qvMsgErr::qvButtonNone},     {"ok", qvMsgErr::qvButtonOK},
        {"cancel", qvMsgErr::qvButtonCancel}, {"abort", qvMsgErr::qvButtonAbort},
        {"retry", qvMsgErr::qvButtonRetry},   {"ignore", qvMsgErr::qvButtonIgnore},
        {"yes", qvMsgErr::qvButtonYes},       {"no", qvMsgErr::qvButtonNo}};
    return kButtons.at(name);
}

/// A flag word a table writes as a sum, such as "3+0x100".
inline int32_t flagsOf(const std::string& sum) {
    int32_t flags = 0;
    std::istringstream terms(sum);
    for (std::string term; std::getline(terms, term, '+');) {
        flags += std::stoi(term, nullptr, 0);
    }
    return flags;
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

    /// The user's part for every message window: `act`, after the window is counted.
    void user(const std::function<void(ScriptedUser&)>& act) {
        desktop->onModal([this, act](ScriptedUser& u) {
            if (u.windowName().rfind("frmTessary", 0) == 0) {
                ++windows;
            }
            if (act) {
                act(u);
            }
        });
    }

    /// One 2003-style message offering the check box: the user ticks it (or not) and presses
    /// `position`.
    int32_t answer(int32_t buttons, int16_t position, bool tick = true,
                   const std::string& id = "Q1") {
        user([tick, position](ScriptedUser& u) {
            if (tick) {
                u.tick("chkDontShow");
            }
            u.click("cmdButton", position);
        });
        box->MsgBoxType(qvMsgErr::Tessary2003);
        box->DontShowAgain(true);
        return box->msgBox("Save?", buttons, "T", "", -1, id);
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
};

} // namespace msgboxtest

// Per-thread state: every thread has its own registry root, shared error object, desktop and
// store connection; QVMSGERR_DESKTOP decides which desktop a thread gets first.
#include "platform/window_system.h"
#include "support/apartment.h"

#include "scratch.h"
#include "table.h"

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsMesgBox.h>
#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <latch>
#include <optional>
#include <string>
#include <thread>

using namespace qvMsgErr;

namespace {

// Stands in for the Qt desktop's factory: its desktops are told apart by their title.
std::shared_ptr<platform::Desktop> factoryDesktop() {
    auto desktop = std::make_shared<headless::HeadlessDesktop>();
    desktop->setApplicationTitle("from the factory");
    return desktop;
}

class DesktopChoice : public ::testing::Test {
protected:
    void SetUp() override { setDefaultDesktopFactory(&factoryDesktop); }
    void TearDown() override { setDefaultDesktopFactory(nullptr); }
};

TEST_F(DesktopChoice, TheVariableOverridesTheFactoryOnlyForHeadless) {
    for (const auto& row : qvtest::readTable("desktop-choice.txt")) {
        SCOPED_TRACE(row.at(0));
        const bool headless = row.at(2) == "yes";
        const qvtest::ScopedEnv variable(
            "QVMSGERR_DESKTOP", row.at(1) == "-" ? std::nullopt : std::optional(row.at(1)));
        EXPECT_EQ(headlessDesktopRequested(), headless);
        std::string title;
        std::size_t kept = 1;
        std::thread([&] {
            title = threadDesktop().applicationTitle();
            // An unattended desktop answers by the rules, and keeps no record of it: a process
            // that answers messages for days must not hold every one of them.
            if (auto* unattended = dynamic_cast<headless::HeadlessDesktop*>(&threadDesktop())) {
                EXPECT_FALSE(unattended->hasUser());
                const qvtest::ScopedEnv quiet("QVMSGERR_UNATTENDED_LOG", qvtest::kNullDevice);
                EXPECT_EQ(clsMesgBox().msgBox("Go on?", 1), qvButtonCancel);
                kept = unattended->sideEffects().size();
            }
        }).join();
        EXPECT_EQ(title, headless ? "Host Application" : "from the factory");
        EXPECT_EQ(kept, headless ? 0U : 1U);
    }
}

// A thread that needs a window and has no desktop chosen gets the platform's window system; a
// build without one (the Windows build before its Win32 desktop) says so with err::NoWindows,
// as a Linux thread without a display does, and never answers by itself.
TEST(WindowSystem, ABuildWithoutOneRaisesNoWindows) {
    std::string why;
    if (platform::findWindowSystem(why) != nullptr) {
        GTEST_SKIP() << "this build has a window system; its own tests show its windows";
    }
    const qvtest::ScopedEnv chosen("QVMSGERR_DESKTOP", std::nullopt);
    std::thread([&] {
        try {
            clsMesgBox().msgBox("Anybody there?", 4);
            ADD_FAILURE() << "answered without anybody to ask";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.Number, err::NoWindows);
            EXPECT_NE(e.Description.find(why), std::string::npos) << e.Description;
            EXPECT_NE(e.Description.find("QVMSGERR_DESKTOP=headless"), std::string::npos);
        }
    }).join();
}

TEST(Apartment, EachThreadSeesItsOwnState) {
#ifdef _WIN32
    qvtest::setEnv("QVMSGERR_REGISTRY", "Software\\qvMsgErr tests\\apartment");
#else
    qvtest::setEnv("QVMSGERR_REGISTRY", (::testing::TempDir() + "apartment/registry.db").c_str());
#endif
    // Per thread: its state (registry root, shared error object …), desktop and store.
    const void* seen[2][3] = {};
    // Both threads stay alive until both have looked, so no address can be reused.
    std::latch bothSetUp(2);
    const auto use = [&](int i, const std::string& root) {
        EXPECT_EQ(apartment().regRoot, ""); // nothing of the other thread is visible here
        apartment().regRoot = root;
        seen[i][0] = &apartment();
        seen[i][1] = &threadDesktop();
        seen[i][2] = &threadRegistry();
        bothSetUp.arrive_and_wait();
        EXPECT_EQ(apartment().regRoot, root);
    };
    std::thread first(use, 0, "Software\\First"), second(use, 1, "Software\\Second");
    first.join();
    second.join();
    for (int k = 0; k < 3; ++k) {
        EXPECT_NE(seen[0][k], seen[1][k]) << k;
    }
    EXPECT_EQ(apartment().regRoot, ""); // the test's own thread is untouched
}

} // namespace

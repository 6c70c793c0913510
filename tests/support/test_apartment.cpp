// Per-thread state: every thread has its own registry root, shared error object, desktop and
// store connection.
#include "support/apartment.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <latch>
#include <thread>

using namespace qvMsgErr;

namespace {

TEST(Apartment, EachThreadSeesItsOwnState) {
    ::setenv("QVMSGERR_REGISTRY", (::testing::TempDir() + "apartment/registry.db").c_str(), 1);
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

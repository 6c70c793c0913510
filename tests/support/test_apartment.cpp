// Per-thread state: every thread has its own registry root, shared error object, desktop and
// store connection.
#include "support/apartment.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <latch>
#include <thread>
#include <tuple>

using namespace qvMsgErr;

namespace {

class NullPresenter : public ErrorPresenter {
public:
    int16_t Show(bool, std::string, int32_t, std::string, std::string, std::string) override {
        return 3;
    }
};

TEST(Apartment, EachThreadSeesItsOwnState) {
    ::setenv("QVMSGERR_REGISTRY", (::testing::TempDir() + "apartment-store/registry.db").c_str(),
             1);
    using Seen = std::tuple<std::string, ErrorPresenter*, platform::Desktop*, platform::Registry*>;
    Seen seen[2];
    // Both threads stay alive until both have looked, so no address can be reused.
    std::latch bothSetUp(2);
    const auto use = [&](int i, const std::string& root) {
        EXPECT_EQ(apartment().regRoot, ""); // nothing of the other thread is visible here
        apartment().regRoot = root;
        apartment().sharedError = std::make_shared<NullPresenter>();
        seen[i] = {apartment().regRoot, apartment().sharedError.get(), &threadDesktop(),
                   &threadRegistry()};
        bothSetUp.arrive_and_wait();
    };
    std::thread first(use, 0, "Software\\First"), second(use, 1, "Software\\Second");
    first.join();
    second.join();
    EXPECT_EQ(std::get<0>(seen[0]), "Software\\First");
    EXPECT_EQ(std::get<0>(seen[1]), "Software\\Second");
    EXPECT_NE(std::get<1>(seen[0]), std::get<1>(seen[1]));
    EXPECT_NE(std::get<2>(seen[0]), std::get<2>(seen[1]));
    EXPECT_NE(std::get<3>(seen[0]), std::get<3>(seen[1]));
    EXPECT_EQ(apartment().regRoot, ""); // the test's own thread is untouched
}

std::shared_ptr<platform::Desktop> countingFactory() {
    static int made = 0;
    auto desktop = std::make_shared<headless::HeadlessDesktop>();
    desktop->setApplicationTitle("made " + std::to_string(++made));
    return desktop;
}

TEST(Apartment, TheDesktopComesFromTheFactoryOrIsHeadlessAndCanBeReplaced) {
    std::thread([] {
        EXPECT_EQ(threadDesktop().name(), "headless");
        auto mine = std::make_shared<headless::HeadlessDesktop>();
        setThreadDesktop(mine);
        EXPECT_EQ(&threadDesktop(), mine.get());
        setThreadDesktop(nullptr);
        EXPECT_NE(&threadDesktop(), mine.get());
    }).join();
    // Every new thread gets a desktop of its own from the factory.
    setDefaultDesktopFactory(&countingFactory);
    std::string first, second;
    std::thread([&] { first = threadDesktop().applicationTitle(); }).join();
    std::thread([&] { second = threadDesktop().applicationTitle(); }).join();
    setDefaultDesktopFactory(nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind("made ", 0), 0u);
}

} // namespace

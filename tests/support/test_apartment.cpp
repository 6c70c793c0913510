// Per-thread state: every thread has its own registry root, shared error object, desktop and
// store connection.
#include "support/apartment.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <latch>
#include <thread>

using namespace qvMsgErr;

namespace {

struct Seen {
    std::string regRoot;
    ErrorPresenter* sharedError = nullptr;
    platform::Desktop* desktop = nullptr;
    platform::Registry* registry = nullptr;
};

class NullPresenter : public ErrorPresenter {
public:
    int16_t Show(bool, std::string, int32_t, std::string, std::string, std::string) override {
        return 3;
    }
};

Seen useApartment(const std::string& root) {
    Seen seen;
    apartment().regRoot = root;
    apartment().sharedError = std::make_shared<NullPresenter>();
    seen.desktop = &threadDesktop();
    seen.registry = &threadRegistry();
    seen.regRoot = apartment().regRoot;
    seen.sharedError = apartment().sharedError.get();
    return seen;
}

TEST(Apartment, EachThreadSeesItsOwnState) {
    const std::string dir = ::testing::TempDir() + "/apartment-store";
    ::setenv("QVMSGERR_REGISTRY", (dir + "/registry.db").c_str(), 1);
    Seen a, b;
    // Both threads stay alive until both have looked, so no address can be reused.
    std::latch bothSetUp(2);
    std::thread first([&] {
        a = useApartment("Software\\First");
        bothSetUp.arrive_and_wait();
    });
    std::thread second([&] {
        EXPECT_EQ(apartment().regRoot, ""); // nothing of the other thread is visible here
        b = useApartment("Software\\Second");
        bothSetUp.arrive_and_wait();
    });
    first.join();
    second.join();
    EXPECT_EQ(a.regRoot, "Software\\First");
    EXPECT_EQ(b.regRoot, "Software\\Second");
    EXPECT_NE(a.sharedError, b.sharedError);
    EXPECT_NE(a.desktop, b.desktop);
    EXPECT_NE(a.registry, b.registry);
    EXPECT_EQ(apartment().regRoot, ""); // the test's own thread is untouched
}

TEST(Apartment, DesktopDefaultsToHeadlessAndCanBeReplaced) {
    std::thread t([] {
        EXPECT_EQ(threadDesktop().name(), "headless");
        auto mine = std::make_shared<headless::HeadlessDesktop>();
        setThreadDesktop(mine);
        EXPECT_EQ(&threadDesktop(), mine.get());
        setThreadDesktop(nullptr);
        EXPECT_NE(&threadDesktop(), mine.get());
    });
    t.join();
}

std::shared_ptr<platform::Desktop> countingFactory() {
    static int made = 0;
    ++made;
    auto d = std::make_shared<headless::HeadlessDesktop>();
    d->setApplicationTitle("made " + std::to_string(made));
    return d;
}

TEST(Apartment, DefaultFactoryServesEveryNewThread) {
    setDefaultDesktopFactory(&countingFactory);
    std::string first, second;
    std::thread([&] { first = threadDesktop().applicationTitle(); }).join();
    std::thread([&] { second = threadDesktop().applicationTitle(); }).join();
    setDefaultDesktopFactory(nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind("made ", 0), 0u);
}

} // namespace

// qt::Application in a process of its own: it makes and deletes QApplications, which the rest of
// the Qt suite keeps one of for its whole run.
#include "raised.h"
#include "scratch.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsMesgBox.h>
#include <qvMsgErr/qt.h>

#include <QApplication>
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace qvMsgErr {
namespace {

int g_argc = 1;
char g_arg0[] = "test_qt_application";
char* g_argv[] = {g_arg0, nullptr};

TEST(QtApplication, MakesUsesOrLeavesTheApplicationAndInstallsTheDesktop) {
    enum Host { NoApplication, WidgetsApplication, CoreApplication };
    const struct {
        std::optional<std::string> variable; // QVMSGERR_DESKTOP
        Host host;
        bool owns;
        bool uses;
        const char* desktop; // the thread's desktop while the object lives
        bool remade;         // the thread drops that desktop and makes its own by default
    } rows[] = {
        {std::nullopt, NoApplication, true, true, "qt", false},
        {std::nullopt, NoApplication, true, true, "qt", true},
        {"auto", NoApplication, true, true, "qt", false},
        {"headless", NoApplication, false, false, "headless", false},
        {std::nullopt, WidgetsApplication, false, true, "qt", false},
        {"headless", WidgetsApplication, false, false, "headless", false},
        {std::nullopt, CoreApplication, false, false, "none", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.variable.value_or("(unset)") + ", host " + std::to_string(row.host) +
                     (row.remade ? ", remade" : ""));
        const qvtest::ScopedEnv choice("QVMSGERR_DESKTOP", row.variable);
        std::unique_ptr<QCoreApplication> host;
        if (row.host == WidgetsApplication) {
            host = std::make_unique<QApplication>(g_argc, g_argv);
        } else if (row.host == CoreApplication) {
            host = std::make_unique<QCoreApplication>(g_argc, g_argv);
        }
        {
            qt::Application app(g_argc, g_argv);
            EXPECT_EQ(app.ownsApplication(), row.owns);
            EXPECT_EQ(app.application(), row.uses ? QCoreApplication::instance() : nullptr);
            EXPECT_EQ(threadDesktop().name(), row.desktop);
            if (row.remade) {
                setThreadDesktop(nullptr);
                EXPECT_EQ(threadDesktop().name(), row.desktop);
            }
        }
        // The host's application outlives the object; one the object made is gone, and with it
        // the Qt desktop, even one the thread made since (widgets must not outlive their
        // application), so the thread has no window system until one is needed (or the host's Qt
        // one again).
        EXPECT_EQ(QCoreApplication::instance(), host.get());
        const bool hostGui = row.host == WidgetsApplication && !row.variable;
        EXPECT_EQ(threadDesktop().name(), hostGui                      ? "qt"
                                          : row.variable == "headless" ? "headless"
                                                                       : "none");
        setThreadDesktop(nullptr);
    }
}

// A program without a QApplication: a question that needs no window starts nothing; the first
// window starts an application on the main thread. Another thread hears why it gets no window,
// before and after.
TEST(QtApplication, AProgramWithoutOneGetsOneWhenTheFirstWindowIsNeeded) {
    const qvtest::ScopedEnv choice("QVMSGERR_DESKTOP", std::nullopt);
    platform::FormDesign probe;
    probe.name = "frmProbe";
    probe.clientWidth = 1500;
    probe.clientHeight = 900;
    const auto refusedElsewhere = [&](const std::string& why) {
        RunTimeError refused;
        std::thread([&] {
            refused = testing::raised([&] { threadDesktop().createWindow(probe); });
            setThreadDesktop(nullptr);
        }).join();
        EXPECT_EQ(refused.Number, err::NoWindows);
        EXPECT_NE(refused.Description.find(why), std::string::npos) << refused.Description;
    };
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    clsMesgBox box;
    EXPECT_EQ(QCoreApplication::instance(), nullptr) << "made before any window was needed";
    refusedElsewhere("main thread");

    const auto window = threadDesktop().createWindow(probe);
    EXPECT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
    EXPECT_EQ(threadDesktop().name(), "qt");
    refusedElsewhere("not the thread of the program's QApplication");
}

} // namespace
} // namespace qvMsgErr

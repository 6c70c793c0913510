// qt::Application in a process of its own: it makes and deletes QApplications, which the rest of
// the Qt suite keeps one of for its whole run.
#include "raised.h"
#include "scratch.h"
#include "table.h"

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
    for (const auto& row : qvtest::readTable("applications.txt")) {
        SCOPED_TRACE(row.at(0) + ", host " + row.at(1) + ", " + row.at(5));
        const auto variable = row.at(0) == "-" ? std::nullopt : std::optional(row.at(0));
        const std::string& hostKind = row.at(1);
        const std::string& desktop = row.at(4);
        const qvtest::ScopedEnv choice("QVMSGERR_DESKTOP", variable);
        std::unique_ptr<QCoreApplication> host;
        if (hostKind == "widgets") {
            host = std::make_unique<QApplication>(g_argc, g_argv);
        } else if (hostKind == "core") {
            host = std::make_unique<QCoreApplication>(g_argc, g_argv);
        }
        {
            qt::Application app(g_argc, g_argv);
            EXPECT_EQ(app.ownsApplication(), row.at(2) == "owns");
            EXPECT_EQ(app.application(),
                      row.at(3) == "uses" ? QCoreApplication::instance() : nullptr);
            EXPECT_EQ(threadDesktop().name(), desktop);
            if (row.at(5) == "remade") {
                setThreadDesktop(nullptr);
                EXPECT_EQ(threadDesktop().name(), desktop);
            }
        }
        // The host's application outlives the object; one the object made is gone, and with it
        // the Qt desktop, even one the thread made since (widgets must not outlive their
        // application), so the thread has no window system until one is needed (or the host's Qt
        // one again, where the host chose none).
        EXPECT_EQ(QCoreApplication::instance(), host.get());
        EXPECT_EQ(threadDesktop().name(), row.at(6));
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

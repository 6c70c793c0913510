// qt::Application in a process of its own: it makes and deletes QApplications, which the rest of
// the Qt suite keeps one of for its whole run.
#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsMesgBox.h>
#include <qvMsgErr/qt.h>

#include <QApplication>
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

int g_argc = 1;
char g_arg0[] = "test_qt_application";
char* g_argv[] = {g_arg0, nullptr};

TEST(QtApplication, MakesUsesOrLeavesTheApplicationAndInstallsTheDesktop) {
    enum Host { NoApplication, WidgetsApplication, CoreApplication };
    const struct {
        const char* variable; // QVMSGERR_DESKTOP, nullptr for unset
        Host host;
        bool owns;
        bool uses;
        const char* desktop; // the thread's desktop while the object lives
        bool remade;         // the thread drops that desktop and makes its own by default
    } rows[] = {
        {nullptr, NoApplication, true, true, "qt", false},
        {nullptr, NoApplication, true, true, "qt", true},
        {"auto", NoApplication, true, true, "qt", false},
        {"headless", NoApplication, false, false, "headless", false},
        {nullptr, WidgetsApplication, false, true, "qt", false},
        {"headless", WidgetsApplication, false, false, "headless", false},
        {nullptr, CoreApplication, false, false, "none", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.variable ? row.variable : "(unset)") + ", host " +
                     std::to_string(row.host) + (row.remade ? ", remade" : ""));
        if (row.variable) {
            setenv("QVMSGERR_DESKTOP", row.variable, 1);
        } else {
            unsetenv("QVMSGERR_DESKTOP");
        }
        std::unique_ptr<QCoreApplication> host;
        if (row.host == WidgetsApplication) {
            host = std::make_unique<QApplication>(g_argc, g_argv);
        } else if (row.host == CoreApplication) {
            host = std::make_unique<QCoreApplication>(g_argc, g_argv);
        }
        {
            qvMsgErr::qt::Application app(g_argc, g_argv);
            EXPECT_EQ(app.ownsApplication(), row.owns);
            EXPECT_EQ(app.application() != nullptr, row.uses);
            if (row.uses) {
                EXPECT_EQ(app.application(), QCoreApplication::instance());
            }
            EXPECT_EQ(qvMsgErr::threadDesktop().name(), row.desktop);
            if (row.remade) {
                qvMsgErr::setThreadDesktop(nullptr);
                EXPECT_EQ(qvMsgErr::threadDesktop().name(), row.desktop);
            }
        }
        // The host's application outlives the object; one the object made is gone, and with it
        // the Qt desktop, even one the thread made since (widgets must not outlive their
        // application), so the thread has no window system until one is needed (or the host's Qt
        // one again).
        EXPECT_EQ(QCoreApplication::instance(), host.get());
        const bool hostGui = row.host == WidgetsApplication && !row.variable;
        const bool headless = row.variable && std::string(row.variable) == "headless";
        EXPECT_EQ(qvMsgErr::threadDesktop().name(), hostGui    ? "qt"
                                                    : headless ? "headless"
                                                               : "none");
        qvMsgErr::setThreadDesktop(nullptr);
    }
    unsetenv("QVMSGERR_DESKTOP");
}

// A program without a QApplication: a question that needs no window starts nothing; the first
// window starts an application on the main thread, and another thread hears why it cannot.
TEST(QtApplication, AProgramWithoutOneGetsOneWhenTheFirstWindowIsNeeded) {
    unsetenv("QVMSGERR_DESKTOP");
    qvMsgErr::platform::FormDesign probe;
    probe.name = "frmProbe";
    probe.clientWidth = 1500;
    probe.clientHeight = 900;
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    qvMsgErr::clsMesgBox box;
    EXPECT_EQ(QCoreApplication::instance(), nullptr) << "made before any window was needed";
    std::string elsewhere;
    std::thread([&] {
        try {
            qvMsgErr::threadDesktop().createWindow(probe);
        } catch (const qvMsgErr::RunTimeError& e) {
            elsewhere = std::to_string(e.Number) + " " + e.Description;
        }
        qvMsgErr::setThreadDesktop(nullptr);
    }).join();
    EXPECT_NE(elsewhere.find(std::to_string(qvMsgErr::err::NoWindows) + " "), std::string::npos);
    EXPECT_NE(elsewhere.find("main thread"), std::string::npos) << elsewhere;

    const auto window = qvMsgErr::threadDesktop().createWindow(probe);
    EXPECT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
    EXPECT_EQ(qvMsgErr::threadDesktop().name(), "qt");
}

} // namespace

// Entry point of the GUI tests: a QApplication (on Qt's offscreen platform when there is no
// display), the Qt desktop as this thread's desktop, then every test.
#include <qvMsgErr/apartment.h>
#include <qvMsgErr/qt.h>

#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
        !std::getenv("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    // The message font the designs are exact for; a test that wants another sets it.
    QApplication::setFont(QFont("Arial", 8), "QMessageBox");
    qvMsgErr::qt::installDesktop();
    qvMsgErr::qt::setLanguage("C"); // the tests expect English whatever the machine's language
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // The desktop holds Qt objects: let it go while the application still exists.
    qvMsgErr::setThreadDesktop(nullptr);
    return result;
}

// The window side of qvmsg on Linux, a module of its own: the QApplication and the scripted user
// on real Qt windows. qvmsg loads it only when a window may be needed.
#include "cli.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/qt.h>

#include <QApplication>

#include <array>
#include <iostream>

namespace qvmsg {

std::unique_ptr<Desk> makeQtDesk(const Invocation& inv, NumberOf numberOf, bool offscreen);

namespace {

void quietExceptCritical(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::cerr << text.toStdString() << '\n';
    }
}

/// The application, ended by stop() before the program returns: Qt's global data is gone by the
/// time static objects are destroyed, and an application destroyed then crashes the program.
std::unique_ptr<QApplication>& application() {
    static std::unique_ptr<QApplication> app;
    return app;
}

bool available(std::string* why) {
    return qvMsgErr::qt::windowSystemAvailable(why);
}

std::unique_ptr<Desk> start(char* program, const Invocation& inv, NumberOf numberOf,
                            bool offscreen) {
    // Qt reads options of its own from argv (--style among them): give it none.
    static int argc = 1;
    static std::array<char*, 2> argv{program, nullptr};
    if (offscreen) {
        // Nobody sees these windows: Qt's notes about what offscreen cannot do are noise.
        qInstallMessageHandler(quietExceptCritical);
    }
    application() = std::make_unique<QApplication>(argc, argv.data());
    return makeQtDesk(inv, std::move(numberOf), offscreen);
}

void stop() {
    // The thread's Qt desktop goes first: nothing of Qt may outlive the application.
    qvMsgErr::setThreadDesktop(nullptr);
    application().reset();
}

const WindowSide kSide{&available, &start, &stop};

} // namespace

} // namespace qvmsg

extern "C" __attribute__((visibility("default"))) const qvmsg::WindowSide* qvmsg_window_side() {
    return &qvmsg::kSide;
}

// qt::Application: the QApplication and Qt desktop of a host that is no Qt program itself.
#include "platform/qt/qt_desktop_p.h"
#include "support/auto_desktop.h"

#include <qvMsgErr/apartment.h>

#include <QApplication>
#include <QThread>

namespace qvMsgErr::qt {

Application::Application(int& argc, char** argv) {
    if (headlessDesktopRequested()) {
        return; // nothing Qt would need a display for
    }
    if (QCoreApplication::instance() == nullptr) {
        // Without a display Qt would abort the process; the library then says why instead, when
        // it is first asked for a window.
        if (!windowSystemAvailable()) {
            return;
        }
        owned_ = std::make_unique<QApplication>(argc, argv);
    }
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    // A QCoreApplication, or a QApplication of another thread, cannot host this thread's widgets.
    if (app == nullptr || app->thread() != QThread::currentThread()) {
        return;
    }
    used_ = app;
    installed_ = makeDesktop();
    setThreadDesktop(installed_);
}

Application::~Application() {
    if (installed_) {
        // Ours, or another Qt desktop the thread made since: its widgets must go before the
        // application they belong to.
        const platform::Desktop& current = threadDesktop();
        const auto* found = dynamic_cast<const AutoDesktop*>(&current);
        const platform::Desktop& real = found && found->resolved() ? *found->resolved() : current;
        if (&current == installed_.get() ||
            (owned_ && dynamic_cast<const QtDesktop*>(&real) != nullptr)) {
            setThreadDesktop(nullptr);
        }
        installed_.reset();
    }
    owned_.reset();
}

QApplication* Application::application() const {
    return used_;
}

bool Application::ownsApplication() const {
    return owned_ != nullptr;
}

} // namespace qvMsgErr::qt

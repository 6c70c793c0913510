// Finding Qt's window system: whether it can be opened here without Qt aborting the process, the
// Qt desktop for the thread of the program's QApplication, and an application started on demand
// for a program that has none.
#include "platform/qt/qt_desktop_p.h"
#include "platform/window_system.h"

#include <qvMsgErr/apartment.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QThread>

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qvMsgErr::qt {

namespace {

std::string envText(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

/// Whether Qt's platform plugin `name` is installed where Qt looks for it.
bool pluginInstalled(const std::string& name) {
    QStringList dirs{QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms")};
    for (const char* variable : {"QT_QPA_PLATFORM_PLUGIN_PATH", "QT_PLUGIN_PATH"}) {
        const QString paths = QString::fromLocal8Bit(envText(variable));
        for (const QString& dir : paths.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
            dirs << dir << dir + QStringLiteral("/platforms");
        }
    }
    const QString file =
        QStringLiteral("libq") + QString::fromStdString(name) + QStringLiteral(".so");
    for (const QString& dir : dirs) {
        if (QFileInfo::exists(QDir(dir).filePath(file))) {
            return true;
        }
    }
    return false;
}

/// The probe's connection to the X display, held until an application has connected: an X
/// server with no other client resets when its last client leaves, and refuses connections
/// while it does, so closing the probe at once would make the application's own connection
/// fail, and Qt abort the process.
struct HeldDisplay {
    void* library = nullptr;
    void* connection = nullptr;
    void (*disconnect)(void*) = nullptr;

    void release() {
        if (connection != nullptr) {
            disconnect(connection);
        }
        if (library != nullptr) {
            dlclose(library);
        }
        *this = {};
    }
};
HeldDisplay heldDisplay;

// Any QCoreApplication calls this once its window system is connected; ours do so at once.
void releaseHeldDisplay() {
    heldDisplay.release();
}
Q_COREAPP_STARTUP_FUNCTION(releaseHeldDisplay)

/// Opens a connection to the X display, as Qt's xcb plugin would open it: a display that does
/// not answer, or refuses us, makes Qt abort the process. The connection is held (above).
bool xDisplayAnswers(const std::string& display, std::string& why) {
    heldDisplay.release();
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (xcb == nullptr) {
        why = "the X client library libxcb.so.1 is not installed";
        return false;
    }
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool answers = false;
    if (connect != nullptr && hasError != nullptr && disconnect != nullptr) {
        void* connection = connect(display.c_str(), nullptr);
        answers = connection != nullptr && hasError(connection) == 0;
        if (answers && QCoreApplication::instance() == nullptr) {
            heldDisplay = {xcb, connection, disconnect};
            return true;
        }
        if (connection != nullptr) {
            disconnect(connection);
        }
    }
    dlclose(xcb);
    if (!answers) {
        why = "the X display \"" + display + "\" cannot be opened";
    }
    return answers;
}

bool waylandAnswers(std::string& why) {
    std::string socketPath = envText("WAYLAND_DISPLAY");
    if (socketPath.empty()) {
        socketPath = "wayland-0";
    }
    if (socketPath.front() != '/') {
        const std::string runtime = envText("XDG_RUNTIME_DIR");
        if (runtime.empty()) {
            why = "XDG_RUNTIME_DIR is not set, so no Wayland display can be found";
            return false;
        }
        socketPath = runtime + "/" + socketPath;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        why = "the Wayland socket path is too long";
        return false;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answers =
        fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!answers) {
        why = "the Wayland display at " + socketPath + " does not answer";
    }
    return answers;
}

/// Whether one platform of QT_QPA_PLATFORM's list can start.
bool platformStarts(const std::string& entry, std::string& why) {
    const std::string name = entry.substr(0, entry.find(':')); // "xcb:option=value"
    if (!pluginInstalled(name)) {
        why = "Qt's platform plugin \"" + name + "\" is not installed";
        return false;
    }
    if (name == "xcb") {
        const std::string display = envText("DISPLAY");
        if (display.empty()) {
            why = "no display: DISPLAY is not set";
            return false;
        }
        return xDisplayAnswers(display, why);
    }
    if (name == "wayland" || name.rfind("wayland-", 0) == 0) {
        return waylandAnswers(why);
    }
    return true; // offscreen, minimal, vnc, linuxfb …: nothing to connect to first
}

bool onMainThread() {
    return ::gettid() == ::getpid();
}

} // namespace

bool windowSystemAvailable(std::string* why) {
    std::string platforms = envText("QT_QPA_PLATFORM");
    if (platforms.empty()) {
        // Qt's own choice: Wayland in a Wayland session, else X.
        platforms = envText("XDG_SESSION_TYPE") == "wayland" && !envText("WAYLAND_DISPLAY").empty()
                        ? "wayland;xcb"
                        : "xcb";
    }
    std::string reasons;
    std::size_t start = 0;
    while (start <= platforms.size()) {
        const std::size_t end = std::min(platforms.find(';', start), platforms.size());
        const std::string entry = platforms.substr(start, end - start);
        std::string reason;
        if (!entry.empty() && platformStarts(entry, reason)) {
            return true;
        }
        if (!reason.empty()) {
            reasons += (reasons.empty() ? "" : "; ") + reason;
        }
        start = end + 1;
    }
    if (why != nullptr) {
        *why = reasons.empty() ? "no window system is named in QT_QPA_PLATFORM" : reasons;
    }
    return false;
}

namespace {

/// The application the library started for a program that had none. It lives until the process
/// ends and is never destroyed: the program's own would end before main returns, but this one
/// could only end among the static objects, after Qt's global data is gone, and that crashes
/// the program on its way out (on X, as soon as a message has shown an icon).
QApplication* startedApplication = nullptr;

// The first desktop of a thread, once this library is loaded: real windows on the thread that
// runs the QApplication; nullptr anywhere else, where startDesktop says why.
std::shared_ptr<platform::Desktop> qtDesktopOnGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    if (qobject_cast<const QApplication*>(app) != nullptr &&
        QThread::currentThread() == app->thread()) {
        return makeDesktop();
    }
    return nullptr;
}

bool startDesktop(std::shared_ptr<platform::Desktop>* out, std::string* why) noexcept;

// Linked by a Qt program or loaded by the core on demand, the Qt desktop serves the GUI thread
// at once and starts an application where a program has none.
[[maybe_unused]] const bool kRegistered = (setDefaultDesktopFactory(&qtDesktopOnGuiThread),
                                           platform::setWindowSystemStarter(&startDesktop), true);

bool startApplication(std::shared_ptr<platform::Desktop>* out, std::string* why) {
    if ((*out = qtDesktopOnGuiThread())) {
        return true;
    }
    if (const QCoreApplication* app = QCoreApplication::instance()) {
        *why = qobject_cast<const QApplication*>(app) == nullptr
                   ? "the program runs a QCoreApplication, which has no windows"
                   : "this thread is not the thread of the program's QApplication, and widgets "
                     "live on that thread only";
        return false;
    }
    if (!onMainThread()) {
        *why = "the program has no QApplication, and one can be started only on its main thread";
        return false;
    }
    if (!windowSystemAvailable(why)) {
        return false;
    }
    static int argc = 1;
    static std::array<char*, 2> argv{program_invocation_name, nullptr};
    startedApplication = new QApplication(argc, argv.data());
    releaseHeldDisplay();
    *out = makeDesktop();
    return true;
}

bool startDesktop(std::shared_ptr<platform::Desktop>* out, std::string* why) noexcept {
    try {
        return startApplication(out, why);
    } catch (const std::exception& e) {
        *why = e.what();
        return false;
    }
}

} // namespace

} // namespace qvMsgErr::qt

// The window system on Linux: the Qt desktop library, loaded on demand when a thread first needs
// a window and no Qt desktop library is loaded yet.
#include "support/auto_desktop.h"

#include "platform/files.h"
#include "platform/window_system.h"

#include <qvMsgErr/version.h>

#include <dlfcn.h>

#include <mutex>

namespace qvMsgErr {

platform::StartDesktop platform::findWindowSystem(std::string& why) {
    if (auto start = windowSystemStarter()) {
        return start;
    }
    static std::once_flag once;
    static std::string failure;
    std::call_once(once, [] {
        const std::string beside = platform::libraryDirectory() + "/" + qtDesktopLibraryName();
        // Deliberately never closed: Qt cannot be unloaded from a running process.
        void* library = dlopen(beside.c_str(), RTLD_NOW | RTLD_GLOBAL);
        if (library == nullptr) {
            library = dlopen(qtDesktopLibraryName().c_str(), RTLD_NOW | RTLD_GLOBAL);
        }
        if (library == nullptr) {
            const char* error = dlerror();
            failure = "the Qt desktop library " + qtDesktopLibraryName() +
                      " could not be loaded (" + (error ? error : "not found") + ")";
        } else if (windowSystemStarter() == nullptr) {
            failure = qtDesktopLibraryName() + " did not offer its windows";
        }
    });
    why = failure;
    return windowSystemStarter();
}

std::string qtDesktopLibraryName() {
    return "libqvMsgErr-qt.so." + std::to_string(kVersionMajor);
}

} // namespace qvMsgErr

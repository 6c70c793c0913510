// The window system on Windows: the Win32 desktop, linked into the core library. A build
// without it (QVMSGERR_WIN32_DESKTOP not set) has no window system: a thread that needs a window
// gets RunTimeError err::NoWindows, as a thread without a display does on Linux.
#include "platform/window_system.h"

namespace qvMsgErr {

platform::StartDesktop platform::findWindowSystem(std::string& why) {
    if (auto start = windowSystemStarter()) {
        return start;
    }
#if defined(QVMSGERR_WIN32_DESKTOP) && QVMSGERR_WIN32_DESKTOP
    why.clear();
    return &startWin32Desktop;
#else
    why = "this build of the library has no window desktop";
    return nullptr;
#endif
}

} // namespace qvMsgErr

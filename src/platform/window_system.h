// How the core reaches the window system of its platform. On Linux it does not link one: loading
// the Qt desktop library (by the program's linker, or by the core on demand) registers its
// starter with the core. On Windows the Win32 desktop is part of the core library itself.
#pragma once

#include <qvMsgErr/platform.h>

#include <memory>
#include <string>

namespace qvMsgErr::platform {

/// Gives the calling thread a desktop with real windows in `out`, starting the toolkit's
/// application object where that is safe (the main thread of a program without one, with a
/// display it can open). False, with the reason in `why`, where no window can be shown.
using StartDesktop = bool (*)(std::shared_ptr<Desktop>* out, std::string* why);

/// Registers the window system's starter (the Qt desktop library does so when it is loaded).
void setWindowSystemStarter(StartDesktop start);
/// The registered starter, or nullptr.
StartDesktop windowSystemStarter();

/// The platform's window system (support/window_system_linux.cpp or _win32.cpp): the registered
/// starter, else on Linux the one that loading the Qt desktop library (once per process)
/// registers, on Windows the Win32 desktop's. nullptr with `why` set when there is none.
StartDesktop findWindowSystem(std::string& why);

#ifdef _WIN32
/// The Win32 desktop's starter (platform/win32/). A build that has that desktop defines it and
/// compiles support/window_system_win32.cpp with QVMSGERR_WIN32_DESKTOP=1.
bool startWin32Desktop(std::shared_ptr<Desktop>* out, std::string* why);
#endif

} // namespace qvMsgErr::platform

// Windows: the library's windows as the system's own windows, for a program that acts on them as
// a person would (a scripted user, a test driver) or makes the choice of desktop explicit.
//
// A program needs nothing of this header for real windows: every thread that shows one gets the
// Win32 desktop by itself (see qvMsgErr::threadDesktop).
#pragma once

#include <qvMsgErr/platform.h>

#include <cstdint>
#include <string>

namespace qvMsgErr::win32 {

/// Whether this process can show windows that somebody sees; `why` says what is missing (a
/// service's window station shows nothing).
bool windowSystemAvailable(std::string* why = nullptr);

/// Makes a Win32 desktop the calling thread's desktop, whatever QVMSGERR_DESKTOP says (see
/// qvMsgErr::setThreadDesktop). RunTimeError err::NoWindows where no window can be shown.
void installDesktop();

/// The design name of the library's window `window` (its HWND) on the calling thread
/// ("frmTessary2003", "dlgError" …); "" for any other window.
std::string formName(platform::WindowHandle window);

/// The HWND of control `name` (element `index` of an array) of the library's window `window` on
/// the calling thread; 0 when there is no such control or it is drawn on the window's surface.
platform::WindowHandle controlWindow(platform::WindowHandle window, const std::string& name,
                                     int16_t index = -1);

} // namespace qvMsgErr::win32

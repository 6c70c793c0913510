// Per-thread state of the library. Every thread that uses the library has its own desktop,
// store connection, registry root and shared error object; nothing is shared between threads.
#pragma once

#include <qvMsgErr/platform.h>

#include <memory>
#include <string>

namespace qvMsgErr {

namespace platform {
class Registry;
}

/// The calling thread's desktop. When none was set, the process-wide default factory makes one
/// (see setDefaultDesktopFactory); without a factory, or when it gives none, a headless desktop
/// is made.
///
/// The environment variable QVMSGERR_DESKTOP, read each time a thread's first desktop is made,
/// overrides that choice: `headless` (in any letter case) gives the headless desktop even on the
/// thread of a QApplication, so that a host's dialog flows run without a display and without
/// blocking (every modal window is closed at once, as its close box would). Unset, empty, `auto`
/// and `qt` keep the default: widgets need a QApplication on the thread, so `qt` cannot give more
/// than the factory does. Any other value is taken as `auto`. A desktop set with setThreadDesktop
/// is used whatever the variable says.
platform::Desktop& threadDesktop();
/// Whether QVMSGERR_DESKTOP asks for the headless desktop now.
bool headlessDesktopRequested();
/// Sets the calling thread's desktop; nullptr puts the default back.
void setThreadDesktop(std::shared_ptr<platform::Desktop> desktop);
/// The factory every thread uses for its first desktop. Loading the Qt desktop's library sets
/// one that serves the QApplication's thread; qt::installDesktop sets only the calling thread.
void setDefaultDesktopFactory(std::shared_ptr<platform::Desktop> (*factory)());

} // namespace qvMsgErr

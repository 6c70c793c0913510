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

/// The calling thread's desktop. When none was set, the thread gets one that finds the window
/// system when the first window is needed: the default factory's desktop (the Qt desktop on the
/// thread of the program's QApplication), else the Qt desktop library, loaded on demand, which
/// starts a QApplication on the main thread of a program that has none when a display can be
/// opened. Where no window can be shown, showing one raises RunTimeError err::NoWindows with the
/// reason; nothing is ever answered in a person's place.
///
/// The environment variable QVMSGERR_DESKTOP, read each time a thread's first desktop is made,
/// overrides that choice: `headless` (in any letter case) gives an unattended headless desktop,
/// which answers every question by the unattended rules (the answer file QVMSGERR_ANSWERS, else
/// the close box), logs each answer and keeps no record. Unset, empty, `auto`, `qt` and any other
/// value keep the default. A desktop set with setThreadDesktop is used whatever the variable says.
platform::Desktop& threadDesktop();
/// Whether QVMSGERR_DESKTOP asks for the headless desktop now.
bool headlessDesktopRequested();
/// Sets the calling thread's desktop; nullptr puts the default back.
void setThreadDesktop(std::shared_ptr<platform::Desktop> desktop);
/// The factory a thread's first desktop asks before anything is started; nullptr from it means
/// "not here". Loading the Qt desktop's library sets one that serves the QApplication's thread;
/// qt::installDesktop sets only the calling thread.
void setDefaultDesktopFactory(std::shared_ptr<platform::Desktop> (*factory)());

} // namespace qvMsgErr

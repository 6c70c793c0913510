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
platform::Desktop& threadDesktop();
/// Sets the calling thread's desktop; nullptr puts the default back.
void setThreadDesktop(std::shared_ptr<platform::Desktop> desktop);
/// The factory every thread uses for its first desktop. Loading the Qt desktop's library sets
/// one that serves the QApplication's thread; qt::installDesktop sets only the calling thread.
void setDefaultDesktopFactory(std::shared_ptr<platform::Desktop> (*factory)());

} // namespace qvMsgErr

// Qt 6 Widgets integration: the desktop that shows the library's windows as real dialogs.
// Link qvMsgErr::qt. A QApplication must exist on the thread before the desktop is used.
#pragma once

#include <qvMsgErr/platform.h>

#include <memory>
#include <string>

namespace qvMsgErr::qt {

/// A new Qt desktop for the calling thread.
std::shared_ptr<platform::Desktop> makeDesktop();

/// Makes a Qt desktop the calling thread's desktop, so that the library's windows are real
/// windows from now on (see qvMsgErr::setThreadDesktop).
void installDesktop();

} // namespace qvMsgErr::qt

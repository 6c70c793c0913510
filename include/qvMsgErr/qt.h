// Qt 6 Widgets integration: the desktop that shows the library's windows as real dialogs.
// Link qvMsgErr::qt. A QApplication must exist on the thread before the desktop is used.
//
// Once this library is loaded it is the default: the thread that runs the QApplication gets a Qt
// desktop the first time the library needs one; other threads, and programs without a
// QApplication, get the headless desktop. installDesktop() makes the choice explicit.
#pragma once

#include <qvMsgErr/HostForm.h>
#include <qvMsgErr/platform.h>

#include <memory>
#include <string>

class QWidget;

namespace qvMsgErr::qt {

/// A new Qt desktop for the calling thread.
std::shared_ptr<platform::Desktop> makeDesktop();

/// Makes a Qt desktop the calling thread's desktop, so that the library's windows are real
/// windows from now on (see qvMsgErr::setThreadDesktop).
void installDesktop();

/// `widget` as clsMesgBox::msgBox's ParentForm: a window (QWidget::isWindow) is a form whose
/// centre places the message, read when msgBox runs; a child widget is an object that is not a
/// form, so the message is centred on the screen. A window destroyed before msgBox runs makes
/// msgBox fail with RunTimeError 91, as any released object does.
std::unique_ptr<HostObject> parentForm(QWidget* widget);

} // namespace qvMsgErr::qt

// Qt 6 Widgets integration: the desktop that shows the library's windows as real dialogs, and the
// typed builders on Qt's types (qt::Message, qt::ErrorReport: QString, QColor, a QWidget* parent).
//
// A program needs no code of this header for real windows: the thread that runs the program's
// QApplication gets the Qt desktop the first time the library shows a window, and a program
// without a QApplication gets one started on its main thread when the first window is needed
// (the core library loads this one on demand, so no linker flag can lose it). Other threads get
// RunTimeError err::NoWindows instead of a window. installDesktop() makes the choice explicit.
#pragma once

#include <qvMsgErr/HostForm.h>
#include <qvMsgErr/error_report.h>
#include <qvMsgErr/message.h>
#include <qvMsgErr/platform.h>

#include <memory>
#include <string>

class QApplication;
class QColor;
class QString;
class QWidget;

namespace qvMsgErr::qt {

/// Whether Qt can open its window system in this process (QT_QPA_PLATFORM, else the session's
/// display): a display that is named but does not answer, or a missing platform plugin, would
/// make Qt abort the whole process when a QApplication is made. `why` says what is missing.
bool windowSystemAvailable(std::string* why = nullptr);

/// A new Qt desktop for the calling thread.
std::shared_ptr<platform::Desktop> makeDesktop();

/// Makes a Qt desktop the calling thread's desktop, so that the library's windows are real
/// windows from now on (see qvMsgErr::setThreadDesktop).
void installDesktop();

/// The language of the library's own texts (default captions, the check box, the countdown, the
/// error dialog) in windows made from now on: the catalogue for `locale` ("de", "fr_CA", "he_IL"),
/// or with an empty `locale` the user's, as Qt reads it from LANGUAGE, LC_ALL, LC_MESSAGES and
/// LANG. English, "C" and a language without a catalogue give the English texts; a right-to-left
/// language mirrors the windows. The Qt desktop chooses the user's language by itself when the
/// first one is made: a host calls this only to follow a language chosen inside the program.
void setLanguage(const std::string& locale = {});

/// `widget` as clsMesgBox::msgBox's ParentForm: a window (QWidget::isWindow) is a form whose
/// centre places the message, read when msgBox runs; a child widget is an object that is not a
/// form, so the message is centred on the screen. A window destroyed before msgBox runs makes
/// msgBox fail with RunTimeError 91, as any released object does.
std::unique_ptr<HostObject> parentForm(QWidget* widget);

/// The typed message builder (<qvMsgErr/message.h>) on Qt's types: QString texts, QColor colours
/// and a QWidget* parent, taken as qt::parentForm takes it (a window centres the message on
/// itself, a child widget does not).
///
///     const qvMsgErr::Button answer = qvMsgErr::qt::Message{tr("Save the changes?")}
///                                         .buttons(qvMsgErr::Buttons::YesNoCancel)
///                                         .icon(qvMsgErr::Icon::Question)
///                                         .title(tr("Ledger"))
///                                         .parent(this)
///                                         .show();
class Message : public BasicMessage<Message, QString, QColor, QWidget*> {
public:
    using BasicMessage::BasicMessage;
};

/// The typed error report (<qvMsgErr/error_report.h>) on QString texts, with a parent: a window
/// (QWidget::isWindow) centres the error dialog on itself; a child widget, a window destroyed
/// before show, or none leaves it centred on the screen.
class ErrorReport : public BasicErrorReport<ErrorReport, QString> {
public:
    using BasicErrorReport::BasicErrorReport;
    ErrorReport& parent(QWidget* window);
    ErrorChoice show();
    ErrorChoice show(clsError& error);

private:
    std::shared_ptr<const HostObject> parent_;
};

/// What a host that is no Qt program needs for real windows, for as long as the object lives:
///
///     int main(int argc, char** argv) {
///         qvMsgErr::qt::Application app(argc, argv);
///         qvMsgErr::clsMesgBox box;   // real windows from here on
///
/// Make it on the program's main thread before the library shows anything. It makes a
/// QApplication when none exists (argc and argv must outlive it, as for QApplication itself) and
/// installs the Qt desktop on the calling thread. When the host already has a QApplication on this
/// thread it is used and left alone. It does neither when QVMSGERR_DESKTOP is `headless` (see
/// qvMsgErr::threadDesktop): the thread keeps the headless desktop and no display is needed; nor
/// when the process runs a QCoreApplication without widgets, or its QApplication on another
/// thread, where the library's windows cannot live.
///
/// On destruction the Qt desktop it installed is released, and the QApplication it made deleted;
/// the thread's next desktop is then chosen afresh.
class Application {
public:
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    /// The QApplication the library's windows use, or nullptr when the thread has no Qt desktop
    /// from this object.
    QApplication* application() const;
    /// Whether this object made the QApplication (and deletes it again).
    bool ownsApplication() const;

private:
    std::unique_ptr<QApplication> owned_;
    QApplication* used_ = nullptr;
    std::shared_ptr<platform::Desktop> installed_;
};

} // namespace qvMsgErr::qt

namespace qvMsgErr {
extern template class BasicMessage<qt::Message, QString, QColor, QWidget*>;
extern template class BasicErrorReport<qt::ErrorReport, QString>;
} // namespace qvMsgErr

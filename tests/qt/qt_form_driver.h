// The shared test form on the Qt desktop and its user (real mouse and key events on the widgets),
// and the helpers every Qt test uses: watchdog, environment, recording opener, pixels, output.
#pragma once

#include "platform/test_form.h"

#include "platform/qt/qt_desktop_p.h"

#include <qvMsgErr/qt.h>

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qvMsgErr::qttest {

class QtFormDriver final : public testform::FormDriver {
public:
    explicit QtFormDriver(platform::Window& window) : window_(window) {}

    void click(const std::string& name, int16_t index = -1) override;
    void keyDown(int16_t keyCode, int16_t shift = 0) override;
    void mouseMove(const std::string& name, int16_t index = -1) override;
    void tick(const std::string& name, bool ticked) override;
    void close() override;
    void advanceSeconds(int32_t seconds) override;
    void typeText(const std::string& name, const std::string& text) override;

private:
    QWidget* widget(const std::string& name, int16_t index);
    platform::Window& window_;
};

/// The test form on a Qt desktop of its own, its logic connected.
struct QtForm {
    std::shared_ptr<platform::Desktop> desktop = qt::makeDesktop();
    std::unique_ptr<platform::Window> window = desktop->createWindow(testform::testFormDesign());
    testform::TestFormLogic logic{*window};
    QtForm() { window->setHandler(&logic); }
    QWidget* widget(const std::string& name, int16_t index = -1) {
        return qt::widgetOf(window->control(name, index));
    }
};

/// Shows `window` modally and runs `script` inside the modal display once the window is active
/// and painted; hides the window afterwards should the script leave it shown, and after a
/// minute in any case, so that a failing script never hangs the tests.
void runModal(platform::Window& window, const std::function<void()>& script);

/// Waits until `condition` holds, processing events, for at most `ms` milliseconds.
bool waitFor(const std::function<bool()>& condition, int ms = 5000);

/// The application's active modal widget, once one is shown (nullptr after `ms` milliseconds).
QWidget* waitForModal(int ms = 5000);

/// Hides every modal window, innermost first, so that each modal display returns.
void hideModals();

/// For one scope: a modal display still running after a minute fails the test and is ended with
/// hideModals(), so that a failing script never hangs the tests.
class ModalWatchdog {
public:
    ModalWatchdog();

private:
    QTimer timer_;
};

/// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    QByteArray old_;
};

/// A fake xdg-open first on PATH for one scope: it records how many arguments it got and its
/// first argument, byte for byte.
class RecordingOpener {
public:
    RecordingOpener();
    /// The first argument, once the opener ran (empty after ten seconds without).
    QByteArray received() const;
    /// How many arguments it got ("" before it ran).
    QByteArray argumentCount() const;

private:
    QTemporaryDir dir_;
    ScopedEnv path_;
};

/// A left click in the middle of `w`, which must be on screen: what a user can reach.
void click(QWidget* w);

/// The library window behind a top-level widget whose design's name begins with `design`, or
/// nullptr for any other widget.
qt::QtWindow* libraryWindow(QWidget* widget, std::string_view design);

/// Runs `show`, which brings up a library window modally (its design's name beginning with
/// `design`), and hands that window to `user` once it is active and exposed. The user must end
/// the display: a window left shown fails the test and is hidden, as is any modal display after
/// a minute. A window that never came up fails the test.
void withModalWindow(std::string_view design, const std::function<void(qt::QtWindow&)>& user,
                     const std::function<void()>& show);

/// A text fits the widget that shows it: nothing is cut off at the sides or the bottom. A text
/// area that scrolls must show its scroll bar; with `whole` it must not need to scroll at all.
void expectTextFits(QWidget* w, const std::string& name, bool whole = false);

/// Every control of `w` a user sees now, array elements included, with its current settings:
/// shown, in a shown container, and drawing something (an image without a picture does not).
void forEachShownControl(
    qt::QtWindow& w, const std::function<void(const platform::ControlDesign&, QWidget*)>& visit);

/// What a user notices first on a window as it looks now: every shown text fits its widget (the
/// controls named in `whole` show their text without scrolling), and no two shown controls of
/// one container overlap unless `mayOverlap` allows the pair (the later control first).
void expectTidyLayout(qt::QtWindow& w,
                      const std::function<bool(const platform::ControlDesign&,
                                               const platform::ControlDesign&)>& mayOverlap = {},
                      const std::vector<std::string>& whole = {});

/// Pixels of `image` inside `area` (device pixels) that differ from `background`.
int pixelsOtherThan(const QImage& image, const QRect& area, QRgb background);

/// The standard output of a program that ran and exited with 0; empty otherwise.
QString outputOf(const QString& program, const QStringList& arguments);

/// Where tests leave pictures and documents to look at: $QVMSGERR_TEST_OUTPUT, else the
/// temporary directory; created when missing.
QString testOutputDirectory();

} // namespace qvMsgErr::qttest

#include "qt/qt_form_driver.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace qvMsgErr::qttest {

QWidget* QtFormDriver::widget(const std::string& name, int16_t index) {
    QWidget* w = qt::widgetOf(window_.control(name, index));
    EXPECT_NE(w, nullptr) << name << " has no widget";
    return w;
}

void QtFormDriver::click(const std::string& name, int16_t index) {
    QWidget* w = widget(name, index);
    if (!w) {
        return;
    }
    // The press lands on whatever lies deepest at the point, as a real one does.
    const QPoint centre = w->rect().center();
    QWidget* target = w->childAt(centre);
    if (!target) {
        target = w;
    }
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(w, centre));
}

void QtFormDriver::keyDown(int16_t keyCode, int16_t shift) {
    QDialog* dialog = qt::dialogOf(window_);
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != dialog) {
        target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
    }
    Qt::KeyboardModifiers modifiers;
    modifiers.setFlag(Qt::ShiftModifier, (shift & platform::kShift) != 0);
    modifiers.setFlag(Qt::ControlModifier, (shift & platform::kCtrl) != 0);
    modifiers.setFlag(Qt::AltModifier, (shift & platform::kAlt) != 0);
    const int key = qt::qtKeyOf(keyCode);
    QString text;
    if ((keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9') ||
        keyCode == ' ') {
        text = QChar(keyCode);
        if (!(shift & platform::kShift)) {
            text = text.toLower();
        }
    } else if (keyCode == 13) {
        text = QStringLiteral("\r");
    } else if (keyCode == 27) {
        text = QChar(27);
    }
    // One press and one release carrying the shift state, without separate Shift/Ctrl/Alt keys.
    QTest::simulateEvent(target, true, key, modifiers, text, false);
    QTest::simulateEvent(target, false, key, modifiers, text, false);
}

void QtFormDriver::mouseMove(const std::string& name, int16_t index) {
    QWidget* w = widget(name, index);
    if (w) {
        // Through the window system, so that the widget under the pointer gets it.
        QTest::mouseMove(w, w->rect().center());
    }
}

void QtFormDriver::tick(const std::string& name, bool ticked) {
    if ((window_.control(name).value() == 1) != ticked) {
        click(name);
    }
}

void QtFormDriver::close() {
    qt::dialogOf(window_)->close();
}

void QtFormDriver::advanceSeconds(int32_t seconds) {
    // Real time with a margin for coarse timers: at least `seconds` ticks of a 1000 ms timer.
    QTest::qWait(seconds * 1000 + 300);
}

void QtFormDriver::typeText(const std::string& name, const std::string& text) {
    click(name);
    QWidget* w = widget(name, -1);
    if (!w) {
        return;
    }
    QTest::keySequence(w, QKeySequence::SelectAll);
    QTest::keyClicks(w, QString::fromStdString(text));
}

bool waitFor(const std::function<bool()>& condition, int ms) {
    return QTest::qWaitFor(condition, ms);
}

QWidget* waitForModal(int ms) {
    QWidget* modal = nullptr;
    waitFor(
        [&] {
            modal = QApplication::activeModalWidget();
            return modal != nullptr && modal->isVisible();
        },
        ms);
    return modal;
}

void hideModals() {
    for (int i = 0; i < 10 && QApplication::activeModalWidget(); ++i) {
        QApplication::activeModalWidget()->hide();
    }
}

ModalWatchdog::ModalWatchdog() {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [] {
        ADD_FAILURE() << "the modal display did not end within a minute";
        hideModals();
    });
    timer_.start(60000);
}

void runModal(platform::Window& window, const std::function<void()>& script) {
    bool ran = false;
    const ModalWatchdog watchdog;
    QTimer::singleShot(0, [&] {
        QDialog* dialog = qt::dialogOf(window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        QTest::qWait(20); // the first paint follows the exposure
        script();
        ran = true;
        if (window.isLoaded() && window.isVisible()) {
            window.hide();
        }
    });
    window.showModal();
    EXPECT_TRUE(ran) << "the script did not run inside the modal display";
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value)
    : name_(name), old_(qgetenv(name)) {
    qputenv(name, QByteArray::fromStdString(value));
}

ScopedEnv::~ScopedEnv() {
    old_.isNull() ? qunsetenv(name_) : qputenv(name_, old_);
}

RecordingOpener::RecordingOpener()
    : path_("PATH", (dir_.path() + ':' + qEnvironmentVariable("PATH")).toStdString()) {
    QFile script(dir_.filePath("xdg-open"));
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    // The argument file appears last and whole: once it exists, both are complete.
    script.write("#!/bin/sh\nprintf '%s' \"$#\" > \"$0.count\"\n"
                 "printf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.argument\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

QByteArray RecordingOpener::received() const {
    const QString record = dir_.filePath("xdg-open.argument");
    return waitFor([&] { return QFile::exists(record); }, 10000) ? readAll(record) : QByteArray();
}

QByteArray RecordingOpener::argumentCount() const {
    return readAll(dir_.filePath("xdg-open.count"));
}

int pixelsOtherThan(const QImage& image, const QRect& area, QRgb background) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += (image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF) ? 1 : 0;
        }
    }
    return count;
}

QString outputOf(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString testOutputDirectory() {
    const QString dir = qEnvironmentVariableIsSet("QVMSGERR_TEST_OUTPUT")
                            ? qEnvironmentVariable("QVMSGERR_TEST_OUTPUT")
                            : QDir::tempPath();
    EXPECT_TRUE(QDir().mkpath(dir)) << dir.toStdString();
    return dir;
}

} // namespace qvMsgErr::qttest

#include "qt/qt_form_driver.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

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

void click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible()) << "a hidden " << w->metaObject()->className();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}

qt::QtWindow* libraryWindow(QWidget* widget, std::string_view design) {
    auto* dialog = dynamic_cast<qt::FormDialog*>(widget);
    return dialog && dialog->owner && dialog->owner->design().name.starts_with(design)
               ? dialog->owner
               : nullptr;
}

void withModalWindow(std::string_view design, const std::function<void(qt::QtWindow&)>& user,
                     const std::function<void()>& show) {
    bool ran = false;
    const ModalWatchdog watchdog;
    QTimer::singleShot(0, [&] {
        qt::QtWindow* w = libraryWindow(waitForModal(), design);
        if (!w) {
            ADD_FAILURE() << "no " << design << " window came up";
            hideModals();
            return;
        }
        EXPECT_TRUE(QTest::qWaitForWindowActive(w->dialog()));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w->dialog()));
        user(*w);
        ran = true;
        if (w->isLoaded() && w->isVisible()) {
            ADD_FAILURE() << "the user left " << w->design().name << " open";
            w->hide();
        }
    });
    show();
    EXPECT_TRUE(ran) << "the user never saw " << design;
}

void expectTextFits(QWidget* w, const std::string& name, bool whole) {
    SCOPED_TRACE(name);
    // "&x" shows x underlined, "&&" one "&".
    const auto shown = [](QString text) { return text.remove(QRegularExpression("&(?!&)")); };
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        const QFontMetrics fm(b->font());
        const QString text = shown(b->text());
        const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
        EXPECT_LE(fm.horizontalAdvance(text) + margin, b->width()) << text.toStdString();
        EXPECT_LE(fm.height() + 4, b->height()) << text.toStdString();
    } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
        const QFontMetrics fm(c->font());
        const QString text = shown(c->text());
        const int box = c->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, c) +
                        c->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, c);
        EXPECT_LE(box + fm.horizontalAdvance(text), c->width()) << text.toStdString();
        EXPECT_LE(fm.height(), c->height()) << text.toStdString();
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        const QFontMetrics fm(g->font());
        EXPECT_LE(fm.horizontalAdvance(shown(g->title())), g->contentsRect().width());
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        const QFontMetrics fm(l->font());
        const QRect room = l->contentsRect();
        const int wrap = l->wordWrap() ? static_cast<int>(Qt::TextWordWrap) : 0;
        const QRect need =
            fm.boundingRect(room, static_cast<int>(Qt::AlignLeft | Qt::AlignTop) | wrap, l->text());
        EXPECT_LE(need.width(), room.width()) << l->text().toStdString();
        EXPECT_LE(need.height(), room.height()) << l->text().toStdString();
    } else if (auto* t = qobject_cast<QAbstractScrollArea*>(w)) {
        // Longer texts scroll; the short ones that must show whole may not.
        int documentHeight = 0;
        if (auto* rich = qobject_cast<QTextEdit*>(w)) {
            documentHeight = static_cast<int>(rich->document()->size().height());
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
            // A plain text's document counts lines, not pixels.
            documentHeight = static_cast<int>(plain->document()->size().height()) *
                             plain->fontMetrics().lineSpacing();
        }
        const bool needsScrolling = documentHeight > t->viewport()->height();
        if (whole) {
            EXPECT_FALSE(needsScrolling);
        } else if (needsScrolling) {
            EXPECT_TRUE(t->verticalScrollBar()->isVisible()) << "no way to the rest of the text";
        }
    }
}

void forEachShownControl(
    qt::QtWindow& w, const std::function<void(const platform::ControlDesign&, QWidget*)>& visit) {
    for (const platform::ControlDesign& design : w.design().controls) {
        const std::vector<int16_t> indexes =
            design.index < 0 ? std::vector<int16_t>{-1} : w.elements(design.name);
        for (const int16_t i : indexes) {
            auto& control = static_cast<qt::QtControl&>(w.control(design.name, i));
            const platform::ControlDesign& c = control.settings();
            QWidget* widget = control.widget();
            if (widget && widget->isVisibleTo(w.dialog()) &&
                (c.kind != platform::ControlKind::Image ||
                 c.picture != platform::StockPicture::None)) {
                visit(c, widget);
            }
        }
    }
}

void expectTidyLayout(qt::QtWindow& w,
                      const std::function<bool(const platform::ControlDesign&,
                                               const platform::ControlDesign&)>& mayOverlap,
                      const std::vector<std::string>& whole) {
    std::vector<std::pair<const platform::ControlDesign*, QWidget*>> shown;
    forEachShownControl(w, [&](const platform::ControlDesign& c, QWidget* widget) {
        const std::string name =
            c.index < 0 ? c.name : c.name + "(" + std::to_string(c.index) + ")";
        expectTextFits(widget, name, std::ranges::find(whole, c.name) != whole.end());
        for (const auto& [other, otherWidget] : shown) {
            EXPECT_TRUE(other->container != c.container ||
                        !widget->geometry().intersects(otherWidget->geometry()) ||
                        (mayOverlap && mayOverlap(c, *other)))
                << name << " overlaps " << other->name << "(" << other->index << ")";
        }
        shown.emplace_back(&c, widget);
    });
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

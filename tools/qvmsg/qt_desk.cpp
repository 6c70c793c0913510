// The scripted user on real Qt windows: it waits for each modal window to come up and paint,
// renders the first one when asked, then acts on it through the widgets themselves.
#include "cli.h"

#include <qvMsgErr/qt.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace qvmsg {

namespace {

/// How often a modeless dialog is checked for having been closed.
constexpr int kPollMs = 50;
/// Windows are acted on when they have painted; should a platform never paint one, the user
/// looks again this often, so that a run cannot hang.
constexpr int kFallbackLookMs = 1000;

/// Tells the scripted user each time a window has painted, once the paint is done.
class PaintWatcher final : public QObject {
public:
    explicit PaintWatcher(std::function<void(QWidget*)> painted) : painted_(std::move(painted)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            QPointer<QWidget> window = static_cast<QWidget*>(watched)->window();
            QTimer::singleShot(0, this, [this, window] {
                if (window) {
                    painted_(window);
                }
            });
        }
        return false;
    }

private:
    std::function<void(QWidget*)> painted_;
};

QMessageBox::StandardButton standardButton(int32_t number) {
    switch (number) {
    case qvMsgErr::qvButtonOK:
        return QMessageBox::Ok;
    case qvMsgErr::qvButtonCancel:
        return QMessageBox::Cancel;
    case qvMsgErr::qvButtonAbort:
        return QMessageBox::Abort;
    case qvMsgErr::qvButtonRetry:
        return QMessageBox::Retry;
    case qvMsgErr::qvButtonIgnore:
        return QMessageBox::Ignore;
    case qvMsgErr::qvButtonYes:
        return QMessageBox::Yes;
    case qvMsgErr::qvButtonNo:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

class QtDesk final : public Desk {
public:
    QtDesk(const Invocation& inv, NumberOf numberOf, bool offscreen)
        : steps_(inv.steps), flags_(inv.flags), screenshot_(inv.screenshot),
          screenshotDelayMs_(inv.screenshotDelayMs), offscreen_(offscreen),
          numberOf_(std::move(numberOf)) {
        QApplication::setApplicationDisplayName(QStringLiteral("qvmsg"));
        qvMsgErr::qt::installDesktop();
        // The library's windows run their own event loops, which deliver these events too.
        qApp->installEventFilter(&watcher_);
        QObject::connect(&fallback_, &QTimer::timeout, [this] { look(); });
        fallback_.start(kFallbackLookMs);
    }
    ~QtDesk() override { qApp->removeEventFilter(&watcher_); }
    QtDesk(const QtDesk&) = delete;
    QtDesk& operator=(const QtDesk&) = delete;

    void settleModeless() override {
        // A modeless dialog is no modal widget: watch it until it is gone.
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (!shownWindow()) {
                loop.quit();
            }
        });
        check.start(kPollMs);
        loop.exec();
    }

private:
    /// The library window the user would act on now: the modal one, else a shown dialog.
    static QWidget* shownWindow() {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            return modal;
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->objectName() == QLatin1String("dlgError")) {
                return w;
            }
        }
        return nullptr;
    }

    /// Acts on the window shown now once it has painted (and, for a picture, once it has been
    /// up for --screenshot-after).
    void look() {
        QWidget* w = shownWindow();
        if (w == nullptr || !w->isVisible() || w == done_ || w != painted_) {
            return;
        }
        if (w != seen_) {
            seen_ = w;
            shownFor_.start();
        }
        if (!screenshot_.empty() && shownFor_.elapsed() < screenshotDelayMs_) {
            const auto wait = static_cast<int>(screenshotDelayMs_ - shownFor_.elapsed());
            QTimer::singleShot(wait, &watcher_, [this] { look(); });
            return;
        }
        done_ = w;
        if (!screenshot_.empty()) {
            render(*w);
        }
        // Act after this timer call has returned: a press may open a nested modal loop.
        QTimer::singleShot(0, w, [this, w] { act(*w); });
    }

    void render(QWidget& w) {
        const QString file = QString::fromStdString(screenshot_);
        QDir().mkpath(QFileInfo(file).absolutePath());
        if (!w.grab().save(file, "PNG")) {
            failure_ = "--screenshot: cannot write " + screenshot_;
        }
        screenshot_.clear(); // the first window only
    }

    /// One step on the window; the next look takes the next step while it stays open.
    void act(QWidget& w) {
        const QPointer<QWidget> window(&w);
        if (next_ >= steps_.size() || !failure_.empty()) {
            if (offscreen_ || !failure_.empty()) {
                w.close(); // nobody could answer it
            }
            if (offscreen_ && window && window->isVisible()) {
                // A question without a close answer (Yes/No): ending it here would answer for
                // somebody, so it ends as a mistake of the call instead.
                failure_ = "nobody can answer " + w.objectName().toStdString() +
                           " offscreen, and it has no close box: say the answer with --answer";
                window->hide();
            }
            return; // on a display the user answers
        }
        const Step& step = steps_[next_++];
        switch (step.kind) {
        case Step::Tick:
        case Step::Untick:
            tick(w, step.kind == Step::Tick);
            break;
        case Step::Timeout:
            return; // the window's own countdown closes it
        case Step::Close:
            w.close();
            break;
        case Step::Press:
            press(w, step.target); // may run a nested window's loop before it returns
            break;
        }
        if (window && window->isVisible()) {
            done_ = nullptr; // the next step, once the window has painted what this one changed
            window->update();
        }
    }

    void tick(QWidget& w, bool ticked) {
        for (QCheckBox* box : w.findChildren<QCheckBox*>()) {
            if (box->isVisible() && box->isEnabled()) {
                if (box->isChecked() != ticked) {
                    box->click();
                }
                return;
            }
        }
        failure_ = "--answer: " + w.objectName().toStdString() + " has no check box to tick";
    }

    void press(QWidget& w, const std::string& target) {
        for (QAbstractButton* b : w.findChildren<QAbstractButton*>()) {
            if (b->isVisible() && b->isEnabled() &&
                readable(b->text().toStdString()) == readable(target)) {
                b->click();
                return;
            }
        }
        const auto number = numberOf_(target);
        QAbstractButton* button = nullptr;
        if (!number) {
        } else if (auto* box = qobject_cast<QMessageBox*>(&w)) {
            button = box->button(standardButton(*number));
        } else if (const auto ref = answerButton(w.objectName().toStdString(), flags_, *number)) {
            const QString name = QString::fromStdString(
                ref->index < 0 ? ref->name : ref->name + "(" + std::to_string(ref->index) + ")");
            button = w.findChild<QAbstractButton*>(name);
        }
        if (button != nullptr && button->isVisible()) {
            button->click();
        } else {
            failure_ =
                "--answer: " + w.objectName().toStdString() + " has no button '" + target + "'";
        }
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int32_t flags_;
    std::string screenshot_;
    int32_t screenshotDelayMs_;
    bool offscreen_;
    NumberOf numberOf_;
    QPointer<QWidget> seen_, done_, painted_;
    PaintWatcher watcher_{[this](QWidget* window) {
        painted_ = window;
        look();
    }};
    QTimer fallback_;
    QElapsedTimer shownFor_;
};

} // namespace

std::unique_ptr<Desk> makeQtDesk(const Invocation& inv, NumberOf numberOf, bool offscreen) {
    return std::make_unique<QtDesk>(inv, std::move(numberOf), offscreen);
}

} // namespace qvmsg

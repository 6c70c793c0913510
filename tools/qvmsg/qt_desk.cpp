// The scripted user on real Qt windows: it waits for each modal window to come up and paint,
// renders the first one when asked, then acts on it through the widgets themselves.
#include "window_desk.h"

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

/// A Qt window as the scripted user sees it; it may be destroyed by what the user does.
class QtShownWindow final : public ShownWindow {
public:
    explicit QtShownWindow(QWidget& w) : w_(&w) {}

    std::string name() const override { return w_->objectName().toStdString(); }
    bool systemBox() const override { return qobject_cast<QMessageBox*>(w_) != nullptr; }
    std::vector<ShownControl> controls() const override {
        std::vector<ShownControl> out;
        for (QAbstractButton* b : w_->findChildren<QAbstractButton*>()) {
            if (b->isVisible() && b->isEnabled()) {
                out.push_back({b->text().toStdString(), qobject_cast<QCheckBox*>(b) != nullptr,
                               b->isChecked(), b});
            }
        }
        return out;
    }
    std::optional<ShownControl> button(const ControlRef& ref, int32_t number) const override {
        QAbstractButton* b = nullptr;
        if (auto* box = qobject_cast<QMessageBox*>(w_)) {
            b = box->button(standardButton(number));
        } else {
            b = w_->findChild<QAbstractButton*>(QString::fromStdString(
                ref.index < 0 ? ref.name : ref.name + "(" + std::to_string(ref.index) + ")"));
        }
        return b != nullptr && b->isVisible() ? std::optional<ShownControl>(ShownControl{
                                                    b->text().toStdString(), false, false, b})
                                              : std::nullopt;
    }
    void click(const ShownControl& c) override { static_cast<QAbstractButton*>(c.object)->click(); }
    void close() override { w_->close(); }
    bool shown() const override { return w_ && w_->isVisible(); }
    void hide() override { w_->hide(); }

private:
    QPointer<QWidget> w_;
};

class QtDesk final : public WindowDesk {
public:
    QtDesk(const Invocation& inv, NumberOf numberOf, bool offscreen)
        : WindowDesk(inv, std::move(numberOf), offscreen) {
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
            const QString file = QString::fromStdString(screenshot_);
            QDir().mkpath(QFileInfo(file).absolutePath());
            pictureTaken(w->grab().save(file, "PNG"));
        }
        // Act after this timer call has returned: a press may open a nested modal loop.
        QTimer::singleShot(0, w, [this, w] {
            QtShownWindow shown(*w);
            if (act(shown)) {
                done_ = nullptr; // the next step, once the window has painted what this changed
                w->update();
            }
        });
    }

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

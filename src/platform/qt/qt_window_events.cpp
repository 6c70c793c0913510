// What reaches a window from outside: the dialog's own events, the keys and clicks on its
// controls, painting its surface, and the close box.
#include "platform/qt/qt_control_p.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace qvMsgErr::qt {

namespace {

/// Ctrl+Tab types a tab into a text area that takes typing, where Tab alone moves the focus on.
bool typeTab(QWidget* receiver, const QKeyEvent* key) {
    if (key->key() != Qt::Key_Tab || key->modifiers() != Qt::ControlModifier) {
        return false;
    }
    if (auto* area = qobject_cast<QPlainTextEdit*>(receiver); area && !area->isReadOnly()) {
        area->insertPlainText(QStringLiteral("\t"));
        return true;
    }
    if (auto* area = qobject_cast<QTextEdit*>(receiver); area && !area->isReadOnly()) {
        area->insertPlainText(QStringLiteral("\t"));
        return true;
    }
    return false;
}

} // namespace

using platform::ControlKind;
using platform::EventKind;

FormDialog::FormDialog(QtWindow* o)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      owner(o) {}

bool FormDialog::eventFilter(QObject* watched, QEvent* event) {
    if (owner && owner->filter(watched, event)) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void FormDialog::paintEvent(QPaintEvent*) {
    if (owner) {
        owner->painting();
        owner->paintSurface(this);
    }
}

void FormDialog::closeEvent(QCloseEvent* event) {
    if (owner) {
        owner->closeRequested(event);
    } else {
        event->accept();
    }
}

void FormDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (owner) {
            owner->pressCancel();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event); // Enter presses the default button
}

bool QtWindow::filter(QObject* watched, QEvent* event) {
    if (!loaded_ || !watched->isWidgetType()) {
        return false;
    }
    auto* w = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (w == dialog_) {
            noteActivation();
        }
        break;
    case QEvent::WindowDeactivate:
        if (w == dialog_) {
            active_ = false;
        }
        break;
    case QEvent::Hide:
        if (w == dialog_) {
            active_ = false;
            syncTimers(false); // timers tick only while the window is shown
        }
        break;
    case QEvent::FocusIn:
        if (QtControl* c = controlOf(w)) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            // Coming back to the window gives the focus back to the control that had it; that
            // is no new GotFocus.
            const bool returning = c == lastFocus_ && (reason == Qt::ActiveWindowFocusReason ||
                                                       reason == Qt::PopupFocusReason);
            lastFocus_ = c;
            if (!returning) {
                platform::Event e;
                e.kind = EventKind::GotFocus;
                e.control = c->name();
                e.index = c->index();
                deliver(e);
            }
        }
        break;
    case QEvent::KeyPress:
        return typeTab(w, static_cast<QKeyEvent*>(event)) ||
               controlKey(w, static_cast<QKeyEvent*>(event));
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        controlMouse(w, event);
        break;
    default:
        break;
    }
    return false;
}

bool QtWindow::controlKey(QWidget* receiver, QKeyEvent* event) {
    // A key goes to the focus widget first and then up its parents while ignored: only the
    // first receiver counts.
    const QWidget* focus = dialog_->focusWidget();
    if (focus ? receiver != focus : receiver != dialog_) {
        return false;
    }
    const int16_t key = virtualKeyCode(event->key(), event->modifiers());
    if (key == 0) {
        return false;
    }
    const int16_t shift = shiftState(event->modifiers());
    QtControl* c = receiver == dialog_ ? nullptr : controlOf(receiver);
    if (design_.keyPreview || !c) {
        platform::Event e;
        e.kind = EventKind::KeyDown;
        e.keyCode = key;
        e.shift = shift;
        deliver(e);
        if (e.keyCode == 0 || !loaded_) {
            return true;
        }
    }
    if (c) {
        platform::Event e;
        e.kind = EventKind::KeyDown;
        e.control = c->name();
        e.index = c->index();
        e.keyCode = key;
        e.shift = shift;
        deliver(e);
        if (e.keyCode == 0 || !loaded_) {
            return true;
        }
    }
    return false;
}

void QtWindow::controlMouse(QWidget* receiver, QEvent* event) {
    const auto* me = static_cast<QMouseEvent*>(event);
    const QPoint pos = me->position().toPoint();
    // Every widget tracks the mouse, so the deepest one under the pointer sees the event first;
    // the copies its parents get when it is ignored are not new events.
    if (receiver->rect().contains(pos) && receiver->childAt(pos)) {
        return;
    }
    QtControl* c = controlOf(receiver);
    QWidget* target = c ? c->widget() : dialog_.data();
    if (!target) {
        return;
    }
    if (event->type() == QEvent::MouseMove) {
        const QPoint local = receiver == target ? pos : receiver->mapTo(target, pos);
        platform::Event e;
        e.kind = EventKind::MouseMove;
        if (c) {
            e.control = c->name();
            e.index = c->index();
        }
        e.x = static_cast<float>(local.x() * scale_.x);
        e.y = static_cast<float>(local.y() * scale_.y);
        e.button = mouseButtonState(me->buttons());
        e.shift = shiftState(me->modifiers());
        deliver(e);
        return;
    }
    if (me->button() != Qt::LeftButton) {
        return;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        pressedOn_ = target;
        return;
    }
    const bool clicked = pressedOn_ == target && receiver->rect().contains(pos);
    pressedOn_ = nullptr;
    // Buttons and check boxes report their clicks themselves (mouse, keyboard, access key).
    if (!clicked ||
        (c && (c->kind() == ControlKind::CommandButton || c->kind() == ControlKind::CheckBox))) {
        return;
    }
    platform::Event e;
    e.kind = EventKind::Click;
    if (c) {
        e.control = c->name();
        e.index = c->index();
    }
    deliver(e);
}

void QtWindow::paintSurface(QWidget* surface) {
    painted_.clear();
    inPaint_ = true;
    platform::Event e;
    e.kind = EventKind::Paint;
    deliver(e);
    inPaint_ = false;
    if (!loaded_) {
        return;
    }
    QPainter painter(surface);
    for (const auto& d : painted_) {
        drawOn(painter, d);
    }
    for (const auto& d : pending_) {
        drawOn(painter, d);
    }
    pending_.clear();
}

void QtWindow::drawOn(QPainter& painter, const SurfaceDrawing& drawing) const {
    const QImage image =
        stockPicture(drawing.picture, 32, drawing.maskColor, dialog_->devicePixelRatioF());
    const double left = drawing.x / scale_.x, width = image.deviceIndependentSize().width();
    painter.drawImage(QPointF(placedLeft(left, width, dialog_), drawing.y / scale_.y), image);
}

void QtWindow::closeRequested(QCloseEvent* event) {
    platform::Event e;
    e.kind = EventKind::Close;
    deliver(e);
    if (e.cancel && loaded_) {
        event->ignore();
        return;
    }
    event->accept(); // Qt hides the dialog, which ends a modal display
}

void QtWindow::pressCancel() {
    for (const auto& c : controls_) {
        if (c->kind() == ControlKind::CommandButton && c->settings().isCancel && c->visible() &&
            c->enabled() && c->reachable()) {
            if (auto* b = qobject_cast<QAbstractButton*>(c->widget())) {
                b->click();
            }
            return;
        }
    }
}

} // namespace qvMsgErr::qt

// Where a window is and how large: twips to pixels, the frame the window system puts around it,
// centring on the screen or on an owner.
#include "platform/geometry.h"
#include "platform/qt/qt_control_p.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace qvMsgErr::qt {

namespace {

/// The frame the window system last reported around a shown window (none yet: allowance).
QMargins& knownFrame() {
    thread_local QMargins frame = kFrameAllowance;
    return frame;
}

const HostForm*& centringOwner() {
    thread_local const HostForm* owner = nullptr;
    return owner;
}

} // namespace

CentredOn::CentredOn(const HostForm* owner) : previous_(centringOwner()) {
    centringOwner() = owner;
}

CentredOn::~CentredOn() {
    centringOwner() = previous_;
}

QMargins QtWindow::frameMargins() const {
    const QString platformName = QGuiApplication::platformName();
    if (platformName == QLatin1String("offscreen") || platformName == QLatin1String("minimal")) {
        return kFrameAllowance;
    }
    if (dialog_ && dialog_->isVisible()) {
        const QRect outer = dialog_->frameGeometry(), inner = dialog_->geometry();
        if (outer != inner) {
            knownFrame() = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
        }
    }
    return knownFrame();
}

float QtWindow::left() const {
    checkLoaded();
    if (dialog_ && dialog_->isVisible() && dialog_->pos() != placedAt_) {
        return static_cast<float>(dialog_->pos().x() * scale_.x); // moved by the user
    }
    return left_;
}

float QtWindow::top() const {
    checkLoaded();
    if (dialog_ && dialog_->isVisible() && dialog_->pos() != placedAt_) {
        return static_cast<float>(dialog_->pos().y() * scale_.y);
    }
    return top_;
}

float QtWindow::width() const {
    checkLoaded();
    const QMargins m = frameMargins();
    return clientWidth_ + static_cast<float>((m.left() + m.right()) * scale_.x);
}

float QtWindow::height() const {
    checkLoaded();
    const QMargins m = frameMargins();
    return clientHeight_ + static_cast<float>((m.top() + m.bottom()) * scale_.y);
}

void QtWindow::setLeft(float v) {
    move(v, top());
}

void QtWindow::setTop(float v) {
    move(left(), v);
}

void QtWindow::setWidth(float v) {
    checkLoaded();
    const QMargins m = frameMargins();
    clientWidth_ = std::max(0.0f, platform::checkedPosition(v) -
                                      static_cast<float>((m.left() + m.right()) * scale_.x));
    applyClientSize();
}

void QtWindow::setHeight(float v) {
    checkLoaded();
    const QMargins m = frameMargins();
    clientHeight_ = std::max(0.0f, platform::checkedPosition(v) -
                                       static_cast<float>((m.top() + m.bottom()) * scale_.y));
    applyClientSize();
}

void QtWindow::move(float left, float top) {
    checkLoaded();
    left_ = platform::checkedPosition(left);
    top_ = platform::checkedPosition(top);
    positioned_ = true;
    placedAt_ = QPoint(toPixels(left_, scale_.x), toPixels(top_, scale_.y));
    if (dialog_) {
        dialog_->move(placedAt_);
    }
}

void QtWindow::placeCentred(float left, float top) {
    move(left, top);
    centredFor_ = frameMargins();
    if (dialog_ && dialog_->isVisible()) {
        keepCentre();
    }
}

void QtWindow::keepCentre() {
    if (!centredFor_ || !dialog_ || dialog_->pos() != placedAt_) {
        return;
    }
    const QWindow* native = dialog_->windowHandle();
    if (!native) {
        return; // no frame reported yet
    }
    const QMargins real = native->frameMargins(), assumed = *centredFor_;
    centredFor_ = real;
    const QPoint shift((assumed.left() + assumed.right() - real.left() - real.right()) / 2,
                       (assumed.top() + assumed.bottom() - real.top() - real.bottom()) / 2);
    if (shift.isNull()) {
        return;
    }
    placedAt_ += shift;
    left_ = static_cast<float>(placedAt_.x() * scale_.x);
    top_ = static_cast<float>(placedAt_.y() * scale_.y);
    dialog_->move(placedAt_);
}

void QtWindow::applyClientSize() {
    if (dialog_) {
        dialog_->setFixedSize(toPixels(clientWidth_, scale_.x), toPixels(clientHeight_, scale_.y));
    }
    if (rightToLeft_) {
        for (const auto& c : controls_) {
            if (c->settings().container.empty()) {
                c->applyGeometry();
            }
        }
    }
}

double QtWindow::placedLeft(double left, double width, const QWidget* container) const {
    return rightToLeft_ && container ? container->width() - left - width : left;
}

void QtWindow::placeChildren(const std::string& name) {
    if (!rightToLeft_) {
        return;
    }
    for (const auto& c : controls_) {
        const std::string& container = c->settings().container;
        if (const QtControl* in = container.empty() ? nullptr : findContainer(container);
            in && in->name() == name) {
            c->applyGeometry();
        }
    }
}

void QtWindow::centre() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !dialog_) {
        return;
    }
    QRect area = screen->availableGeometry();
    if (const HostForm* owner = centringOwner()) {
        try {
            area = QRect(toPixels(owner->Left(), scale_.x), toPixels(owner->Top(), scale_.y),
                         toPixels(owner->Width(), scale_.x), toPixels(owner->Height(), scale_.y));
        } catch (const RunTimeError&) {
            // The owner's widget is gone: the screen it is, as for a window without one.
        }
    }
    const QMargins m = frameMargins();
    const int outerWidth = toPixels(clientWidth_, scale_.x) + m.left() + m.right();
    const int outerHeight = toPixels(clientHeight_, scale_.y) + m.top() + m.bottom();
    placedAt_ = QPoint(area.x() + (area.width() - outerWidth) / 2,
                       area.y() + (area.height() - outerHeight) / 2);
    left_ = static_cast<float>(placedAt_.x() * scale_.x);
    top_ = static_cast<float>(placedAt_.y() * scale_.y);
    dialog_->move(placedAt_);
    centredFor_ = m;
}

float QtWindow::scaleWidth() const {
    checkLoaded();
    return clientWidth_;
}

float QtWindow::scaleHeight() const {
    checkLoaded();
    return clientHeight_;
}

} // namespace qvMsgErr::qt

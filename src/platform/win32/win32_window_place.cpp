// Where a window of the Win32 desktop is and how big: its frame, its place on the screen, and the
// stacking and tab order of its controls.
#include "platform/geometry.h"
#include "platform/win32/win32_desktop_p.h"

#include <algorithm>

namespace qvMsgErr::win32 {

using platform::ControlKind;

namespace {

/// The frame around a client area at `dpi`: what the outer size adds, in pixels.
SIZE frameSize() {
    RECT r{0, 0, 0, 0};
    AdjustWindowRectEx(&r, kWindowStyle, FALSE, kWindowExStyle);
    return {r.right - r.left, r.bottom - r.top};
}

int layerOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Frame:
        return 0; // beneath what it holds, which would otherwise be clipped away
    case ControlKind::Label:
        return 1;
    default:
        return 2;
    }
}

} // namespace

float Win32Window::left() const {
    checkLoaded();
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return toTwips(r.left, dpi_);
}

float Win32Window::top() const {
    checkLoaded();
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return toTwips(r.top, dpi_);
}

float Win32Window::width() const {
    checkLoaded();
    return clientWidth_ + toTwips(frameSize().cx, dpi_);
}

float Win32Window::height() const {
    checkLoaded();
    return clientHeight_ + toTwips(frameSize().cy, dpi_);
}

void Win32Window::setLeft(float v) {
    move(v, top());
}

void Win32Window::setTop(float v) {
    move(left(), v);
}

void Win32Window::setWidth(float v) {
    checkLoaded();
    clientWidth_ = std::max(0.0f, platform::checkedSize(v) - toTwips(frameSize().cx, dpi_));
    applyClientSize();
}

void Win32Window::setHeight(float v) {
    checkLoaded();
    clientHeight_ = std::max(0.0f, platform::checkedSize(v) - toTwips(frameSize().cy, dpi_));
    applyClientSize();
}

void Win32Window::move(float left, float top) {
    checkLoaded();
    const int x = toPixels(platform::checkedPosition(left), dpi_);
    const int y = toPixels(platform::checkedPosition(top), dpi_);
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    positioned_ = true;
}

void Win32Window::placeCentred(float left, float top) {
    move(left, top); // the frame is known from the start: the outer size is the real one
}

float Win32Window::scaleWidth() const {
    checkLoaded();
    return clientWidth_;
}

float Win32Window::scaleHeight() const {
    checkLoaded();
    return clientHeight_;
}

void Win32Window::applyClientSize() {
    const SIZE frame = frameSize();
    SetWindowPos(hwnd_, nullptr, 0, 0, toPixels(clientWidth_, dpi_) + frame.cx,
                 toPixels(clientHeight_, dpi_) + frame.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::centre() {
    const HMONITOR monitor =
        MonitorFromWindow(modalOwner_ ? modalOwner_ : hwnd_, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    RECT outer{};
    GetWindowRect(hwnd_, &outer);
    const RECT& work = info.rcWork;
    const int x = work.left + ((work.right - work.left) - (outer.right - outer.left)) / 2;
    const int y = work.top + ((work.bottom - work.top) - (outer.bottom - outer.top)) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::restack() {
    // Frames lie lowest, then labels, then the controls a user works with in their tab order;
    // within a layer later controls lie higher. The system paints and reads them in this order.
    std::vector<Win32Control*> order;
    for (const auto& c : controls_) {
        if (c->hwnd()) {
            order.push_back(c.get());
        }
    }
    std::stable_sort(order.begin(), order.end(), [](const Win32Control* a, const Win32Control* b) {
        const int la = layerOf(a->kind()), lb = layerOf(b->kind());
        if (la != lb) {
            return la < lb;
        }
        return la == 2 && a->settings().tabIndex < b->settings().tabIndex;
    });
    // From the top down, each just beneath the one before.
    HWND above = HWND_TOP;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        SetWindowPos((*it)->hwnd(), above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = (*it)->hwnd();
    }
}

std::vector<Win32Control*> Win32Window::tabChain() const {
    std::vector<Win32Control*> chain;
    for (const auto& c : controls_) {
        const ControlKind k = c->kind();
        if (c->hwnd() && c->settings().tabIndex >= 0 && c->reachable() &&
            (k == ControlKind::CommandButton || k == ControlKind::CheckBox || isTextArea(k))) {
            chain.push_back(c.get());
        }
    }
    std::stable_sort(chain.begin(), chain.end(), [](const Win32Control* a, const Win32Control* b) {
        return a->settings().tabIndex < b->settings().tabIndex;
    });
    return chain;
}

const Win32Control* Win32Window::shapeUnder(const RECT& rect) const {
    const POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        if ((*it)->kind() == ControlKind::Shape && (*it)->shown()) {
            const RECT r = (*it)->clientRect();
            if (PtInRect(&r, middle)) {
                return it->get();
            }
        }
    }
    return nullptr;
}

bool Win32Window::setTopmost(bool on) {
    if (!loaded_ || !hwnd_) {
        return false;
    }
    return SetWindowPos(hwnd_, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) != 0;
}

} // namespace qvMsgErr::win32

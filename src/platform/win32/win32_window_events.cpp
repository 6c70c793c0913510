// What reaches a window from outside: the messages of the window and of its controls' windows,
// keys and the mouse, painting its surface, the close box and a change of DPI.
#include "platform/design.h"
#include "platform/win32/win32_desktop_p.h"

#include <commctrl.h>

#include <cctype>

namespace qvMsgErr::win32 {

using platform::ControlKind;
using platform::EventKind;

namespace {

/// A key the window used: the character the system makes of it must not reach the control too
/// (a beep, a tab typed into a text area).
thread_local bool g_keyUsed = false;

int16_t mouseButtons(WPARAM wp) {
    int16_t buttons = 0;
    if (wp & MK_LBUTTON) {
        buttons |= 1;
    }
    if (wp & MK_RBUTTON) {
        buttons |= 2;
    }
    if (wp & MK_MBUTTON) {
        buttons |= 4;
    }
    return buttons;
}

HICON stockIcon(platform::StockPicture picture, int size) {
    LPCWSTR id = nullptr;
    switch (picture) {
    case platform::StockPicture::Critical:
        id = reinterpret_cast<LPCWSTR>(IDI_HAND);
        break;
    case platform::StockPicture::Question:
        id = reinterpret_cast<LPCWSTR>(IDI_QUESTION);
        break;
    case platform::StockPicture::Exclamation:
        id = reinterpret_cast<LPCWSTR>(IDI_EXCLAMATION);
        break;
    case platform::StockPicture::Information:
        id = reinterpret_cast<LPCWSTR>(IDI_ASTERISK);
        break;
    case platform::StockPicture::None:
        return nullptr;
    }
    // Shared: the system keeps the icon, which must not be destroyed.
    return static_cast<HICON>(LoadImageW(nullptr, id, IMAGE_ICON, size, size, LR_SHARED));
}

} // namespace

LRESULT CALLBACK controlProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp, UINT_PTR,
                             DWORD_PTR data) {
    auto* window = reinterpret_cast<Win32Window*>(data);
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        g_keyUsed = window->isLoaded() && window->keyDown(hwnd, wp, message == WM_SYSKEYDOWN);
        if (g_keyUsed) {
            return 0;
        }
        break;
    case WM_CHAR:
    case WM_SYSCHAR:
        if (g_keyUsed) {
            g_keyUsed = false;
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (window->isLoaded()) {
            window->mouseMove(hwnd, wp, lp);
        }
        break;
    case WM_SETFOCUS:
        if (window->isLoaded()) {
            window->focusArrived(hwnd);
        }
        break;
    case WM_PAINT:
        if (const Win32Control* c = window->isLoaded() ? window->controlOf(hwnd) : nullptr) {
            const LRESULT painted = DefSubclassProc(hwnd, message, wp, lp);
            c->paintPlaceholder();
            return painted;
        }
        break;
    case WM_GETOBJECT:
        if (window->isLoaded()) {
            if (const LRESULT object = window->accessibleObject(hwnd, wp, lp)) {
                return object;
            }
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, controlProc, 1);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wp, lp);
}

LRESULT Win32Window::windowMessage(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_COMMAND: {
        Win32Control* c = controlOf(reinterpret_cast<HWND>(lp));
        // BN_CLICKED and STN_CLICKED are both 0.
        if (c && HIWORD(wp) == BN_CLICKED &&
            (c->kind() == ControlKind::CommandButton || c->kind() == ControlKind::CheckBox ||
             c->kind() == ControlKind::Label)) {
            c->takeTick();
            deliver(EventKind::Click, c);
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        if (Win32Control* c = controlOf(reinterpret_cast<HWND>(lp))) {
            return reinterpret_cast<LRESULT>(c->colourText(reinterpret_cast<HDC>(wp)));
        }
        break;
    case WM_ERASEBKGND:
        return 1; // the surface is painted whole in WM_PAINT
    case WM_PAINT:
        paint();
        return 0;
    case WM_TIMER:
        if (Win32Control* c = controlById(wp); c && c->kind() == ControlKind::Timer) {
            deliver(EventKind::Timer, c);
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
            active_ = false;
            if (HWND focus = GetFocus(); focus && IsChild(hwnd_, focus)) {
                lastFocus_ = focus;
            }
            return 0;
        }
        noteActivation();
        if (loaded_ && lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_)) {
            restoring_ = true;
            SetFocus(lastFocus_);
            restoring_ = false;
            return 0;
        }
        break;
    case WM_CLOSE:
        closeRequested();
        return 0;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE && !closeBox_) {
            return 0; // the close box is withdrawn
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (keyDown(hwnd_, wp, message == WM_SYSKEYDOWN)) {
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        mouseMove(hwnd_, wp, lp);
        return 0;
    case WM_LBUTTONDOWN:
        pressedOn_ = hit({static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        pressedWindow_ = true;
        return 0;
    case WM_LBUTTONUP:
        if (pressedWindow_ &&
            hit({static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}) == pressedOn_) {
            pressedWindow_ = false;
            deliver(EventKind::Click, pressedOn_);
        }
        pressedWindow_ = false;
        return 0;
    case WM_DPICHANGED:
        dpiChanged(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
        return 0;
    case WM_GETOBJECT:
        if (const LRESULT object = loaded_ ? accessibleObject(hwnd_, wp, lp) : 0) {
            return object;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wp, lp);
}

bool Win32Window::keyDown(HWND receiver, WPARAM key, bool system) {
    const auto code = static_cast<int16_t>(key & 0xFF);
    int16_t shift = shiftState();
    if (system && code != VK_F10) {
        shift |= platform::kAlt;
    }
    Win32Control* c = controlOf(receiver);
    const auto swallowed = [&](platform::Event& e) {
        deliver(e);
        return e.keyCode == 0 || !loaded_;
    };
    if (design_.keyPreview || !c) {
        platform::Event e;
        e.kind = EventKind::KeyDown;
        e.keyCode = code;
        e.shift = shift;
        if (swallowed(e)) {
            return true;
        }
    }
    if (c) {
        platform::Event e;
        e.kind = EventKind::KeyDown;
        e.control = c->name();
        e.index = c->index();
        e.keyCode = code;
        e.shift = shift;
        if (swallowed(e)) {
            return true;
        }
    }
    // The keys the window itself handles, after the logic had them.
    switch (code) {
    case VK_TAB:
        if (shift & (platform::kCtrl | platform::kAlt)) {
            return false;
        }
        moveFocus((shift & platform::kShift) != 0);
        return true;
    case VK_RETURN: {
        if (shift & (platform::kCtrl | platform::kAlt)) {
            return false;
        }
        if (c && c->kind() == ControlKind::CommandButton) {
            return press(c);
        }
        for (const auto& b : controls_) {
            if (b->kind() == ControlKind::CommandButton && b->settings().isDefault) {
                return press(b.get());
            }
        }
        return false;
    }
    case VK_ESCAPE:
        return shift == 0 && pressCancel();
    default:
        break;
    }
    // An access key: with Alt anywhere, alone where no text is typed.
    const bool typing = c && isTextArea(c->kind());
    if (std::isalnum(code) && (shift == platform::kAlt || (shift == 0 && !typing))) {
        return pressAccessKey(static_cast<wchar_t>(code));
    }
    return false;
}

bool Win32Window::press(Win32Control* control) {
    if (!control->hwnd() || !control->reachable()) {
        return false;
    }
    // As a click does: the button takes the focus, and a check box changes its tick.
    SendMessageW(control->hwnd(), BM_CLICK, 0, 0);
    return true;
}

bool Win32Window::pressCancel() {
    for (const auto& c : controls_) {
        if (c->kind() == ControlKind::CommandButton && c->settings().isCancel && c->reachable()) {
            return press(c.get());
        }
    }
    return false;
}

bool Win32Window::pressAccessKey(wchar_t key) {
    for (const auto& c : controls_) {
        if ((c->kind() == ControlKind::CommandButton || c->kind() == ControlKind::CheckBox) &&
            c->reachable() && platform::accessKey(c->settings().caption) == key) {
            return press(c.get());
        }
    }
    return false;
}

void Win32Window::moveFocus(bool backwards) {
    const auto chain = tabChain();
    if (chain.empty()) {
        return;
    }
    const Win32Control* now = controlOf(GetFocus());
    std::size_t at = chain.size() - 1; // nothing focused: Tab goes to the first
    for (std::size_t i = 0; i < chain.size(); ++i) {
        if (chain[i] == now) {
            at = i;
        }
    }
    if (!now && backwards) {
        at = 0;
    }
    const std::size_t next =
        backwards ? (at + chain.size() - 1) % chain.size() : (at + 1) % chain.size();
    SetFocus(chain[next]->hwnd());
}

void Win32Window::focusArrived(HWND hwnd) {
    Win32Control* c = controlOf(hwnd);
    if (c && !restoring_) {
        lastFocus_ = hwnd;
        deliver(EventKind::GotFocus, c);
    }
}

Win32Control* Win32Window::hit(POINT client) const {
    // The surface's own controls, topmost first; a shape lets the mouse through.
    for (ControlKind kind : {ControlKind::Image, ControlKind::Panel}) {
        for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
            if ((*it)->kind() == kind && (*it)->shown()) {
                const RECT r = (*it)->clientRect();
                if (PtInRect(&r, client)) {
                    return it->get();
                }
            }
        }
    }
    return nullptr;
}

void Win32Window::mouseMove(HWND receiver, WPARAM wp, LPARAM lp) {
    const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    Win32Control* c = receiver == hwnd_ ? hit(at) : controlOf(receiver);
    POINT local = at;
    if (c && receiver == hwnd_) {
        const RECT r = c->clientRect();
        local = {at.x - r.left, at.y - r.top};
    }
    platform::Event e;
    e.kind = EventKind::MouseMove;
    if (c) {
        e.control = c->name();
        e.index = c->index();
    }
    e.x = toTwips(local.x, dpi_);
    e.y = toTwips(local.y, dpi_);
    e.button = mouseButtons(wp);
    e.shift = shiftState();
    deliver(e);
}

void Win32Window::closeRequested() {
    platform::Event e;
    e.kind = EventKind::Close;
    deliver(e);
    if (!e.cancel && loaded_) {
        hide();
    }
}

void Win32Window::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client{};
    GetClientRect(hwnd_, &client);
    const auto fill = [&](const RECT& r, COLORREF colour) {
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    };
    fill(client, toColorRef(backColor()));
    for (const auto& c : controls_) {
        if (c->kind() == ControlKind::Panel && c->settings().backColor && c->shown()) {
            fill(c->clientRect(), toColorRef(*c->settings().backColor));
        }
    }
    for (const auto& c : controls_) {
        if (c->kind() == ControlKind::Shape && c->shown()) {
            const RECT r = c->clientRect();
            fill(r, toColorRef(c->settings().fillColor));
            HBRUSH border = CreateSolidBrush(toColorRef(c->settings().borderColor));
            FrameRect(dc, &r, border);
            DeleteObject(border);
        }
    }
    const int small = MulDiv(32, static_cast<int>(dpi_), 96);
    for (const auto& c : controls_) {
        if (c->kind() == ControlKind::Image && c->shown()) {
            const RECT r = c->clientRect();
            const int large = 2 * small;
            const int size =
                (r.right - r.left >= large && r.bottom - r.top >= large) ? large : small;
            drawPictureAt(dc, c->settings().picture, r.left, r.top, size);
        }
    }
    painted_.clear();
    inPaint_ = true;
    deliver(EventKind::Paint, nullptr);
    inPaint_ = false;
    if (loaded_) {
        for (const auto* drawings : {&painted_, &pending_}) {
            for (const auto& d : *drawings) {
                drawPictureAt(dc, d.picture, toPixels(d.x, dpi_), toPixels(d.y, dpi_), small);
            }
        }
        pending_.clear();
    }
    EndPaint(hwnd_, &ps);
}

void Win32Window::drawPictureAt(HDC dc, platform::StockPicture picture, int x, int y,
                                int size) const {
    if (HICON icon = stockIcon(picture, size)) {
        // A mirrored surface would draw the symbol mirrored too (a question mark backwards):
        // it goes to its mirrored place on the surface unmirrored for the moment.
        const DWORD layout = GetLayout(dc);
        if (layout & LAYOUT_RTL) {
            RECT client{};
            GetClientRect(hwnd_, &client);
            x = client.right - x - size;
            SetLayout(dc, 0);
        }
        DrawIconEx(dc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
        SetLayout(dc, layout);
    }
}

void Win32Window::dpiChanged(UINT dpi, const RECT* suggested) {
    dpi_ = dpi;
    for (const auto& [key, font] : fonts_) {
        DeleteObject(font);
    }
    fonts_.clear();
    if (suggested) {
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    applyClientSize();
    for (const auto& c : controls_) {
        c->refresh(); // labels measure themselves in the new font
    }
    applyAll();
}

} // namespace qvMsgErr::win32

// The Win32 desktop's controls: the system window each kind becomes, and its properties.
#include "platform/contrast.h"
#include "platform/geometry.h"
#include "platform/win32/win32_desktop_p.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

namespace qvMsgErr::win32 {

using platform::ControlKind;

namespace {

using platform::kButtonFace;
using platform::kButtonText;
using platform::kWindowBackground;
using platform::kWindowText;

DWORD styleOf(const platform::ControlDesign& d) {
    switch (d.kind) {
    case ControlKind::CommandButton:
        return WS_TABSTOP | BS_MULTILINE | (d.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    case ControlKind::CheckBox:
        return WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE;
    case ControlKind::Frame:
        return BS_GROUPBOX;
    case ControlKind::Label:
        // A label shows its caption literally; "&" marks nothing there.
        return SS_NOPREFIX | SS_NOTIFY |
               (d.wordWrap ? SS_LEFT | SS_EDITCONTROL : SS_LEFTNOWORDWRAP);
    case ControlKind::TextBox:
    case ControlKind::RichText:
        if (d.kind == ControlKind::TextBox && !d.multiLine) {
            return WS_TABSTOP | ES_AUTOHSCROLL;
        }
        return WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | (d.verticalScrollBar ? WS_VSCROLL : 0);
    default:
        return 0;
    }
}

const wchar_t* classOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label:
        return L"STATIC";
    case ControlKind::TextBox:
    case ControlKind::RichText:
        return L"EDIT";
    default:
        return L"BUTTON";
    }
}

} // namespace

bool hasWindow(ControlKind kind) {
    switch (kind) {
    case ControlKind::CommandButton:
    case ControlKind::CheckBox:
    case ControlKind::Frame:
    case ControlKind::Label:
    case ControlKind::TextBox:
    case ControlKind::RichText:
        return true;
    default:
        return false;
    }
}

Win32Control::Win32Control(Win32Window& window, platform::ControlDesign design)
    : DesignedControl(window, std::move(design)) {}

Win32Control::~Win32Control() {
    if (brush_) {
        DeleteObject(brush_);
    }
}

void Win32Control::create() {
    if (!hasWindow(d_.kind)) {
        return;
    }
    const DWORD exStyle =
        isTextArea(d_.kind) ? WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY : WS_EX_NOPARENTNOTIFY;
    hwnd_ = CreateWindowExW(exStyle, classOf(d_.kind), L"",
                            WS_CHILD | WS_CLIPSIBLINGS | styleOf(d_), 0, 0, 0, 0, window_.hwnd(),
                            reinterpret_cast<HMENU>(window_.idOf(this)), moduleInstance(), nullptr);
    if (!hwnd_) {
        throw RunTimeError(err::OutOfMemory,
                           "The window of control " + d_.name + " could not be made");
    }
    SetWindowSubclass(hwnd_, controlProc, 1, reinterpret_cast<DWORD_PTR>(&window_));
    if (isTextArea(d_.kind)) {
        SendMessageW(hwnd_, EM_SETLIMITTEXT, 0, 0);
        setText(d_.caption);
    } else {
        applyCaption();
    }
    if (d_.kind == ControlKind::CheckBox) {
        SendMessageW(hwnd_, BM_SETCHECK, value_ == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    apply();
}

void Win32Control::detach() {
    if (timerRunning_) {
        KillTimer(window_.hwnd(), window_.idOf(this));
        timerRunning_ = false;
    }
    hwnd_ = nullptr;
}

void Win32Control::storeDefault(bool v) {
    d_.isDefault = v;
    if (hwnd_) {
        SendMessageW(hwnd_, BM_SETSTYLE, (v ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_MULTILINE,
                     TRUE);
    }
}

bool Win32Control::shown() const {
    std::size_t depth = 0;
    for (const Win32Control* at = this; at && depth < 64; ++depth) {
        if (!at->d_.visible) {
            return false;
        }
        at = at->d_.container.empty() ? nullptr : window_.findContainer(at->d_.container);
    }
    return true;
}

bool Win32Control::reachable() const {
    std::size_t depth = 0;
    for (const Win32Control* at = this; at && depth < 64; ++depth) {
        if (!at->d_.visible || !at->d_.enabled) {
            return false;
        }
        at = at->d_.container.empty() ? nullptr : window_.findContainer(at->d_.container);
    }
    return true;
}

RECT Win32Control::clientRect() const {
    float left = d_.left, top = d_.top;
    std::size_t depth = 0;
    for (const Win32Control* at = this; !at->d_.container.empty() && depth < 64; ++depth) {
        at = window_.findContainer(at->d_.container);
        if (!at) {
            break;
        }
        left += at->d_.left;
        top += at->d_.top;
    }
    const UINT dpi = window_.dpi();
    const int x = toPixels(left, dpi), y = toPixels(top, dpi);
    return {x, y, x + toPixels(d_.width, dpi), y + toPixels(d_.height, dpi)};
}

void Win32Control::apply() {
    if (!hwnd_) {
        return;
    }
    const RECT r = clientRect();
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(window_.font(d_.font)), FALSE);
    const bool usable = reachable(), seen = shown();
    if (GetFocus() == hwnd_ && !usable) {
        SetFocus(window_.hwnd()); // a control that cannot be reached gives the focus away
    }
    EnableWindow(hwnd_, usable || (seen && d_.enabled && d_.kind == ControlKind::Frame));
    ShowWindow(hwnd_, seen ? SW_SHOWNA : SW_HIDE);
    showScrollBar();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Control::applyCaption() {
    if (hwnd_ && !isTextArea(d_.kind)) {
        SetWindowTextW(hwnd_, shownPart(d_.caption).c_str());
    }
    measure();
}

void Win32Control::measure() {
    if (!hwnd_ || d_.kind != ControlKind::Label || !d_.autoSize) {
        return;
    }
    const UINT dpi = window_.dpi();
    const std::wstring text = shownPart(d_.caption);
    HDC dc = GetDC(hwnd_);
    const HGDIOBJ old = SelectObject(dc, window_.font(d_.font));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT r{0, 0, d_.wordWrap ? std::max(1, toPixels(d_.width, dpi)) : 0, 0};
    const UINT format =
        DT_CALCRECT | DT_NOPREFIX | DT_LEFT | (d_.wordWrap ? DT_WORDBREAK | DT_EDITCONTROL : 0);
    if (!text.empty()) {
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    const int height = std::max<int>(r.bottom - r.top, metrics.tmHeight);
    if (!d_.wordWrap) {
        d_.width = toTwips(r.right - r.left, dpi);
    }
    d_.height = toTwips(height, dpi);
    apply();
}

std::string Win32Control::text() const {
    window_.checkLoaded();
    if (isTextArea(d_.kind) && hwnd_) {
        std::wstring now(static_cast<std::size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
        now.resize(static_cast<std::size_t>(
            GetWindowTextW(hwnd_, now.data(), static_cast<int>(now.size()))));
        if (now != textShown_) {
            return narrow(now); // the user has typed since the last write
        }
    }
    return d_.caption;
}

void Win32Control::setText(const std::string& text) {
    window_.checkLoaded();
    if (!isTextArea(d_.kind)) {
        setCaption(text);
        return;
    }
    d_.caption = text;
    if (hwnd_) {
        SetWindowTextW(hwnd_, withCrLf(wide(text)).c_str());
        textShown_.assign(static_cast<std::size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
        textShown_.resize(static_cast<std::size_t>(
            GetWindowTextW(hwnd_, textShown_.data(), static_cast<int>(textShown_.size()))));
        showScrollBar();
    }
}

void Win32Control::showScrollBar() {
    if (!hwnd_ || d_.kind != ControlKind::RichText || !d_.verticalScrollBar) {
        return;
    }
    // A rich-text area shows its scroll bar only while its text is longer than the area.
    RECT area{};
    SendMessageW(hwnd_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    HDC dc = GetDC(hwnd_);
    const HGDIOBJ old = SelectObject(dc, window_.font(d_.font));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    const auto lines = SendMessageW(hwnd_, EM_GETLINECOUNT, 0, 0);
    const LONG fits = (area.bottom - area.top) / std::max<LONG>(1, metrics.tmHeight);
    ShowScrollBar(hwnd_, SB_VERT, lines > fits);
}

void Win32Control::setLeft(float v) {
    window_.checkLoaded();
    d_.left = platform::checkedPosition(v);
    window_.applyAll();
}

void Win32Control::setTop(float v) {
    window_.checkLoaded();
    d_.top = platform::checkedPosition(v);
    window_.applyAll();
}

void Win32Control::setWidth(float v) {
    window_.checkLoaded();
    d_.width = platform::checkedSize(v);
    if (d_.wordWrap) {
        measure(); // a wrapping label keeps the new width and grows or shrinks to its text
    }
    window_.applyAll();
}

void Win32Control::setHeight(float v) {
    window_.checkLoaded();
    d_.height = platform::checkedSize(v);
    window_.applyAll();
}

void Win32Control::setVisible(bool v) {
    window_.checkLoaded();
    d_.visible = v;
    window_.applyAll();
}

void Win32Control::setEnabled(bool v) {
    window_.checkLoaded();
    d_.enabled = v;
    syncTimer(v);
    window_.applyAll();
}

void Win32Control::setTabIndex(int16_t v) {
    window_.checkLoaded();
    d_.tabIndex = v;
    window_.restack();
}

void Win32Control::setBackColor(int32_t c) {
    window_.checkLoaded();
    d_.backColor = c;
    window_.applyAll(); // what lies inside a container shows its colour
}

void Win32Control::setForeColor(int32_t c) {
    window_.checkLoaded();
    d_.foreColor = c;
    apply();
}

void Win32Control::setBorderColor(int32_t c) {
    window_.checkLoaded();
    d_.borderColor = c;
    window_.redraw();
}

void Win32Control::setFillColor(int32_t c) {
    window_.checkLoaded();
    d_.fillColor = c;
    window_.redraw(); // labels on the shape take its colour
}

void Win32Control::setFont(const platform::Font& f) {
    window_.checkLoaded();
    d_.font = f;
    apply();
    measure();
}

int16_t Win32Control::value() const {
    window_.checkLoaded();
    if (d_.kind == ControlKind::CheckBox && hwnd_) {
        return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    }
    return value_;
}

void Win32Control::setValue(int16_t v) {
    window_.checkLoaded();
    if (v != 0 && v != 1) {
        throw RunTimeError(err::InvalidPropertyValue);
    }
    value_ = v;
    if (d_.kind == ControlKind::CheckBox && hwnd_) {
        SendMessageW(hwnd_, BM_SETCHECK, v == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void Win32Control::takeTick() {
    if (d_.kind == ControlKind::CheckBox && hwnd_) {
        value_ = SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    }
}

void Win32Control::setWordWrap(bool v) {
    window_.checkLoaded();
    d_.wordWrap = v;
    if (hwnd_ && d_.kind == ControlKind::Label) {
        const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE) & ~static_cast<LONG_PTR>(0x1F);
        SetWindowLongPtrW(hwnd_, GWL_STYLE,
                          style | static_cast<LONG_PTR>(styleOf(d_) & 0x1F) |
                              (v ? SS_EDITCONTROL : 0));
    }
    measure();
}

void Win32Control::syncTimer(bool restart) {
    if (d_.kind != ControlKind::Timer || !window_.hwnd()) {
        return;
    }
    const bool run = d_.enabled && d_.interval > 0 && window_.isLoaded() && window_.isVisible();
    if (run && (restart || !timerRunning_)) {
        SetTimer(window_.hwnd(), window_.idOf(this), static_cast<UINT>(d_.interval), nullptr);
        timerRunning_ = true;
    } else if (!run && timerRunning_) {
        KillTimer(window_.hwnd(), window_.idOf(this));
        timerRunning_ = false;
    }
}

void Win32Control::refresh() {
    window_.checkLoaded();
    measure();
    if (hwnd_) {
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

void Win32Control::setFocus() {
    window_.checkLoaded();
    const bool takesFocus = d_.kind == ControlKind::CommandButton ||
                            d_.kind == ControlKind::CheckBox || isTextArea(d_.kind);
    if (!hwnd_ || !takesFocus || !window_.isVisible() || !reachable()) {
        throw RunTimeError(err::CantMoveFocus);
    }
    SetFocus(hwnd_);
}

bool Win32Control::hasFocus() const {
    window_.checkLoaded();
    return hwnd_ && window_.isVisible() && GetFocus() == hwnd_;
}

COLORREF Win32Control::behind() const {
    if (d_.backColor) {
        return toColorRef(*d_.backColor);
    }
    if (isTextArea(d_.kind)) {
        return toColorRef(kWindowBackground);
    }
    // A label over a shape shows on the shape's fill, as a label without a colour of its own
    // shows on whatever lies beneath it.
    if (d_.kind == ControlKind::Label) {
        if (const Win32Control* shape = window_.shapeUnder(clientRect())) {
            return toColorRef(shape->d_.fillColor);
        }
    }
    std::size_t depth = 0;
    for (const Win32Control* at = this; !at->d_.container.empty() && depth < 64; ++depth) {
        at = window_.findContainer(at->d_.container);
        if (!at) {
            break;
        }
        if (at->d_.backColor) {
            return toColorRef(*at->d_.backColor);
        }
    }
    return toColorRef(window_.backColor());
}

HBRUSH Win32Control::colourText(HDC dc) {
    const COLORREF back = behind();
    const auto fore = static_cast<COLORREF>(platform::readableOn(
        static_cast<int32_t>(back), {static_cast<int32_t>(toColorRef(foreColor()))}));
    SetTextColor(dc, fore);
    SetBkColor(dc, back);
    if (!brush_ || brushColour_ != back) {
        if (brush_) {
            DeleteObject(brush_);
        }
        brush_ = CreateSolidBrush(back);
        brushColour_ = back;
    }
    return brush_;
}

void Win32Control::paintPlaceholder() const {
    // The system's multi-line edit has no cue text of its own: an empty one shows the design's
    // hint in the grey of disabled text, as a single-line one would.
    if (!isTextArea(d_.kind) || d_.placeholder.empty() || GetWindowTextLengthW(hwnd_) > 0) {
        return;
    }
    HDC dc = GetDC(hwnd_);
    RECT area{};
    SendMessageW(hwnd_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    const std::wstring hint = wide(d_.placeholder);
    DrawTextW(dc, hint.c_str(), static_cast<int>(hint.size()), &area,
              DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
}

} // namespace qvMsgErr::win32

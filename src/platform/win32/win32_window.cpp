// Windows of the Win32 desktop: a top-level window with the system's controls, built from a
// design; its controls, showing and unloading, its surface and its stacking.
#include "platform/design.h"
#include "platform/geometry.h"
#include "platform/win32/win32_desktop_p.h"

#include <algorithm>
#include <unordered_map>

namespace qvMsgErr::win32 {

using platform::ControlKind;
using platform::EventKind;

namespace {

constexpr wchar_t kClassName[] = L"qvMsgErrForm";

std::unordered_map<platform::WindowHandle, Win32Window*>& liveWindows() {
    thread_local std::unordered_map<platform::WindowHandle, Win32Window*> windows;
    return windows;
}

/// Modal displays on this thread's stack: a modeless window may not open meanwhile.
int& modalDepth() {
    thread_local int depth = 0;
    return depth;
}

LRESULT CALLBACK formProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window && window->hwnd() == hwnd) {
        return window->windowMessage(message, wp, lp);
    }
    return DefWindowProcW(hwnd, message, wp, lp);
}

void registerClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = formProc;
        wc.hInstance = moduleInstance();
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    if (atom == 0) {
        throw RunTimeError(err::InternalError,
                           "The window class of qvMsgErr could not be registered");
    }
}

} // namespace

Win32Window::Win32Window(platform::FormDesign design, bool rightToLeft,
                         std::array<std::string, 5> pictureNames)
    : design_(std::move(design)), pictureNames_(std::move(pictureNames)) {
    platform::validateDesign(design_);
    caption_ = design_.caption;
    clientWidth_ = design_.clientWidth;
    clientHeight_ = design_.clientHeight;
    backColor_ = design_.backColor;
    registerClass();
    // The layout mirrors the controls and the surface's drawing with the window; the controls
    // inherit it.
    hwnd_ = CreateWindowExW(kWindowExStyle | (rightToLeft ? WS_EX_LAYOUTRTL : 0), kClassName,
                            shownPart(caption_).c_str(), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            0, 0, nullptr, nullptr, moduleInstance(), this);
    if (!hwnd_) {
        throw RunTimeError(err::OutOfMemory, "The window " + design_.name + " could not be made");
    }
    handle_ = reinterpret_cast<platform::WindowHandle>(hwnd_);
    dpi_ = dpiOf(hwnd_);
    applyClientSize();
    try {
        controls_.reserve(design_.controls.size());
        for (const auto& c : design_.controls) {
            controls_.push_back(std::make_unique<Win32Control>(*this, c));
        }
        // Every control exists before any is placed: a container may come after its contents.
        for (const auto& c : controls_) {
            c->create();
        }
    } catch (...) {
        unload();
        throw;
    }
    restack();
    if (design_.startCentered) {
        centre();
    }
    liveWindows()[handle_] = this; // last: a window that failed to build is never found
}

Win32Window::~Win32Window() {
    unload();
    liveWindows().erase(handle_);
}

Win32Window* Win32Window::byHandle(platform::WindowHandle handle) {
    const auto it = liveWindows().find(handle);
    return it == liveWindows().end() ? nullptr : it->second;
}

void Win32Window::checkLoaded() const {
    if (!loaded_) {
        throw RunTimeError(err::ObjectNotSet);
    }
}

Win32Control* Win32Window::controlOf(HWND hwnd) const {
    if (!hwnd) {
        return nullptr;
    }
    for (const auto& c : controls_) {
        if (c->hwnd() == hwnd) {
            return c.get();
        }
    }
    return nullptr;
}

Win32Control* Win32Window::controlById(UINT_PTR id) const {
    return id >= 1 && id <= controls_.size() ? controls_[id - 1].get() : nullptr;
}

UINT_PTR Win32Window::idOf(const Win32Control* control) const {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i].get() == control) {
            return i + 1;
        }
    }
    return 0;
}

HFONT Win32Window::font(const platform::Font& f) {
    const auto key = std::tuple(f.name, f.size, f.bold);
    if (const auto it = fonts_.find(key); it != fonts_.end()) {
        return it->second;
    }
    HFONT made = makeFont(f, dpi_);
    fonts_.emplace(key, made);
    return made;
}

platform::Control& Win32Window::control(const std::string& name, int16_t index) {
    checkLoaded();
    return existing(name, index);
}

bool Win32Window::hasControl(const std::string& name, int16_t index) const {
    return loaded_ && find(name, index) != nullptr;
}

platform::Control& Win32Window::addElement(const std::string& name, int16_t index) {
    checkLoaded();
    Win32Control& added = addCopy(*this, name, index);
    added.create();
    restack();
    return added;
}

std::vector<int16_t> Win32Window::elements(const std::string& name) const {
    checkLoaded();
    return indexesOf(name);
}

std::string Win32Window::caption() const {
    checkLoaded();
    return caption_;
}

void Win32Window::setCaption(const std::string& text) {
    checkLoaded();
    caption_ = text;
    SetWindowTextW(hwnd_, shownPart(text).c_str());
}

int32_t Win32Window::backColor() const {
    checkLoaded();
    return backColor_.value_or(static_cast<int32_t>(0x8000000F));
}

void Win32Window::setBackColor(int32_t c) {
    checkLoaded();
    backColor_ = c;
    applyAll();
}

int32_t Win32Window::helpContextId() const {
    checkLoaded();
    return helpContextId_;
}

void Win32Window::setHelpContextId(int32_t id) {
    checkLoaded();
    helpContextId_ = id;
}

bool Win32Window::closeBox() const {
    checkLoaded();
    return closeBox_;
}

void Win32Window::setCloseBox(bool enabled) {
    checkLoaded();
    closeBox_ = enabled;
    EnableMenuItem(GetSystemMenu(hwnd_, FALSE), SC_CLOSE,
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Win32Window::show() {
    if (!positioned_ && design_.startCentered) {
        centre();
    }
    positioned_ = true; // centred once; later displays keep where the user left it
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    syncTimers(true);
    noteActivation();
    if (loaded_ && !controlOf(GetFocus())) {
        // As a dialog does: the first control in the tab order has the focus.
        const auto chain = tabChain();
        if (!chain.empty()) {
            SetFocus(chain.front()->hwnd());
        }
    }
    if (loaded_) {
        UpdateWindow(hwnd_);
        announce();
    }
}

void Win32Window::showModal() {
    checkLoaded();
    if (IsWindowVisible(hwnd_)) {
        throw RunTimeError(err::FormAlreadyDisplayed);
    }
    ++busy_;
    ++modalDepth();
    HWND owner = dialogOwner();
    if (owner == hwnd_ || (owner && !IsWindowEnabled(owner))) {
        owner = nullptr;
    }
    SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    if (owner) {
        modalOwner_ = owner;
        EnableWindow(owner, FALSE);
    }
    show();
    MSG msg;
    while (loaded_ && IsWindowVisible(hwnd_)) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) {
                PostQuitMessage(static_cast<int>(msg.wParam)); // the thread's loop ends too
            }
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (loaded_ && IsWindowVisible(hwnd_)) {
        hide();
    }
    --modalDepth();
    --busy_;
}

void Win32Window::showModeless() {
    checkLoaded();
    if (modalDepth() > 0) {
        throw RunTimeError(err::NonModalWhileModal);
    }
    if (!IsWindowVisible(hwnd_)) {
        show();
    }
}

void Win32Window::hide() {
    if (!hwnd_) {
        return;
    }
    // The owner first: hiding the window activates another one, which should be the owner.
    if (modalOwner_) {
        EnableWindow(modalOwner_, TRUE);
        if (IsWindowVisible(hwnd_) && GetActiveWindow() == hwnd_) {
            SetActiveWindow(modalOwner_);
        }
        modalOwner_ = nullptr;
    }
    ShowWindow(hwnd_, SW_HIDE);
    active_ = false;
    syncTimers(false);
    PostMessageW(hwnd_, WM_NULL, 0, 0); // wakes a modal loop waiting for messages
}

void Win32Window::unload() {
    if (!loaded_) {
        return;
    }
    hide();
    loaded_ = false;
    for (const auto& c : controls_) {
        c->detach();
    }
    painted_.clear();
    pending_.clear();
    pressedOn_ = nullptr;
    lastFocus_ = nullptr;
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
    for (const auto& [key, font] : fonts_) {
        DeleteObject(font);
    }
    fonts_.clear();
}

bool Win32Window::isVisible() const {
    return loaded_ && hwnd_ && IsWindowVisible(hwnd_);
}

Win32Control& Win32Window::imageList(const std::string& name) {
    checkLoaded();
    Win32Control* c = findContainer(name);
    if (!c || c->kind() != ControlKind::ImageList) {
        throw RunTimeError(err::NotSupported);
    }
    return *c;
}

void Win32Window::drawPicture(const std::string& name, int16_t number, float x, float y) {
    const auto& pictures = imageList(name).settings().pictures;
    if (number < 1 || static_cast<std::size_t>(number) > pictures.size()) {
        throw RunTimeError(err::InvalidPropertyValue);
    }
    const SurfaceDrawing drawing{pictures[static_cast<std::size_t>(number) - 1].picture, x, y};
    if (inPaint_) {
        painted_.push_back(drawing);
    } else {
        pending_.push_back(drawing);
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
}

void Win32Window::setImageListBackColor(const std::string& name, int32_t c) {
    imageList(name).setBackColor(c);
}

void Win32Window::deliver(platform::Event& event) {
    if (!handler_ || !loaded_) {
        return;
    }
    ++busy_;
    try {
        handler_->onEvent(event);
    } catch (...) {
        // The handler's own business; the message loop must live on.
    }
    --busy_;
}

void Win32Window::deliver(EventKind kind, const Win32Control* control) {
    platform::Event e;
    e.kind = kind;
    if (control) {
        e.control = control->name();
        e.index = control->index();
    }
    deliver(e);
}

void Win32Window::noteActivation() {
    if (active_ || !loaded_) {
        return;
    }
    active_ = true;
    deliver(EventKind::Activate, nullptr);
}

void Win32Window::syncTimers(bool restart) {
    for (const auto& c : controls_) {
        c->syncTimer(restart);
    }
}

void Win32Window::makeDefault(Win32Control* button, bool on) {
    if (on) {
        for (const auto& c : controls_) {
            if (c.get() != button && c->kind() == ControlKind::CommandButton &&
                c->settings().isDefault) {
                c->storeDefault(false);
            }
        }
    }
    button->storeDefault(on);
}

void Win32Window::applyAll() {
    if (!loaded_) {
        return;
    }
    for (const auto& c : controls_) {
        c->apply();
    }
    redraw();
}

void Win32Window::redraw() {
    if (hwnd_) {
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

} // namespace qvMsgErr::win32

// The window side of qvmsg on Windows, part of the program: the library's windows are the Win32
// desktop's, and the scripted user acts on them with the window messages a person's mouse
// causes. A thread timer looks at the thread's windows from inside whichever modal loop runs.
#include "win32_picture.h"
#include "window_desk.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/win32.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace qvmsg {

namespace {

/// How often the scripted user looks at the windows shown.
constexpr UINT kLookMs = 50;

HWND hwndOf(qvMsgErr::platform::WindowHandle handle) {
    return reinterpret_cast<HWND>(handle);
}

std::wstring wide(const std::string& text) {
    std::wstring out(text.size(), L'\0');
    out.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                            static_cast<int>(out.size()))));
    return out;
}

std::string textOf(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                            static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

bool hasClass(HWND hwnd, const wchar_t* name) {
    wchar_t found[64] = {};
    GetClassNameW(hwnd, found, 64);
    return lstrcmpiW(found, name) == 0;
}

/// The system's message box is a dialog of the standard class.
bool isSystemBox(HWND hwnd) {
    return hasClass(hwnd, L"#32770");
}

/// A button or check box a user can press, as the shown window's child; group boxes are not.
std::optional<ShownControl> pressable(HWND child) {
    const auto type = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
    if (!hasClass(child, L"Button") || !IsWindowVisible(child) || !IsWindowEnabled(child) ||
        type == BS_GROUPBOX) {
        return std::nullopt;
    }
    const bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
    return ShownControl{textOf(child), box,
                        box && SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED, child};
}

class Win32ShownWindow final : public ShownWindow {
public:
    explicit Win32ShownWindow(HWND hwnd) : hwnd_(hwnd) {}

    std::string name() const override { return qvMsgErr::win32::formName(handle()); }
    bool systemBox() const override { return isSystemBox(hwnd_); }
    std::vector<ShownControl> controls() const override {
        std::vector<ShownControl> out;
        for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (auto control = pressable(c)) {
                out.push_back(*control);
            }
        }
        return out;
    }
    std::optional<ShownControl> button(const ControlRef& ref, int32_t number) const override {
        // The system box's buttons carry the answers' numbers as their ids (IDOK … IDNO).
        HWND b = systemBox()
                     ? GetDlgItem(hwnd_, number)
                     : hwndOf(qvMsgErr::win32::controlWindow(handle(), ref.name, ref.index));
        return b && IsWindowVisible(b) ? pressable(b) : std::nullopt;
    }
    void click(const ShownControl& c) override {
        SendMessageW(static_cast<HWND>(c.object), BM_CLICK, 0, 0);
    }
    void close() override { SendMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0); }
    bool shown() const override { return IsWindow(hwnd_) && IsWindowVisible(hwnd_); }
    void hide() override {
        if (systemBox()) {
            EndDialog(hwnd_, 0); // the system box's loop ends with its dialog only
        } else {
            ShowWindow(hwnd_, SW_HIDE);
        }
    }

private:
    qvMsgErr::platform::WindowHandle handle() const {
        return reinterpret_cast<qvMsgErr::platform::WindowHandle>(hwnd_);
    }
    HWND hwnd_;
};

/// The window the user acts on now: this thread's shown window (the library's, or the system's
/// box) that takes input; the owner of a modal window does not.
HWND shownWindow() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
            if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) &&
                (hasClass(hwnd, L"qvMsgErrForm") || isSystemBox(hwnd))) {
                *reinterpret_cast<HWND*>(data) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

class Win32Desk;
thread_local Win32Desk* g_desk = nullptr;

class Win32Desk final : public WindowDesk {
public:
    Win32Desk(const Invocation& inv, NumberOf numberOf)
        : WindowDesk(inv, std::move(numberOf), false) {
        qvMsgErr::win32::installDesktop();
        g_desk = this;
        timer_ = SetTimer(nullptr, 0, kLookMs, &Win32Desk::tick);
    }
    ~Win32Desk() override {
        KillTimer(nullptr, timer_);
        g_desk = nullptr;
    }
    Win32Desk(const Win32Desk&) = delete;
    Win32Desk& operator=(const Win32Desk&) = delete;

    void settleModeless() override {
        // The dialog lives on this thread's messages: handle them until it is gone.
        while (shownWindow() != nullptr) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kLookMs, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        if (g_desk != nullptr) {
            g_desk->look();
        }
    }

    /// Acts on the window shown now once it has painted: timers come after every paint of the
    /// thread (and, for a picture, once it has been up for --screenshot-after).
    void look() {
        HWND w = shownWindow();
        if (w == nullptr || w == done_ || GetUpdateRect(w, nullptr, FALSE)) {
            return;
        }
        if (w != seen_) {
            seen_ = w;
            shownAt_ = GetTickCount();
        }
        if (!screenshot_.empty() &&
            static_cast<int32_t>(GetTickCount() - shownAt_) < screenshotDelayMs_) {
            return;
        }
        done_ = w;
        if (!screenshot_.empty()) {
            pictureTaken(writePicture(w, wide(screenshot_)));
        }
        Win32ShownWindow shown(w);
        if (act(shown)) {
            done_ = nullptr; // the next step, once the window has painted what this one changed
        }
    }

    UINT_PTR timer_ = 0;
    HWND seen_ = nullptr, done_ = nullptr;
    DWORD shownAt_ = 0;
};

bool available(std::string* why) {
    return qvMsgErr::win32::windowSystemAvailable(why);
}

std::unique_ptr<Desk> start(char*, const Invocation& inv, NumberOf numberOf, bool) {
    return std::make_unique<Win32Desk>(inv, std::move(numberOf));
}

void stop() {
    qvMsgErr::setThreadDesktop(nullptr);
}

const WindowSide kSide{&available, &start, &stop};

} // namespace

const WindowSide* loadWindowSide(std::string&) {
    return &kSide;
}

} // namespace qvmsg

#include "win32_user.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qvMsgErr::win32test {

namespace {

HWND hwndOf(platform::Control& control) {
    auto* c = dynamic_cast<win32::Win32Control*>(&control);
    return c ? c->hwnd() : nullptr;
}

/// The centre of a control in its own window's client coordinates, and that window.
std::pair<HWND, LPARAM> target(platform::Window& window, platform::Control& control) {
    auto& w = dynamic_cast<win32::Win32Window&>(window);
    auto& c = dynamic_cast<win32::Win32Control&>(control);
    const RECT r = c.clientRect();
    if (c.hwnd()) {
        return {c.hwnd(), MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2)};
    }
    return {w.hwnd(), MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2)};
}

bool isButton(HWND hwnd) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    return lstrcmpiW(name, L"Button") == 0;
}

struct Watch {
    const wchar_t* windowClass;
    const std::function<void(HWND)>* user;
    bool ran = false;
    int waited = 0;
};
thread_local Watch* g_watch = nullptr;

HWND shownWindowOf(const wchar_t* windowClass) {
    struct Search {
        const wchar_t* windowClass;
        HWND found = nullptr;
    } search{windowClass};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, 64);
            if (IsWindowVisible(hwnd) && lstrcmpW(name, s->windowClass) == 0) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CALLBACK watchTimer(HWND, UINT, UINT_PTR id, DWORD) {
    Watch* watch = g_watch;
    if (!watch || watch->ran) {
        KillTimer(nullptr, id);
        return;
    }
    HWND shown = shownWindowOf(watch->windowClass);
    if (!shown && (watch->waited += 20) < 30000) {
        return;
    }
    KillTimer(nullptr, id);
    watch->ran = true;
    if (!shown) {
        ADD_FAILURE() << "no window came up";
        return;
    }
    (*watch->user)(shown);
    if (IsWindowVisible(shown)) {
        ADD_FAILURE() << "the user left the window shown";
        SendMessageW(shown, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageW(shown, WM_COMMAND, IDCANCEL, 0);
    }
}

} // namespace

void pump(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    for (DWORD now = GetTickCount(); static_cast<int>(end - now) > 0; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void whileShown(const wchar_t* windowClass, const std::function<void(HWND)>& user,
                const std::function<void()>& show) {
    Watch watch{windowClass, &user};
    Watch* outer = g_watch;
    g_watch = &watch;
    SetTimer(nullptr, 0, 20, watchTimer);
    show();
    g_watch = outer;
    EXPECT_TRUE(watch.ran) << "the modal display ended before the user came";
}

HWND captioned(HWND window, const std::wstring& caption) {
    struct Search {
        const std::wstring& caption;
        HWND found = nullptr;
    } search{caption};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (IsWindowVisible(child) && win32::windowText(child) == win32::narrow(s->caption)) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool clickInTurn(const std::vector<std::wstring>& captions) {
    for (const std::wstring& caption : captions) {
        struct Search {
            const std::wstring& caption;
            HWND found = nullptr;
        } search{caption};
        for (int waited = 0; !search.found && waited < 30000; waited += 50) {
            Sleep(50);
            EnumWindows(
                [](HWND top, LPARAM data) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(data);
                    s->found = IsWindowVisible(top) ? captioned(top, s->caption) : nullptr;
                    return s->found == nullptr;
                },
                reinterpret_cast<LPARAM>(&search));
        }
        if (!search.found) {
            return false;
        }
        // Posted: the click may open a modal box in the other program, which a sent message
        // would wait for.
        PostMessageW(search.found, BM_CLICK, 0, 0);
    }
    return true;
}

std::vector<DialogButton> buttonsOf(HWND dialog) {
    std::vector<DialogButton> buttons;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        // The style, not IsWindowVisible: a box not shown yet has its buttons too.
        if (isButton(child) && (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) {
            buttons.push_back({child, GetDlgCtrlID(child), win32::windowText(child)});
        }
    }
    std::stable_sort(buttons.begin(), buttons.end(), [](const auto& a, const auto& b) {
        RECT ra{}, rb{};
        GetWindowRect(a.hwnd, &ra);
        GetWindowRect(b.hwnd, &rb);
        return ra.left < rb.left;
    });
    return buttons;
}

void Win32User::click(const std::string& name, int16_t index) {
    auto& control = window_.control(name, index);
    const auto [hwnd, at] = target(window_, control);
    if (isButton(hwnd)) {
        SendMessageW(hwnd, BM_CLICK, 0, 0);
        return;
    }
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
}

void Win32User::keyDown(int16_t keyCode, int16_t shift) {
    BYTE before[256] = {}, pressed[256] = {};
    GetKeyboardState(before);
    std::copy(std::begin(before), std::end(before), std::begin(pressed));
    pressed[VK_SHIFT] = (shift & platform::kShift) ? 0x80 : 0;
    pressed[VK_CONTROL] = (shift & platform::kCtrl) ? 0x80 : 0;
    pressed[VK_MENU] = (shift & platform::kAlt) ? 0x80 : 0;
    SetKeyboardState(pressed);
    HWND focus = GetFocus();
    if (!focus) {
        focus = dynamic_cast<win32::Win32Window&>(window_).hwnd();
    }
    const bool alt = (shift & platform::kAlt) != 0;
    const auto key = static_cast<WPARAM>(keyCode);
    SendMessageW(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, alt ? 0x20000001 : 1);
    if (IsWindow(focus)) {
        SendMessageW(focus, alt ? WM_SYSKEYUP : WM_KEYUP, key, alt ? 0xE0000001 : 0xC0000001);
    }
    SetKeyboardState(before);
}

void Win32User::mouseMove(const std::string& name, int16_t index) {
    const auto [hwnd, at] = target(window_, window_.control(name, index));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, at);
}

void Win32User::tick(const std::string& name, bool ticked) {
    if ((window_.control(name).value() == 1) != ticked) {
        click(name);
    }
}

void Win32User::close() {
    SendMessageW(dynamic_cast<win32::Win32Window&>(window_).hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void Win32User::advanceSeconds(int32_t seconds) {
    pump(seconds * 1000 + 250);
}

void Win32User::typeText(const std::string& name, const std::string& text) {
    HWND area = hwndOf(window_.control(name));
    SetFocus(area);
    SendMessageW(area, EM_SETSEL, 0, -1);
    SendMessageW(area, WM_CHAR, VK_BACK, 1);
    for (const wchar_t c : win32::wide(text)) {
        SendMessageW(area, WM_CHAR, c, 1);
    }
}

} // namespace qvMsgErr::win32test

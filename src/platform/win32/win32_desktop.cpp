// The Win32 desktop: windows, the system message box, sounds, help, and the environment.
#include "platform/win32/win32_desktop_p.h"

#include "platform/design.h"
#include "platform/files.h"
#include "platform/utf8.h"
#include "platform/win32_module.h"
#include "platform/window_system.h"
#include "support/texts.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/win32.h>

#include <shellapi.h>

#include <algorithm>
#include <cmath>

namespace qvMsgErr::win32 {

namespace {

/// Windows a person can see: the process's window station shows its windows (a service's does
/// not).
bool visibleWindowStation(std::string* why) {
    USEROBJECTFLAGS flags{};
    if (HWINSTA station = GetProcessWindowStation();
        station && GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
        (flags.dwFlags & WSF_VISIBLE) == 0) {
        *why = "the program runs in a window station that nobody sees (a service)";
        return false;
    }
    return true;
}

std::string envText(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return narrow(value);
}

/// The help file of the system box's Help button, and the context it shows.
struct BoxHelp {
    Win32Desktop* desktop;
    std::string file;
    int32_t context;
};
thread_local BoxHelp* g_boxHelp = nullptr;

void CALLBACK boxHelpCallback(LPHELPINFO) {
    if (BoxHelp* help = g_boxHelp) {
        help->desktop->showHelp(help->file, help->context != 0 ? 1 : 3, help->context);
    }
}

std::string localeText(bool date, DWORD flags, const SYSTEMTIME& when) {
    wchar_t buffer[256] = {};
    const int length =
        date
            ? GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, flags, &when, nullptr, buffer, 256, nullptr)
            : GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, flags, &when, nullptr, buffer, 256);
    return length > 0 ? narrow(std::wstring(buffer, static_cast<std::size_t>(length - 1)))
                      : std::string();
}

} // namespace

HINSTANCE moduleInstance() {
    static const HINSTANCE module = platform::libraryModule();
    return module;
}

HWND dialogOwner() {
    return GetActiveWindow();
}

Win32Desktop::Win32Desktop(const std::vector<std::string>& languages) {
    chooseCatalogue(languages);
    // Windows made by this thread from now on follow each screen's DPI. Known from Windows 10
    // on; before that the system scales them as it does every window.
    using SetAwarenessFn = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    static const auto setAwareness = reinterpret_cast<SetAwarenessFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
    if (setAwareness) {
        setAwareness(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    }
}

std::unique_ptr<platform::Window> Win32Desktop::createWindow(const platform::FormDesign& design) {
    std::array<std::string, 5> pictureNames;
    for (std::size_t i = 1; i < pictureNames.size(); ++i) {
        pictureNames[i] = translate(
            texts::kMessageBox, platform::pictureMeaning(static_cast<platform::StockPicture>(i)));
    }
    return std::make_unique<Win32Window>(design, rightToLeft_, std::move(pictureNames));
}

int32_t Win32Desktop::systemMessageBox(const std::string& prompt, int32_t flags,
                                       const std::string& title, const std::string& helpFile,
                                       int32_t context) {
    const std::wstring text = wide(prompt);
    const std::wstring caption = wide(title.empty() ? applicationTitle() : title);
    MSGBOXPARAMSW params{};
    params.cbSize = sizeof params;
    params.hwndOwner = dialogOwner();
    params.lpszText = text.c_str();
    params.lpszCaption = caption.c_str();
    // The button set is bits 0-2; the system reads bit 3 as part of it too, and systems differ
    // over the sets that name no buttons (one refuses them, another shows every button it
    // knows). Those offer OK alone, as on every desktop of the library.
    const int32_t set = flags & 0x7;
    params.dwStyle = static_cast<DWORD>((flags & ~0xF) | (set == 7 ? 0 : set));
    params.dwContextHelpId = static_cast<DWORD_PTR>(static_cast<uint32_t>(context));
    params.lpfnMsgBoxCallback = boxHelpCallback;
    // The Help button asks this thread's owner window for help; with the callback the box
    // itself shows the file, even where it has no owner.
    BoxHelp help{this, helpFile, context};
    BoxHelp* outer = g_boxHelp;
    g_boxHelp = &help;
    const int answer = MessageBoxIndirectW(&params);
    g_boxHelp = outer;
    if (answer == 0) {
        throw RunTimeError(err::InvalidCall,
                           "The system message box refused the flags " + std::to_string(flags));
    }
    return answer;
}

void Win32Desktop::beep(int32_t soundType) {
    // The icon flags name the system's sounds; anything else is the default sound.
    const bool named = soundType == platform::BeepCritical || soundType == platform::BeepQuestion ||
                       soundType == platform::BeepExclamation ||
                       soundType == platform::BeepInformation;
    MessageBeep(named ? static_cast<UINT>(soundType) : MB_OK);
}

bool Win32Desktop::setTopmost(platform::WindowHandle window, bool topmost) {
    Win32Window* w = Win32Window::byHandle(window);
    return w && w->setTopmost(topmost);
}

void Win32Desktop::showHelp(const std::string& helpFile, int32_t command, int32_t context) {
    if (helpFile.empty()) {
        return;
    }
    const std::wstring file = wide(helpFile);
    const bool compiled =
        file.size() > 4 && lstrcmpiW(file.c_str() + file.size() - 4, L".chm") == 0;
    if (compiled) {
        // The compiled help viewer is loaded when help is first asked for, not with every program.
        using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
        static const auto htmlHelp = [] {
            HMODULE viewer = LoadLibraryW(L"hhctrl.ocx");
            return viewer ? reinterpret_cast<HtmlHelpFn>(
                                reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpW")))
                          : nullptr;
        }();
        constexpr UINT kDisplayToc = 0x0001, kHelpContext = 0x000F;
        if (htmlHelp &&
            htmlHelp(dialogOwner(), file.c_str(), command == 1 ? kHelpContext : kDisplayToc,
                     static_cast<DWORD_PTR>(static_cast<uint32_t>(context))) != nullptr) {
            return;
        }
    } else if (WinHelpW(dialogOwner(), file.c_str(), command == 1 ? HELP_CONTEXT : HELP_CONTENTS,
                        static_cast<ULONG_PTR>(static_cast<uint32_t>(context)))) {
        return;
    }
    shellOpen(helpFile); // no viewer for it: the file as the shell opens it
}

float Win32Desktop::screenWidth() const {
    return toTwips(GetSystemMetrics(SM_CXSCREEN), dpiOf(nullptr));
}

float Win32Desktop::screenHeight() const {
    return toTwips(GetSystemMetrics(SM_CYSCREEN), dpiOf(nullptr));
}

std::string Win32Desktop::applicationTitle() const {
    const std::wstring path = platform::modulePath(nullptr);
    std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    if (const auto dot = name.find_last_of(L'.'); dot != std::wstring::npos && dot > 0) {
        name.resize(dot);
    }
    return narrow(name);
}

std::string Win32Desktop::componentDirectory() const {
    if (std::string dir = envText(L"QVMSGERR_COMPONENT_DIR"); !dir.empty()) {
        return dir;
    }
    return platform::libraryDirectory();
}

std::string Win32Desktop::currentDirectory() const {
    std::wstring dir(GetCurrentDirectoryW(0, nullptr), L'\0');
    dir.resize(GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data()));
    return narrow(dir);
}

std::string Win32Desktop::dateTimeText(platform::DateFormat format) const {
    SYSTEMTIME now;
    GetLocalTime(&now);
    switch (format) {
    case platform::DateFormat::GeneralDate:
        return localeText(true, DATE_SHORTDATE, now) + " " + localeText(false, 0, now);
    case platform::DateFormat::LongDate:
        return localeText(true, DATE_LONGDATE, now);
    case platform::DateFormat::ShortTime:
        // Forced to 24 hours, the system still writes the AM/PM marker unless told not to.
        return localeText(false, TIME_NOSECONDS | TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, now);
    }
    return {};
}

void Win32Desktop::saveFile(const std::string& path, const std::string& bytes) {
    platform::replaceFile(path, bytes);
}

void Win32Desktop::shellOpen(const std::string& target) {
    // The string as it is, to the shell's open action: a mailto: address reaches the mail
    // program byte for byte. A missing handler is no error of ours.
    ShellExecuteW(dialogOwner(), L"open", wide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32Desktop::copyText(const std::string& text) {
    std::wstring copied = withCrLf(wide(text));
    // The clipboard's text ends at its first NUL: one in the message shows as its picture, so
    // that the rest of the message is copied too.
    std::replace(copied.begin(), copied.end(), L'\0',
                 static_cast<wchar_t>(platform::controlPicture(0)));
    if (!OpenClipboard(nullptr)) {
        return;
    }
    EmptyClipboard();
    const std::size_t bytes = (copied.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* to = GlobalLock(memory)) {
            CopyMemory(to, copied.c_str(), bytes);
            GlobalUnlock(memory);
            if (!SetClipboardData(CF_UNICODETEXT, memory)) {
                GlobalFree(memory);
            }
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

platform::TextExtent Win32Desktop::measureCaption(const std::string& caption,
                                                  const platform::Font& font,
                                                  float wrapWidth) const {
    const UINT dpi = dpiOf(nullptr);
    HFONT hfont = makeFont(font, dpi);
    HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, hfont);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const std::wstring text = shownPart(caption);
    // As a button draws its caption: "&" marks the access key, long words break where the line
    // is full.
    RECT r{0, 0, wrapWidth > 0 ? std::max(1, toPixels(wrapWidth, dpi)) : 0, 0};
    UINT format = DT_CALCRECT | DT_LEFT;
    if (wrapWidth > 0) {
        format |= DT_WORDBREAK | DT_EDITCONTROL;
    }
    if (!text.empty()) {
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(hfont);
    return {toTwips(r.right - r.left, dpi),
            toTwips(std::max<int>(r.bottom - r.top, metrics.tmHeight), dpi)};
}

} // namespace qvMsgErr::win32

namespace qvMsgErr::platform {

bool startWin32Desktop(std::shared_ptr<Desktop>* out, std::string* why) {
    if (!win32::visibleWindowStation(why)) {
        return false;
    }
    *out = std::make_shared<win32::Win32Desktop>();
    return true;
}

} // namespace qvMsgErr::platform

namespace qvMsgErr::win32 {

bool windowSystemAvailable(std::string* why) {
    std::string reason;
    const bool available = visibleWindowStation(&reason);
    if (why) {
        *why = reason;
    }
    return available;
}

void installDesktop() {
    std::shared_ptr<platform::Desktop> desktop;
    std::string why;
    if (!platform::startWin32Desktop(&desktop, &why)) {
        throw RunTimeError(err::NoWindows, "qvMsgErr cannot show a window here: " + why);
    }
    setThreadDesktop(std::move(desktop));
}

std::string formName(platform::WindowHandle window) {
    const Win32Window* w = Win32Window::byHandle(window);
    return w ? w->design().name : std::string();
}

platform::WindowHandle controlWindow(platform::WindowHandle window, const std::string& name,
                                     int16_t index) {
    const Win32Window* w = Win32Window::byHandle(window);
    const Win32Control* c = w ? w->find(name, index) : nullptr;
    return c ? reinterpret_cast<platform::WindowHandle>(c->hwnd()) : 0;
}

} // namespace qvMsgErr::win32

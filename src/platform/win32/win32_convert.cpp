// What the Win32 desktop converts: text between UTF-8 and UTF-16, colours, fonts, DPI and keys.
#include "platform/utf16.h"
#include "platform/win32/win32_desktop_p.h"

#include <cctype>
#include <cmath>

namespace qvMsgErr::win32 {

std::wstring wide(const std::string& text) {
    const std::u16string units = platform::toUtf16Replaced(text);
    return {units.begin(), units.end()};
}

std::string narrow(const std::wstring& text) {
    return platform::fromUtf16({reinterpret_cast<const char16_t*>(text.data()), text.size()});
}

std::string windowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return narrow(text);
}

std::wstring withCrLf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            out += L"\r\n";
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                ++i;
            }
        } else {
            out += text[i];
        }
    }
    return out;
}

std::wstring shownPart(const std::string& caption) {
    std::wstring text = wide(caption);
    if (text.size() > kShownCharacters) {
        std::size_t end = kShownCharacters;
        if (IS_HIGH_SURROGATE(text[end - 1])) {
            --end;
        }
        text.resize(end);
        text += L'\u2026';
    }
    return text;
}

COLORREF toColorRef(int32_t color) {
    if (color < 0) {
        return GetSysColor(color & 0xFF);
    }
    return static_cast<COLORREF>(color & 0xFFFFFF);
}

LOGFONTW messageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        LOGFONTW fallback{};
        fallback.lfHeight = -11; // 8 pt at 96 dpi
        lstrcpyW(fallback.lfFaceName, L"Tahoma");
        metrics.lfMessageFont = fallback;
    }
    LOGFONTW font = metrics.lfMessageFont;
    // The metrics are in pixels of the system's DPI; the window may be on a screen of another.
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(dpiOf(nullptr)));
    return font;
}

HFONT makeFont(const platform::Font& font, UINT dpi) {
    const float size = font.size > 0 ? font.size : platform::kReferenceFontSize;
    LOGFONTW lf{};
    if (font.name.empty()) {
        lf = messageFont(dpi);
        lf.lfHeight = static_cast<LONG>(
            std::lround(static_cast<float>(lf.lfHeight) * size / platform::kReferenceFontSize));
    } else {
        lf.lfHeight = -static_cast<LONG>(std::lround(size * static_cast<float>(dpi) / 72.0f));
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = CLEARTYPE_QUALITY;
        const std::wstring name = wide(font.name).substr(0, LF_FACESIZE - 1);
        std::copy(name.begin(), name.end(), lf.lfFaceName);
    }
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    return CreateFontIndirectW(&lf);
}

UINT dpiOf(HWND hwnd) {
    // Per-window DPI is known from Windows 10 on; before that every window has the system's.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (hwnd && getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(hwnd); dpi > 0) {
            return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int toPixels(float twips, UINT dpi) {
    const double pixels = std::round(twips / twipsPerPixel(dpi));
    return static_cast<int>(std::clamp(pixels, -1e9, 1e9));
}

float toTwips(int pixels, UINT dpi) {
    return static_cast<float>(pixels * twipsPerPixel(dpi));
}

int16_t shiftState() {
    int16_t shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        shift |= platform::kShift;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        shift |= platform::kCtrl;
    }
    if (GetKeyState(VK_MENU) < 0) {
        shift |= platform::kAlt;
    }
    return shift;
}

wchar_t accessKey(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') {
            continue;
        }
        const auto next = static_cast<unsigned char>(caption[i + 1]);
        if (next == '&') {
            ++i;
            continue;
        }
        return std::isalnum(next) ? static_cast<wchar_t>(std::toupper(next)) : 0;
    }
    return 0;
}

} // namespace qvMsgErr::win32

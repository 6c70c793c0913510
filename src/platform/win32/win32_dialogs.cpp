// The system's common dialogs of the Win32 desktop: saving a file, choosing a printer, and
// printing a formatted document with GDI.
#include "platform/win32/win32_desktop_p.h"

#include <commdlg.h>

#include <algorithm>
#include <cmath>

namespace qvMsgErr::win32 {

namespace {

/// "Text (*.txt)|*.txt|All|*.*" as the dialog's list of NUL-separated pairs.
std::wstring filterList(const std::string& filter) {
    std::wstring list = wide(filter);
    std::replace(list.begin(), list.end(), L'|', L'\0');
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

std::wstring extensionOf(const std::wstring& path) {
    const std::size_t name = path.find_last_of(L"\\/:");
    const std::size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || (name != std::wstring::npos && dot < name)) {
        return {};
    }
    return path.substr(dot + 1);
}

/// A page being printed: where the next word goes, and turning pages when it is full.
class Page {
public:
    explicit Page(HDC dc) : dc_(dc) {
        const int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
        // An inch of margin around the text, or less on a small page.
        marginX_ = std::min(dpiX, GetDeviceCaps(dc, HORZRES) / 8);
        marginY_ = std::min(dpiY, GetDeviceCaps(dc, VERTRES) / 8);
        right_ = GetDeviceCaps(dc, HORZRES) - marginX_;
        bottom_ = GetDeviceCaps(dc, VERTRES) - marginY_;
        dpiX_ = dpiX;
        y_ = marginY_;
        start();
    }

    void start() {
        if (StartPage(dc_) <= 0) {
            throw RunTimeError(err::PrinterError);
        }
    }

    /// Starts a new line indented by `indent` twips.
    void newLine(float indent) {
        y_ += lineHeight_;
        lineHeight_ = 0;
        indentTo(indent);
    }

    /// Indents the line by `indent` twips where nothing is written on it yet: a run that begins
    /// a paragraph indents all of it, its first line too.
    void indentEmptyLine(float indent) {
        if (x_ == left_) {
            indentTo(indent);
        }
    }

    /// Writes `word` (with the spaces after it) in the font selected now.
    void write(const std::wstring& word) {
        SIZE size{};
        GetTextExtentPoint32W(dc_, word.c_str(), static_cast<int>(word.size()), &size);
        if (x_ > left_ && x_ + size.cx > right_) {
            y_ += lineHeight_;
            lineHeight_ = 0;
            x_ = left_;
        }
        if (y_ + size.cy > bottom_ && y_ > marginY_) {
            if (EndPage(dc_) <= 0) {
                throw RunTimeError(err::PrinterError);
            }
            start();
            y_ = marginY_;
        }
        TextOutW(dc_, x_, y_, word.c_str(), static_cast<int>(word.size()));
        x_ += size.cx;
        lineHeight_ = std::max<int>(lineHeight_, size.cy);
    }

    void indentTo(float indent) {
        left_ = marginX_ + static_cast<int>(std::lround(indent * static_cast<float>(dpiX_) / 1440));
        x_ = left_;
    }

    void finish() {
        if (EndPage(dc_) <= 0) {
            throw RunTimeError(err::PrinterError);
        }
    }

private:
    HDC dc_;
    int marginX_ = 0, marginY_ = 0, right_ = 0, bottom_ = 0, dpiX_ = 96;
    int left_ = 0, x_ = 0, y_ = 0, lineHeight_ = 0;
};

void printRuns(HDC dc, const platform::FormattedDocument& doc) {
    Page page(dc);
    bool lineStart = true;
    for (const auto& run : doc) {
        platform::Font f{run.fontName, run.fontSize > 0 ? run.fontSize : 12, run.bold};
        HFONT font = makeFont(f, static_cast<UINT>(GetDeviceCaps(dc, LOGPIXELSY)));
        const HGDIOBJ old = SelectObject(dc, font);
        const std::wstring text = wide(run.text);
        std::size_t i = 0;
        try {
            if (lineStart) {
                page.newLine(run.leftIndent);
            } else {
                page.indentEmptyLine(run.leftIndent);
            }
            while (i < text.size()) {
                if (text[i] == L'\r' || text[i] == L'\n') {
                    i += (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ? 2 : 1;
                    page.newLine(run.leftIndent);
                    continue;
                }
                std::size_t end = text.find_first_of(L" \r\n", i);
                end = end == std::wstring::npos ? text.size() : end;
                while (end < text.size() && text[end] == L' ') {
                    ++end;
                }
                page.write(text.substr(i, end - i));
                i = end;
            }
        } catch (...) {
            SelectObject(dc, old);
            DeleteObject(font);
            throw;
        }
        lineStart = false;
        SelectObject(dc, old);
        DeleteObject(font);
    }
    page.finish();
}

} // namespace

platform::SaveDialogResult Win32Desktop::chooseSaveFile(const platform::SaveDialogSettings& s) {
    const std::wstring filter = filterList(s.filter), title = wide(s.title);
    const std::wstring directory = wide(s.initialDirectory), extension = wide(s.defaultExtension);
    std::wstring file = wide(s.fileName);
    file.resize(std::max<std::size_t>(file.size() + 1, 32768), L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = dialogOwner();
    dialog.lpstrFilter = s.filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(std::max<int16_t>(s.filterIndex, 1));
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.Flags = static_cast<DWORD>(s.flags) | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) {
        return {};
    }
    file.resize(file.find(L'\0'));
    platform::SaveDialogResult result;
    result.cancelled = false;
    result.path = narrow(file);
    result.extensionDiffers = lstrcmpiW(extensionOf(file).c_str(), extension.c_str()) != 0;
    return result;
}

platform::PrinterChoice Win32Desktop::choosePrinter(int32_t flags) {
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = dialogOwner();
    // The caller's flags choose what the dialog offers; the handles it returns are freed here.
    dialog.Flags = static_cast<DWORD>(flags) & ~static_cast<DWORD>(PD_RETURNDC | PD_RETURNIC);
    if (!PrintDlgW(&dialog)) {
        return {true, {}};
    }
    platform::PrinterChoice choice{true, {}};
    if (dialog.hDevNames) {
        if (const auto* names = static_cast<const DEVNAMES*>(GlobalLock(dialog.hDevNames))) {
            const auto* base = reinterpret_cast<const wchar_t*>(names);
            choice = {false, narrow(base + names->wDeviceOffset)};
            GlobalUnlock(dialog.hDevNames);
        }
        GlobalFree(dialog.hDevNames);
    }
    if (dialog.hDevMode) {
        GlobalFree(dialog.hDevMode);
    }
    return choice;
}

void Win32Desktop::printDocument(const platform::PrinterChoice& printer,
                                 const platform::FormattedDocument& doc) {
    HDC dc = printer.printer.empty()
                 ? nullptr
                 : CreateDCW(L"WINSPOOL", wide(printer.printer).c_str(), nullptr, nullptr);
    if (!dc) {
        throw RunTimeError(err::PrinterError);
    }
    DOCINFOW info{};
    info.cbSize = sizeof info;
    info.lpszDocName = L"qvMsgErr";
    try {
        if (StartDocW(dc, &info) <= 0) {
            throw RunTimeError(err::PrinterError);
        }
        printRuns(dc, doc);
        if (EndDoc(dc) <= 0) {
            throw RunTimeError(err::PrinterError);
        }
    } catch (...) {
        AbortDoc(dc);
        DeleteDC(dc);
        throw;
    }
    DeleteDC(dc);
}

} // namespace qvMsgErr::win32

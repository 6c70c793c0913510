// A window as it shows, written as PNG with GDI+: qvmsg's --screenshot, and the pictures the
// native desktop's tests take.
#include "win32_picture.h"

#include <gdiplus.h>

#include <filesystem>

namespace qvmsg {

/// The client area of `hwnd` as it shows now, written to `file` as PNG.
bool writePicture(HWND hwnd, const std::wstring& file) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT r{};
    GetClientRect(hwnd, &r);
    HDC window = GetDC(hwnd);
    HDC memory = CreateCompatibleDC(window);
    HBITMAP bitmap = CreateCompatibleBitmap(window, r.right, r.bottom);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    // A window laid out right to left has a mirrored DC: copied into one mirrored the same way,
    // the picture keeps what the screen shows instead of its mirror image.
    SetLayout(memory, GetLayout(window));
    // What the window and its controls drew, read back from its surface: the window paints its
    // surface in WM_PAINT only, so WM_PRINT (PrintWindow) would leave out its background and icon.
    BitBlt(memory, 0, 0, r.right, r.bottom, window, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(hwnd, window);

    const std::filesystem::path path(file);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::absolute(path, ec).parent_path(), ec);
    ULONG_PTR token = 0;
    const Gdiplus::GdiplusStartupInput input;
    bool written = false;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
        Gdiplus::GpBitmap* image = nullptr;
        if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) ==
            Gdiplus::Ok) {
            const CLSID png = {
                0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
            written = Gdiplus::DllExports::GdipSaveImageToFile(image, path.c_str(), &png,
                                                               nullptr) == Gdiplus::Ok;
            Gdiplus::DllExports::GdipDisposeImage(image);
        }
        Gdiplus::GdiplusShutdown(token);
    }
    DeleteObject(bitmap);
    return written;
}

} // namespace qvmsg

// A window as it shows, written as PNG.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace qvmsg {

/// The client area of `hwnd` as it shows now, written to `file` as PNG (its folder made where
/// missing); false when it could not be written.
bool writePicture(HWND hwnd, const std::wstring& file);

} // namespace qvmsg

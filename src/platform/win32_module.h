// The DLL (or, linked statically, the program) that the library's code lives in: its handle, for
// the window classes and resources it registers, and its path, for registration and the
// component's directory.
#pragma once

#include <windows.h>

#include <string>

namespace qvMsgErr::platform {

HMODULE libraryModule();
/// The full path of `module` (nullptr: the program), or empty when the system cannot say.
std::wstring modulePath(HMODULE module);
/// The full path of libraryModule().
inline std::wstring libraryPath() {
    return modulePath(libraryModule());
}

} // namespace qvMsgErr::platform

// The Win32 desktop's tests: GoogleTest's main, after telling Wine's X11 driver, where the tests
// run under it, to leave the windows to itself. A virtual X server has no window manager, and a
// managed window that hides waits two seconds for one to confirm it.
//
// Started as `--record-to FILE ARGUMENT`, the program is the handler the shell starts for a
// target (an e-mail address): it writes the argument it was given to FILE, in UTF-8, and ends.
// Started as `--click CAPTION…`, it is a user of another program's windows: it clicks the
// captions in turn as they come up (a script's messages), and fails when one never does.
#include "win32_user.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count == 4 && lstrcmpW(args[1], L"--record-to") == 0) {
        const int bytes =
            WideCharToMultiByte(CP_UTF8, 0, args[3], -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<std::size_t>(bytes), '\0');
        WideCharToMultiByte(CP_UTF8, 0, args[3], -1, text.data(), bytes, nullptr, nullptr);
        HANDLE file = CreateFileW(args[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(bytes - 1), &written, nullptr);
        CloseHandle(file);
        return 0;
    }
    if (count >= 3 && lstrcmpW(args[1], L"--click") == 0) {
        return qvMsgErr::win32test::clickInTurn({args + 2, args + count}) ? 0 : 1;
    }
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        const wchar_t no[] = L"N";
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", L"Managed", REG_SZ, no,
                        sizeof no);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

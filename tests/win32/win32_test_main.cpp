// The Win32 desktop's tests: GoogleTest's main, after telling Wine's X11 driver, where the tests
// run under it, to leave the windows to itself. A virtual X server has no window manager, and a
// managed window that hides waits two seconds for one to confirm it.
#include <gtest/gtest.h>

#include <windows.h>

int main(int argc, char** argv) {
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        const wchar_t no[] = L"N";
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", L"Managed", REG_SZ, no,
                        sizeof no);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

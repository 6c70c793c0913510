// The Win32 desktop with real windows: the shared form checks driven by window messages, the save
// dialog, and the system's own message box found through its window and answered by clicking its
// buttons.
#include "win32_user.h"

#include "error/report.h"
#include "platform/system_box.h"
#include "raised.h"

#include <gtest/gtest.h>

#include <thread>
#include <tuple>

namespace qvMsgErr::win32test {
namespace {

constexpr wchar_t kSystemBox[] = L"#32770";

TEST(Win32Desktop, PassesTheSharedWindowChecks) {
    win32::Win32Desktop desktop;
    testform::runSharedWindowChecks(desktop);
}

TEST(Win32Desktop, PassesTheSharedFormScriptDrivenByWindowMessages) {
    win32::Win32Desktop desktop;
    auto window = desktop.createWindow(testform::testFormDesign());
    testform::TestFormLogic logic(*window);
    window->setHandler(&logic);
    Win32User user(*window);
    whileShown(
        L"qvMsgErrForm", [&](HWND) { testform::runSharedFormScript(*window, user, logic); },
        [&] { window->showModal(); });
    EXPECT_FALSE(window->isVisible());
}

TEST(Win32Desktop, AWindowMovedToAScreenOfAnotherDpiLaysItselfOutAgain) {
    win32::Win32Desktop desktop;
    auto window = desktop.createWindow(testform::testFormDesign());
    auto& w = dynamic_cast<win32::Win32Window&>(*window);
    w.showModeless();
    RECT outer{};
    GetWindowRect(w.hwnd(), &outer);
    SendMessageW(w.hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&outer));
    RECT button{}, client{};
    GetWindowRect(dynamic_cast<win32::Win32Control&>(w.control("cmdCancel")).hwnd(), &button);
    MapWindowPoints(nullptr, w.hwnd(), reinterpret_cast<POINT*>(&button), 2);
    GetClientRect(w.hwnd(), &client);
    // 1440 / 192 = 7.5 twips a pixel: the button at 4560, 1320 wide; the client area 6000 wide.
    EXPECT_EQ(std::tuple(button.left, button.right - button.left, client.right),
              std::tuple(608, 176, 800));
    EXPECT_NEAR(w.scaleWidth(), 6000, 15) << "the logic's twips stay";
    window->unload();
}

// The system's save dialog, answered by typing a name into it: each row the name typed and what
// the dialog answers (the default extension added to a name without one).
TEST(Win32Desktop, SaveDialogAnswersTheNameTypedWithTheDefaultExtension) {
    win32::Win32Desktop desktop;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::string dir = win32::narrow(temp);
    for (const auto& [typed, path, differs] :
         {std::tuple{"report", "report.txt", false}, {"report.rtf", "report.rtf", true}}) {
        platform::SaveDialogSettings settings;
        settings.title = "Save the report";
        settings.filter = "Text Files (*.txt)|*.txt|Rich Text Files (*.rtf)|*.rtf";
        settings.initialDirectory = dir;
        settings.defaultExtension = "txt";
        platform::SaveDialogResult result;
        whileShown(
            kSystemBox,
            [&, typed = typed](HWND dialog) {
                SetDlgItemTextW(dialog, 0x47C, win32::wide(typed).c_str()); // the name box
                SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                pump(300);
            },
            [&] { result = desktop.chooseSaveFile(settings); });
        EXPECT_FALSE(result.cancelled);
        EXPECT_TRUE(result.path.ends_with(std::string("\\") + path)) << result.path;
        EXPECT_EQ(result.extensionDiffers, differs) << result.path;
    }
}

// Each button of each set, clicked on the box as shown (which buttons a box offers, every flag
// word's, is the sweep's below).
TEST(Win32Desktop, SystemBoxAnswersTheButtonClicked) {
    win32::Win32Desktop desktop;
    for (int32_t flags = 0; flags <= 6; ++flags) {
        for (const int32_t wanted : platform::systemBoxAnswers(flags)) {
            int32_t answer = 0;
            whileShown(
                kSystemBox,
                [&](HWND box) { SendMessageW(GetDlgItem(box, wanted), BM_CLICK, 0, 0); },
                [&] { answer = desktop.systemMessageBox("Which one?", flags, "qvMsgErr", "", 0); });
            EXPECT_EQ(answer, wanted) << "flags " << flags;
        }
    }
}

// The e-mail report as the shell hands it to the mail program registered for mailto: (this
// test program, recording what it was given): one argument, byte for byte, whatever the report
// holds. A printer that is not there fails with error 482.
TEST(Win32Desktop, ShellHandsTheMailProgramTheWholeAddressAndAMissingPrinterFails) {
    wchar_t program[MAX_PATH] = {}, temp[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    GetTempPathW(MAX_PATH, temp);
    const std::wstring record = std::wstring(temp) + L"qvmsgerr-mailto.txt";
    const std::wstring command =
        L"\"" + std::wstring(program) + L"\" --record-to \"" + record + L"\" \"%1\"";
    // The mail program of the classes every user sees, put back afterwards.
    constexpr wchar_t kOpen[] = L"mailto\\shell\\open\\command";
    std::wstring before(1024, L'\0');
    DWORD size = static_cast<DWORD>(before.size() * sizeof(wchar_t));
    RegGetValueW(HKEY_CLASSES_ROOT, kOpen, nullptr, RRF_RT_REG_SZ, nullptr, before.data(), &size);
    before.resize(before.find(L'\0'));
    const auto setOpen = [&](const std::wstring& line) {
        return RegSetKeyValueW(HKEY_CLASSES_ROOT, kOpen, nullptr, REG_SZ, line.c_str(),
                               static_cast<DWORD>((line.size() + 1) * sizeof(wchar_t)));
    };
    ASSERT_EQ(setOpen(command), ERROR_SUCCESS);
    DeleteFileW(record.c_str());
    const std::string address =
        error::mailtoAddress("help@ledger.example", "Ledger \"2\"",
                             "Error 75 & more: 100% \xC3\xA9"
                             "chou\xC3\xA9 \xE2\x80\x94 C:\\Ledger\r\nat Save > Write");
    win32::Win32Desktop desktop;
    desktop.shellOpen(address);
    std::string received;
    for (int waited = 0; waited < 20000 && received.empty(); waited += 100) {
        pump(100);
        HANDLE file = CreateFileW(record.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        char buffer[8192];
        DWORD read = 0;
        if (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof buffer, &read, nullptr)) {
            received.assign(buffer, read);
        }
        CloseHandle(file);
    }
    setOpen(before);
    EXPECT_EQ(received, address);
    EXPECT_EQ(testing::raised([&] {
                  desktop.printDocument({false, "No Such Printer"}, {});
              }).Number,
              482);
}

/// Ends each system box as it comes up, before it is shown, with its first button, and keeps
/// the answers its buttons offer. Showing all 65,536 boxes would take the suite three quarters of
/// an hour under Wine; the boxes clicked for real are the ones of the test above.
struct UnshownBoxes {
    static inline thread_local std::vector<int>* offered = nullptr;
    HHOOK hook =
        SetWindowsHookExW(WH_CALLWNDPROCRET, &UnshownBoxes::ended, nullptr, GetCurrentThreadId());
    ~UnshownBoxes() { UnhookWindowsHookEx(hook); }

    static LRESULT CALLBACK ended(int code, WPARAM wparam, LPARAM lparam) {
        const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
        if (code == HC_ACTION && m->message == WM_INITDIALOG && offered) {
            offered->clear();
            for (const auto& b : buttonsOf(m->hwnd)) {
                offered->push_back(b.id);
            }
            EndDialog(m->hwnd, offered->empty() ? IDCANCEL : offered->front());
        }
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }
};

/// Checks every `stride`th flag word of [first, end) on this thread's own boxes; the first
/// fault found, or nothing.
std::string checkFlagWords(int32_t first, int32_t end, int32_t stride) {
    win32::Win32Desktop desktop;
    UnshownBoxes boxes;
    for (int32_t flags = first; flags < end; flags += stride) {
        std::vector<int> offered;
        UnshownBoxes::offered = &offered;
        int32_t answer = 0;
        const RunTimeError e =
            testing::raised([&] { answer = desktop.systemMessageBox("?", flags, "", "", 0); });
        UnshownBoxes::offered = nullptr;
        std::vector<int> expected;
        for (const int32_t a : platform::systemBoxAnswers(flags)) {
            expected.push_back(a);
        }
        if (flags & 0x4000) {
            expected.push_back(IDHELP);
        }
        if (e.Number != 0 ? e.Number != 5 : offered != expected || answer != offered.front()) {
            return "flags " + std::to_string(flags) + ": error " + std::to_string(e.Number) +
                   ", answer " + std::to_string(answer) + ", " + std::to_string(offered.size()) +
                   " buttons";
        }
    }
    return {};
}

// Every flag word, a sixteenth of them a test (a box takes Wine some 15 ms). A word the box
// refuses raises error 5; every other offers the buttons of its set (and Help) and answers the
// one pressed. Two threads, each with boxes of its own, keep Wine's server busy while the other
// waits.
class SystemBoxFlagWords : public ::testing::TestWithParam<int32_t> {};

TEST_P(SystemBoxFlagWords, AreAnsweredOrRefused) {
    const int32_t first = GetParam() * 0x1000, end = first + 0x1000;
    std::string other;
    std::thread odd([&] { other = checkFlagWords(first + 1, end, 2); });
    const std::string even = checkFlagWords(first, end, 2);
    odd.join();
    EXPECT_EQ(even + other, "");
}

INSTANTIATE_TEST_SUITE_P(Win32Desktop, SystemBoxFlagWords, ::testing::Range(0, 16));

} // namespace
} // namespace qvMsgErr::win32test

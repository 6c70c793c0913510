// The Win32 desktop with real windows: the shared form checks driven by window messages, the save
// dialog, and the system's own message box found through its window and answered by clicking its
// buttons.
#include "win32_user.h"

#include "error/report.h"
#include "platform/system_box.h"
#include "raised.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
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

/// This test program as the one the shell starts to open `kind` (a class of HKEY_CLASSES_ROOT:
/// "mailto", "chm.file"), recording the argument it is given; the class's own is put back after.
class ShellRecorder {
public:
    explicit ShellRecorder(const std::wstring& kind) : key_(kind + L"\\shell\\open\\command") {
        wchar_t program[MAX_PATH] = {}, temp[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        GetTempPathW(MAX_PATH, temp);
        record_ = std::wstring(temp) + L"qvmsgerr-shell.txt";
        DeleteFileW(record_.c_str());
        before_.resize(1024);
        DWORD size = static_cast<DWORD>(before_.size() * sizeof(wchar_t));
        RegGetValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                     before_.data(), &size);
        before_.resize(before_.find(L'\0'));
        set(L"\"" + std::wstring(program) + L"\" --record-to \"" + record_ + L"\" \"%1\"");
    }
    ~ShellRecorder() { set(before_); }
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    /// What the program was started with, once it has been (within 20 s).
    std::string received() const {
        std::string text;
        for (int waited = 0; waited < 20000 && text.empty(); waited += 100) {
            pump(100);
            std::ifstream file(std::filesystem::path(record_), std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(file), {});
        }
        return text;
    }

private:
    void set(const std::wstring& line) const {
        RegSetKeyValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, REG_SZ, line.c_str(),
                        static_cast<DWORD>((line.size() + 1) * sizeof(wchar_t)));
    }
    std::wstring key_, record_, before_;
};

// What the shell hands the program registered for a target, recorded by this test program: the
// e-mail report's whole address, byte for byte, as one argument; a compiled help file that the
// help viewer cannot open. A printer that is not there fails with error 482.
TEST(Win32Desktop, ShellHandsOnTheMailAddressAndHelpNoViewerTakes) {
    win32::Win32Desktop desktop;
    const std::string address =
        error::mailtoAddress("help@ledger.example", "Ledger \"2\"",
                             "Error 75 & more: 100% \xC3\xA9"
                             "chou\xC3\xA9 \xE2\x80\x94 C:\\Ledger\r\nat Save > Write");
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::string help = win32::narrow(temp) + "ledger.chm";
    std::ofstream(std::filesystem::path(win32::wide(help))) << "not a compiled help file";
    for (const auto& [kind, target, open] :
         {std::tuple<std::wstring, std::string, std::function<void()>>{
              L"mailto", address, [&] { desktop.shellOpen(address); }},
          {L"chm.file", help, [&] { desktop.showHelp(help, 1, 42); }}}) {
        const ShellRecorder recorder(kind);
        open();
        EXPECT_EQ(recorder.received(), target);
    }
    EXPECT_EQ(testing::raised([&] {
                  desktop.printDocument({false, "No Such Printer"}, {});
              }).Number,
              482);
}

/// What the WinHelp viewer was asked: the command, its number and the file.
thread_local std::tuple<int, long, std::string> g_winHelpAsked;

// A help file of another kind goes to WinHelp, whose viewer (here a window of its class, found as
// the system finds the real one) is told the file, the command and the context.
TEST(Win32Desktop, WinHelpIsAskedForTheContextOrTheContents) {
    WNDCLASSW viewerClass{};
    viewerClass.lpszClassName = L"MS_WINHELP";
    viewerClass.hInstance = GetModuleHandleW(nullptr);
    viewerClass.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wp, LPARAM lp) -> LRESULT {
        if (message != WM_COPYDATA) {
            return DefWindowProcW(hwnd, message, wp, lp);
        }
        // WINHELP: size, command, data, reserved, offset of the file name, offset of the data.
        const auto* at = static_cast<const BYTE*>(reinterpret_cast<COPYDATASTRUCT*>(lp)->lpData);
        g_winHelpAsked = {
            *reinterpret_cast<const WORD*>(at + 2), *reinterpret_cast<const LONG*>(at + 4),
            reinterpret_cast<const char*>(at + *reinterpret_cast<const WORD*>(at + 12))};
        return TRUE;
    };
    RegisterClassW(&viewerClass);
    HWND viewer = CreateWindowW(L"MS_WINHELP", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                viewerClass.hInstance, nullptr);
    win32::Win32Desktop desktop;
    for (const auto& [command, context, asked] :
         {std::tuple{1, 42, std::tuple<int, long, std::string>{HELP_CONTEXT, 42, "C:\\ledger.hlp"}},
          {3, 0, {HELP_CONTENTS, 0, "C:\\ledger.hlp"}}}) {
        desktop.showHelp("C:\\ledger.hlp", command, context);
        EXPECT_EQ(g_winHelpAsked, asked);
    }
    DestroyWindow(viewer);
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

// The library's message windows and error dialog as native windows: answered with real window
// messages, and pictures of them as they look. (A ticked box read back from the registry is the
// automation client's test, across the DLL.)
#include "win32_user.h"

#include "support/forms.h"
#include "table.h"
#include "tools/qvmsg/win32_picture.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsError.h>
#include <qvMsgErr/clsMesgBox.h>

#include <gtest/gtest.h>
#include <oleacc.h>
#include <winspool.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace qvMsgErr::win32test {
namespace {

constexpr wchar_t kForm[] = L"qvMsgErrForm";

class Win32Windows : public ::testing::Test {
protected:
    void SetUp() override { speak({"en-US"}); }
    static void speak(const std::vector<std::string>& languages) {
        setThreadDesktop(std::make_shared<win32::Win32Desktop>(languages));
    }
    void TearDown() override {
        EXPECT_EQ(loadedFormCount(), 0U) << "a test left windows of the library open";
        unloadAllForms();
        setThreadDesktop(nullptr);
    }
};

win32::Win32Window& windowOf(HWND hwnd) {
    auto* w = win32::Win32Window::byHandle(reinterpret_cast<platform::WindowHandle>(hwnd));
    if (!w) {
        throw std::runtime_error("not a window of the library");
    }
    return *w;
}

/// Acts on a shown window as a line of the table says: "click N" (answer button N) or "click
/// NAME" (the control of that name), "key K"
/// with "alt" or "ctrl" after it, "close" (the close box), "tick" (the Don't show box).
void act(win32::Win32Window& w, const std::string& actions) {
    Win32User user(w);
    std::istringstream steps(actions);
    for (std::string step; std::getline(steps, step, ';');) {
        std::istringstream words(step);
        std::string verb, shift;
        words >> verb;
        if (verb == "click") {
            std::string target;
            words >> target;
            std::isdigit(static_cast<unsigned char>(target.at(0)))
                ? user.click("cmdButton", static_cast<int16_t>(std::stoi(target)))
                : user.click(target);
        } else if (verb == "key") {
            int key = 0;
            words >> key >> shift;
            int16_t state = 0;
            if (shift == "alt" || shift == "ctrl" || shift == "shift") {
                state = shift == "alt"    ? platform::kAlt
                        : shift == "ctrl" ? platform::kCtrl
                                          : platform::kShift;
            }
            user.keyDown(static_cast<int16_t>(key), state);
        } else if (verb == "close") {
            user.close();
        } else if (verb == "tick") {
            user.tick("chkDontShow", true);
        }
    }
}

// Each row: the window style (or the error dialog), the flag word (the error number), what the
// user does, the answer.
TEST_F(Win32Windows, WindowsAnswerClicksKeysAndTheCloseBox) {
    for (const auto& row : qvtest::readTable("message-actions.txt")) {
        SCOPED_TRACE(row.at(0) + " " + row.at(1) + ": " + row.at(2));
        const int32_t number = std::stoi(row.at(1), nullptr, 0);
        clsMesgBox box;
        box.MsgBoxType(row.at(0) == "2003" ? Tessary2003 : TessaryClassic);
        clsError ledger;
        int32_t answer = 0;
        whileShown(
            kForm, [&](HWND hwnd) { act(windowOf(hwnd), row.at(2)); },
            [&] {
                answer = row.at(0) == "error" ? ledger.Show(true, "Access error", number)
                                              : box.msgBox("Keep the changes?", number);
            });
        EXPECT_EQ(answer, std::stoi(row.at(3)));
    }
}

std::string clipboardText() {
    std::string text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            text = win32::narrow(static_cast<const wchar_t*>(GlobalLock(data)));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

// The prompt's window holds what the system shows of it (the hostile texts the system box is
// given too, and a mebibyte that is cut); Ctrl+C copies the whole message as the user reads it.
TEST_F(Win32Windows, PromptShowsWhatTheSystemCanAndCtrlCCopiesTheMessage) {
    auto rows = qvtest::readTable("hostile-prompts.txt");
    const std::string mebibyte(1 << 20, 'w');
    rows.push_back({mebibyte, mebibyte.substr(0, win32::kShownCharacters) + "\xE2\x80\xA6"});
    rows.back()[1] = qvtest::unescaped(rows.back()[1]);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.at(0).substr(0, 40));
        clsMesgBox box;
        box.MsgBoxType(TessaryClassic);
        std::string shown, kept;
        whileShown(
            kForm,
            [&](HWND hwnd) {
                auto& w = windowOf(hwnd);
                auto& prompt = dynamic_cast<win32::Win32Control&>(w.control("lblPrompt"));
                shown = win32::windowText(prompt.hwnd());
                kept = prompt.caption();
                Win32User(w).keyDown('C', platform::kCtrl);
                Win32User(w).keyDown(27);
            },
            [&] { box.msgBox(row.at(0), 1, "Ledger"); });
        EXPECT_EQ(shown, row.at(1));
        EXPECT_EQ(kept, row.at(0)) << "the logic keeps every byte";
        const std::string copied = clipboardText();
        EXPECT_NE(copied.find("Ledger\r\n"), std::string::npos) << "the title";
        EXPECT_NE(copied.find("OK   Cancel"), std::string::npos) << "the buttons: " << copied;
    }
}

TEST_F(Win32Windows, CountdownAnswersTheDefaultButtonWithTheSystemsTimer) {
    clsMesgBox box;
    box.MsgBoxType(Tessary2003);
    box.TimerUse(true);
    box.TimerSeconds(1);
    int32_t answer = 0;
    whileShown(
        kForm, [](HWND) { pump(2500); }, [&] { answer = box.msgBox("Go on?", 0x104); });
    EXPECT_EQ(answer, qvButtonNo);
    EXPECT_TRUE(box.TimeOutOccured);
}

/// A PostScript printer of Wine's driver whose port is a file: what is printed can be read back.
class FilePrinter {
public:
    static constexpr wchar_t kName[] = L"qvMsgErr Test Printer";
    static constexpr wchar_t kPort[] = L"/tmp/qvmsgerr-printed.ps"; // a Unix file as Wine's port
    static constexpr wchar_t kDriver[] = L"qvMsgErr Test PostScript";

    FilePrinter() {
        wchar_t env[] = L"Windows x64", dir[MAX_PATH] = {}, driverFile[] = L"wineps.drv";
        DWORD size = 0;
        GetPrinterDriverDirectoryW(nullptr, env, 1, reinterpret_cast<BYTE*>(dir), sizeof dir,
                                   &size);
        CopyFileW(win32::wide(QV_TEST_DATA "/test-printer.ppd").c_str(),
                  (std::wstring(dir) + L"\\test-printer.ppd").c_str(), FALSE);
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kPorts, kPort, REG_SZ, L"", sizeof(wchar_t));
        std::wstring data = L"test-printer.ppd", name = kName, port = kPort, driver = kDriver;
        std::wstring processor = L"WinPrint", raw = L"RAW";
        DRIVER_INFO_3W d{3,          driver.data(), env,     driverFile, data.data(),
                         driverFile, nullptr,       nullptr, nullptr,    nullptr};
        AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&d), 0);
        PRINTER_INFO_2W p{};
        p.pPrinterName = name.data();
        p.pPortName = port.data();
        p.pDriverName = driver.data();
        p.pPrintProcessor = processor.data();
        p.pDatatype = raw.data();
        ClosePrinter(AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&p)));
        SetDefaultPrinterW(kName);
        DeleteFileW(L"Z:\\tmp\\qvmsgerr-printed.ps");
    }
    ~FilePrinter() {
        HANDLE printer = nullptr;
        if (OpenPrinterW(std::wstring(kName).data(), &printer, nullptr)) {
            DeletePrinter(printer);
            ClosePrinter(printer);
        }
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kPorts, kPort);
    }
    FilePrinter(const FilePrinter&) = delete;
    FilePrinter& operator=(const FilePrinter&) = delete;

    /// The pages printed, and the letters and digits on them in the order printed (the driver
    /// draws each character by its glyph's name).
    static std::pair<int, std::string> printed() {
        std::ifstream file("Z:\\tmp\\qvmsgerr-printed.ps");
        static const std::string kDigits[] = {"zero", "one", "two",   "three", "four",
                                              "five", "six", "seven", "eight", "nine"};
        int pages = 0;
        std::string letters;
        for (std::string line; std::getline(file, line);) {
            pages += line.starts_with("%%Page: ") ? 1 : 0;
            if (!line.starts_with("/") || !line.ends_with(" glyphshow")) {
                continue;
            }
            const std::string glyph = line.substr(1, line.size() - 11);
            const auto digit = std::find(std::begin(kDigits), std::end(kDigits), glyph);
            if (glyph.size() == 1 && std::isalpha(static_cast<unsigned char>(glyph[0]))) {
                letters += glyph;
            } else if (digit != std::end(kDigits)) {
                letters += static_cast<char>('0' + (digit - std::begin(kDigits)));
            }
        }
        return {pages, letters};
    }

private:
    static constexpr wchar_t kPorts[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
};

/// The letters and digits of `text`, in order.
std::string lettersOf(const std::string& text) {
    std::string letters;
    std::copy_if(text.begin(), text.end(), std::back_inserter(letters),
                 [](unsigned char c) { return std::isalnum(c) != 0; });
    return letters;
}

// The error report printed as the user prints it: Print, the system's print dialog answered with
// its OK, the printer. A long report goes on to further pages without losing a word.
TEST_F(Win32Windows, ErrorReportIsPrintedOnThePrinterChosenInThePrintDialog) {
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        GTEST_SKIP() << "the test printer prints to a file through Wine's PostScript driver";
    }
    const FilePrinter printer;
    std::string details;
    for (int line = 1; line <= 120; ++line) {
        details += "at LedgerFile.Level" + std::to_string(line) + "\r\n";
    }
    clsError ledger;
    ledger.AppName("Ledger");
    whileShown(
        kForm,
        [&](HWND hwnd) {
            Win32User user(windowOf(hwnd));
            user.click("cmdDetails");
            whileShown(
                L"#32770",
                [](HWND dialog) { SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); },
                [&] { user.click("cmdPrint"); });
            user.click("cmdClose");
        },
        [&] { ledger.Show(true, "Path/File access error", 75, details, "", "saving"); });
    const auto [pages, letters] = FilePrinter::printed();
    EXPECT_GE(pages, 2);
    EXPECT_NE(letters.find(lettersOf("Path/File access error")), std::string::npos) << letters;
    EXPECT_NE(letters.find(lettersOf(details)), std::string::npos) << "every line, in order";
}

// --- Pictures --------------------------------------------------------------------------------

/// Where tests leave pictures: $QVMSGERR_TEST_OUTPUT (a path of the system the tests run on, or
/// a Unix path under Wine), else the temporary directory.
std::wstring outputDirectory() {
    std::wstring dir(MAX_PATH, L'\0');
    dir.resize(GetEnvironmentVariableW(L"QVMSGERR_TEST_OUTPUT", dir.data(), MAX_PATH));
    if (dir.empty()) {
        dir.resize(GetTempPathW(MAX_PATH, dir.data()));
        dir.resize(MAX_PATH);
        dir.resize(GetTempPathW(MAX_PATH, dir.data()));
    } else if (dir.front() == L'/') {
        dir = L"Z:" + dir; // Wine's drive for the Unix root
    }
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

/// How many of the pixels of `hwnd` in `area` (client pixels) differ from the area's corner.
int marked(HWND hwnd, RECT area) {
    HDC dc = GetDC(hwnd);
    const COLORREF corner = GetPixel(dc, area.left, area.top);
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            count += GetPixel(dc, x, y) != corner ? 1 : 0;
        }
    }
    ReleaseDC(hwnd, dc);
    return count;
}

/// The window's client area as it shows, saved as win32-<stem>.png; marked(hwnd, area).
int picture(HWND hwnd, const std::wstring& stem, RECT area) {
    pump(300);
    EXPECT_TRUE(qvmsg::writePicture(hwnd, outputDirectory() + L"\\win32-" + stem + L".png"));
    return marked(hwnd, area);
}

/// What a screen reader hears of a window (or of its last child): its role, name and
/// description.
std::tuple<long, std::string, std::string> heard(HWND hwnd, bool lastChild = false) {
    std::tuple<long, std::string, std::string> said{};
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
        return said;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    if (lastChild) {
        object->get_accChildCount(&self.lVal);
    }
    VARIANT role{};
    if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) {
        std::get<0>(said) = role.lVal;
    }
    for (auto [get, text] : {std::pair{&IAccessible::get_accName, &std::get<1>(said)},
                             std::pair{&IAccessible::get_accDescription, &std::get<2>(said)}}) {
        BSTR b = nullptr;
        if ((object->*get)(self, &b) == S_OK && b) {
            *text = win32::narrow(b);
            SysFreeString(b);
        }
    }
    object->Release();
    return said;
}

HWND hwndOf(win32::Win32Window& w, const std::string& name, int16_t index = -1) {
    return dynamic_cast<win32::Win32Control&>(w.control(name, index)).hwnd();
}

/// The windows raised to screen readers as alerts while the test runs.
thread_local std::vector<HWND> g_alerts;

// Each window as it looks, and what a screen reader hears of it: an alert raised when shown and
// described by its prompt or error, buttons described, the check box and text areas named. Each
// message row: the style, the user's languages, the picture, and the Cancel button's caption and
// side: the first language that is English or has a catalogue speaks, and a right-to-left one
// mirrors the window.
TEST_F(Win32Windows, PicturesAndWhatScreenReadersHear) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const HWINEVENTHOOK alerts = SetWinEventHook(
        EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr,
        [](HWINEVENTHOOK, DWORD, HWND hwnd, LONG, LONG, DWORD, DWORD) { g_alerts.push_back(hwnd); },
        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    const auto raised = [](HWND hwnd) {
        pump(100);
        return std::find(g_alerts.begin(), g_alerts.end(), hwnd) != g_alerts.end();
    };
    const RECT icon{10, 10, 42, 42}; // where both message windows and the dialog show a symbol
    const std::tuple<QVMsgBoxType, std::vector<std::string>, const wchar_t*, std::string> rows[] = {
        {TessaryClassic, {"en-US"}, L"message-classic", "Cancel right"},
        {Tessary2003, {"en-GB", "de-DE"}, L"message-2003", "Cancel right"},
        {Tessary2003, {"pt-BR", "de-AT"}, L"message-2003-de", "Abbrechen right"},
        {Tessary2003, {"he-IL"}, L"message-2003-he", "\u05d1\u05d9\u05d8\u05d5\u05dc left"}};
    for (const auto& [style, languages, stem, cancel] : rows) {
        speak(languages);
        clsMesgBox box;
        box.MsgBoxType(style);
        box.TimerUse(style == Tessary2003);
        box.TimerSeconds(30);
        box.DetailsButton(true);
        box.DetailsString("The ledger was last saved by ann at 09:14.");
        box.DontShowAgain(true);
        box.CmdDescriptions(style == Tessary2003);
        const std::string yes = "Save the changes and close the ledger";
        box.DescYes(yes);
        box.DescNo("Close the ledger without saving");
        box.DescCancel("Go back to the ledger");
        const std::string prompt = "Save the changes to the ledger before closing it?";
        whileShown(
            kForm,
            [&](HWND hwnd) {
                pump(1100); // the countdown's first second
                EXPECT_GT(picture(hwnd, stem, icon), 100) << "the question symbol";
                auto& w = windowOf(hwnd);
                RECT button{}, frame{};
                GetWindowRect(hwndOf(w, "cmdButton", 2), &button);
                GetWindowRect(hwnd, &frame);
                EXPECT_EQ(win32::windowText(hwndOf(w, "cmdButton", 2)) +
                              (button.right < (frame.left + frame.right) / 2 ? " left" : " right"),
                          cancel);
                EXPECT_TRUE(raised(hwnd));
                if (languages.front().starts_with("en")) { // the names below are English
                    EXPECT_EQ(std::make_tuple(heard(hwnd), heard(hwnd, true),
                                              std::get<2>(heard(hwndOf(w, "cmdButton", 0))),
                                              std::get<1>(heard(hwndOf(w, "chkDontShow"))),
                                              std::get<1>(heard(hwndOf(w, "txtDetails")))),
                              std::make_tuple(std::make_tuple(ROLE_SYSTEM_ALERT, "Ledger", prompt),
                                              std::make_tuple(ROLE_SYSTEM_GRAPHIC, "Question", ""),
                                              std::string(style == Tessary2003 ? yes : ""),
                                              "Don't show this message again", "Details"));
                }
                Win32User(w).click("cmdButton", 2);
            },
            [&] { box.msgBox(prompt, 3 | 32, "Ledger", "", -1, "win32-picture"); });
    }
    speak({"en-US"});
    clsError ledger;
    ledger.AppName("Ledger");
    whileShown(
        kForm,
        [&](HWND hwnd) {
            EXPECT_GT(picture(hwnd, L"error-dialog", icon), 100) << "the error symbol";
            auto& w = windowOf(hwnd);
            RECT details{};
            GetClientRect(hwndOf(w, "rtfDetails"), &details);
            EXPECT_GT(marked(hwndOf(w, "rtfDetails"), details), 100) << "the placeholder";
            EXPECT_TRUE(raised(hwnd));
            EXPECT_EQ(
                std::make_tuple(std::get<2>(heard(hwnd)),
                                std::get<1>(heard(hwndOf(w, "rtfActivity"))),
                                std::get<1>(heard(hwndOf(w, "rtfSolution")))),
                std::make_tuple(std::string("Path/File access error"), "Activity", "Solution"));
            Win32User(windowOf(hwnd)).click("cmdClose");
        },
        [&] {
            ledger.Show(true, "Path/File access error", 75, "",
                        "Check that the disk is not full and that you may write to the folder.",
                        "saving the ledger");
        });
    UnhookWinEvent(alerts);
    CoUninitialize();
}

} // namespace
} // namespace qvMsgErr::win32test

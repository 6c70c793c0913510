// The library's message windows and error dialog as native windows: answered with real window
// messages, a ticked box read back from the store, and pictures of them as they look.
#include "win32_user.h"

#include "support/forms.h"
#include "table.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsError.h>
#include <qvMsgErr/clsMesgBox.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

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

/// Acts on a shown window as a line of the table says: "click N" (answer button N), "key K"
/// with "alt" or "ctrl" after it, "close" (the close box), "tick" (the Don't show box).
void act(win32::Win32Window& w, const std::string& actions) {
    Win32User user(w);
    std::istringstream steps(actions);
    for (std::string step; std::getline(steps, step, ';');) {
        std::istringstream words(step);
        std::string verb, shift;
        words >> verb;
        if (verb == "click") {
            int16_t index = 0;
            words >> index;
            user.click("cmdButton", index);
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

// Each row: the window style, the flag word, what the user does, the answer.
TEST_F(Win32Windows, MessageWindowsAnswerClicksKeysAndTheCloseBox) {
    for (const auto& row : qvtest::readTable("message-actions.txt")) {
        SCOPED_TRACE(row.at(0) + " " + row.at(1) + ": " + row.at(2));
        clsMesgBox box;
        box.MsgBoxType(row.at(0) == "2003" ? Tessary2003 : TessaryClassic);
        int32_t answer = 0;
        whileShown(
            kForm, [&](HWND hwnd) { act(windowOf(hwnd), row.at(2)); },
            [&] { answer = box.msgBox("Keep the changes?", std::stoi(row.at(1), nullptr, 0)); });
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

TEST_F(Win32Windows, TickedBoxIsRememberedInTheStoreAndAnswersNextTime) {
    const std::string id = "win32-ticked-" + std::to_string(GetTickCount());
    for (const QVMsgBoxType style : {TessaryClassic, Tessary2003}) {
        clsMesgBox box;
        box.MsgBoxType(style);
        box.DontShowAgain(true);
        const std::string message = id + std::to_string(style);
        int32_t answer = 0;
        whileShown(
            kForm, [&](HWND hwnd) { act(windowOf(hwnd), "tick;click 1"); },
            [&] { answer = box.msgBox("Delete it?", 4, "Ledger", "", -1, message); });
        EXPECT_EQ(answer, qvButtonNo);
        EXPECT_EQ(box.GetDontShowIDValue(message), qvButtonNo);
        box.MsgBoxType(style);
        box.DontShowAgain(true);
        EXPECT_EQ(box.msgBox("Delete it?", 4, "Ledger", "", -1, message), qvButtonNo)
            << "answered from the store, without a window";
    }
}

TEST_F(Win32Windows, ErrorDialogClosesByItsButtonEscapeAndTheCloseBox) {
    clsError ledger;
    ledger.AppName("Ledger");
    for (const char* how : {"button", "escape", "close box"}) {
        SCOPED_TRACE(how);
        int16_t result = 0;
        whileShown(
            kForm,
            [&](HWND hwnd) {
                Win32User user(windowOf(hwnd));
                const std::string_view h(how);
                h == "button"   ? user.click("cmdClose")
                : h == "escape" ? user.keyDown(27)
                                : user.close();
            },
            [&] { result = ledger.Show(true, "Path/File access error", 75, "Save&Write&"); });
        EXPECT_EQ(result, 3);
    }
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

/// The window as the screen shows it, frame included, saved as win32-<stem>.png; how many of its
/// pixels in the client rectangle `area` (pixels) differ from the pixel at the area's corner.
int picture(HWND hwnd, const std::wstring& stem, RECT area) {
    UpdateWindow(hwnd);
    pump(300);
    RECT r{};
    GetWindowRect(hwnd, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    MapWindowPoints(hwnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&area), 2); // mirrored too
    OffsetRect(&area, -r.left, -r.top);
    const COLORREF corner = GetPixel(memory, area.left, area.top);
    int marked = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            marked += GetPixel(memory, x, y) != corner ? 1 : 0;
        }
    }
    SelectObject(memory, old);

    ULONG_PTR token = 0;
    const Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    Gdiplus::GpBitmap* image = nullptr;
    Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image);
    const CLSID png = {
        0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    const std::wstring path = outputDirectory() + L"\\win32-" + stem + L".png";
    EXPECT_EQ(Gdiplus::DllExports::GdipSaveImageToFile(image, path.c_str(), &png, nullptr),
              Gdiplus::Ok);
    Gdiplus::DllExports::GdipDisposeImage(image);
    Gdiplus::GdiplusShutdown(token);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return marked;
}

// Each message row: the style, the user's languages, the picture, and the Cancel button's caption
// and side: the first language that is English or has a catalogue speaks, and a right-to-left one
// mirrors the window.
TEST_F(Win32Windows, Pictures) {
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
        box.DescYes("Save the changes and close the ledger");
        box.DescNo("Close the ledger without saving");
        box.DescCancel("Go back to the ledger");
        whileShown(
            kForm,
            [&](HWND hwnd) {
                pump(1100); // the countdown's first second
                EXPECT_GT(picture(hwnd, stem, icon), 100) << "the question symbol";
                auto& c =
                    dynamic_cast<win32::Win32Control&>(windowOf(hwnd).control("cmdButton", 2));
                RECT button{}, frame{};
                GetWindowRect(c.hwnd(), &button);
                GetWindowRect(hwnd, &frame);
                EXPECT_EQ(win32::windowText(c.hwnd()) +
                              (button.right < (frame.left + frame.right) / 2 ? " left" : " right"),
                          cancel);
                Win32User(windowOf(hwnd)).click("cmdButton", 2);
            },
            [&] {
                box.msgBox("Save the changes to the ledger before closing it?", 3 | 32, "Ledger",
                           "", -1, "win32-picture");
            });
    }
    speak({"en-US"});
    clsError ledger;
    ledger.AppName("Ledger");
    whileShown(
        kForm,
        [&](HWND hwnd) {
            EXPECT_GT(picture(hwnd, L"error-dialog", icon), 100) << "the error symbol";
            Win32User(windowOf(hwnd)).click("cmdClose");
        },
        [&] {
            ledger.Show(true, "Path/File access error", 75, "LedgerFile.Save&WriteRecord&",
                        "Check that the disk is not full and that you may write to the folder.",
                        "saving the ledger");
        });
}

} // namespace
} // namespace qvMsgErr::win32test

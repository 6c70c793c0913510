// The Win32 desktop with real windows: the shared form checks driven by window messages, the save
// dialog, and the system's own message box found through its window and answered by clicking its
// buttons.
#include "win32_user.h"

#include "platform/system_box.h"
#include "raised.h"

#include <gtest/gtest.h>

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

TEST(Win32Desktop, SystemBoxOffersTheButtonsOfItsFlagsAndAnswersTheOneClicked) {
    win32::Win32Desktop desktop;
    for (int32_t set = 0; set <= 6; ++set) {
        for (const int32_t extra : {0, 0x4000 /* Help */}) {
            const int32_t flags = set | extra;
            const auto answers = platform::systemBoxAnswers(flags);
            for (const int32_t wanted : answers) {
                int32_t answer = 0;
                whileShown(
                    kSystemBox,
                    [&](HWND box) {
                        std::vector<int> ids;
                        HWND click = nullptr;
                        for (const auto& b : buttonsOf(box)) {
                            ids.push_back(b.id);
                            click = b.id == wanted ? b.hwnd : click;
                        }
                        std::vector<int> expected(answers.begin(), answers.end());
                        if (extra & 0x4000) {
                            expected.push_back(IDHELP);
                        }
                        EXPECT_EQ(ids, expected) << "flags " << flags;
                        SendMessageW(click, BM_CLICK, 0, 0);
                    },
                    [&] {
                        answer = desktop.systemMessageBox("Which one?", flags, "qvMsgErr", "", 0);
                    });
                EXPECT_EQ(answer, wanted) << "flags " << flags;
            }
        }
    }
}

TEST(Win32Desktop, SystemBoxAnswersOrRefusesEveryFlagWord) {
    // Every 61st word, so that each bit meets every other in some word; a refused word raises
    // error 5 and shows nothing.
    win32::Win32Desktop desktop;
    int answered = 0, refused = 0;
    for (int32_t flags = 0; flags <= 0xFFFF; flags += 61) {
        const RunTimeError e = testing::raised([&] {
            whileShown(
                kSystemBox,
                [&](HWND box) {
                    const auto buttons = buttonsOf(box);
                    ASSERT_FALSE(buttons.empty()) << "flags " << flags;
                    SendMessageW(buttons.front().hwnd, BM_CLICK, 0, 0);
                },
                [&] {
                    const int32_t answer = desktop.systemMessageBox("?", flags, "", "", 0);
                    EXPECT_TRUE(answer >= 1 && answer <= 11) << "flags " << flags;
                });
        });
        (e.Number == 0 ? answered : refused) += 1;
        if (e.Number != 0) {
            EXPECT_EQ(e.Number, 5) << "flags " << flags;
        }
    }
    EXPECT_GT(answered, 0);
    RecordProperty("refused", refused);
}

} // namespace
} // namespace qvMsgErr::win32test

// qvMsgErr.dll from a program that links only its import library: the public classes, their
// exceptions, each thread's own state and the registry store all work across the DLL's edge, and
// the DLL exports the library and not the C++ runtime linked into it.
#include <qvMsgErr/apartment.h>
#include <qvMsgErr/headless.h>
#include <qvMsgErr/memory.h>
#include <qvMsgErr/qvMsgErr.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include <windows.h>

using namespace qvMsgErr;

namespace {

void setEnv(const char* name, const std::string& value) {
    ::_putenv_s(name, value.c_str());
}

constexpr int32_t kYesNo = 4;
constexpr int16_t kYes = 0, kNo = 1; // the buttons' places

// Remembered answers go to a registry sandbox of this run, never the user's own keys. A thread's
// store is opened at its first use, so the variable is set before any test runs, and the
// sandbox removed after the last.
class Sandbox : public ::testing::Environment {
public:
    void SetUp() override {
        key = "Software\\qvMsgErr tests\\dll-" + std::to_string(std::random_device()());
        setEnv("QVMSGERR_REGISTRY", key);
    }
    void TearDown() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, std::wstring(key.begin(), key.end()).c_str());
        ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\qvMsgErr tests");
    }
    static inline std::string key;
};
[[maybe_unused]] const auto* const kSandbox = ::testing::AddGlobalTestEnvironment(new Sandbox);

class Dll : public ::testing::Test {
protected:
    void SetUp() override { setEnv("QVMSGERR_DESKTOP", ""); }
    void TearDown() override { setThreadDesktop(nullptr); }
    const std::string& sandbox = Sandbox::key;
};

TEST_F(Dll, ExportsTheLibraryAndNotTheRuntimeLinkedIntoIt) {
    const HMODULE dll = ::GetModuleHandleW(L"qvMsgErr.dll");
    ASSERT_NE(dll, nullptr) << "the program did not load qvMsgErr.dll";
    for (const char* runtime : {"_Unwind_Resume", "__cxa_throw", "pthread_create", "malloc"}) {
        EXPECT_EQ(::GetProcAddress(dll, runtime), nullptr) << runtime;
    }
    // qvMsgErr::standardDescription(int), as GCC names it.
    EXPECT_NE(::GetProcAddress(dll, "_ZN8qvMsgErr19standardDescriptionB5cxx11Ei"), nullptr);
}

TEST_F(Dll, ARunTimeErrorRaisedInsideIsCaughtOutsideWithEverything) {
    setThreadDesktop(std::make_shared<headless::HeadlessDesktop>());
    clsMesgBox box;
    box.Reg_Root("Software\\Dll tests");
    // Nothing is remembered for this message: the DLL raises 13 with its trail.
    try {
        box.GetDontShowIDValue("NeverAsked");
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, err::TypeMismatch);
        EXPECT_EQ(e.Source, "GetDontShowIDValue&qvMsgErr");
        EXPECT_EQ(e.Description, standardDescription(err::TypeMismatch));
        EXPECT_STREQ(e.what(), e.Description.c_str());
    }
    // Also as the standard exception it is, and from another thread.
    EXPECT_THROW(box.GetDontShowIDValue("NeverAsked"), std::exception);
    std::thread([] {
        setThreadDesktop(std::make_shared<headless::HeadlessDesktop>());
        EXPECT_THROW(clsMesgBox().GetDontShowIDValue("NeverAsked"), RunTimeError);
        setThreadDesktop(nullptr);
    }).join();
}

TEST_F(Dll, EachThreadHasItsOwnDesktopAndScriptsRunAcrossTheEdge) {
    const auto ask = [](int16_t button, const char* root, int32_t& answer, std::string& title) {
        auto desktop = std::make_shared<headless::HeadlessDesktop>();
        desktop->setApplicationTitle(root);
        desktop->onModal([&](headless::ScriptedUser& user) {
            title = user.windowName();
            user.click("cmdButton", button);
        });
        setThreadDesktop(desktop);
        clsMesgBox box;
        box.Reg_Root(root);
        box.MsgBoxType(Tessary2003);
        answer = box.msgBox("Go on?", kYesNo);
        setThreadDesktop(nullptr);
    };
    int32_t first = 0, second = 0;
    std::string firstWindow, secondWindow;
    std::thread a(ask, kYes, "Software\\First", std::ref(first), std::ref(firstWindow));
    std::thread b(ask, kNo, "Software\\Second", std::ref(second), std::ref(secondWindow));
    a.join();
    b.join();
    EXPECT_EQ(first, qvButtonYes);
    EXPECT_EQ(second, qvButtonNo);
    EXPECT_EQ(firstWindow, "frmTessary2003");
    EXPECT_EQ(secondWindow, "frmTessary2003");
}

TEST_F(Dll, ATickedAnswerIsRememberedInTheRegistry) {
    auto desktop = std::make_shared<headless::HeadlessDesktop>();
    setThreadDesktop(desktop);
    desktop->onModal([](headless::ScriptedUser& user) {
        user.tick("chkDontShow");
        user.click("cmdButton", kNo);
    });
    clsMesgBox box;
    box.Reg_Root("Software\\Dll tests");
    box.MsgBoxType(Tessary2003);
    box.DontShowAgain(true);
    EXPECT_EQ(box.msgBox("Save?", kYesNo, "~NO~TITLE~", "", -1, "SaveQuestion"), qvButtonNo);

    // Asked again: the registry answers, nobody is asked.
    desktop->onModal([](headless::ScriptedUser& user) {
        ADD_FAILURE() << "asked again";
        user.close();
    });
    clsMesgBox again;
    again.MsgBoxType(Tessary2003);
    again.DontShowAgain(true);
    EXPECT_EQ(again.msgBox("Save?", kYesNo, "~NO~TITLE~", "", -1, "SaveQuestion"), qvButtonNo);

    // The value is where the user's registry would hold it, in the sandbox.
    const std::wstring key(sandbox.begin(), sandbox.end());
    wchar_t text[16] = {};
    DWORD size = sizeof text;
    EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER,
                             (key + L"\\HKEY_CURRENT_USER\\Software\\Dll tests\\MessageBox\\"
                                    L"ShowMessage")
                                 .c_str(),
                             L"SaveQuestion", RRF_RT_REG_SZ, nullptr, text, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(text), L"7");
    const auto remembered = RememberedAnswers();
    ASSERT_EQ(remembered.size(), 1u);
    EXPECT_EQ(remembered[0].MessageID, "SaveQuestion");
    EXPECT_EQ(ForgetAllAnswers(), 1);
}

} // namespace

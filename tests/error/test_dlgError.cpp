// The error dialog on the headless desktop: its layout as the details open and close, and the
// printed, saved and e-mailed reports as the user asks for them.
#include "error_fixture.h"

#include "error/dlgError.h"
#include "error/report.h"
#include "support/forms.h"

#include <qvMsgErr/clsError.h>

#include <filesystem>

#include <sys/stat.h>

using namespace qvMsgErr;
using namespace errortest;
using namespace std::string_literals;
using platform::SaveDialogResult;
using platform::SaveDialogSettings;

namespace {

// ---------------------------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------------------------

struct Layout {
    float innerHeight, detailsTop;
    bool info, details;
    const char* toggle;
};

void expectLayout(ScriptedUser& u, const Layout& want, const char* when) {
    SCOPED_TRACE(when);
    EXPECT_FLOAT_EQ(u.window().scaleHeight(), want.innerHeight);
    EXPECT_FLOAT_EQ(u.control("FraDetails").top(), want.detailsTop);
    EXPECT_EQ(u.control("FraInfo").visible(), want.info);
    EXPECT_EQ(u.control("FraDetails").visible(), want.details);
    EXPECT_EQ(u.control("cmdDetails").caption(), want.toggle);
    EXPECT_FLOAT_EQ(u.window().height() - u.window().scaleHeight(),
                    headless::kBorderHeight); // HeightFixed keeps the frame
}

struct LayoutCase {
    const char* name;
    std::string solution;
    Layout reopened;
};

const Layout kFirst{4255, 1350, false, true, "<< &Details"};
const Layout kCollapsed{1950, 1350, false, false, "&Details >>"};

class DetailsToggle : public ErrorTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(DetailsToggle, MovesTheSections) {
    clsError e;
    user([&](ScriptedUser& u) {
        expectLayout(u, kFirst, "at first display, whatever the solution");
        u.click("cmdDetails");
        expectLayout(u, kCollapsed, "collapsed");
        u.click("cmdDetails");
        expectLayout(u, GetParam().reopened, "expanded again");
        u.click("cmdClose");
    });
    e.Show(true, "d", 0, "", GetParam().solution);
    ASSERT_EQ(dialogs, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetailsToggle,
    ::testing::Values(LayoutCase{"NoSolution", "", {4255, 1350, false, true, "<< &Details"}},
                      LayoutCase{"BlankSolution", "  ", {4255, 1350, false, true, "<< &Details"}},
                      LayoutCase{"Solution", "Reboot.", {6350, 3445, true, true, "<< &Details"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ErrorTest, BuiltInSolutionShowsAfterReopening) {
    clsError e;
    user([&](ScriptedUser& u) {
        u.click("cmdDetails");
        u.click("cmdDetails");
        EXPECT_TRUE(u.control("FraInfo").visible());
        EXPECT_EQ(u.control("rtfSolution").text().substr(0, 20), "During a file-access");
        u.click("cmdClose");
    });
    e.Show(true, "Path/File access error", 75);
}

TEST_F(ErrorTest, DialogIsTopmostAndCentred) {
    clsError e;
    user([&](ScriptedUser& u) {
        const platform::Window& w = u.window();
        EXPECT_FLOAT_EQ(w.scaleWidth(), 5295);
        EXPECT_FLOAT_EQ(w.left() + w.width() / 2, headless::kScreenWidth / 2);
        u.click("cmdClose");
    });
    e.Show();
    const auto topmost = desktop->sideEffects(EffectKind::Topmost);
    ASSERT_EQ(topmost.size(), 1U);
    EXPECT_TRUE(topmost[0].flag);
    EXPECT_EQ(topmost[0].window, "dlgError");
}

// ---------------------------------------------------------------------------------------------
// Reports
// ---------------------------------------------------------------------------------------------

/// Shows one error whose dialog the user works with through `act`, then closes.
class Reports : public ErrorTest {
protected:
    void show(const std::function<void(ScriptedUser&)>& act) {
        clsError e;
        e.AppName(appName);
        e.UserName("ann");
        e.SupportEmail("help@example.org");
        user([&](ScriptedUser& u) {
            act(u);
            EXPECT_TRUE(u.shown()) << "a report must leave the dialog open";
            EXPECT_EQ(u.control("rtfPrint").text(), "") << "the composing area is cleared";
            u.click("cmdClose");
        });
        EXPECT_EQ(e.Show(true, "Disk full", 61, "Save&Write&", "", "saving"), 3);
    }
    std::string appName = "Ledger";
};

TEST_F(Reports, EmailHandsTheWholeStringToTheShell) {
    show([](ScriptedUser& u) { u.click("cmdEmail"); });
    const auto opens = desktop->sideEffects(EffectKind::ShellOpen);
    ASSERT_EQ(opens.size(), 1U);
    EXPECT_EQ(opens[0].text,
              "mailto:help@example.org?subject= Ledger error report &body=Error Report | "
              "Date: Friday, January 2, 2026 | Time: 03:04 | Application: Ledger | User: ann | "
              "Activity: A problem occurred while saving | Description: Disk full | Details:  | "
              "Save\r\nWrite");
}

TEST_F(Reports, EmptyAppNameNamesTheLibrary) {
    appName = "";
    show([](ScriptedUser& u) { u.click("cmdEmail"); });
    const std::string text = desktop->sideEffects(EffectKind::ShellOpen).at(0).text;
    EXPECT_EQ(text.rfind("mailto:help@example.org?subject=  error report &body=", 0), 0U) << text;
    EXPECT_NE(text.find("| Application: qvMsgErr |"), std::string::npos) << text;
}

TEST_F(Reports, PrintingTwiceComposesAfreshEachTime) {
    desktop->onPrinterDialog([](int32_t) { return platform::PrinterChoice{false, "Office"}; });
    show([](ScriptedUser& u) {
        u.click("cmdPrint");
        u.click("cmdPrint");
    });
    const auto dialogs = desktop->sideEffects(EffectKind::PrinterDialog);
    ASSERT_EQ(dialogs.size(), 2U);
    EXPECT_EQ(dialogs[0].flags, 0x108);
    const auto printed = desktop->sideEffects(EffectKind::Print);
    ASSERT_EQ(printed.size(), 2U);
    EXPECT_EQ(printed[0].text, "Office");
    EXPECT_EQ(error::plainText(printed[0].document), error::plainText(printed[1].document));
    EXPECT_EQ(error::plainText(printed[0].document),
              "Error Report\r\n\r\nDate: Friday, January 2, 2026\r\n\r\nTime: 03:04\r\n\r\n"
              "Application: Ledger\r\n\r\nUser: ann\r\n\r\n"
              "Activity: A problem occurred while saving\r\n\r\nDescription: Disk full\r\n\r\n"
              "Details: \r\nSave\r\nWrite");
}

struct OutputFault {
    const char* name;
    std::function<void(HeadlessDesktop&, const std::string& dir)> arrange;
    const char* button;
    EffectKind attempted;
    bool happens = true; ///< whether `attempted` is seen at all
};

const OutputFault kFaults[] = {
    {"PrinterCancelled", [](HeadlessDesktop&, const std::string&) {}, "cmdPrint",
     EffectKind::PrinterDialog},
    {"PrinterFails",
     [](HeadlessDesktop& d, const std::string&) {
         d.onPrinterDialog([](int32_t) { return platform::PrinterChoice{false, "Office"}; });
         d.setPrinterFails(true);
     },
     "cmdPrint", EffectKind::Print},
    {"PrinterDialogFails",
     [](HeadlessDesktop& d, const std::string&) {
         d.onPrinterDialog([](int32_t) -> platform::PrinterChoice { throw RunTimeError(482); });
     },
     "cmdPrint", EffectKind::Print}, // built and sent, and the empty choice fails
    {"PrinterDialogCancelError",
     [](HeadlessDesktop& d, const std::string&) {
         d.onPrinterDialog(
             [](int32_t) -> platform::PrinterChoice { throw RunTimeError(err::DialogCancel); });
     },
     "cmdPrint", EffectKind::Print, false},
    {"SaveCancelled", [](HeadlessDesktop&, const std::string&) {}, "cmdSave",
     EffectKind::SaveDialog},
    {"SaveTargetUnwritable",
     [](HeadlessDesktop& d, const std::string& dir) {
         d.onSaveDialog([dir](const SaveDialogSettings&) {
             return SaveDialogResult{false, dir + "/no-such-dir/report.rtf", false};
         });
     },
     "cmdSave", EffectKind::Save},
};

class OutputFaults : public Reports, public ::testing::WithParamInterface<OutputFault> {};

TEST_P(OutputFaults, LeaveTheDialogUsable) {
    GetParam().arrange(*desktop, dir.path());
    testing::internal::CaptureStderr();
    show([](ScriptedUser& u) { u.click(GetParam().button); });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(desktop->sideEffects(GetParam().attempted).empty(), !GetParam().happens);
    for (const auto& effect : desktop->sideEffects(EffectKind::Print)) {
        EXPECT_TRUE(effect.flag) << "printed although the printer dialog gave no printer";
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("no-such-dir")));
}

INSTANTIATE_TEST_SUITE_P(Cases, OutputFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Reports, CancelledDialogsComposeAndWriteNothing) {
    show([](ScriptedUser& u) {
        u.click("cmdPrint");
        u.click("cmdSave");
    });
    EXPECT_TRUE(desktop->sideEffects(EffectKind::Print).empty());
    EXPECT_TRUE(desktop->sideEffects(EffectKind::Save).empty());
}

struct SaveCase {
    const char* name;
    const char* chosen;
    bool extensionDiffers;
    bool rich;
};

class SaveFormat : public Reports, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveFormat, FollowsTheChosenExtension) {
    SaveDialogSettings asked;
    const std::string path = dir.file(GetParam().chosen);
    desktop->onSaveDialog([&](const SaveDialogSettings& s) {
        asked = s;
        return SaveDialogResult{false, path, GetParam().extensionDiffers};
    });
    qvtest::writeFile(path, "old content");
    show([](ScriptedUser& u) { u.click("cmdSave"); });

    EXPECT_EQ(asked.title, "Save error report as...");
    EXPECT_EQ(asked.filter, "Text Files (*.txt)|*.txt|Rich Text Files (*.rtf)|*.rtf");
    EXPECT_EQ(asked.filterIndex, 2);
    EXPECT_EQ(asked.initialDirectory, dir.path());
    EXPECT_EQ(asked.fileName, "qvError");
    EXPECT_EQ(asked.defaultExtension, "rtf");
    EXPECT_EQ(asked.flags, 0xA06);

    const std::string saved = qvtest::readFile(path);
    if (GetParam().rich) {
        EXPECT_EQ(saved.rfind("{\\rtf1", 0), 0U) << saved.substr(0, 40);
        EXPECT_NE(saved.find("Save"), std::string::npos);
    } else {
        EXPECT_EQ(saved.rfind("Error Report\r\n\r\nDate: ", 0), 0U) << saved.substr(0, 40);
        EXPECT_EQ(saved.substr(saved.size() - 22), "Details: \r\nSave\r\nWrite");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveFormat,
    ::testing::Values(SaveCase{"Rtf", "report.rtf", false, true},
                      SaveCase{"NoExtensionGetsRtf", "qvError.rtf", false, true},
                      SaveCase{"Txt", "report.txt", true, false},
                      SaveCase{"OtherExtensionIsText", "report.log", true, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Hostile texts
// ---------------------------------------------------------------------------------------------

TEST_F(ErrorTest, HostileTextsAreShownAsGiven) {
    const std::string huge(1 << 20, 'x');
    const std::vector<std::string> texts = {
        huge,
        "nul\0inside"s,
        "bad \xff\xfe utf-8",
        "{\\rtf1 \\par} \\b0 {",
        "שלום עולם",
        "emoji 😀 and 👩‍👩‍👧",
    };
    for (const std::string& text : texts) {
        clsError e;
        clicks("cmdClose");
        e.Show(true, text, 0, text, text, text);
        EXPECT_EQ(seen.description, text);
        EXPECT_EQ(seen.details, text);
        EXPECT_EQ(seen.solution, text);
        EXPECT_EQ(seen.activity, "A problem occurred while " + text);
    }
}

} // namespace

// The error dialog on the headless desktop: its layout as the details open and close, and the
// printed, saved and e-mailed reports as the user asks for them.
#include "error_fixture.h"

#include "error/dlgError.h"
#include "error/report.h"
#include "support/forms.h"

#include <qvMsgErr/clsError.h>

#include <filesystem>
#include <tuple>

using namespace qvMsgErr;
using namespace errortest;
using namespace std::string_literals;
using platform::SaveDialogResult;
using platform::SaveDialogSettings;

namespace {

// --- Layout --------------------------------------------------------------------------------------

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

TEST_F(ErrorTest, DetailsToggleMovesTheSections) {
    const struct {
        std::string solution;
        int32_t number; ///< 75 has a built-in solution
        bool info;      ///< whether the information panel shows after reopening
    } cases[] = {{"", 0, false}, {" \r\n ", 75, false}, {"Reboot.", 0, true}, {"", 75, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.solution + std::to_string(c.number));
        clsError e;
        user([&](ScriptedUser& u) {
            expectLayout(u, {4255, 1350, false, true, "<< &Details"}, "at first, whatever");
            u.click("cmdDetails");
            expectLayout(u, {1950, 1350, false, false, "&Details >>"}, "collapsed");
            u.click("cmdDetails");
            expectLayout(u,
                         c.info ? Layout{6350, 3445, true, true, "<< &Details"}
                                : Layout{4255, 1350, false, true, "<< &Details"},
                         "expanded again");
            u.close();
        });
        EXPECT_EQ(e.Show(true, "d", c.number, "", c.solution), 0) << "the toggle is no answer";
    }
    EXPECT_EQ(dialogs, 4);
}

TEST_F(ErrorTest, DialogIsTopmostAndCentred) {
    clsError e;
    user([&](ScriptedUser& u) {
        const platform::Window& w = u.window();
        EXPECT_FLOAT_EQ(w.scaleWidth(), 5295);
        EXPECT_FLOAT_EQ(w.left() + w.width() / 2, headless::kScreenWidth / 2);
        EXPECT_EQ(u.control("lblversion").caption(), "1.0.72");
        u.click("cmdClose");
    });
    e.Show();
    const auto topmost = desktop->sideEffects(EffectKind::Topmost);
    ASSERT_EQ(topmost.size(), 1U);
    EXPECT_TRUE(topmost[0].flag);
    EXPECT_EQ(topmost[0].window, "dlgError");
}

// --- Reports -------------------------------------------------------------------------------------

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

TEST_F(Reports, EmailAndTwoPrintsComposeAfreshEachTime) {
    desktop->onPrinterDialog([](int32_t) { return platform::PrinterChoice{false, "Office"}; });
    show([](ScriptedUser& u) {
        u.click("cmdPrint");
        u.click("cmdEmail");
        u.click("cmdPrint");
    });
    const auto opens = desktop->sideEffects(EffectKind::ShellOpen);
    ASSERT_EQ(opens.size(), 1U);
    EXPECT_EQ(opens[0].text,
              "mailto:help@example.org?subject= Ledger error report &body=Error Report | "
              "Date: Friday, January 2, 2026 | Time: 03:04 | Application: Ledger | User: ann | "
              "Activity: A problem occurred while saving | Description: Disk full | Details:  | "
              "Save\r\nWrite");

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

TEST_F(Reports, EmptyAppNameNamesTheLibrary) {
    appName = "";
    show([](ScriptedUser& u) { u.click("cmdEmail"); });
    const std::string text = desktop->sideEffects(EffectKind::ShellOpen).at(0).text;
    EXPECT_EQ(text.rfind("mailto:help@example.org?subject=  error report &body=", 0), 0U) << text;
    EXPECT_NE(text.find("| Application: qvMsgErr |"), std::string::npos) << text;
}

struct OutputFault {
    const char* name;
    const char* button;
    int32_t dialogError; ///< what the printer or save dialog raises; 0: it chooses; -1: cancelled
    bool attempted;      ///< whether the report is handed on at all
};

const OutputFault kFaults[] = {
    {"PrinterCancelled", "cmdPrint", -1, false},
    {"PrinterCancelError", "cmdPrint", err::DialogCancel, false},
    {"PrinterDialogFails", "cmdPrint", 482, true}, // then printing to no printer fails
    {"PrinterFails", "cmdPrint", 0, true},
    {"SaveCancelled", "cmdSave", -1, false},
    {"SaveCancelError", "cmdSave", err::DialogCancel, false},
    {"SaveDialogFails", "cmdSave", 482, true},
    {"SaveTargetUnwritable", "cmdSave", 0, true},
};

class OutputFaults : public Reports, public ::testing::WithParamInterface<OutputFault> {};

TEST_P(OutputFaults, LeaveTheDialogUsable) {
    const OutputFault& f = GetParam();
    const std::string target = dir.file("no-such-dir/report.rtf");
    desktop->setPrinterFails(true);
    if (f.dialogError >= 0) {
        desktop->onPrinterDialog([&](int32_t) {
            return f.dialogError ? throw RunTimeError(f.dialogError)
                                 : platform::PrinterChoice{false, "Office"};
        });
        desktop->onSaveDialog([&](const SaveDialogSettings&) {
            return f.dialogError ? throw RunTimeError(f.dialogError)
                                 : SaveDialogResult{false, target, false};
        });
    }
    testing::internal::CaptureStderr();
    show([&](ScriptedUser& u) { u.click(f.button); });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const auto outputs =
        desktop->sideEffects(f.button == "cmdPrint"s ? EffectKind::Print : EffectKind::Save);
    EXPECT_EQ(outputs.size(), f.attempted ? 1U : 0U);
    for (const auto& effect : outputs) {
        EXPECT_TRUE(effect.flag) << "handed on although it cannot have succeeded";
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("no-such-dir")));
}

INSTANTIATE_TEST_SUITE_P(Cases, OutputFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Reports, SaveFollowsTheChosenExtension) {
    for (const bool text : {false, true}) {
        SaveDialogSettings asked;
        const std::string path = dir.file(text ? "report.log" : "report.rtf");
        desktop->onSaveDialog([&](const SaveDialogSettings& s) {
            asked = s;
            return SaveDialogResult{false, path, text};
        });
        qvtest::writeFile(path, "old content");
        show([](ScriptedUser& u) { u.click("cmdSave"); });

        EXPECT_EQ(std::tie(asked.title, asked.filter, asked.filterIndex, asked.initialDirectory,
                           asked.fileName, asked.defaultExtension, asked.flags),
                  std::make_tuple("Save error report as..."s,
                                  "Text Files (*.txt)|*.txt|Rich Text Files (*.rtf)|*.rtf"s, 2,
                                  dir.path(), "qvError"s, "rtf"s, 0xA06));
        const std::string saved = qvtest::readFile(path);
        EXPECT_TRUE(saved.starts_with(text ? "Error Report\r\n\r\nDate: " : "{\\rtf1\\ansi") &&
                    saved.ends_with(text ? "Details: \r\nSave\r\nWrite"
                                         : "Save\\par\r\n\\pard\\li250 Write}"))
            << saved;
    }
}

// --- Hostile texts -------------------------------------------------------------------------------

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

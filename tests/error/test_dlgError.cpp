// The error dialog on the headless desktop: its layout as the details open and close, and the
// printed, saved and e-mailed reports as the user asks for them, and output that fails.
#include "error_fixture.h"
#include "table.h"

#include "error/dlgError.h"
#include "error/report.h"

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

/// Inner height, top of the details, whether information and details show, the toggle's caption.
using Layout = std::tuple<float, float, bool, bool, std::string>;

Layout layout(ScriptedUser& u) {
    EXPECT_FLOAT_EQ(u.window().height() - u.window().scaleHeight(),
                    headless::kBorderHeight); // HeightFixed keeps the frame
    return {u.window().scaleHeight(), u.control("FraDetails").top(), u.control("FraInfo").visible(),
            u.control("FraDetails").visible(), u.control("cmdDetails").caption()};
}

TEST_F(ErrorTest, TopmostCentredAndTheDetailsToggleMovesTheSections) {
    // number (75 has a built-in solution), whether the information panel shows
    for (const auto& [number, info] : {std::pair(0, false), std::pair(75, true)}) {
        SCOPED_TRACE(number);
        clsError e;
        user([&, info = info](ScriptedUser& u) {
            const platform::Window& w = u.window();
            EXPECT_FLOAT_EQ(w.left() + w.width() / 2, headless::kScreenWidth / 2);
            // The solution shows from the first display on, the details open below it.
            const Layout open = info ? Layout(6350, 3445, true, true, "<< &Details")
                                     : Layout(4255, 1350, false, true, "<< &Details");
            EXPECT_EQ(layout(u), open);
            u.click("cmdDetails");
            EXPECT_EQ(layout(u), Layout(1950, info ? 3445 : 1350, false, false, "&Details >>"));
            u.click("cmdDetails");
            EXPECT_EQ(layout(u), open);
            u.close();
        });
        EXPECT_EQ(e.Show(true, "d", number), 0) << "the toggle is no answer";
    }
    const auto topmost = desktop->sideEffects(EffectKind::Topmost);
    ASSERT_EQ(topmost.size(), 2U);
    EXPECT_EQ(std::tie(topmost[0].flag, topmost[0].window), std::make_tuple(true, "dlgError"s));
}

TEST_F(ErrorTest, PartsGrowWhereTheirTextsNeedRoom) {
    for (const auto& row : qvtest::readTable("dialog-fit.txt")) {
        desktop->setMessageFontSize(std::stof(row.at(0)));
        std::vector<float> seen, expected;
        user([&](ScriptedUser& u) {
            const platform::Window& w = u.window();
            const platform::Control* c = row.at(2) == "-" ? nullptr : &u.control(row.at(2));
            seen = c ? std::vector{c->left(), c->top(), c->width(), c->height()}
                     : std::vector{w.scaleWidth(), w.scaleHeight()};
            u.close();
        });
        clsError().Show(true, row.at(1), 75);
        for (std::size_t i = 3; i < row.size(); ++i) {
            expected.push_back(std::stof(row.at(i)));
        }
        EXPECT_EQ(seen, expected) << row.at(0) << " pt, " << row.at(2);
    }
}

TEST_F(ErrorTest, AccessKeysAnswerWithoutAMouse) {
    // the key pressed with Alt, the response it gives
    for (const auto& [key, response] : {std::pair('T', 4), {'I', 5}}) {
        clsError e;
        user([key = key](ScriptedUser& u) { u.keyDown(key, platform::kAlt); });
        EXPECT_EQ(e.Show(true, "d", 0), response) << key;
    }
}

// --- Reports -------------------------------------------------------------------------------------

/// Shows one error whose dialog the user works with through `act`, then closes.
class Reports : public ErrorTest {
protected:
    void show(const std::function<void(ScriptedUser&)>& act) {
        clsError e;
        e.AppName("Ledger");
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
};

TEST_F(Reports, CtrlCCopiesTheOneLineReport) {
    show([](ScriptedUser& u) { u.keyDown('C', platform::kCtrl); });
    const auto copies = desktop->sideEffects(EffectKind::Copy);
    ASSERT_EQ(copies.size(), 1U);
    EXPECT_EQ(copies[0].text, "Error Report | Date: Friday, January 2, 2026 | Time: 03:04 | "
                              "Application: Ledger | User: ann | Activity: A problem occurred "
                              "while saving | Description: Disk full | Details:  | Save\r\nWrite");
}

TEST_F(Reports, EmailAndPrintHandTheReportOn) {
    desktop->onPrinterDialog([](int32_t) { return platform::PrinterChoice{false, "Office"}; });
    show([](ScriptedUser& u) {
        u.click("cmdPrint");
        u.click("cmdEmail");
    });
    const auto opens = desktop->sideEffects(EffectKind::ShellOpen);
    ASSERT_EQ(opens.size(), 1U);
    EXPECT_EQ(opens[0].text, qvtest::expectedText("expected.txt", "mail"));
    EXPECT_EQ(desktop->sideEffects(EffectKind::PrinterDialog).at(0).flags, 0x108);
    // The report's form is proven on its own; here, that the dialog's texts reach it.
    const auto printed = desktop->sideEffects(EffectKind::Print);
    ASSERT_EQ(printed.size(), 1U);
    EXPECT_EQ(printed[0].text, "Office");
    const std::string text = error::plainText(printed[0].document);
    EXPECT_TRUE(text.starts_with("Error Report\r\n") &&
                text.find("while saving\r\n\r\nDescription: Disk full\r\n") != std::string::npos &&
                text.ends_with("Details: \r\nSave\r\nWrite"))
        << text;
}

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
        EXPECT_EQ(desktop->sideEffects(EffectKind::SaveDialog).back().text, path);

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

TEST_F(Reports, OutputFaultsLeaveTheDialogUsable) {
    // the button; what its printer or save dialog raises (0: it chooses, -1: it is cancelled);
    // whether the report is handed on at all (and then fails: there is no printer, and the
    // target cannot be written)
    const std::tuple<const char*, int32_t, bool> cases[] = {
        {"cmdPrint", -1, false}, {"cmdPrint", 482, true},
        {"cmdPrint", 0, true},   {"cmdSave", err::DialogCancel, false},
        {"cmdSave", 482, true},  {"cmdSave", 0, true},
    };
    const std::string target = dir.file("no-such-dir/report.rtf");
    desktop->setPrinterFails(true);
    for (const auto& [button, raised, attempted] : cases) {
        SCOPED_TRACE(std::string(button) + " " + std::to_string(raised));
        desktop->clearSideEffects();
        desktop->onPrinterDialog([raised = raised](int32_t) {
            return raised > 0 ? throw RunTimeError(raised)
                              : platform::PrinterChoice{raised < 0, "Office"};
        });
        desktop->onSaveDialog([&, raised = raised](const SaveDialogSettings&) {
            return raised > 0 ? throw RunTimeError(raised)
                              : SaveDialogResult{raised < 0, target, false};
        });
        testing::internal::CaptureStderr();
        show([&, button = button](ScriptedUser& u) { u.click(button); });
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        const auto outputs =
            desktop->sideEffects(button == "cmdPrint"s ? EffectKind::Print : EffectKind::Save);
        EXPECT_EQ(outputs.size(), attempted ? 1U : 0U);
        for (const auto& effect : outputs) {
            EXPECT_TRUE(effect.flag) << "handed on although it cannot have succeeded";
        }
        EXPECT_FALSE(std::filesystem::exists(dir.file("no-such-dir")));
    }
}

} // namespace

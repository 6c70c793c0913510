// The Qt desktop's system message box, opener, printer, save dialog, environment and GUI thread.
#include "qt/qt_form_driver.h"
#include "raised.h"

#include <qvMsgErr/clsMesgBox.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <qvMsgErr/apartment.h>

#include <gtest/gtest.h>

#include <thread>
#include <tuple>
#include <utility>

namespace qvMsgErr {
namespace {

using testform::expectRunTimeError;

using qttest::RecordingOpener;
using qttest::ScopedEnv;

TEST(QtDesktop, SystemMessageBoxButtonsDefaultEscapeAndHelp) {
    using QMB = QMessageBox;
    const auto ari = QMB::Abort | QMB::Retry | QMB::Ignore;
    // Escape or the close box answers; where the set has no answer for them, or after a click on
    // Help, the box stays open and the default button answers.
    // Qt has no standard buttons for Try Again and Continue, the defaults of set 6 here: they
    // answer when clicked.
    enum How { Escape, CloseBox, NoEscape, Help, ClickDefault };
    const struct {
        int32_t flags;
        QMB::StandardButtons buttons;
        QMB::StandardButton defaultButton;
        QMB::Icon icon;
        How how;
        int32_t answer;
    } rows[] = {
        {0, QMB::Ok, QMB::Ok, QMB::NoIcon, Escape, 1},
        {1 | 16, QMB::Ok | QMB::Cancel, QMB::Ok, QMB::Critical, CloseBox, 2},
        {2 | 48, ari, QMB::Abort, QMB::Warning, NoEscape, 3},
        {3 | 32 | 0x200, QMB::Yes | QMB::No | QMB::Cancel, QMB::Cancel, QMB::Question, Escape, 2},
        {4 | 64 | 0x100, QMB::Yes | QMB::No, QMB::No, QMB::Information, NoEscape, 7},
        {5 | 0x300, QMB::Retry | QMB::Cancel, QMB::Retry, QMB::NoIcon, Escape, 2},
        {1 | 0x4000 | 0x200, QMB::Ok | QMB::Cancel | QMB::Help, QMB::Help, QMB::NoIcon, Escape, 2},
        {4 | 0x4000, QMB::Yes | QMB::No | QMB::Help, QMB::Yes, QMB::NoIcon, Help, 6},
        {6, QMB::Cancel, QMB::Cancel, QMB::NoIcon, Escape, 2},
        {6 | 0x100, QMB::Cancel, QMB::NoButton, QMB::NoIcon, ClickDefault, 10},
        {6 | 0x200, QMB::Cancel, QMB::NoButton, QMB::NoIcon, ClickDefault, 11},
    };
    const std::string helpFile = "/opt/app/help file.chm";
    for (const auto& row : rows) {
        SCOPED_TRACE("flags " + std::to_string(row.flags));
        const RecordingOpener opener;
        int32_t answer = 0;
        qttest::withModalDialog<QMessageBox>(
            [&](QMessageBox& box) {
                EXPECT_EQ(std::tuple(box.standardButtons(), box.standardButton(box.defaultButton()),
                                     box.icon(), box.text(), box.windowTitle()),
                          std::tuple(row.buttons, row.defaultButton, row.icon,
                                     QString("Line one\nline two"), QString("Title")));
                if (row.how == Help) {
                    box.button(QMB::Help)->click();
                    EXPECT_EQ(opener.received().toStdString(), helpFile);
                }
                if (row.how == CloseBox || row.how == NoEscape) {
                    box.close();
                }
                if (row.how != CloseBox && row.how != ClickDefault) {
                    QTest::keyClick(&box, Qt::Key_Escape);
                }
                if (row.how == NoEscape || row.how == Help) {
                    EXPECT_TRUE(box.isVisible()) << "no answer yet";
                }
                if (box.isVisible()) {
                    box.defaultButton()->click();
                }
            },
            [&] {
                answer = qt::makeDesktop()->systemMessageBox("Line one\r\nline two", row.flags,
                                                             "Title", helpFile, 42);
            });
        EXPECT_EQ(answer, row.answer);
    }
}

TEST(QtDesktop, HelpFilesReachTheOpenerAsAbsolutePathsNeverAsOptions) {
    const std::string here = QDir::currentPath().toStdString();
    const std::pair<std::string, std::string> rows[] = {
        {"--version", here + "/--version"},
        {"https://example.org/help", "https://example.org/help"},
    };
    for (const auto& [helpFile, argument] : rows) {
        const RecordingOpener opener;
        qt::makeDesktop()->showHelp(helpFile, 3, 0);
        EXPECT_EQ(opener.received().toStdString(), argument);
        EXPECT_EQ(opener.argumentCount(), "1");
    }
}

// What the opener and the printer receive is checked with the error report they are made for.
TEST(QtDesktop, SoundOnlyWhereThereIsAnOutput) {
    const ScopedEnv noServer("PULSE_SERVER", std::nullopt);
    const struct {
        std::vector<std::string> files; ///< below a scratch directory: "run/…", "snd/…"
        bool available;
    } rows[] = {
        {{}, false},
        {{"snd/pcmC0D0c", "snd/controlC0"}, false}, // capture only
        {{"snd/pcmC0D0p"}, true},
        {{"run/pulse/native"}, true},
        {{"run/pipewire-0"}, true},
    };
    for (const auto& row : rows) {
        qvtest::ScratchDir dir;
        std::filesystem::create_directories(dir.file("run"));
        std::filesystem::create_directories(dir.file("snd"));
        for (const auto& f : row.files) {
            std::filesystem::create_directories(std::filesystem::path(dir.file(f)).parent_path());
            qvtest::writeFile(dir.file(f), "");
        }
        EXPECT_EQ(qt::soundOutputAvailable(dir.file("run"), dir.file("snd")), row.available)
            << ::testing::PrintToString(row.files);
    }
}

TEST(QtDesktop, OpenerOrPrinterMissing) {
    for (const char* bad : {"/nonexistent/dir/report.pdf", ""}) {
        expectRunTimeError(482, std::string("printing to '") + bad + "'", [&] {
            qt::makeDesktop()->printDocument({false, bad}, {{"Error Report", "Arial", 14, true}});
        });
    }
    ScopedEnv path("PATH", "/nonexistent");
    EXPECT_NO_THROW(qt::makeDesktop()->shellOpen("https://example.com")) << "no opener";
}

TEST(QtDesktop, SaveDialogAndScriptedAnswers) {
    QTemporaryDir dir;
    platform::SaveDialogSettings settings;
    settings.title = "Save error report as...";
    // The pattern field decides what a filter shows, not what its description says.
    settings.filter = "Text Files (*.txt)|*.txt;*.text|Rich Text Files (*.rtf)|*.rtf";
    settings.filterIndex = 2;
    settings.initialDirectory = dir.path().toStdString();
    settings.fileName = "qvError";
    settings.defaultExtension = "rtf";
    settings.flags = 0xA06;
    const auto desktop = qt::makeDesktop();
    platform::SaveDialogResult chosen;
    const auto result = [&](const char* name, bool differs) {
        return std::tuple(false, dir.filePath(name).toStdString(), differs);
    };
    qttest::withModalDialog<QFileDialog>(
        [&](QFileDialog& dialog) {
            EXPECT_EQ(
                std::tuple(dialog.windowTitle(), dialog.acceptMode(), dialog.nameFilters(),
                           dialog.selectedNameFilter(), QFileInfo(dialog.directory().path()),
                           dialog.testOption(QFileDialog::DontConfirmOverwrite)),
                std::tuple(QString("Save error report as..."), QFileDialog::AcceptSave,
                           QStringList({"Text Files (*.txt *.text)", "Rich Text Files (*.rtf)"}),
                           QString("Rich Text Files (*.rtf)"), QFileInfo(dir.path()), false));
            // The user types over the proposed name in the focused name field.
            QTest::keySequence(dialog.focusWidget(), QKeySequence::SelectAll);
            QTest::keyClicks(dialog.focusWidget(), "typed by the user");
            static_cast<QDialog&>(dialog).accept(); // QFileDialog::accept checks the name
        },
        [&] { chosen = desktop->chooseSaveFile(settings); });
    EXPECT_EQ(std::tuple(chosen.cancelled, chosen.path, chosen.extensionDiffers),
              result("typed by the user.rtf", false))
        << "the default extension is added to a name without one";

    qttest::withModalDialog<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); },
                                         [&] { chosen = desktop->chooseSaveFile(settings); });
    EXPECT_TRUE(chosen.cancelled);

    // Tests answer without the dialog; the extension compares without regard to case.
    const std::tuple<const char*, const char*, bool> scripted[] = {
        {"report", "report.rtf", false},
        {"report.txt", "report.txt", true},
        {"report.RTF", "report.RTF", false}};
    for (const auto& [answer, file, differs] : scripted) {
        ScopedEnv env("QVMSGERR_SAVE_AS", answer);
        chosen = desktop->chooseSaveFile(settings);
        EXPECT_EQ(std::tuple(chosen.cancelled, chosen.path, chosen.extensionDiffers),
                  result(file, differs))
            << answer;
    }
}

TEST(QtDesktop, CancelledPrinterDialog) {
    platform::PrinterChoice choice;
    qttest::withModalDialog<QPrintDialog>(
        [](QPrintDialog& dialog) {
            EXPECT_FALSE(dialog.testOption(QAbstractPrintDialog::PrintPageRange))
                << "0x8: no page range";
            dialog.reject();
        },
        [&] { choice = qt::makeDesktop()->choosePrinter(0x108); });
    EXPECT_TRUE(choice.cancelled);
}

TEST(QtDesktop, Environment) {
    auto desktop = qt::makeDesktop();
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size() * 15;
    EXPECT_EQ(QSizeF(desktop->screenWidth(), desktop->screenHeight()), QSizeF(screen));
    const QFileInfo component(QString::fromStdString(desktop->componentDirectory()));
    EXPECT_TRUE(component.isAbsolute() && component.isDir()) << component.filePath().toStdString();
    {
        ScopedEnv env("QVMSGERR_COMPONENT_DIR", "/opt/somewhere");
        EXPECT_EQ(desktop->componentDirectory(), "/opt/somewhere");
    }
    const QString oldName = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName("Host Program");
    EXPECT_EQ(desktop->applicationTitle(), "Host Program");
    QGuiApplication::setApplicationDisplayName(oldName);
}

TEST(QtDesktop, IsTheDefaultOnTheGuiThreadOnly) {
    setThreadDesktop(nullptr);
    EXPECT_EQ(threadDesktop().name(), "qt");
    // Another thread gets no window, and hears why, instead of an answer nobody gave.
    std::string otherThread;
    RunTimeError refused;
    std::thread([&] {
        otherThread = threadDesktop().name();
        refused = testing::raised([] { clsMesgBox().msgBox("From a worker?", 4); });
        setThreadDesktop(nullptr);
    }).join();
    EXPECT_EQ(otherThread, "none");
    EXPECT_EQ(refused.Number, err::NoWindows);
    EXPECT_NE(refused.Description.find("not the thread of the program's QApplication"),
              std::string::npos)
        << refused.Description;
    qt::installDesktop();
}

} // namespace
} // namespace qvMsgErr

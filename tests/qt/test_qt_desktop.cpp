// The Qt desktop's system message box, opener, printer, save dialog and environment.
#include "qt/qt_form_driver.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <qvMsgErr/apartment.h>

#include <gtest/gtest.h>

#include <thread>

namespace qvMsgErr {
namespace {

using testform::expectRunTimeError;

using qttest::RecordingOpener;
using qttest::ScopedEnv;

TEST(QtDesktop, SystemMessageBoxButtonsDefaultAndEscape) {
    using QMB = QMessageBox;
    const struct {
        int32_t flags;
        QMB::StandardButtons buttons;
        QMB::StandardButton defaultButton;
        QMB::Icon icon;
        int32_t answer;      ///< to Escape, or to the default button when Escape leaves it open
        bool escapes = true; ///< Escape and the close box answer
    } rows[] = {
        {0, QMB::Ok, QMB::Ok, QMB::NoIcon, 1},
        {1 | 16, QMB::Ok | QMB::Cancel, QMB::Ok, QMB::Critical, 2},
        {1 | 0x100, QMB::Ok | QMB::Cancel, QMB::Cancel, QMB::NoIcon, 2},
        {2 | 48, QMB::Abort | QMB::Retry | QMB::Ignore, QMB::Abort, QMB::Warning, 3, false},
        {2 | 0x200, QMB::Abort | QMB::Retry | QMB::Ignore, QMB::Ignore, QMB::NoIcon, 5, false},
        {3 | 32 | 0x200, QMB::Yes | QMB::No | QMB::Cancel, QMB::Cancel, QMB::Question, 2},
        {4 | 64 | 0x100, QMB::Yes | QMB::No, QMB::No, QMB::Information, 7, false},
        {5 | 0x300, QMB::Retry | QMB::Cancel, QMB::Retry, QMB::NoIcon, 2},
        {1 | 0x4000 | 0x200, QMB::Ok | QMB::Cancel | QMB::Help, QMB::Help, QMB::NoIcon, 2},
        {6, QMB::Ok, QMB::Ok, QMB::NoIcon, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("flags " + std::to_string(row.flags));
        bool checked = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(qttest::waitForModal());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->standardButtons(), row.buttons);
            EXPECT_EQ(box->defaultButton(), box->button(row.defaultButton));
            EXPECT_EQ(box->icon(), row.icon);
            EXPECT_EQ(box->text(), "Line one\nline two");
            EXPECT_EQ(box->windowTitle(), "Title");
            checked = true;
            if (!row.escapes) {
                box->close();
                QTest::keyClick(box, Qt::Key_Escape);
                EXPECT_TRUE(box->isVisible()) << "this set has no answer for Escape";
                box->defaultButton()->click();
            } else if (row.flags & 0x10) {
                box->close(); // the close box answers like Escape
            } else {
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        EXPECT_EQ(
            qt::makeDesktop()->systemMessageBox("Line one\r\nline two", row.flags, "Title", {}, 0),
            row.answer);
        EXPECT_TRUE(checked);
    }
}

TEST(QtDesktop, HelpButtonOpensTheHelpFileAndKeepsTheBoxOpen) {
    RecordingOpener opener;
    auto desktop = qt::makeDesktop();
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(qttest::waitForModal());
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::Help)->click();
        EXPECT_EQ(opener.received(), "/opt/app/help file.chm");
        EXPECT_TRUE(box->isVisible());
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(desktop->systemMessageBox("?", 4 | 0x4000, "T", "/opt/app/help file.chm", 42), 6);
}

TEST(QtDesktop, ShellOpenHandsTheStringOverUnchanged) {
    RecordingOpener opener;
    const std::string target = "mailto:support@example.com?subject= App error report &body="
                               "Error Report | Details:  | line one\r\nline two & more | end";
    qt::makeDesktop()->shellOpen(target);
    EXPECT_EQ(opener.received().toStdString(), target);
}

TEST(QtDesktop, ShellOpenWithoutAnOpenerIsNoError) {
    ScopedEnv path("PATH", "/nonexistent");
    EXPECT_NO_THROW(qt::makeDesktop()->shellOpen("https://example.com"));
}

TEST(QtDesktop, PrintsToPdf) {
    QTemporaryDir dir;
    const std::string pdf = dir.filePath("report.pdf").toStdString();
    ScopedEnv env("QVMSGERR_PRINT_TO_PDF", pdf);
    auto desktop = qt::makeDesktop();
    const platform::PrinterChoice choice = desktop->choosePrinter(0x108);
    ASSERT_FALSE(choice.cancelled);
    EXPECT_EQ(choice.printer, pdf);
    platform::FormattedDocument doc{
        {"Error Report\r\n\r\n", "Arial", 14, true},
        {"Application: ", "Times New Roman", 12, true},
        {"Report Tester\r\n\r\n", "Times New Roman", 12, false},
        {"Details: \r\n", "Times New Roman", 12, true},
        {"first detail line\r\nsecond detail line", "Times New Roman", 12, false, 250},
    };
    for (const char* bad : {"/nonexistent/dir/report.pdf", ""}) {
        expectRunTimeError(482, std::string("printing to '") + bad + "'", [&] {
            desktop->printDocument({false, bad}, doc);
        });
    }
    desktop->printDocument(choice, doc);
    ASSERT_TRUE(QFileInfo(QString::fromStdString(pdf)).size() > 0);

    // Compatibility form: the PDF may set "fi" as one ligature glyph.
    const QString text =
        qttest::outputOf("pdftotext", {"-layout", QString::fromStdString(pdf), "-"})
            .normalized(QString::NormalizationForm_KC);
    if (text.isEmpty()) {
        GTEST_SKIP() << "pdftotext is not available";
    }
    for (const char* line : {"Error Report", "Application: Report Tester",
                             "Details:", "first detail line", "second detail line"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();
    }
    EXPECT_LT(text.indexOf("first detail line"), text.indexOf("second detail line"));
}

platform::SaveDialogSettings saveSettings(const QTemporaryDir& dir) {
    platform::SaveDialogSettings settings;
    settings.title = "Save error report as...";
    settings.filter = "Text Files (*.txt)|*.txt|Rich Text Files (*.rtf)|*.rtf";
    settings.filterIndex = 2;
    settings.initialDirectory = dir.path().toStdString();
    settings.fileName = "qvError";
    settings.defaultExtension = "rtf";
    settings.flags = 0xA06;
    return settings;
}

TEST(QtDesktop, ScriptedSaveAnswersAndSavedBytes) {
    QTemporaryDir dir;
    auto desktop = qt::makeDesktop();
    const struct {
        const char* answer;
        const char* file;
        bool differs;
    } rows[] = {{"report", "report.rtf", false},
                {"report.txt", "report.txt", true},
                {"report.RTF", "report.RTF", false}};
    for (const auto& r : rows) {
        ScopedEnv env("QVMSGERR_SAVE_AS", r.answer);
        const auto result = desktop->chooseSaveFile(saveSettings(dir));
        EXPECT_FALSE(result.cancelled);
        EXPECT_EQ(result.path, dir.filePath(r.file).toStdString()) << r.answer;
        EXPECT_EQ(result.extensionDiffers, r.differs) << r.answer;
    }

    const std::string bytes("{\\rtf1 a\r\nb\0c}", 14);
    const std::string path = dir.filePath("saved.rtf").toStdString();
    desktop->saveFile(path, "an older and much longer content that must disappear");
    desktop->saveFile(path, bytes);
    QFile saved(QString::fromStdString(path));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().toStdString(), bytes);
    expectRunTimeError(75, "an unwritable path",
                       [&] { desktop->saveFile("/nonexistent/dir/x.txt", bytes); });
}

TEST(QtDesktop, SaveDialog) {
    QTemporaryDir dir;
    auto desktop = qt::makeDesktop();
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(qttest::waitForModal());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Save error report as...");
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->nameFilters(),
                  QStringList({"Text Files (*.txt)", "Rich Text Files (*.rtf)"}));
        EXPECT_EQ(dialog->selectedNameFilter(), "Rich Text Files (*.rtf)");
        EXPECT_EQ(QFileInfo(dialog->directory().path()), QFileInfo(dir.path()));
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        dialog->selectFile("typed by the user");
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept checks the name
    });
    auto chosen = desktop->chooseSaveFile(saveSettings(dir));
    EXPECT_FALSE(chosen.cancelled);
    EXPECT_EQ(chosen.path, dir.filePath("typed by the user.rtf").toStdString())
        << "the default extension is added to a name without one";
    EXPECT_FALSE(chosen.extensionDiffers);

    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(qttest::waitForModal())) {
            dialog->reject();
        }
    });
    EXPECT_TRUE(desktop->chooseSaveFile(saveSettings(dir)).cancelled);
}

TEST(QtDesktop, CancelledPrinterDialog) {
    auto desktop = qt::makeDesktop();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QPrintDialog*>(qttest::waitForModal())) {
            shown = true;
            EXPECT_FALSE(dialog->testOption(QAbstractPrintDialog::PrintPageRange))
                << "0x8: no page range";
            dialog->reject();
        }
    });
    EXPECT_TRUE(desktop->choosePrinter(0x108).cancelled);
    EXPECT_TRUE(shown);
}

TEST(QtDesktop, NameFilters) {
    EXPECT_EQ(qt::nameFilters("Text Files (*.txt)|*.txt|Rich Text Files (*.rtf)|*.rtf"),
              QStringList({"Text Files (*.txt)", "Rich Text Files (*.rtf)"}));
    EXPECT_EQ(qt::nameFilters("Pictures|*.png;*.jpg|All|*.*"),
              QStringList({"Pictures (*.png *.jpg)", "All (*.*)"}));
    EXPECT_EQ(qt::nameFilters("Odd (*.old)|*.new"), QStringList({"Odd (*.new)"}))
        << "the pattern field decides";
    EXPECT_TRUE(qt::nameFilters("").isEmpty());
}

TEST(QtDesktop, DateTimeTexts) {
    const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
    const struct {
        const char* locale;
        const char *general, *longDate, *shortTime;
    } rows[] = {
        {"en_US", "1/2/26 3:04:05 AM", "Friday, January 2, 2026", "03:04"},
        {"de_DE", "02.01.26 03:04:05", "Freitag, 2. Januar 2026", "03:04"},
    };
    for (const auto& r : rows) {
        const QLocale locale(r.locale);
        using platform::DateFormat;
        EXPECT_EQ(qt::formatDateTime(DateFormat::GeneralDate, when, locale), r.general);
        EXPECT_EQ(qt::formatDateTime(DateFormat::LongDate, when, locale), r.longDate);
        EXPECT_EQ(qt::formatDateTime(DateFormat::ShortTime, when, locale), r.shortTime);
    }
}

TEST(QtDesktop, Environment) {
    auto desktop = qt::makeDesktop();
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_FLOAT_EQ(desktop->screenWidth(), static_cast<float>(screen.width() * 15));
    EXPECT_FLOAT_EQ(desktop->screenHeight(), static_cast<float>(screen.height() * 15));
    EXPECT_EQ(desktop->currentDirectory(), QDir::currentPath().toStdString());

    const QString dir = QString::fromStdString(desktop->componentDirectory());
    EXPECT_TRUE(QFileInfo(dir).isAbsolute());
    EXPECT_TRUE(QFileInfo(dir).isDir());
    {
        ScopedEnv env("QVMSGERR_COMPONENT_DIR", "/opt/somewhere");
        EXPECT_EQ(desktop->componentDirectory(), "/opt/somewhere");
    }

    const QString oldName = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName("Host Program");
    EXPECT_EQ(desktop->applicationTitle(), "Host Program");
    QGuiApplication::setApplicationDisplayName(oldName);
}

} // namespace
} // namespace qvMsgErr

namespace {

TEST(QtDesktop, IsTheDefaultOnTheGuiThreadOnly) {
    qvMsgErr::setThreadDesktop(nullptr);
    EXPECT_EQ(qvMsgErr::threadDesktop().name(), "qt");
    std::string otherThread;
    std::thread([&] { otherThread = qvMsgErr::threadDesktop().name(); }).join();
    EXPECT_EQ(otherThread, "headless");
    qvMsgErr::qt::installDesktop();
}

} // namespace

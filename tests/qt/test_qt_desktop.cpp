// The Qt desktop's system message box, opener, printer, save dialog and environment.
#include "platform/test_form.h"
#include "qt/qt_form_driver.h"

#include "platform/qt/qt_desktop_p.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace qvMsgErr {
namespace {

using testform::expectRunTimeError;

/// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

/// A fake xdg-open first on PATH that writes its first argument, byte for byte, to a file.
class RecordingOpener {
public:
    RecordingOpener()
        : record_(dir_.filePath("argument")),
          path_("PATH", dir_.path().toStdString() + ":" + std::getenv("PATH")) {
        QFile script(dir_.filePath("xdg-open"));
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"" +
                     record_.toUtf8() + "\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    /// What the opener received, once it ran (empty after five seconds without).
    QByteArray received() const {
        if (!qttest::waitFor([&] { return QFile::exists(record_); }, 5000)) {
            return {};
        }
        QFile f(record_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir dir_;
    QString record_;
    ScopedEnv path_;
};

struct MessageBoxRow {
    int32_t flags;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    int32_t escapeAnswer; ///< 0: Escape and the close box leave the box open
    QMessageBox::Icon icon;
};

void PrintTo(const MessageBoxRow& row, std::ostream* out) {
    *out << "flags " << row.flags;
}

class QtSystemMessageBox : public testing::TestWithParam<MessageBoxRow> {};

TEST_P(QtSystemMessageBox, ButtonsDefaultAndEscape) {
    const MessageBoxRow row = GetParam();
    auto desktop = qt::makeDesktop();
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
        if (row.escapeAnswer == 0) {
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
    const int32_t answer =
        desktop->systemMessageBox("Line one\r\nline two", row.flags, "Title", {}, 0);
    EXPECT_TRUE(checked);
    const int32_t defaultAnswer = [&] {
        switch (row.defaultButton) {
        case QMessageBox::Ok:
            return 1;
        case QMessageBox::Cancel:
            return 2;
        case QMessageBox::Abort:
            return 3;
        case QMessageBox::Retry:
            return 4;
        case QMessageBox::Ignore:
            return 5;
        case QMessageBox::Yes:
            return 6;
        default:
            return 7;
        }
    }();
    EXPECT_EQ(answer, row.escapeAnswer ? row.escapeAnswer : defaultAnswer);
}

using QMB = QMessageBox;
INSTANTIATE_TEST_SUITE_P(
    FlagWords, QtSystemMessageBox,
    testing::Values(MessageBoxRow{0, QMB::Ok, QMB::Ok, 1, QMB::NoIcon},
                    MessageBoxRow{1 | 16, QMB::Ok | QMB::Cancel, QMB::Ok, 2, QMB::Critical},
                    MessageBoxRow{1 | 0x100, QMB::Ok | QMB::Cancel, QMB::Cancel, 2, QMB::NoIcon},
                    MessageBoxRow{2 | 48, QMB::Abort | QMB::Retry | QMB::Ignore, QMB::Abort, 0,
                                  QMB::Warning},
                    MessageBoxRow{2 | 0x200, QMB::Abort | QMB::Retry | QMB::Ignore, QMB::Ignore, 0,
                                  QMB::NoIcon},
                    MessageBoxRow{3 | 32 | 0x200, QMB::Yes | QMB::No | QMB::Cancel, QMB::Cancel, 2,
                                  QMB::Question},
                    MessageBoxRow{4 | 64 | 0x100, QMB::Yes | QMB::No, QMB::No, 0, QMB::Information},
                    MessageBoxRow{5 | 0x300, QMB::Retry | QMB::Cancel, QMB::Retry, 2, QMB::NoIcon},
                    MessageBoxRow{1 | 0x4000 | 0x200, QMB::Ok | QMB::Cancel | QMB::Help, QMB::Help,
                                  2, QMB::NoIcon},
                    MessageBoxRow{6, QMB::Ok, QMB::Ok, 1, QMB::NoIcon}),
    [](const testing::TestParamInfo<MessageBoxRow>& info) {
        return "Flags" + std::to_string(info.param.flags);
    });

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
    desktop->printDocument(choice, doc);
    ASSERT_TRUE(QFileInfo(QString::fromStdString(pdf)).size() > 0);

    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
    if (!pdftotext.waitForFinished(20000) || pdftotext.exitCode() != 0) {
        GTEST_SKIP() << "pdftotext is not available";
    }
    // Compatibility form: the PDF may set "fi" as one ligature glyph.
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput())
                             .normalized(QString::NormalizationForm_KC);
    for (const char* line : {"Error Report", "Application: Report Tester",
                             "Details:", "first detail line", "second detail line"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();
    }
    EXPECT_LT(text.indexOf("first detail line"), text.indexOf("second detail line"));

    expectRunTimeError(
        482,
        [&] {
            desktop->printDocument({false, "/nonexistent/dir/report.pdf"}, doc);
        },
        "printing to a file that cannot be written");
    expectRunTimeError(
        482,
        [&] {
            desktop->printDocument({false, ""}, doc);
        },
        "no printer");
}

TEST(QtDesktop, SaveDialogAnswersAndSavedBytes) {
    QTemporaryDir dir;
    auto desktop = qt::makeDesktop();
    platform::SaveDialogSettings settings;
    settings.title = "Save error report as...";
    settings.filter = "Text Files (*.txt)|*.txt|Rich Text Files (*.rtf)|*.rtf";
    settings.filterIndex = 2;
    settings.initialDirectory = dir.path().toStdString();
    settings.fileName = "qvError";
    settings.defaultExtension = "rtf";
    const struct {
        const char* answer;
        const char* file;
        bool differs;
    } rows[] = {{"report", "report.rtf", false},
                {"report.txt", "report.txt", true},
                {"report.RTF", "report.RTF", false}};
    for (const auto& r : rows) {
        ScopedEnv env("QVMSGERR_SAVE_AS", r.answer);
        const auto result = desktop->chooseSaveFile(settings);
        EXPECT_FALSE(result.cancelled);
        EXPECT_EQ(result.path, dir.filePath(r.file).toStdString()) << r.answer;
        EXPECT_EQ(result.extensionDiffers, r.differs) << r.answer;
    }

    const std::string bytes("{\\rtf1 a\r\nb\0c}", 14);
    const std::string path = dir.filePath("saved.rtf").toStdString();
    desktop->saveFile(path, bytes);
    desktop->saveFile(path, bytes); // replaces
    QFile saved(QString::fromStdString(path));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().toStdString(), bytes);
    expectRunTimeError(
        75, [&] { desktop->saveFile("/nonexistent/dir/x.txt", bytes); }, "an unwritable path");
}

TEST(QtDesktop, SaveDialog) {
    QTemporaryDir dir;
    auto desktop = qt::makeDesktop();
    platform::SaveDialogSettings settings;
    settings.title = "Save error report as...";
    settings.filter = "Text Files (*.txt)|*.txt|Rich Text Files (*.rtf)|*.rtf";
    settings.filterIndex = 2;
    settings.initialDirectory = dir.path().toStdString();
    settings.fileName = "qvError";
    settings.defaultExtension = "rtf";
    settings.flags = 0xA06;

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
    auto chosen = desktop->chooseSaveFile(settings);
    EXPECT_FALSE(chosen.cancelled);
    EXPECT_EQ(chosen.path, dir.filePath("typed by the user.rtf").toStdString())
        << "the default extension is added to a name without one";
    EXPECT_FALSE(chosen.extensionDiffers);

    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(qttest::waitForModal())) {
            dialog->reject();
        }
    });
    chosen = desktop->chooseSaveFile(settings);
    EXPECT_TRUE(chosen.cancelled);
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
        platform::DateFormat format;
        const char* text;
    } rows[] = {
        {"en_US", platform::DateFormat::GeneralDate, "1/2/26 3:04:05 AM"},
        {"en_US", platform::DateFormat::LongDate, "Friday, January 2, 2026"},
        {"en_US", platform::DateFormat::ShortTime, "03:04"},
        {"de_DE", platform::DateFormat::GeneralDate, "02.01.26 03:04:05"},
        {"de_DE", platform::DateFormat::LongDate, "Freitag, 2. Januar 2026"},
        {"de_DE", platform::DateFormat::ShortTime, "03:04"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(qt::formatDateTime(r.format, when, QLocale(r.locale)), r.text) << r.locale;
    }
}

TEST(QtDesktop, Environment) {
    auto desktop = qt::makeDesktop();
    EXPECT_EQ(desktop->name(), "qt");
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

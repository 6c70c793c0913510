// The error dialog on the Qt desktop, worked with real mouse clicks: the printed, saved and
// e-mailed reports, and pictures of its three layouts.
// What the dialog decides is proven on the headless desktop; here, that Qt delivers it.
#include "qt/qt_form_driver.h"
#include "table.h"

#include "support/forms.h"

#include <qvMsgErr/clsError.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

namespace qvMsgErr {
namespace {

using qttest::QtFormDriver;
using qvtest::ScopedEnv;

class QtErrorDialog : public ::testing::Test {
protected:
    QtErrorDialog() {
        ledger.AppName("Ledger");
        ledger.UserName("ann");
        ledger.SupportEmail("help@example.org");
    }
    void TearDown() override {
        EXPECT_EQ(loadedFormCount(), 0U) << "a test left windows of the library open";
        unloadAllForms();
    }

    /// Shows an error with these texts modally and hands the dialog to `user` once it is up and
    /// active; a dialog the user left open is closed with its Close button. By default, error 75
    /// as a ledger program's failed save, whose procedures the library's handlers end in "&" and
    /// the dialog makes lines.
    int16_t show(const std::function<void(qt::QtWindow&)>& user, int32_t number = 75,
                 const std::string& description = "Path/File access error",
                 const std::string& details = "LedgerFile.Save&WriteRecord&OpenStream&",
                 const std::string& solution = {},
                 const std::string& activity = "saving the ledger") {
        int16_t result = 0;
        const auto thenClose = [&](qt::QtWindow& w) {
            user(w);
            if (w.isVisible()) {
                QtFormDriver(w).click("cmdClose");
            }
        };
        qttest::withModalWindow("dlgError", thenClose, [&] {
            result = ledger.Show(true, description, number, details, solution, activity);
        });
        return result;
    }

    clsError ledger;
};

// On top, and as seen centred on the screen, frame included. Real keys: Tab walks from Close as the
// eye does and leaves every text area that takes typing, Ctrl+Tab types a tab into one, and Ctrl+C
// where nothing is selected copies the one-line report. Screen readers hear an alert with the
// error, its areas by name, and not the version.
TEST_F(QtErrorDialog, CentredReachedByKeysAndHeardAsAnAlert) {
    const QPointF screen = QRectF(QGuiApplication::primaryScreen()->availableGeometry()).center();
    show([&](qt::QtWindow& w) {
        EXPECT_TRUE(w.dialog()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        const QPointF seen = QRectF(w.dialog()->frameGeometry()).center();
        EXPECT_NEAR(seen.x(), screen.x(), 1);
        EXPECT_NEAR(seen.y(), screen.y(), 1);

        std::string walk = w.controlOf(QApplication::focusWidget())->name();
        for (int i = 0; i < 12; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walk += " " + w.controlOf(QApplication::focusWidget())->name();
        }
        EXPECT_EQ(walk, "cmdClose cmdDetails rtfActivity rtfDescription rtfSolution rtfDetails "
                        "cmdRetry cmdIgnore cmdAbort cmdSave cmdPrint cmdEmail cmdClose");
        QWidget* details = qt::widgetOf(w.control("rtfDetails"));
        QTest::keyClick(details, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_NE(w.control("rtfDetails").text().find('\t'), std::string::npos);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("Error Report | Date: "));

        const auto* dialog = QAccessible::queryAccessibleInterface(w.dialog());
        EXPECT_EQ(dialog->role(), QAccessible::AlertMessage);
        EXPECT_EQ(dialog->text(QAccessible::Description), "Path/File access error");
        const auto heard = [&](const char* name) {
            return QAccessible::queryAccessibleInterface(qt::widgetOf(w.control(name)));
        };
        EXPECT_EQ(heard("rtfActivity")->text(QAccessible::Name), "Activity");
        EXPECT_EQ(heard("rtfDescription")->text(QAccessible::Name), "Error");
        EXPECT_EQ(heard("rtfDetails")->text(QAccessible::Name), "Details");
        EXPECT_TRUE(heard("lblversion")->state().invisible);
        EXPECT_EQ(std::pair(heard("imgError")->role(), heard("imgError")->text(QAccessible::Name)),
                  std::pair(QAccessible::Graphic, QString("Error")));
    });
}

// --- Reports -------------------------------------------------------------------------------------

// The E-mail button hands the opener one link, which Qt's URI parser reads as a mail to support
// with a subject and a body and nothing else, whatever the texts; the body carries the texts the
// dialog's areas hand back.
TEST_F(QtErrorDialog, NoTextChangesWhoTheMailGoesToOrWhatItCarries) {
    for (const auto& row : qvtest::readTable("mail-texts.txt")) {
        const std::string& text = row.at(0);
        const qttest::RecordingOpener opener;
        std::vector<std::string> received;
        ledger.AppName(text);
        show(
            [&](qt::QtWindow& w) {
                QtFormDriver(w).click("cmdEmail");
                received = opener.received();
            },
            75, text, text, {}, text);
        ASSERT_EQ(received.size(), 1U) << "one argument for the opener";
        const QUrl url(QString::fromStdString(received[0]), QUrl::StrictMode);
        const QUrlQuery query(url);
        QStringList keys;
        for (const auto& item : query.queryItems()) {
            keys << item.first;
        }
        EXPECT_EQ(std::tuple(url.isValid(), url.scheme(), url.path(QUrl::FullyDecoded), keys),
                  std::tuple(true, QString("mailto"), QString("help@example.org"),
                             QStringList({"subject", "body"})))
            << received[0].substr(0, 300);
        // The details' "&" become line breaks in the dialog, so the details are looked for as
        // the dialog shows them.
        const QString body = query.queryItemValue("body", QUrl::FullyDecoded);
        const QString shown = QString::fromStdString(text);
        for (const QString& part :
             {"Activity: A problem occurred while " + shown, "Description: " + shown + " | ",
              "Details:  | " + QString(shown).replace("&", "\r\n").trimmed()}) {
            EXPECT_TRUE(body.contains(part)) << part.toStdString();
        }
    }
}

// Every text of the dialog a mebibyte long: it comes up at once (its test has a minute), the areas
// hand back exactly what they were given, and an area that shows only part of its text cannot be
// edited, since an edit could not reach the rest.
TEST_F(QtErrorDialog, MebibyteTextsShowAtOnceAndStayWhole) {
    for (const auto& [what, text] : qttest::mebibyteTexts()) {
        SCOPED_TRACE(what);
        ledger.AppName(text);
        ledger.UserName(text);
        show(
            [&](qt::QtWindow& w) {
                QtFormDriver(w).click("cmdDetails");
                for (const char* name : {"rtfDescription", "rtfSolution"}) {
                    EXPECT_TRUE(w.control(name).text() == text) << name; // megabytes: not printed
                }
                const auto* details =
                    qobject_cast<QTextEdit*>(qt::widgetOf(w.control("rtfDetails")));
                EXPECT_TRUE(details && details->isReadOnly());
            },
            75, text, text, text, text);
    }
}

// What goes into a report, and how the Qt desktop saves it, is proven elsewhere; here, that the
// dialog's Qt controls hand their texts over and the printer keeps the formatting.
TEST_F(QtErrorDialog, PrintAndSaveHandTheReportOn) {
    const qvtest::ScratchDir dir;
    const std::string rtf = dir.file("report.rtf");
    const QString pdf =
        QDir(qttest::testOutputDirectory()).filePath("error-report.pdf"); // to look at
    QFile::remove(pdf);
    ScopedEnv printer("QVMSGERR_PRINT_TO_PDF", pdf.toStdString());
    ScopedEnv answer("QVMSGERR_SAVE_AS", rtf);
    EXPECT_EQ(show([&](qt::QtWindow& w) {
                  QtFormDriver(w).click("cmdPrint");
                  QtFormDriver(w).click("cmdSave");
              }),
              3);
    EXPECT_TRUE(qvtest::readFile(rtf).starts_with("{\\rtf1"));

    ASSERT_GT(QFileInfo(pdf).size(), 0);
    // On paper the details stand below their label, indented alike, a line each.
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", pdf, "-"});
    if (!pdftotext.waitForFinished(30000) || pdftotext.exitCode() != 0) {
        GTEST_SKIP() << "pdftotext is not available";
    }
    const QRegularExpression details(
        "\nDetails:\n( +)LedgerFile\\.Save\n\\1WriteRecord\n\\1OpenStream\n");
    EXPECT_TRUE(QString::fromUtf8(pdftotext.readAllStandardOutput()).contains(details));
}

// --- Pictures ------------------------------------------------------------------------------------

// Each layout is pictured as error-dialog-<layout>-<dpi>dpi.png in the test output directory and
// checked for what a user notices first: error 75 (it has a built-in solution) as it opens and
// collapsed, an error without a solution or details (the details box's note), and error 75 on a
// dark desktop.
TEST_F(QtErrorDialog, PicturesOfTheThreeLayouts) {
    // the layout, the error's number, whether the details are closed first, the message font
    const QPalette light = QApplication::palette();
    for (const auto& [layout, number, collapse, points] :
         {std::tuple{"expanded-solution", 75, false, 8},
          {"collapsed", 75, true, 8},
          {"expanded", 0, false, 8},
          {"expanded-solution-dark", 75, false, 8},
          {"expanded-solution-150", 75, false, 12},
          {"expanded-solution-200", 75, false, 16},
          {"expanded-solution-de", 75, false, 8},
          {"expanded-solution-he", 75, false, 8}}) {
        SCOPED_TRACE(layout);
        const std::string_view name(layout);
        qt::setLanguage(name.ends_with("-de") ? "de_DE" : name.ends_with("-he") ? "he_IL" : "C");
        QApplication::setPalette(std::string_view(layout).ends_with("dark")
                                     ? QPalette(QColor(0x35, 0x35, 0x35))
                                     : light);
        QApplication::setFont(QFont("Arial", points), "QMessageBox");
        const auto user = [&, layout = layout, collapse = collapse](qt::QtWindow& w) {
            if (collapse) {
                QtFormDriver(w).click("cmdDetails");
            }
            const qttest::Picture p(w.dialog(), QStringLiteral("error-dialog-") + layout);
            QRectF symbol(6, 6, 64, 64); // on the right where the window is mirrored
            if (w.dialog()->layoutDirection() == Qt::RightToLeft) {
                symbol.moveRight(w.dialog()->width() - symbol.left());
            }
            EXPECT_GT(p.marked(symbol), static_cast<int>(500 * p.dpr * p.dpr)) << "the symbol";
            // The short texts of the upper part show whole; the longer ones may scroll.
            qttest::expectTidyLayout(w, {.whole = {"rtfActivity", "rtfDescription"}});
        };
        EXPECT_EQ(show(user, number, "Path/File access error",
                       number ? "LedgerFile.Save&WriteRecord&OpenStream&" : ""),
                  3);
    }
    QApplication::setPalette(light);
    QApplication::setFont(QFont("Arial", 8), "QMessageBox");
    qt::setLanguage("C");
}

} // namespace
} // namespace qvMsgErr

// The error dialog on the Qt desktop, worked with real mouse clicks and keys: the answers, the
// shutdown question, the printed, saved and e-mailed reports, and pictures of its three layouts.
// What the dialog decides is proven on the headless desktop; here, that Qt delivers it.
#include "qt/qt_form_driver.h"

#include "support/forms.h"

#include <qvMsgErr/clsError.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>

namespace qvMsgErr {
namespace {

using qttest::ScopedEnv;

/// The error dialog behind a top-level widget, or nullptr for any other window.
qt::QtWindow* errorWindow(QWidget* widget) {
    return qttest::libraryWindow(widget, "dlgError");
}

using qttest::click;

void click(qt::QtWindow& w, const char* name) {
    click(qt::widgetOf(w.control(name)));
}

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

    /// Shows a ledger program's failed save modally and hands the dialog to `user` once it is up
    /// and active. A user that leaves the dialog open fails the test; a watchdog ends every modal
    /// display after a minute.
    int16_t showLedgerError(const std::function<void(qt::QtWindow&)>& user) {
        int16_t result = 0;
        // The library's handlers end each procedure name in "&"; the dialog makes them lines.
        qttest::withModalWindow("dlgError", user, [&] {
            result =
                ledger.Show(true, "Path/File access error", 75,
                            "LedgerFile.Save&WriteRecord&OpenStream&", {}, "saving the ledger");
        });
        return result;
    }

    clsError ledger;
};

// --- Answers -------------------------------------------------------------------------------------

TEST_F(QtErrorDialog, RealClicksAndEscapeAnswer) {
    for (const auto& [button, answer] :
         {std::pair{"cmdClose", 3}, std::pair{"cmdRetry", 4}, std::pair{"cmdIgnore", 5}}) {
        EXPECT_EQ(showLedgerError([button = button](qt::QtWindow& w) { click(w, button); }), answer)
            << button;
    }
    EXPECT_EQ(showLedgerError([](qt::QtWindow& w) {
                  QWidget* focus = w.dialog()->focusWidget();
                  QTest::keyClick(focus ? focus : w.dialog(), Qt::Key_Escape);
              }),
              3);
}

// --- Close all -----------------------------------------------------------------------------------

/// Answers the shutdown question, a real QMessageBox, with a click on `answer` once it is up.
void answerShutdownQuestion(QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [answer] {
        auto* box = qobject_cast<QMessageBox*>(qttest::waitForModal());
        if (!box) {
            ADD_FAILURE() << "no shutdown question";
            return;
        }
        EXPECT_EQ(box->text(), "This will close Ledger. Are you sure you want to do this?");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        click(box->button(answer));
        EXPECT_FALSE(box->isVisible()) << "the click did not answer the question";
        box->hide();
    });
}

TEST_F(QtErrorDialog, CloseAllAsksThenClosesEveryWindow) {
    int aborts = 0;
    ledger.Abort.connect([&] { ++aborts; });

    clsError other; // a second error, left open without a modal display
    other.Show(false, "Another error");
    QPointer<QWidget> otherDialog;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && errorWindow(w)) {
            otherDialog = w;
        }
    }
    ASSERT_TRUE(otherDialog);

    // Show returns what the object last heard: nothing yet.
    EXPECT_EQ(showLedgerError([&](qt::QtWindow& w) {
                  answerShutdownQuestion(QMessageBox::No);
                  click(w, "cmdAbort");
                  EXPECT_EQ(aborts, 0) << "No keeps everything open";
                  EXPECT_TRUE(otherDialog && otherDialog->isVisible());

                  answerShutdownQuestion(QMessageBox::Yes);
                  click(w, "cmdAbort");
                  EXPECT_FALSE(w.isLoaded());
                  EXPECT_EQ(aborts, 1) << "the host hears of it before Show returns";
                  EXPECT_TRUE(!otherDialog || !otherDialog->isVisible());
              }),
              0);
}

// --- Reports -------------------------------------------------------------------------------------

// What goes into a report, and how the Qt desktop prints, saves and opens, is proven elsewhere;
// here, that the dialog's Qt controls hand their texts over and the printer keeps the formatting.
TEST_F(QtErrorDialog, PrintSaveAndEmailHandTheReportOn) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("report.pdf"), rtf = dir.filePath("report.rtf");
    ScopedEnv printer("QVMSGERR_PRINT_TO_PDF", pdf.toStdString());
    ScopedEnv answer("QVMSGERR_SAVE_AS", rtf.toStdString());
    qttest::RecordingOpener opener;
    QByteArray received;
    EXPECT_EQ(showLedgerError([&](qt::QtWindow& w) {
                  click(w, "cmdPrint");
                  click(w, "cmdSave");
                  click(w, "cmdEmail");
                  received = opener.received();
                  click(w, "cmdClose");
              }),
              3);

    // One argument, raw: the details keep their CR LF, nothing is escaped. Date and time are the
    // desktop's clock, checked in its own tests, and the minute may turn while a test runs.
    EXPECT_EQ(opener.argumentCount(), "1");
    EXPECT_EQ(QString::fromUtf8(received)
                  .replace(QRegularExpression("Date: [^|]* \\| Time: [^|]* "),
                           "Date: <date> | Time: <time> ")
                  .toStdString(),
              "mailto:help@example.org?subject= Ledger error report &body=Error Report | "
              "Date: <date> | Time: <time> | Application: Ledger | User: ann | "
              "Activity: A problem occurred while saving the ledger | "
              "Description: Path/File access error | Details:  | "
              "LedgerFile.Save\r\nWriteRecord\r\nOpenStream");

    QFile saved(rtf);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().startsWith("{\\rtf1"));

    ASSERT_GT(QFileInfo(pdf).size(), 0);
    const QString copy = QDir(qttest::testOutputDirectory()).filePath("error-report.pdf");
    QFile::remove(copy);
    QFile::copy(pdf, copy); // to look at
    // The details stand 250 twips (12.5 pt) to the right of their label on paper.
    const QString boxes = qttest::outputOf("pdftotext", {"-bbox", pdf, "-"});
    if (boxes.isEmpty()) {
        GTEST_SKIP() << "pdftotext is not available";
    }
    const auto leftOf = [&](const QString& word) {
        const auto m = QRegularExpression("xMin=\"([0-9.]+)\"[^>]*>" + word + "<").match(boxes);
        return m.hasMatch() ? m.captured(1).toDouble() : -1000.0;
    };
    EXPECT_NEAR(leftOf("LedgerFile.Save") - leftOf("Details:"), 12.5, 1.0);

    // The heading is set in the family Arial resolves to, the body in Times New Roman's.
    const QString heading = QFontInfo(QFont("Arial")).family().remove(' ');
    const QString body = QFontInfo(QFont("Times New Roman")).family().remove(' ');
    if (heading == body) {
        GTEST_SKIP() << "both fonts resolve to " << heading.toStdString() << " here";
    }
    const QString fonts = qttest::outputOf("pdffonts", {pdf});
    EXPECT_TRUE(fonts.contains(heading + "-Bold")) << fonts.toStdString();
    EXPECT_TRUE(fonts.contains(body + "-Bold")) << "labels\n" << fonts.toStdString();
    EXPECT_TRUE(QRegularExpression("(^|\\s|\\+)" + body + "(-Regular)?\\s").match(fonts).hasMatch())
        << "values\n"
        << fonts.toStdString();
}

// --- Pictures ------------------------------------------------------------------------------------

/// Grabs the dialog as it looks now, checks what a user would notice first, and writes the
/// picture as error-dialog-<state>-<dpi>dpi.png to the test output directory.
void picture(qt::QtWindow& w, const char* state, float innerHeight) {
    SCOPED_TRACE(state);
    QDialog* dialog = w.dialog();
    QTest::qWait(50); // let the relayout after the toggle be painted
    const QPixmap picture = dialog->grab();
    const qreal dpr = picture.devicePixelRatio();
    const int dpi = static_cast<int>(std::lround(dialog->screen()->logicalDotsPerInchX() * dpr));
    const QImage image = picture.toImage();
    EXPECT_EQ(image.width(), std::lround(std::lround(5295 / 15.0) * dpr));
    EXPECT_EQ(image.height(), std::lround(std::lround(innerHeight / 15.0) * dpr));

    const QRgb background = dialog->palette().color(QPalette::Window).rgb();
    const QRect icon(static_cast<int>(6 * dpr), static_cast<int>(6 * dpr),
                     static_cast<int>(64 * dpr), static_cast<int>(64 * dpr));
    EXPECT_GT(qttest::pixelsOtherThan(image, icon, background), static_cast<int>(500 * dpr * dpr))
        << "the error symbol";

    // The short texts of the upper part show whole; the longer ones may scroll.
    qttest::expectTidyLayout(w, {}, {"rtfActivity", "rtfDescription"});

    const QString file =
        QString("%1/error-dialog-%2-%3dpi.png").arg(qttest::testOutputDirectory(), state).arg(dpi);
    EXPECT_TRUE(picture.save(file)) << file.toStdString();
}

TEST_F(QtErrorDialog, PicturesOfTheThreeLayouts) {
    // Error 75 has a built-in solution; it shows once the details are opened again.
    EXPECT_EQ(showLedgerError([](qt::QtWindow& w) {
                  picture(w, "expanded", 4255);
                  click(w, "cmdDetails");
                  picture(w, "collapsed", 1950);
                  click(w, "cmdDetails");
                  picture(w, "expanded-solution", 6350);
                  click(w, "cmdClose");
              }),
              3);
}

} // namespace
} // namespace qvMsgErr

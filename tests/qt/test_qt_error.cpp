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
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace qvMsgErr {
namespace {

using qttest::ScopedEnv;

/// The error dialog behind a top-level widget, or nullptr for any other window.
qt::QtWindow* errorWindow(QWidget* widget) {
    auto* dialog = dynamic_cast<qt::FormDialog*>(widget);
    return dialog && dialog->owner && dialog->owner->design().name == "dlgError" ? dialog->owner
                                                                                 : nullptr;
}

/// A left click in the middle of `w`, which must be on screen: what a user can reach.
void click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible()) << "a hidden " << w->metaObject()->className();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}

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
        bool ran = false;
        const qttest::ModalWatchdog watchdog;
        QTimer::singleShot(0, [&] {
            qt::QtWindow* w = errorWindow(qttest::waitForModal());
            if (!w) {
                ADD_FAILURE() << "the error dialog did not come up";
                qttest::hideModals();
                return;
            }
            EXPECT_TRUE(QTest::qWaitForWindowActive(w->dialog()));
            EXPECT_TRUE(QTest::qWaitForWindowExposed(w->dialog()));
            user(*w);
            ran = true;
            if (w->isLoaded() && w->isVisible()) {
                ADD_FAILURE() << "the user left the error dialog open";
                unloadAllForms();
            }
        });
        // The library's handlers end each procedure name in "&"; the dialog makes them lines.
        const int16_t result =
            ledger.Show(true, "Path/File access error", 75,
                        "LedgerFile.Save&WriteRecord&OpenStream&", {}, "saving the ledger");
        EXPECT_TRUE(ran) << "the user never saw the error dialog";
        return result;
    }

    clsError ledger;
};

// --- Answers -------------------------------------------------------------------------------------

struct AnswerCase {
    const char* button; ///< clicked; nullptr: Escape on whatever has the focus
    int16_t result;
};

void PrintTo(const AnswerCase& c, std::ostream* out) {
    *out << (c.button ? c.button : "Escape");
}

class Answers : public QtErrorDialog, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(Answers, ReachShow) {
    EXPECT_EQ(showLedgerError([](qt::QtWindow& w) {
                  if (GetParam().button) {
                      click(w, GetParam().button);
                  } else {
                      QWidget* focus = w.dialog()->focusWidget();
                      QTest::keyClick(focus ? focus : w.dialog(), Qt::Key_Escape);
                  }
              }),
              GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(QtErrorDialog, Answers,
                         ::testing::Values(AnswerCase{"cmdClose", 3}, AnswerCase{"cmdRetry", 4},
                                           AnswerCase{"cmdIgnore", 5}, AnswerCase{nullptr, 3}),
                         [](const auto& info) {
                             return std::string(info.param.button ? info.param.button : "Escape");
                         });

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

/// `text` with the values after "Date: " and "Time: " written as <date> and <time>. They are the
/// desktop's clock in its formats, checked at fixed moments elsewhere, and the minute may turn
/// while a test runs; every other byte of a report is the dialog's own.
std::string withoutClock(const QString& text) {
    return QString(text)
        .replace(QRegularExpression("Date: [^|\\n]*[^|\\s]"), "Date: <date>")
        .replace(QRegularExpression("Time: [^|\\n]*[^|\\s]"), "Time: <time>")
        .toStdString();
}

TEST_F(QtErrorDialog, PrintWritesTheReportWithHeadingAndBodyFonts) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("report.pdf");
    ScopedEnv printer("QVMSGERR_PRINT_TO_PDF", pdf.toStdString());
    EXPECT_EQ(showLedgerError([](qt::QtWindow& w) {
                  click(w, "cmdPrint");
                  click(w, "cmdClose");
              }),
              3);
    ASSERT_GT(QFileInfo(pdf).size(), 0);
    const QString copy = QDir(qttest::testOutputDirectory()).filePath("error-report.pdf");
    QFile::remove(copy);
    QFile::copy(pdf, copy); // to look at

    const QString text = qttest::outputOf("pdftotext", {"-layout", pdf, "-"});
    if (text.isEmpty()) {
        GTEST_SKIP() << "pdftotext is not available";
    }
    // Layout spacing aside (and "fi" set as one ligature glyph), line for line the report; the
    // trailing space of "Details: " is no text of the page.
    QStringList lines;
    for (const QString& line : text.normalized(QString::NormalizationForm_KC).split('\n')) {
        lines.push_back(line.simplified());
    }
    lines.removeAll(QString());
    if (!lines.empty() && lines.back() == "1") {
        lines.pop_back(); // the page number
    }
    EXPECT_EQ(withoutClock(lines.join('\n')),
              "Error Report\nDate: <date>\nTime: <time>\nApplication: Ledger\nUser: ann\n"
              "Activity: A problem occurred while saving the ledger\n"
              "Description: Path/File access error\nDetails:\n"
              "LedgerFile.Save\nWriteRecord\nOpenStream");

    // The details stand 250 twips (12.5 pt) to the right of their label on paper.
    const QString boxes = qttest::outputOf("pdftotext", {"-bbox", pdf, "-"});
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

struct SaveCase {
    const char* name;
    const char* answer;  ///< what the user types into the save dialog
    const char* written; ///< the file that appears; nullptr: none
    const char* start;   ///< how it starts
};

void PrintTo(const SaveCase& c, std::ostream* out) {
    *out << c.name;
}

class Save : public QtErrorDialog, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(Save, WritesTheChosenFormat) {
    QTemporaryDir dir;
    ScopedEnv answer("QVMSGERR_SAVE_AS", dir.filePath(GetParam().answer).toStdString());
    EXPECT_EQ(showLedgerError([](qt::QtWindow& w) {
                  click(w, "cmdSave");
                  click(w, "cmdClose");
              }),
              3);
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    if (!GetParam().written) {
        EXPECT_TRUE(files.isEmpty()) << files.join(' ').toStdString();
        return;
    }
    ASSERT_EQ(files, QStringList{GetParam().written});
    QFile file(dir.filePath(GetParam().written));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_TRUE(saved.startsWith(GetParam().start)) << saved.left(40).toStdString();
    EXPECT_TRUE(saved.contains("OpenStream"));
}

INSTANTIATE_TEST_SUITE_P(
    QtErrorDialog, Save,
    ::testing::Values(SaveCase{"RichText", "report.rtf", "report.rtf", "{\\rtf1"},
                      SaveCase{"PlainText", "report.txt", "report.txt", "Error Report\r\n\r\n"},
                      SaveCase{"NoExtensionGetsRtf", "report", "report.rtf", "{\\rtf1"},
                      SaveCase{"UnwritableTarget", "no-such-dir/report.rtf", nullptr, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtErrorDialog, EmailHandsTheWholeReportToTheOpener) {
    qttest::RecordingOpener opener;
    QByteArray received;
    EXPECT_EQ(showLedgerError([&](qt::QtWindow& w) {
                  click(w, "cmdEmail");
                  received = opener.received();
                  click(w, "cmdClose");
              }),
              3);
    EXPECT_EQ(opener.argumentCount(), "1");
    // One argument, raw: the details keep their CR LF, nothing is escaped.
    EXPECT_EQ(withoutClock(QString::fromUtf8(received)),
              "mailto:help@example.org?subject= Ledger error report &body=Error Report | "
              "Date: <date> | Time: <time> | Application: Ledger | User: ann | "
              "Activity: A problem occurred while saving the ledger | "
              "Description: Path/File access error | Details:  | "
              "LedgerFile.Save\r\nWriteRecord\r\nOpenStream");
}

TEST_F(QtErrorDialog, EmailWithoutAnOpenerLeavesTheDialogUsable) {
    QTemporaryDir empty;
    ScopedEnv path("PATH", empty.path().toStdString());
    EXPECT_EQ(showLedgerError([](qt::QtWindow& w) {
                  click(w, "cmdEmail");
                  click(w, "cmdClose");
              }),
              3);
}

// --- Pictures ------------------------------------------------------------------------------------

/// A text fits the widget that shows it: nothing is cut off at the sides or the bottom.
void expectTextFits(QWidget* w, const std::string& name) {
    SCOPED_TRACE(name);
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        const QFontMetrics fm(b->font());
        const QString text = b->text().remove(QRegularExpression("&(?!&)"));
        const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
        EXPECT_LE(fm.horizontalAdvance(text) + margin, b->width()) << text.toStdString();
        EXPECT_LE(fm.height() + 4, b->height()) << text.toStdString();
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        const QFontMetrics fm(l->font());
        const QRect room = l->contentsRect();
        const int wrap = l->wordWrap() ? static_cast<int>(Qt::TextWordWrap) : 0;
        const QRect need =
            fm.boundingRect(room, static_cast<int>(Qt::AlignLeft | Qt::AlignTop) | wrap, l->text());
        EXPECT_LE(need.width(), room.width()) << l->text().toStdString();
        EXPECT_LE(need.height(), room.height()) << l->text().toStdString();
    } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
        // Longer texts scroll; the short ones of the upper part must show whole.
        const bool needsScrolling = t->document()->size().height() > t->viewport()->height();
        if (name == "rtfActivity" || name == "rtfDescription") {
            EXPECT_FALSE(needsScrolling) << t->toPlainText().toStdString();
        } else if (needsScrolling) {
            EXPECT_TRUE(t->verticalScrollBar()->isVisible()) << "no way to the rest of the text";
        }
    }
}

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

    // Each text fits, and no two controls of one container overlap.
    std::vector<std::pair<const platform::ControlDesign*, QWidget*>> shown;
    for (const platform::ControlDesign& c : w.design().controls) {
        QWidget* widget = qt::widgetOf(w.control(c.name, c.index));
        if (!widget || !widget->isVisibleTo(dialog)) {
            continue;
        }
        expectTextFits(widget, c.name);
        for (const auto& [other, otherWidget] : shown) {
            EXPECT_TRUE(other->container != c.container ||
                        !widget->geometry().intersects(otherWidget->geometry()))
                << c.name << " overlaps " << other->name;
        }
        shown.emplace_back(&c, widget);
    }

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

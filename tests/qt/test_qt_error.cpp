// The error dialog on the Qt desktop, worked with real mouse clicks and keys: the answers, the
// shutdown question, the printed, saved and e-mailed reports, and pictures of its three layouts.
#include "qt/qt_form_driver.h"

#include "support/forms.h"

#include <qvMsgErr/apartment.h>
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
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace qvMsgErr {
namespace {

// What the user of these tests has in front of them: a ledger program that failed to save.
constexpr const char* kAppName = "Ledger";
constexpr const char* kUserName = "ann";
constexpr const char* kSupport = "help@example.org";
constexpr const char* kActivity = "saving the ledger";
constexpr const char* kDescription = "Path/File access error";
constexpr int32_t kNumber = 75;
// The library's own handlers end each procedure name in "&"; the dialog turns them into lines.
constexpr const char* kDetails = "LedgerFile.Save&WriteRecord&OpenStream&";
const std::vector<std::string> kDetailLines = {"LedgerFile.Save", "WriteRecord", "OpenStream"};

/// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value) : name_(name), old_(qgetenv(name)) {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedEnv() { old_.isNull() ? qunsetenv(name_) : qputenv(name_, old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    QByteArray old_;
};

// ---------------------------------------------------------------------------------------------
// The user
// ---------------------------------------------------------------------------------------------

/// The error dialog behind a shown QDialog, or nullptr for any other window.
qt::QtWindow* errorWindow(QWidget* widget) {
    auto* dialog = dynamic_cast<qt::FormDialog*>(widget);
    return dialog && dialog->owner && dialog->owner->design().name == "dlgError" ? dialog->owner
                                                                                 : nullptr;
}

QWidget* widget(qt::QtWindow& w, const char* name) {
    return qt::widgetOf(w.control(name));
}

/// A left click in the middle of `w`, through Qt's input handling.
void click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible()) << "a hidden " << w->metaObject()->className();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}

void click(qt::QtWindow& w, const char* name) {
    click(widget(w, name));
}

/// Hides every modal window, innermost first, so that each modal display returns.
void hideModals() {
    for (int i = 0; i < 10 && QApplication::activeModalWidget(); ++i) {
        QApplication::activeModalWidget()->hide();
    }
}

/// A clsError with the ledger program's context.
struct LedgerError {
    clsError e;
    LedgerError() {
        e.AppName(kAppName);
        e.UserName(kUserName);
        e.SupportEmail(kSupport);
    }
};

class QtErrorDialog : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(loadedFormCount(), 0U) << "a test left windows of the library open";
        unloadAllForms();
    }

    /// Shows the ledger error modally and hands the dialog to `user` once it is up and active.
    /// A user that leaves the dialog open fails the test, and the dialog goes so that Show
    /// returns; a watchdog ends every modal display after a minute.
    int16_t showLedgerError(const std::function<void(qt::QtWindow&)>& user) {
        bool ran = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            ADD_FAILURE() << "the error dialog was still up after a minute";
            hideModals();
        });
        watchdog.start(60000);
        QTimer::singleShot(0, [&] {
            qt::QtWindow* w = errorWindow(qttest::waitForModal());
            if (!w) {
                ADD_FAILURE() << "the error dialog did not come up";
                hideModals();
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
        const int16_t result = ledger.e.Show(true, kDescription, kNumber, kDetails, {}, kActivity);
        watchdog.stop();
        EXPECT_TRUE(ran) << "the user never saw the error dialog";
        return result;
    }

    LedgerError ledger;
};

// ---------------------------------------------------------------------------------------------
// Answers
// ---------------------------------------------------------------------------------------------

struct AnswerCase {
    const char* name;
    std::function<void(qt::QtWindow&)> act;
    int16_t result;
};

void key(QWidget* target, Qt::Key k) {
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, k);
}

const AnswerCase kAnswers[] = {
    {"CloseButton", [](qt::QtWindow& w) { click(w, "cmdClose"); }, 3},
    {"TryAgainButton", [](qt::QtWindow& w) { click(w, "cmdRetry"); }, 4},
    {"IgnoreButton", [](qt::QtWindow& w) { click(w, "cmdIgnore"); }, 5},
    {"Escape",
     [](qt::QtWindow& w) {
         QWidget* focus = w.dialog()->focusWidget();
         key(focus ? focus : w.dialog(), Qt::Key_Escape);
     },
     3},
    {"EscapeInTheDetails",
     [](qt::QtWindow& w) {
         widget(w, "rtfDetails")->setFocus();
         key(widget(w, "rtfDetails"), Qt::Key_Escape);
     },
     3},
    {"EnterOnTheFocusedTryAgain",
     [](qt::QtWindow& w) {
         widget(w, "cmdRetry")->setFocus();
         key(widget(w, "cmdRetry"), Qt::Key_Return);
     },
     4},
    {"AccessKeyThenEnter",
     [](qt::QtWindow& w) {
         // Alt+D collapses the details (a shortcut shows the press a moment before it clicks)
         // and leaves the focus on Close, which Enter then presses.
         QTest::keyClick(w.dialog()->windowHandle(), Qt::Key_D, Qt::AltModifier);
         EXPECT_TRUE(qttest::waitFor([&] { return !widget(w, "FraDetails")->isVisible(); }));
         QTest::keyClick(w.dialog()->windowHandle(), Qt::Key_Return);
     },
     3},
    {"CloseBoxSendsNothing", [](qt::QtWindow& w) { w.dialog()->close(); }, 0},
};

void PrintTo(const AnswerCase& c, std::ostream* out) {
    *out << c.name;
}

class Answers : public QtErrorDialog, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(Answers, ReachShow) {
    EXPECT_EQ(showLedgerError(GetParam().act), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(QtErrorDialog, Answers, ::testing::ValuesIn(kAnswers),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Close all
// ---------------------------------------------------------------------------------------------

/// Answers the shutdown question with a click on `answer`, once it is up, after checking it.
void answerShutdownQuestion(QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [answer] {
        auto* box = qobject_cast<QMessageBox*>(qttest::waitForModal());
        if (!box) {
            ADD_FAILURE() << "no shutdown question";
            return;
        }
        EXPECT_EQ(box->windowTitle(), "Confirm shutdown");
        EXPECT_EQ(box->text(), "This will close Ledger. Are you sure you want to do this?");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        click(box->button(answer));
        if (box->isVisible()) {
            ADD_FAILURE() << "the click did not answer the question";
            box->hide();
        }
    });
}

/// The visible error dialogs other than `except`.
std::vector<QPointer<QWidget>> otherErrorDialogs(const QWidget* except) {
    std::vector<QPointer<QWidget>> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != except && w->isVisible() && errorWindow(w)) {
            found.emplace_back(w);
        }
    }
    return found;
}

TEST_F(QtErrorDialog, CloseAllAfterConfirmationClosesEveryWindow) {
    EXPECT_EQ(showLedgerError([](qt::QtWindow& w) { click(w, "cmdIgnore"); }), 5);

    int aborts = 0;
    bool pendingInHandler = false;
    std::size_t formsInHandler = 99;
    ledger.e.Abort.connect([&] {
        ++aborts;
        pendingInHandler = ledger.e.AbortPending();
        formsInHandler = loadedFormCount();
    });

    clsError other; // a second error, left open without a modal display
    other.Show(false, "Another error");
    ASSERT_EQ(loadedFormCount(), 1U);

    const int16_t result = showLedgerError([&](qt::QtWindow& w) {
        const std::vector<QPointer<QWidget>> others = otherErrorDialogs(w.dialog());
        ASSERT_EQ(others.size(), 1U);

        answerShutdownQuestion(QMessageBox::No);
        click(w, "cmdAbort");
        EXPECT_TRUE(w.isLoaded() && w.isVisible()) << "No keeps the dialog open";
        EXPECT_EQ(aborts, 0);
        EXPECT_FALSE(ledger.e.AbortPending());
        EXPECT_TRUE(others[0] && others[0]->isVisible());

        answerShutdownQuestion(QMessageBox::Yes);
        click(w, "cmdAbort");
        EXPECT_FALSE(w.isLoaded());
        EXPECT_EQ(aborts, 1) << "the host hears of it before Show returns";
        EXPECT_TRUE(!others[0] || !others[0]->isVisible()) << "the other error's dialog";
    });
    EXPECT_EQ(result, 5) << "Close all sends no response of its own";
    EXPECT_EQ(aborts, 1);
    EXPECT_TRUE(pendingInHandler);
    EXPECT_EQ(formsInHandler, 0U) << "every window was closed before the host heard of it";
    EXPECT_TRUE(ledger.e.AbortPending());
    EXPECT_FALSE(other.AbortPending());
}

// ---------------------------------------------------------------------------------------------
// Reports
// ---------------------------------------------------------------------------------------------

/// The date and time texts a report made now carries.
struct Moment {
    std::string date, time;
    static Moment now() {
        const platform::Desktop& d = threadDesktop();
        return {d.dateTimeText(platform::DateFormat::LongDate),
                d.dateTimeText(platform::DateFormat::ShortTime)};
    }
};

/// The report's fields, "Details: " last, as the dialog builds them at moment `m`.
std::vector<std::string> reportFields(const Moment& m) {
    return {
        "Error Report",
        "Date: " + m.date,
        "Time: " + m.time,
        std::string("Application: ") + kAppName,
        std::string("User: ") + kUserName,
        std::string("Activity: A problem occurred while ") + kActivity,
        std::string("Description: ") + kDescription,
        "Details: ",
    };
}

std::string detailsText() {
    std::string text;
    for (const std::string& line : kDetailLines) {
        text += (text.empty() ? "" : "\r\n") + line;
    }
    return text;
}

/// The report as a plain-text file holds it: a blank line after the heading and after each
/// field, then the details on the lines after their label.
std::string plainReport(const Moment& m) {
    std::string text;
    for (const std::string& field : reportFields(m)) {
        text += field + (field == "Details: " ? "\r\n" : "\r\n\r\n");
    }
    return text + detailsText();
}

/// The one-line report behind "&body=".
std::string oneLineReport(const Moment& m) {
    std::string text;
    for (const std::string& field : reportFields(m)) {
        text += (text.empty() ? "" : " | ") + field;
    }
    return text + " | " + detailsText();
}

/// The moments just before and just after `act`, which makes a report: the minute may turn
/// meanwhile, and the report then carries the one or the other.
struct Around {
    Moment before, after;
    bool any(const std::function<bool(const Moment&)>& matches) const {
        return matches(before) || matches(after);
    }
};

Around around(const std::function<void()>& act) {
    Around a;
    a.before = Moment::now();
    act();
    a.after = Moment::now();
    return a;
}

/// Runs a program and returns its standard output (empty when it could not run).
QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST_F(QtErrorDialog, PrintWritesTheReportWithHeadingAndBodyFonts) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("report.pdf");
    ScopedEnv printer("QVMSGERR_PRINT_TO_PDF", pdf);
    Around printed;
    EXPECT_EQ(showLedgerError([&](qt::QtWindow& w) {
                  printed = around([&] { click(w, "cmdPrint"); });
                  EXPECT_TRUE(w.isLoaded() && w.isVisible()) << "printing keeps the dialog";
                  EXPECT_EQ(w.control("rtfPrint").text(), "") << "the composing area is cleared";
                  click(w, "cmdClose");
              }),
              3);
    ASSERT_GT(QFileInfo(pdf).size(), 0);
    if (const char* out = std::getenv("QVMSGERR_TEST_OUTPUT"); out && QDir().mkpath(out)) {
        const QString copy = QDir(QString::fromLocal8Bit(out)).filePath("error-report.pdf");
        QFile::remove(copy);
        QFile::copy(pdf, copy); // to look at
    }

    const QString text = run("pdftotext", {"-layout", pdf, "-"});
    if (text.isEmpty()) {
        GTEST_SKIP() << "pdftotext is not available";
    }
    // Layout spacing aside (and "fi" set as one ligature glyph), line for line the report.
    std::vector<std::string> lines;
    for (const QString& line : text.normalized(QString::NormalizationForm_KC).split('\n')) {
        if (!line.simplified().isEmpty()) {
            lines.push_back(line.simplified().toStdString());
        }
    }
    if (!lines.empty() && lines.back() == "1") {
        lines.pop_back(); // the page number
    }
    const auto page = [](const Moment& m) {
        std::vector<std::string> want = reportFields(m);
        want.back() = "Details:"; // the trailing space of the label is no text of the page
        want.insert(want.end(), kDetailLines.begin(), kDetailLines.end());
        return want;
    };
    EXPECT_TRUE(printed.any([&](const Moment& m) { return lines == page(m); }))
        << text.toStdString();

    // The heading is set in the family Arial resolves to, the body in Times New Roman's.
    const QString heading = QFontInfo(QFont("Arial")).family().remove(' ');
    const QString body = QFontInfo(QFont("Times New Roman")).family().remove(' ');
    if (heading == body) {
        GTEST_SKIP() << "both fonts resolve to " << heading.toStdString() << " here";
    }
    const QString fonts = run("pdffonts", {pdf});
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
    bool rich;
};

const SaveCase kSaves[] = {
    {"RichText", "report.rtf", "report.rtf", true},
    {"PlainText", "report.txt", "report.txt", false},
    {"NoExtensionGetsRtf", "report", "report.rtf", true},
    {"UnwritableTarget", "no-such-dir/report.rtf", nullptr, true},
};

void PrintTo(const SaveCase& c, std::ostream* out) {
    *out << c.name;
}

class Save : public QtErrorDialog, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(Save, WritesTheChosenFormat) {
    QTemporaryDir dir;
    ScopedEnv answer("QVMSGERR_SAVE_AS", dir.filePath(GetParam().answer));
    const QString written = dir.filePath(GetParam().written ? GetParam().written : "none");
    Around savedAt;
    EXPECT_EQ(showLedgerError([&](qt::QtWindow& w) {
                  savedAt = around([&] { click(w, "cmdSave"); });
                  EXPECT_TRUE(w.isLoaded() && w.isVisible()) << "saving keeps the dialog";
                  click(w, "cmdClose");
              }),
              3);
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    if (!GetParam().written) {
        EXPECT_TRUE(files.isEmpty()) << files.join(' ').toStdString();
        return;
    }
    EXPECT_EQ(files, QStringList{GetParam().written});
    QFile file(written);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    if (GetParam().rich) {
        EXPECT_TRUE(saved.startsWith("{\\rtf1")) << saved.left(40).toStdString();
        EXPECT_TRUE(saved.contains(kDescription));
        EXPECT_TRUE(saved.contains(kDetailLines.back().c_str()));
    } else {
        EXPECT_TRUE(savedAt.any([&](const Moment& m) {
            return saved.toStdString() == plainReport(m);
        })) << saved.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(QtErrorDialog, Save, ::testing::ValuesIn(kSaves),
                         [](const auto& info) { return std::string(info.param.name); });

/// A recording opener first on PATH: writes how many arguments it got and its first argument,
/// byte for byte, into files beside it.
class RecordingOpener {
public:
    RecordingOpener() : path_("PATH", dir_.path() + ":" + qEnvironmentVariable("PATH")) {
        QFile script(dir_.filePath("xdg-open"));
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s' \"$#\" > \"$0.count\"\n"
                     "printf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.argument\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    /// Waits for the opener to have run; false after ten seconds without.
    bool ran() const {
        return qttest::waitFor([&] { return QFile::exists(file("argument")); }, 10000);
    }
    QByteArray read(const char* what) const {
        QFile f(file(what));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QString file(const char* what) const { return dir_.filePath(QString("xdg-open.") + what); }
    QTemporaryDir dir_;
    ScopedEnv path_;
};

TEST_F(QtErrorDialog, EmailHandsTheWholeReportToTheOpener) {
    RecordingOpener opener;
    const auto expected = [](const Moment& m) {
        return std::string("mailto:") + kSupport + "?subject= " + kAppName +
               " error report &body=" + oneLineReport(m);
    };
    Around mailed;
    EXPECT_EQ(showLedgerError([&](qt::QtWindow& w) {
                  mailed = around([&] { click(w, "cmdEmail"); });
                  EXPECT_TRUE(opener.ran()) << "the opener was not started";
                  EXPECT_TRUE(w.isLoaded() && w.isVisible()) << "the dialog stays open";
                  click(w, "cmdClose");
              }),
              3);
    EXPECT_EQ(opener.read("count"), "1");
    const std::string received = opener.read("argument").toStdString();
    EXPECT_TRUE(mailed.any([&](const Moment& m) { return received == expected(m); }))
        << received << "\n"
        << expected(mailed.after);
    EXPECT_NE(received.find("\r\nWriteRecord\r\n"), std::string::npos) << "raw CR LF";
}

TEST_F(QtErrorDialog, EmailWithoutAnOpenerLeavesTheDialogUsable) {
    QTemporaryDir empty;
    ScopedEnv path("PATH", empty.path());
    EXPECT_EQ(showLedgerError([](qt::QtWindow& w) {
                  click(w, "cmdEmail");
                  EXPECT_TRUE(w.isLoaded() && w.isVisible());
                  click(w, "cmdClose");
              }),
              3);
}

// ---------------------------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------------------------

/// A text fits the widget that shows it: nothing is cut off at the sides or the bottom.
void expectTextFits(QWidget* w, const char* name) {
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
        if (std::string(name) == "rtfActivity" || std::string(name) == "rtfDescription") {
            EXPECT_FALSE(needsScrolling) << t->toPlainText().toStdString();
        } else if (needsScrolling) {
            EXPECT_TRUE(t->verticalScrollBar()->isVisible()) << "no way to the rest of the text";
        }
    }
}

/// Visible widgets of one container that overlap each other.
void expectNoOverlap(QWidget* container) {
    std::vector<QWidget*> children;
    for (QObject* o : container->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && w->isVisible() && w->isWindow() == false) {
            children.push_back(w);
        }
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        for (std::size_t j = i + 1; j < children.size(); ++j) {
            EXPECT_FALSE(children[i]->geometry().intersects(children[j]->geometry()))
                << children[i]->metaObject()->className() << " at " << children[i]->geometry().x()
                << "," << children[i]->geometry().y() << " and "
                << children[j]->metaObject()->className() << " at " << children[j]->geometry().x()
                << "," << children[j]->geometry().y();
        }
    }
}

int pixelsOtherThan(const QImage& image, const QRect& area, QRgb background) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += (image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF) ? 1 : 0;
        }
    }
    return count;
}

/// Grabs the dialog as it looks now, checks what a user would notice first, and writes the
/// picture as error-dialog-<state>-<dpi>dpi.png to the test output directory.
void picture(qt::QtWindow& w, const char* state, float innerHeight,
             const std::vector<const char*>& shown) {
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
    EXPECT_GT(pixelsOtherThan(image, icon, background), static_cast<int>(500 * dpr * dpr))
        << "the error symbol";

    for (const char* name : shown) {
        QWidget* wi = widget(w, name);
        EXPECT_TRUE(wi->isVisibleTo(dialog)) << name;
        expectTextFits(wi, name);
    }
    for (const char* container : {"", "FraInfo", "FraDetails", "frabuttons"}) {
        expectNoOverlap(*container ? widget(w, container) : dialog);
    }

    const char* out = std::getenv("QVMSGERR_TEST_OUTPUT");
    const QString dir = out ? QString::fromLocal8Bit(out) : QDir::tempPath();
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString file = QString("%1/error-dialog-%2-%3dpi.png").arg(dir, state).arg(dpi);
    EXPECT_TRUE(picture.save(file)) << file.toStdString();
}

TEST_F(QtErrorDialog, PicturesOfTheThreeLayouts) {
    const std::vector<const char*> upper = {"rtfActivity", "rtfDescription", "lblversion",
                                            "cmdClose", "cmdDetails"};
    std::vector<const char*> details = upper;
    for (const char* name : {"lblDetails", "lblErrorNumber", "cmdRetry", "cmdIgnore", "cmdAbort",
                             "cmdSave", "cmdPrint", "cmdEmail"}) {
        details.push_back(name);
    }
    std::vector<const char*> solution = details;
    solution.push_back("lblInformation");
    solution.push_back("rtfSolution");

    // The error number has a built-in solution; it shows once the details are opened again.
    EXPECT_EQ(showLedgerError([&](qt::QtWindow& w) {
                  picture(w, "expanded", 4255, details);
                  EXPECT_FALSE(widget(w, "FraInfo")->isVisible());
                  click(w, "cmdDetails");
                  picture(w, "collapsed", 1950, upper);
                  EXPECT_FALSE(widget(w, "FraDetails")->isVisible());
                  click(w, "cmdDetails");
                  picture(w, "expanded-solution", 6350, solution);
                  EXPECT_TRUE(widget(w, "FraInfo")->isVisible());
                  click(w, "cmdClose");
              }),
              3);
}

} // namespace
} // namespace qvMsgErr

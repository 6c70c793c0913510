// Messages on the Qt desktop: texts of a mebibyte, the place a parent widget gives a message, and
// the gallery: pictures of the messages users will see, each checked for what a user notices
// first and then answered with a real click or key, each way of answering at least once. What the
// composition and the windows decide is proven on the headless desktop; here, that Qt delivers it
// and draws it well.
#include "qt/qt_form_driver.h"
#include "table.h"

#include "error/dlgError.h"
#include "platform/qt/qt_control_p.h"
#include "platform/sqlite/memory_registry.h"
#include "support/apartment.h"
#include "support/forms.h"

#include <qvMsgErr/clsMesgBox.h>

#include <QAccessible>
#include <QApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>

namespace qvMsgErr {
namespace {

using qttest::click;
using qttest::QtFormDriver;

QWidget* widget(qt::QtWindow& w, const char* name, int16_t index = -1) {
    return qt::widgetOf(w.control(name, index));
}

class QtMessage : public ::testing::Test {
protected:
    void SetUp() override {
        setThreadRegistry(store);
        apartment().regRoot = "Software\\Tests";
    }
    void TearDown() override {
        EXPECT_EQ(loadedFormCount(), 0U) << "a message left its window loaded";
        unloadAllForms();
        setThreadRegistry(nullptr);
        apartment().regRoot.clear();
    }

    /// Runs `show`, which shows a message, and hands its window to `user`, who must answer it.
    static int32_t ask(const std::function<int32_t()>& show,
                       const std::function<void(qt::QtWindow&)>& user) {
        int32_t answer = -1;
        qttest::withModalWindow("frmTessary", user, [&] { answer = show(); });
        return answer;
    }

    std::shared_ptr<platform::MemoryRegistry> store = std::make_shared<platform::MemoryRegistry>();
    clsMesgBox box;
};

// Every text of a message a mebibyte long: the window comes up at once (its test has a minute), and
// the title and the details' area (read back from its widget) hand back exactly what they were
// given.
TEST_F(QtMessage, MebibyteTextsShowAtOnceAndStayWhole) {
    for (const auto& [what, text] : qttest::mebibyteTexts()) {
        SCOPED_TRACE(what);
        box.MsgBoxType(Tessary2003);
        box.CmdDescriptions(true);
        box.DescYes(text);
        box.DetailsButton(true);
        box.DetailsString(text);
        box.DontShowAgain(true);
        box.DontShowAgainPrompt(text);
        box.TimerUse(true);
        box.TimerSeconds(3600);
        box.TimerCountDownCaption = text;
        const auto user = [&](qt::QtWindow& w) {
            // Compared whole, not printed: a failure would print megabytes.
            EXPECT_TRUE(w.caption() == text);
            EXPECT_TRUE(w.control("txtDetails").text() == text);
            click(widget(w, "cmdButton", 1));
        };
        EXPECT_EQ(ask([&] { return box.msgBox(text, 4, text, "", -1, "LongTexts"); }, user),
                  qvButtonNo);
    }
}

TEST_F(QtMessage, AParentWindowCentresTheMessageAChildWidgetDoesNot) {
    box.MsgBoxType(TessaryClassic);
    qttest::HostWithChild host;
    for (const auto& [parent, centre] : host.centres()) {
        SCOPED_TRACE(parent == &host.window ? "a window" : "a child widget");
        const std::unique_ptr<HostObject> form = qt::parentForm(parent);
        const auto user = [&, centre = centre](qt::QtWindow& w) {
            // Where a person sees it: the frame the window system drew.
            const QPointF seen = QRectF(w.dialog()->frameGeometry()).center();
            EXPECT_NEAR(seen.x(), centre.x(), 1);
            EXPECT_NEAR(seen.y(), centre.y(), 1);
            click(widget(w, "cmdButton", 0));
        };
        EXPECT_EQ(
            ask([&] { return box.msgBox("Centred?", 0, "Ledger", "", -1, "", form.get()); }, user),
            qvButtonOK);
    }
}

// --- Gallery -------------------------------------------------------------------------------------

/// Opens the details with a click: the window grows by their frame, which shows their text (whose
/// lines begin with `text`), line ends as the toolkit has them.
void openDetails(qt::QtWindow& w, const QString& text) {
    const int collapsed = w.dialog()->height();
    for (const int16_t i : w.elements("cmdButton")) {
        if (w.control("cmdButton", i).tag() == "Details") {
            click(widget(w, "cmdButton", i));
        }
    }
    EXPECT_TRUE(widget(w, "FraDetails")->isVisible());
    EXPECT_NEAR(w.dialog()->height(),
                collapsed + std::lround(w.control("FraDetails").height() / w.scale().y), 1);
    EXPECT_TRUE(widget(w, "txtDetails")->property("plainText").toString().startsWith(text));
}

/// Grabs the message as it looks now, checks what a user notices first, and writes the picture
/// as message-<name>-<dpi>dpi.png to the test output directory.
void picture(qt::QtWindow& w, const std::string& name) {
    const qttest::Picture p(w.dialog(), QString::fromStdString("message-" + name));

    // A description lies on its own box, inside it, and nowhere else.
    const auto onItsBox = [](const auto& a, const auto& b) {
        const std::set<std::string> names{a.name, b.name};
        return a.index == b.index && names == std::set<std::string>{"lblCmdDesc", "shpLabelBack"};
    };
    qttest::expectTidyLayout(w, {.mayOverlap = onItsBox, .withinEdges = true});
    for (const int16_t i : w.elements("cmdButton")) {
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(widget(w, "cmdButton", i))
                         ->text(QAccessible::Name)
                         .contains('\n'))
            << "a caption's line breaks are read out";
    }
    for (const int16_t i : w.elements("lblCmdDesc")) {
        const QWidget* box = widget(w, "shpLabelBack", i);
        EXPECT_TRUE(!box->isVisible() ||
                    box->geometry().contains(widget(w, "lblCmdDesc", i)->geometry()))
            << "description " << i << " is not framed by its box";
    }
    const platform::Control& icon = w.control("imgIcon");
    QRectF at(icon.left() / w.scale().x, icon.top() / w.scale().y, 32, 32);
    if (w.dialog()->layoutDirection() == Qt::RightToLeft) {
        at.moveRight(w.dialog()->width() - at.left());
    }
    EXPECT_GT(p.marked(at), static_cast<int>(250 * p.dpr * p.dpr)) << "no icon";
}

// The library's own texts in the user's language, a host's caption exactly as set, a
// right-to-left window drawn mirrored; and what a screen reader finds, walking the accessibility
// tree: an alert that reads its prompt, the buttons with their descriptions, the check box named
// by its text, the details box by name, the icon by its meaning.
TEST_F(QtMessage, OwnTextsInTheUsersLanguageAndWhatScreenReadersHear) {
    const auto heard = [](QWidget* widget) {
        return QAccessible::queryAccessibleInterface(widget);
    };
    for (const auto& row : qvtest::readTable("languages.txt")) {
        SCOPED_TRACE(row.at(0));
        qt::setLanguage(row.at(0));
        box.MsgBoxType(Tessary2003);
        box.ButtonNo("&No"); // the host's, though it reads like ours
        box.CmdDescriptions(true);
        box.DescYes("Saves the ledger first");
        box.DetailsButton(true);
        box.DetailsString("3 entries");
        box.DontShowAgain(true);
        box.TimerUse(true);
        box.TimerSeconds(1);
        box.TimerCountDownCaption = "in";
        const auto user = [&](qt::QtWindow& w) {
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return !w.control("lblCountDown").caption().empty(); }));
            EXPECT_EQ(std::make_tuple(
                          w.control("cmdButton", 0).caption(), w.control("cmdButton", 1).caption(),
                          w.control("chkDontShow").caption(), w.control("lblCountDown").caption()),
                      std::make_tuple(row.at(1), std::string("&No"), row.at(2), row.at(3)));
            const QWidget* yes = widget(w, "cmdButton", 0);
            const int designed = qt::toPixels(w.control("cmdButton", 0).left(), w.scale().x);
            EXPECT_EQ(yes->x(), row.at(6) == "rtl" ? w.dialog()->width() - designed - yes->width()
                                                   : designed);

            const auto* alert = heard(w.dialog());
            const auto* icon = alert->child(alert->childCount() - 1);
            EXPECT_EQ(
                std::make_tuple(alert->role(), alert->text(QAccessible::Description),
                                heard(widget(w, "cmdButton", 0))->text(QAccessible::Description),
                                heard(widget(w, "chkDontShow"))->text(QAccessible::Name),
                                heard(widget(w, "txtDetails"))->text(QAccessible::Name),
                                icon->role(), icon->text(QAccessible::Name)),
                std::make_tuple(
                    QAccessible::AlertMessage, QString("Save?"), QString("Saves the ledger first"),
                    QString::fromStdString(row.at(2)), QString::fromStdString(row.at(7)),
                    QAccessible::Graphic, QString::fromStdString(row.at(8))));
            click(widget(w, "cmdButton", 2)); // the details, read from the keyboard
            click(widget(w, "txtDetails"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_N);
            EXPECT_TRUE(widget(w, "txtDetails")->hasFocus() && w.isVisible()) << "N answered";
            click(widget(w, "cmdButton", 1));
        };
        EXPECT_EQ(
            ask([&] { return box.msgBox("Save?", 4 | 32, "Ledger", "", -1, "Language"); }, user),
            qvButtonNo);
        const error::dlgError dialog;
        EXPECT_EQ(std::make_pair(dialog.control("cmdAbort").caption(),
                                 dialog.control("lblDetails").caption()),
                  std::make_pair(row.at(4), row.at(5)));
    }
    qt::setLanguage("C");
}

// The gallery: each message is pictured, then answered in a way of its own.
class QtMessageGallery : public QtMessage {};

TEST_F(QtMessageGallery, Pictures) {
    // How the user answers: a key, the close box, or help first.
    const qttest::RecordingOpener opener;
    const std::string helpFile = "/usr/share/doc/ledger/help.html";
    const auto press = [](int16_t key, int16_t shift = 0) {
        return [key, shift](qt::QtWindow& w) {
            QtFormDriver(w).keyDown(key, shift);
            // An access key presses its button a moment later.
            (void)QTest::qWaitFor([&] { return !w.isVisible(); }, 1000);
        };
    };
    const auto closeBox = [](qt::QtWindow& w) {
        EXPECT_TRUE(w.dialog()->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        w.dialog()->close();
    };
    // Help is no answer; where the buttons give no answer for them, the close box is not shown
    // and Escape does not answer either. Then a click answers.
    const std::string save = "Save the changes to Ledger.db before closing?";
    const auto helpThenClick = [&](qt::QtWindow& w) {
        QtFormDriver(w).keyDown(112); // F1
        EXPECT_EQ(opener.received(), std::vector{helpFile});
        EXPECT_FALSE(w.dialog()->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        w.dialog()->close();
        QtFormDriver(w).keyDown(27);
        EXPECT_TRUE(w.isVisible()) << "nothing answers for the user";
        click(widget(w, "cmdButton", 0));
    };

    const std::map<std::string, std::function<void(qt::QtWindow&)>> answers = {
        {"click", [](qt::QtWindow& w) { click(widget(w, "cmdButton", 0)); }},
        {"alt+N", press('N', platform::kAlt)},
        {"escape", press(27)},
        {"close box", closeBox},
        {"help, then click", helpThenClick},
    };
    const QPalette light = QApplication::palette();
    // Every option below is one message's only: each is set again for every picture.
    for (const auto& row : qvtest::readTable("gallery.txt")) {
        const std::string& name = row.at(0);
        SCOPED_TRACE(name);
        const auto shows = [&](const char* extra) {
            return row.at(3).find(extra) != std::string::npos;
        };
        box.MsgBoxType(name.ends_with("2003") ? Tessary2003 : TessaryClassic);
        const auto language = row.at(3).find("language:");
        qt::setLanguage(language == std::string::npos ? "C" : row.at(3).substr(language + 9, 5));
        box.CmdDescriptions(shows("descriptions"));
        box.DescYes("Save the changes, then close the ledger");
        box.DescNo("Close without saving:\nthe changes since 10:42 are lost");
        box.DescCancel("Go back to the ledger");
        box.DescOK("Delete the 12 selected entries");
        std::string trace = "Ledger.db: disk full (28 of 28 GB used)\r\n"
                            "while writing entry 1042 of 1200\r\n"
                            "at LedgerFile.Save > WriteRecord > OpenStream\r\n"
                            "The last saved copy is Ledger.db.bak of 09:15.";
        for (int line = 1; shows("long-details") && line <= 50; ++line) {
            trace += "\r\nat LedgerFile.Level" + std::to_string(line);
        }
        box.DetailsString(trace);
        box.TimerSeconds(30);
        box.TimerCountDownCaption = "Closing in";
        box.DetailsButton(shows("details"));
        box.TimerUse(shows("countdown"));
        box.DontShowAgain(shows("dont-show"));
        box.DontShowAgainTicked(shows("dont-show"));
        // The message font (points) and the Yes button's caption, where a row has its own.
        QApplication::setFont(QFont("Arial", row.size() > 6 ? std::stoi(row.at(6)) : 8),
                              "QMessageBox");
        box.ButtonYes(row.size() > 7 ? row.at(7) : shows("captions") ? "&Save" : "");
        box.ButtonNo(shows("captions") ? "&Discard" : "");
        box.ButtonCancel(shows("captions") ? "&Keep editing" : "");
        QApplication::setPalette(shows("dark") ? QPalette(QColor(0x35, 0x35, 0x35)) : light);
        if (const auto at = row.at(3).find("back="); at != std::string::npos) {
            box.BackColor(static_cast<int32_t>(std::stoul(row.at(3).substr(at + 5), nullptr, 16)));
        }
        const auto user = [&](qt::QtWindow& w) {
            if (shows("countdown")) {
                EXPECT_TRUE(
                    QTest::qWaitFor([&] { return !w.control("lblCountDown").caption().empty(); }));
            }
            if (shows("details")) {
                openDetails(w, "Ledger.db: disk full (28 of 28 GB used)\nwhile writing entry");
            }
            picture(w, name);
            answers.at(row.at(4))(w);
        };
        const int32_t buttons = std::stoi(row.at(2));
        const bool help = buttons & 0x4000;
        const auto show = [&] {
            return box.msgBox(row.at(1).empty() ? save : row.at(1), buttons, "Ledger",
                              help ? helpFile : "", help ? 0 : -1, shows("dont-show") ? name : "");
        };
        EXPECT_EQ(ask(show, user), std::stoi(row.at(5)));
    }
    QApplication::setPalette(light);
    QApplication::setFont(QFont("Arial", 8), "QMessageBox");
    qt::setLanguage("C");
}

} // namespace
} // namespace qvMsgErr

// Messages on the Qt desktop, answered with real mouse clicks and keys on both window styles, and
// the gallery: pictures of the messages users will see, each checked for what a user notices
// first. What the composition and the windows decide is proven on the headless desktop; here,
// that Qt delivers it and draws it well.
#include "qt/qt_form_driver.h"

#include <qvMsgErr/memory.h>

#include "platform/sqlite/memory_registry.h"
#include "support/apartment.h"
#include "support/forms.h"

#include <qvMsgErr/clsMesgBox.h>

#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace qvMsgErr {
namespace {

using qttest::click;
using qttest::QtFormDriver;

QWidget* widget(qt::QtWindow& w, const char* name, int16_t index = -1) {
    return qt::widgetOf(w.control(name, index));
}

/// The button that carries `tag` ("Help", "Details"), or nullptr.
QPushButton* taggedButton(qt::QtWindow& w, const std::string& tag) {
    const std::vector<int16_t> buttons = w.elements("cmdButton");
    const auto it = std::ranges::find_if(
        buttons, [&](int16_t i) { return w.control("cmdButton", i).tag() == tag; });
    return it == buttons.end() ? nullptr : qobject_cast<QPushButton*>(widget(w, "cmdButton", *it));
}

struct Message {
    std::string prompt = "Save the changes to Ledger.db before closing?";
    int32_t buttons = 0;
    std::string helpFile{};
    int32_t context = -1;
    std::string id{};
    const HostObject* parent = nullptr;
};

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

    /// Shows `m` in a message window and hands the window to `user`, who must answer it.
    int32_t ask(const Message& m, const std::function<void(qt::QtWindow&)>& user) {
        int32_t answer = -1;
        qttest::withModalWindow("frmTessary", user, [&] {
            answer =
                box.msgBox(m.prompt, m.buttons, "Ledger", m.helpFile, m.context, m.id, m.parent);
        });
        return answer;
    }

    std::shared_ptr<platform::MemoryRegistry> store = std::make_shared<platform::MemoryRegistry>();
    clsMesgBox box;
};

/// The same user on both custom window styles.
class QtMessageStyle : public QtMessage, public ::testing::WithParamInterface<QVMsgBoxType> {
protected:
    void SetUp() override {
        QtMessage::SetUp();
        box.MsgBoxType(GetParam());
    }
};

INSTANTIATE_TEST_SUITE_P(BothStyles, QtMessageStyle, ::testing::Values(TessaryClassic, Tessary2003),
                         [](const auto& info) {
                             return info.param == TessaryClassic ? "Classic" : "Style2003";
                         });

// --- Answers -------------------------------------------------------------------------------------

TEST_P(QtMessageStyle, ClicksKeysHelpAndTheCloseBoxAnswer) {
    const auto clickOn = [](int16_t position) {
        return [position](qt::QtWindow& w) { click(widget(w, "cmdButton", position)); };
    };
    const auto press = [](int16_t key, int16_t shift = 0) {
        return [key, shift](qt::QtWindow& w) {
            QtFormDriver(w).keyDown(key, shift);
            // The desktop's access key presses its button a moment later.
            (void)QTest::qWaitFor([&] { return !w.isVisible(); }, 1000);
        };
    };
    const auto closeBox = [](qt::QtWindow& w) { w.dialog()->close(); };
    const qttest::RecordingOpener opener;
    const std::string helpFile = "/usr/share/doc/ledger/help.html";
    const auto help = [&](const std::function<void(qt::QtWindow&)>& askForHelp) {
        return [&, askForHelp](qt::QtWindow& w) {
            askForHelp(w);
            EXPECT_EQ(opener.received().toStdString(), helpFile);
            EXPECT_TRUE(w.isVisible()) << "help is no answer";
            click(widget(w, "cmdButton", 1));
        };
    };
    const Message withHelp{.buttons = 1 | 0x4000, .helpFile = helpFile, .context = 0};
    const struct {
        const char* what;
        Message message;
        std::function<void(qt::QtWindow&)> act;
        int32_t answer;
    } rows[] = {
        {"a click on OK", {.buttons = 0}, clickOn(0), qvButtonOK},
        {"Enter presses the default button", {.buttons = 3 | 0x200}, press(13), qvButtonCancel},
        {"Alt+N, the desktop's access key", {.buttons = 3}, press('N', platform::kAlt), qvButtonNo},
        {"the close box answers Cancel", {.buttons = 3 | 0x100}, closeBox, qvButtonCancel},
        {"F1 opens help", withHelp, help([](qt::QtWindow& w) { QtFormDriver(w).keyDown(112); }),
         qvButtonCancel},
        {"a click on Help opens help", withHelp,
         help([](qt::QtWindow& w) { click(taggedButton(w, "Help")); }), qvButtonCancel},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(ask(r.message, r.act), r.answer);
    }
}

TEST_P(QtMessageStyle, CloseBoxAndEscapeAnswerCancelOrOkOrNothing) {
    const int32_t closeAnswers[] = {qvButtonOK,     qvButtonCancel, qvButtonNone,
                                    qvButtonCancel, qvButtonNone,   qvButtonCancel};
    for (int32_t set = 0; set < 6; ++set) {
        for (const bool escape : {false, true}) {
            SCOPED_TRACE(std::to_string(set) + (escape ? " Escape" : " close box"));
            const int32_t expected = closeAnswers[set];
            const auto user = [&](qt::QtWindow& w) {
                EXPECT_EQ(w.dialog()->windowFlags().testFlag(Qt::WindowCloseButtonHint),
                          expected != qvButtonNone);
                if (escape) {
                    QtFormDriver(w).keyDown(27);
                } else {
                    w.dialog()->close();
                }
                if (expected == qvButtonNone) {
                    EXPECT_TRUE(w.isVisible()) << "nothing answers for the user";
                    click(widget(w, "cmdButton", 0));
                }
            };
            EXPECT_EQ(ask({.buttons = set | 0x100}, user),
                      expected != qvButtonNone ? expected : ButtonSet(set).front());
        }
    }
}

// Every text of a message a mebibyte long: the window comes up at once (its test has a minute) and
// every control hands back exactly what it was given.
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
        int32_t answer = 0;
        qttest::withModalWindow(
            "frmTessary",
            [&](qt::QtWindow& w) {
                // Compared whole, not printed: a failure would print megabytes.
                EXPECT_TRUE(w.caption() == text);
                for (const char* name : {"lblPrompt", "chkDontShow", "txtDetails"}) {
                    EXPECT_TRUE(w.control(name).caption() == text) << name;
                }
                EXPECT_TRUE(w.control("lblCmdDesc", 0).caption() == text);
                click(widget(w, "cmdButton", 1));
            },
            [&] { answer = box.msgBox(text, 4, text, "", -1, "LongTexts"); });
        EXPECT_EQ(answer, qvButtonNo);
    }
}

TEST_F(QtMessage, AParentWindowCentresTheMessageAChildWidgetDoesNot) {
    box.MsgBoxType(TessaryClassic);
    QWidget host;
    host.setGeometry(40, 30, 420, 300);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    auto* child = new QWidget(&host);
    child->setGeometry(300, 200, 40, 40);

    const QPointF screenCentre = QRectF(QGuiApplication::primaryScreen()->geometry()).center();
    for (const auto& [parent, centre] : {std::pair{&host, QRectF(host.frameGeometry()).center()},
                                         std::pair{child, screenCentre}}) {
        SCOPED_TRACE(parent == &host ? "a window" : "a child widget");
        const std::unique_ptr<HostObject> form = qt::parentForm(parent);
        EXPECT_EQ(ask({.parent = form.get()},
                      [&, centre = centre](qt::QtWindow& w) {
                          const QPointF at = w.dialog()->pos();
                          const QSizeF outer(w.width() / w.scale().x, w.height() / w.scale().y);
                          EXPECT_NEAR(at.x() + outer.width() / 2, centre.x(), 2);
                          EXPECT_NEAR(at.y() + outer.height() / 2, centre.y(), 2);
                          click(widget(w, "cmdButton", 0));
                      }),
                  qvButtonOK);
    }
}

// --- Gallery -------------------------------------------------------------------------------------

/// Opens the details with a click: the window grows by their frame, which shows their text (whose
/// lines begin with `text`), line ends as the toolkit has them.
void openDetails(qt::QtWindow& w, const QString& text) {
    const int collapsed = w.dialog()->height();
    click(taggedButton(w, "Details"));
    EXPECT_TRUE(widget(w, "FraDetails")->isVisible());
    EXPECT_NEAR(w.dialog()->height(),
                collapsed + std::lround(w.control("FraDetails").height() / w.scale().y), 1);
    EXPECT_TRUE(widget(w, "txtDetails")->property("plainText").toString().startsWith(text));
}

/// Grabs the message as it looks now, checks what a user notices first, and writes the picture
/// as message-<name>-<dpi>dpi.png to the test output directory.
void picture(qt::QtWindow& w, const std::string& name, bool hasIcon) {
    SCOPED_TRACE(name);
    const qttest::Picture p(w.dialog(), QString::fromStdString("message-" + name));

    // A description lies on its own box, inside it, and nowhere else.
    qttest::expectTidyLayout(w, [](const auto& a, const auto& b) {
        const std::set<std::string> names{a.name, b.name};
        return a.index == b.index && names == std::set<std::string>{"lblCmdDesc", "shpLabelBack"};
    });
    // Nothing is cut off by the window's edges, and the buttons keep a margin from them.
    const QRect inner = w.dialog()->rect().marginsRemoved(QMargins(6, 6, 6, 6));
    qttest::forEachShownControl(w, [&](const platform::ControlDesign& c, QWidget* control) {
        EXPECT_TRUE(control->parentWidget()->rect().contains(control->geometry()))
            << c.name << "(" << c.index << ") goes beyond the edge";
        EXPECT_TRUE(c.kind != platform::ControlKind::CommandButton ||
                    inner.contains(control->geometry()))
            << "button " << c.index << " at the window's edge";
        const QWidget* box = c.name == "lblCmdDesc" ? widget(w, "shpLabelBack", c.index) : nullptr;
        EXPECT_TRUE(!box || !box->isVisible() || box->geometry().contains(control->geometry()))
            << "description " << c.index << " is not framed by its box";
    });
    if (const QWidget* check = widget(w, "chkDontShow"); check->isVisible()) {
        // Above its text, in the corner, the check box shows the window's own background.
        EXPECT_EQ(p.marked(QRectF(check->geometry().topRight(), QSizeF(1, 1))), 0)
            << "the check box is a patch of another colour";
    }
    if (hasIcon) {
        const platform::Control& place = w.control("imgIcon");
        EXPECT_GT(p.marked(QRectF(place.left() / w.scale().x, place.top() / w.scale().y, 32, 32)),
                  static_cast<int>(250 * p.dpr * p.dpr))
            << "no icon";
    }
}

class QtMessageGallery : public QtMessage {};

TEST_F(QtMessageGallery, Pictures) {
    // What a message shows besides its prompt and buttons; the details are shown open, and a
    // back colour stays with the object for every later message.
    constexpr int kDescriptions = 1, kDetails = 2, kCountdown = 4, kDontShow = 8, kCaptions = 16;
    constexpr int kBackColour = 32;
    struct Shot {
        std::string name; ///< ends in the style of the window it shows
        Message message;
        int extras = 0;
    };
    const std::string longPrompt =
        "Ledger.db was changed by another program while you were editing it. Your changes are "
        "kept in a copy next to it, Ledger (ann).db. Compare the entries of March and April in "
        "both files and copy what you want to keep into Ledger.db before you save again.";
    const Shot shots[] = {
        {"information-2003",
         {.prompt = "The ledger was saved to /home/ann/Ledger.db.", .buttons = 64}},
        {"critical-classic",
         {.prompt = "Ledger.db cannot be opened: another program is using it.", .buttons = 2 | 16}},
        {"question-descriptions-2003", {.buttons = 3 | 32}, kDescriptions},
        {"exclamation-descriptions-classic",
         {.prompt = "Delete the selected entries?", .buttons = 1 | 48 | 0x100},
         kDescriptions},
        {"help-classic",
         {.prompt = "The import found 3 entries without a date.",
          .buttons = 1 | 64 | 0x4000,
          .helpFile = "ledger.html",
          .context = 0}},
        {"details-2003",
         {.prompt = "The ledger could not be saved.\nTry again?", .buttons = 5 | 16},
         kDetails},
        {"details-classic", {.prompt = "The ledger could not be saved.", .buttons = 48}, kDetails},
        {"dont-show-again-2003",
         {.prompt = "Entries before 2020 are read-only.", .buttons = 64, .id = "ReadOnly"},
         kDontShow},
        {"countdown-2003",
         {.prompt = "Lock the ledger now?", .buttons = 4 | 32 | 0x100},
         kCountdown},
        {"long-prompt-classic", {.prompt = longPrompt, .buttons = 1 | 48}},
        {"captions-2003",
         {.prompt = "Ledger.db has unsaved changes.", .buttons = 3 | 48},
         kCaptions},
        {"everything-2003",
         {.buttons = 4 | 48 | 0x4000, .helpFile = "ledger.html", .context = 7, .id = "SaveOnClose"},
         kDescriptions | kDetails | kCountdown | kDontShow},
        {"back-colour-classic",
         {.prompt = "Print the ledger on the default printer?", .buttons = 1 | 32},
         kBackColour},
    };
    for (const Shot& shot : shots) {
        SCOPED_TRACE(shot.name);
        box.MsgBoxType(shot.name.ends_with("2003") ? Tessary2003 : TessaryClassic);
        if (shot.extras & kDescriptions) {
            box.CmdDescriptions(true);
            box.DescYes("Save the changes, then close the ledger");
            box.DescNo("Close without saving:\nthe changes since 10:42 are lost");
            box.DescCancel("Go back to the ledger");
            box.DescOK("Delete the 12 selected entries");
            box.DescAbort("Stop the import");
            box.DescRetry("Try the file again");
            box.DescIgnore("Skip this file");
        }
        box.DetailsButton((shot.extras & kDetails) != 0);
        box.DetailsString("Ledger.db: disk full (28 of 28 GB used)\r\n"
                          "while writing entry 1042 of 1200\r\n"
                          "at LedgerFile.Save > WriteRecord > OpenStream\r\n"
                          "The last saved copy is Ledger.db.bak of 09:15.");
        box.TimerUse((shot.extras & kCountdown) != 0);
        box.TimerSeconds(30);
        box.TimerCountDownCaption = "Closing in";
        box.DontShowAgain((shot.extras & kDontShow) != 0);
        box.DontShowAgainTicked((shot.extras & kDontShow) != 0);
        if (shot.extras & kCaptions) {
            box.ButtonYes("&Save");
            box.ButtonNo("&Discard");
            box.ButtonCancel("&Keep editing");
        }
        if (shot.extras & kBackColour) {
            box.BackColor(0xC0FFFF);
        }
        ask(shot.message, [&](qt::QtWindow& w) {
            if (shot.extras & kCountdown) {
                EXPECT_TRUE(
                    QTest::qWaitFor([&] { return !w.control("lblCountDown").caption().empty(); }));
            }
            if (shot.extras & kDetails) {
                openDetails(w, "Ledger.db: disk full (28 of 28 GB used)\nwhile writing entry");
            }
            picture(w, shot.name, (shot.message.buttons & 0x70) != 0);
            click(widget(w, "cmdButton", 0));
        });
    }
}

} // namespace
} // namespace qvMsgErr

// Messages on the Qt desktop, answered with real mouse clicks and keys on both window styles, and
// the gallery: pictures of the messages users will see, each checked for what a user notices
// first. What the composition and the windows decide is proven on the headless desktop; here,
// that Qt delivers it and draws it well.
#include "qt/qt_form_driver.h"

#include "platform/sqlite/memory_registry.h"
#include "support/apartment.h"
#include "support/forms.h"

#include <qvMsgErr/clsMesgBox.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qvMsgErr {
namespace {

using qttest::click;
using qttest::QtFormDriver;
using qttest::waitFor;

QWidget* widget(qt::QtWindow& w, const char* name, int16_t index = -1) {
    return qt::widgetOf(w.control(name, index));
}

/// The button that carries `tag` ("Help", "Details").
QPushButton* taggedButton(qt::QtWindow& w, const std::string& tag) {
    for (const int16_t i : w.elements("cmdButton")) {
        if (w.control("cmdButton", i).tag() == tag) {
            return qobject_cast<QPushButton*>(widget(w, "cmdButton", i));
        }
    }
    ADD_FAILURE() << "no button tagged " << tag;
    return nullptr;
}

/// The colour a description box is filled with, as drawn.
QColor boxFill(qt::QtWindow& w, int16_t index) {
    const QImage box = widget(w, "shpLabelBack", index)->grab().toImage();
    return box.pixelColor(box.width() / 2, box.height() / 2);
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
    bool is2003() const { return GetParam() == Tessary2003; }
};

INSTANTIATE_TEST_SUITE_P(BothStyles, QtMessageStyle, ::testing::Values(TessaryClassic, Tessary2003),
                         [](const auto& info) {
                             return info.param == TessaryClassic ? "Classic" : "Style2003";
                         });

// --- Answers -------------------------------------------------------------------------------------

TEST_P(QtMessageStyle, AClickOnEachKindOfButtonAnswersItsNumber) {
    struct Row {
        int32_t set;
        int16_t position;
        int32_t answer;
    };
    for (const Row& r : {Row{0, 0, qvButtonOK}, Row{1, 1, qvButtonCancel}, Row{2, 0, qvButtonAbort},
                         Row{2, 1, qvButtonRetry}, Row{2, 2, qvButtonIgnore},
                         Row{3, 0, qvButtonYes}, Row{3, 1, qvButtonNo}}) {
        SCOPED_TRACE(testing::Message() << "set " << r.set << ", position " << r.position);
        EXPECT_EQ(ask({.buttons = r.set},
                      [&](qt::QtWindow& w) { click(widget(w, "cmdButton", r.position)); }),
                  r.answer);
    }
}

TEST_P(QtMessageStyle, KeysPressTheirButtons) {
    struct Row {
        const char* what;
        int32_t buttons;
        int16_t key;
        int16_t shift;
        int32_t answer;
        std::string yesCaption; ///< empty: the standing "&Yes"
    };
    using platform::kAlt;
    using platform::kCtrl;
    using platform::kShift;
    const std::vector<Row> rows{
        {"Enter presses the default button", 3 | 0x200, 13, 0, qvButtonCancel, ""},
        {"N for &No", 3, 'N', 0, qvButtonNo, ""},
        {"Shift+N for &No", 3, 'N', kShift, qvButtonNo, ""},
        {"Ctrl+Y for &Yes", 3, 'Y', kCtrl, qvButtonYes, ""},
        {"Alt+N, the desktop's own access key", 3, 'N', kAlt, qvButtonNo, ""},
        {"S for a host's &Save", 3 | 0x100, 'S', 0, qvButtonYes, "&Save"},
        {"a digit for a host's &2 copies", 3, '2', 0, qvButtonYes, "&2 copies"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        if (!r.yesCaption.empty()) {
            box.ButtonYes(r.yesCaption);
        }
        EXPECT_EQ(ask({.buttons = r.buttons},
                      [&](qt::QtWindow& w) {
                          QtFormDriver(w).keyDown(r.key, r.shift);
                          // The desktop's access key presses its button a moment later.
                          waitFor([&] { return !w.isVisible(); }, 1000);
                      }),
                  r.answer);
    }
}

TEST_P(QtMessageStyle, HelpOpensTheHelpFileAndLeavesTheMessageOpen) {
    const std::string helpFile = "/usr/share/doc/ledger/help.html";
    for (const bool byKey : {true, false}) {
        SCOPED_TRACE(byKey ? "F1" : "a click on Help");
        const qttest::RecordingOpener opener;
        EXPECT_EQ(ask({.buttons = 1 | 0x4000, .helpFile = helpFile, .context = 0},
                      [&](qt::QtWindow& w) {
                          if (byKey) {
                              QtFormDriver(w).keyDown(112);
                          } else {
                              click(taggedButton(w, "Help"));
                          }
                          EXPECT_EQ(opener.received().toStdString(), helpFile);
                          EXPECT_TRUE(w.isVisible()) << "help is no answer";
                          click(widget(w, "cmdButton", 1));
                      }),
                  qvButtonCancel);
    }
}

TEST_P(QtMessageStyle, DetailsOpenAndCloseBelowTheMessage) {
    box.DetailsButton(true);
    box.DetailsString("Disk full\r\nwhile writing Ledger.db");
    EXPECT_EQ(ask({.buttons = 4},
                  [&](qt::QtWindow& w) {
                      QDialog* dialog = w.dialog();
                      QPushButton* details = taggedButton(w, "Details");
                      ASSERT_NE(details, nullptr);
                      const int collapsed = dialog->height();
                      const int frame = static_cast<int>(
                          std::lround(w.control("FraDetails").height() / w.scale().y));

                      click(details);
                      EXPECT_EQ(details->text(), "<< &Details");
                      EXPECT_TRUE(widget(w, "FraDetails")->isVisible());
                      EXPECT_NEAR(dialog->height(), collapsed + frame, 1);
                      auto* text = qobject_cast<QPlainTextEdit*>(widget(w, "txtDetails"));
                      ASSERT_NE(text, nullptr);
                      EXPECT_EQ(text->toPlainText(), "Disk full\nwhile writing Ledger.db");

                      click(details);
                      EXPECT_EQ(details->text(), "&Details >>");
                      EXPECT_FALSE(widget(w, "FraDetails")->isVisible());
                      EXPECT_EQ(dialog->height(), collapsed);
                      click(widget(w, "cmdButton", 1));
                  }),
              qvButtonNo);
}

TEST_P(QtMessageStyle, TheMouseOverADescriptionLightsOnlyThe2003Window) {
    box.CmdDescriptions(true);
    box.DescYes("Save the changes, then close");
    box.DescNo("Close without saving");
    const QColor normal = is2003() ? QColor(0x12, 0x5A, 0xD1) : QColor(0xE0, 0xE0, 0xE0);
    const QColor lit = is2003() ? QColor(0x00, 0x00, 0xFF) : normal;
    EXPECT_EQ(ask({.buttons = 4},
                  [&](qt::QtWindow& w) {
                      QtFormDriver user(w);
                      QDialog* dialog = w.dialog();
                      EXPECT_EQ(boxFill(w, 0), normal);
                      user.mouseMove("cmdButton", 1);
                      EXPECT_EQ(boxFill(w, 1), lit);
                      EXPECT_EQ(boxFill(w, 0), normal);
                      // The window's own background, below the prompt's corner.
                      QTest::mouseMove(dialog, QPoint(3, dialog->height() - 3));
                      EXPECT_EQ(boxFill(w, 1), normal);
                      user.mouseMove("lblCmdDesc", 0);
                      EXPECT_EQ(boxFill(w, 0), lit);

                      // In the 2003 window a description is part of its button.
                      user.click("lblCmdDesc", 1);
                      if (!is2003()) {
                          EXPECT_TRUE(w.isVisible());
                          click(widget(w, "cmdButton", 1));
                      }
                  }),
              qvButtonNo);
}

TEST_P(QtMessageStyle, TheCloseBoxAnswersTheDefaultButton) {
    EXPECT_EQ(ask({.buttons = 3 | 0x100}, [](qt::QtWindow& w) { w.dialog()->close(); }),
              qvButtonNo);
}

TEST_P(QtMessageStyle, ATickedBoxIsRememberedForTheNextMessage) {
    box.DontShowAgain(true);
    EXPECT_EQ(ask({.buttons = 4, .id = "DeleteEntries"},
                  [](qt::QtWindow& w) {
                      QtFormDriver(w).click("chkDontShow");
                      EXPECT_TRUE(qobject_cast<QCheckBox*>(widget(w, "chkDontShow"))->isChecked());
                      click(widget(w, "cmdButton", 1));
                  }),
              qvButtonNo);
    EXPECT_TRUE(box.DontShowAgainTicked());

    // The memory answers: a window that comes up all the same fails the test.
    bool shown = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget()) {
            shown = true;
            qttest::hideModals();
        }
    });
    guard.start(0);
    box.DontShowAgain(true);
    EXPECT_EQ(box.msgBox("Delete the entries?", 4, "Ledger", "", -1, "DeleteEntries"), qvButtonNo);
    EXPECT_FALSE(shown);
}

TEST_F(QtMessage, TheCountdownClosesThe2003WindowWithTheDefaultAnswer) {
    box.MsgBoxType(Tessary2003);
    box.TimerUse(true);
    box.TimerSeconds(1);
    box.TimerCountDownCaption = "Closing in";
    EXPECT_EQ(ask({.buttons = 4 | 0x100},
                  [](qt::QtWindow& w) {
                      auto* line = qobject_cast<QLabel*>(widget(w, "lblCountDown"));
                      ASSERT_NE(line, nullptr);
                      EXPECT_TRUE(line->isVisible());
                      EXPECT_TRUE(waitFor([&] { return line->text() == "Closing in 1 second"; }));
                      EXPECT_TRUE(waitFor([&] { return !w.isVisible(); }))
                          << "the window outlived its countdown";
                  }),
              qvButtonNo);
    EXPECT_TRUE(box.TimeOutOccured);
}

TEST_F(QtMessage, TheStandardStyleAsksThroughTheSystemMessageBox) {
    box.MsgBoxType(Standard);
    bool seen = false;
    const qttest::ModalWatchdog watchdog;
    QTimer::singleShot(0, [&] {
        auto* question = qobject_cast<QMessageBox*>(qttest::waitForModal());
        ASSERT_NE(question, nullptr) << "no system message box";
        seen = true;
        EXPECT_EQ(question->text(), "Save the changes?");
        EXPECT_EQ(question->windowTitle(), "Ledger");
        EXPECT_EQ(question->icon(), QMessageBox::Question);
        click(question->button(QMessageBox::No));
    });
    EXPECT_EQ(box.msgBox("Save the changes?", 4 | 32, "Ledger"), qvButtonNo);
    EXPECT_TRUE(seen);
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

/// Grabs the message as it looks now, checks what a user notices first, and writes the picture
/// as message-<name>-<dpi>dpi.png to the test output directory.
void picture(qt::QtWindow& w, const std::string& name, bool hasIcon) {
    SCOPED_TRACE(name);
    QDialog* dialog = w.dialog();
    QTest::qWait(50); // a section opened just now is painted
    const QPixmap picture = dialog->grab();
    const qreal dpr = picture.devicePixelRatio();
    const int dpi = static_cast<int>(std::lround(dialog->screen()->logicalDotsPerInchX() * dpr));

    // A description lies on its own box, and nowhere else.
    qttest::expectTidyLayout(w, [](const auto& a, const auto& b) {
        const auto pair = [](const auto& text, const auto& box) {
            return text.name == "lblCmdDesc" && box.name == "shpLabelBack" &&
                   text.index == box.index;
        };
        return pair(a, b) || pair(b, a);
    });
    if (w.control("shpLabelBack", 0).visible()) {
        for (const int16_t i : w.elements("lblCmdDesc")) {
            const QWidget* text = widget(w, "lblCmdDesc", i);
            if (text->isVisible()) {
                EXPECT_TRUE(widget(w, "shpLabelBack", i)->geometry().contains(text->geometry()))
                    << "description " << i << " is not framed by its box";
            }
        }
    }
    // Nothing is cut off by the window's edges, and the buttons keep a margin from them.
    const QRect inner = dialog->rect().marginsRemoved(QMargins(6, 6, 6, 6));
    qttest::forEachShownControl(w, [&](const platform::ControlDesign& c, QWidget* control) {
        EXPECT_TRUE(control->parentWidget()->rect().contains(control->geometry()))
            << c.name << "(" << c.index << ") goes beyond the edge";
        EXPECT_TRUE(c.kind != platform::ControlKind::CommandButton ||
                    inner.contains(control->geometry()))
            << "button " << c.index << " at the window's edge";
    });
    const QImage image = picture.toImage();
    const QRgb background = dialog->palette().color(QPalette::Window).rgb();
    if (const QWidget* check = widget(w, "chkDontShow"); check->isVisible()) {
        // Above its text, in the corner, the check box shows the window's own background.
        const QPoint corner = check->geometry().topRight() * dpr;
        EXPECT_EQ(image.pixel(corner) & 0xFFFFFF, background & 0xFFFFFF)
            << "the check box is a patch of another colour";
    }
    if (hasIcon) {
        const platform::Control& place = w.control("imgIcon");
        const QRect icon(static_cast<int>(std::lround(place.left() / w.scale().x * dpr)),
                         static_cast<int>(std::lround(place.top() / w.scale().y * dpr)),
                         static_cast<int>(32 * dpr), static_cast<int>(32 * dpr));
        EXPECT_GT(qttest::pixelsOtherThan(image, icon, background),
                  static_cast<int>(250 * dpr * dpr))
            << "no icon";
    }

    const QString file = QString("%1/message-%2-%3dpi.png")
                             .arg(qttest::testOutputDirectory(), QString::fromStdString(name))
                             .arg(dpi);
    EXPECT_TRUE(picture.save(file)) << file.toStdString();
}

class QtMessageGallery : public QtMessage {};

TEST_F(QtMessageGallery, Pictures) {
    struct Shot {
        std::string name;
        QVMsgBoxType style;
        Message message;
        std::function<void(clsMesgBox&)> options;
        std::function<void(qt::QtWindow&)> before; ///< brings the window into the state to show
    };
    const auto descriptions = [](clsMesgBox& b) {
        b.CmdDescriptions(true);
        b.DescYes("Save the changes, then close the ledger");
        b.DescNo("Close without saving:\nthe changes since 10:42 are lost");
        b.DescCancel("Go back to the ledger");
        b.DescOK("Delete the 12 selected entries");
        b.DescAbort("Stop the import");
        b.DescRetry("Try the file again");
        b.DescIgnore("Skip this file");
    };
    const auto details = [](clsMesgBox& b) {
        b.DetailsButton(true);
        b.DetailsString("Ledger.db: disk full (28 of 28 GB used)\r\n"
                        "while writing entry 1042 of 1200\r\n"
                        "at LedgerFile.Save > WriteRecord > OpenStream\r\n"
                        "The last saved copy is Ledger.db.bak of 09:15.");
    };
    const auto openDetails = [](qt::QtWindow& w) { click(taggedButton(w, "Details")); };
    const auto countdown = [](clsMesgBox& b) {
        b.TimerUse(true);
        b.TimerSeconds(30);
        b.TimerCountDownCaption = "Closing in";
    };
    const auto counting = [](qt::QtWindow& w) {
        EXPECT_TRUE(waitFor([&] { return !w.control("lblCountDown").caption().empty(); }));
    };
    const auto dontShow = [](clsMesgBox& b) {
        b.DontShowAgain(true);
        b.DontShowAgainTicked(true);
    };
    const std::string longPrompt =
        "Ledger.db was changed by another program while you were editing it. Your changes are "
        "kept in a copy next to it, Ledger (ann).db. Compare the entries of March and April in "
        "both files and copy what you want to keep into Ledger.db before you save again.";

    const std::vector<Shot> shots{
        {"information-2003",
         Tessary2003,
         {.prompt = "The ledger was saved to /home/ann/Ledger.db.", .buttons = 0 | 64},
         {},
         {}},
        {"critical-classic",
         TessaryClassic,
         {.prompt = "Ledger.db cannot be opened: another program is using it.", .buttons = 2 | 16},
         {},
         {}},
        {"question-descriptions-2003",
         Tessary2003,
         {.prompt = "Save the changes to Ledger.db before closing?", .buttons = 3 | 32},
         descriptions,
         {}},
        {"exclamation-descriptions-classic",
         TessaryClassic,
         {.prompt = "Delete the selected entries?", .buttons = 1 | 48 | 0x100},
         descriptions,
         {}},
        {"help-classic",
         TessaryClassic,
         {.prompt = "The import found 3 entries without a date.",
          .buttons = 1 | 64 | 0x4000,
          .helpFile = "ledger.html",
          .context = 0},
         {},
         {}},
        {"details-2003",
         Tessary2003,
         {.prompt = "The ledger could not be saved.\nTry again?", .buttons = 5 | 16},
         details,
         openDetails},
        {"details-classic",
         TessaryClassic,
         {.prompt = "The ledger could not be saved.", .buttons = 0 | 48},
         details,
         openDetails},
        {"dont-show-again-2003",
         Tessary2003,
         {.prompt = "Entries before 2020 are read-only.", .buttons = 0 | 64, .id = "ReadOnly"},
         dontShow,
         {}},
        {"countdown-2003",
         Tessary2003,
         {.prompt = "Lock the ledger now?", .buttons = 4 | 32 | 0x100},
         countdown,
         counting},
        {"long-prompt-classic", TessaryClassic, {.prompt = longPrompt, .buttons = 1 | 48}, {}, {}},
        {"captions-2003",
         Tessary2003,
         {.prompt = "Ledger.db has unsaved changes.", .buttons = 3 | 48},
         [](clsMesgBox& b) {
             b.ButtonYes("&Save");
             b.ButtonNo("&Discard");
             b.ButtonCancel("&Keep editing");
         },
         {}},
        {"everything-2003",
         Tessary2003,
         {.prompt = "Save the changes to Ledger.db before closing?",
          .buttons = 4 | 48 | 0x4000,
          .helpFile = "ledger.html",
          .context = 7,
          .id = "SaveOnClose"},
         [&](clsMesgBox& b) {
             descriptions(b);
             details(b);
             countdown(b);
             dontShow(b);
         },
         [&](qt::QtWindow& w) {
             counting(w);
             openDetails(w);
         }},
        // Last: a back colour stays with the object for every later message.
        {"back-colour-classic",
         TessaryClassic,
         {.prompt = "Print the ledger on the default printer?", .buttons = 1 | 32},
         [](clsMesgBox& b) { b.BackColor(0xC0FFFF); },
         {}},
    };
    for (const Shot& shot : shots) {
        SCOPED_TRACE(shot.name);
        box.MsgBoxType(shot.style);
        if (shot.options) {
            shot.options(box);
        }
        const bool hasIcon = (shot.message.buttons & 0x70) != 0;
        ask(shot.message, [&](qt::QtWindow& w) {
            if (shot.before) {
                shot.before(w);
            }
            picture(w, shot.name, hasIcon);
            click(widget(w, "cmdButton", 0));
        });
    }
}

} // namespace
} // namespace qvMsgErr

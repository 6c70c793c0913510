// The Qt desktop: the shared test form with real input, the form rendered to a picture, what the
// toolkit makes of the designs, and the desktop's system message box, opener, printer, save
// dialog and environment.
#include "qt/qt_form_driver.h"
#include "table.h"

#include "support/forms.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <tuple>
#include <utility>

namespace qvMsgErr {
namespace {

using platform::ControlKind;
using platform::EventKind;
using qvtest::ScopedEnv;
using testform::expectRunTimeError;

// --- Windows and controls ------------------------------------------------------------------------

/// The test form (or another design) on a Qt desktop of its own, its logic connected.
struct QtForm {
    std::shared_ptr<platform::Desktop> desktop = qt::makeDesktop();
    std::unique_ptr<platform::Window> window;
    testform::TestFormLogic logic;
    explicit QtForm(const platform::FormDesign& design = testform::testFormDesign())
        : window(desktop->createWindow(design)), logic(*window) {
        window->setHandler(&logic);
    }
    QWidget* widget(const std::string& name, int16_t index = -1) {
        return qt::widgetOf(window->control(name, index));
    }
};

// Before the script, with the focus where the script expects it: a second window cannot show
// modelessly under a modal one, and an event handler's failure is dropped. After it: the timers of
// the hidden window stand still.
TEST(QtTestForm, SharedScriptWithRealInput) {
    QtForm f;
    qttest::QtFormDriver user(*f.window);
    const auto second = f.desktop->createWindow(testform::testFormDesign());
    int failures = 0;
    testform::EventFunction failing([&](platform::Event& e) {
        failures += e.kind == EventKind::KeyDown ? 1 : 0;
        throw RunTimeError(err::InvalidCall);
    });
    const auto script = [&](QWidget&) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return f.logic.count(EventKind::Paint) > 0; }));
        expectRunTimeError(401, "modeless under a modal one", [&] { second->showModeless(); });
        f.window->setHandler(&failing);
        user.keyDown(123); // F12, which moves no focus
        EXPECT_EQ(failures, 2) << "the form's preview, then the focused control all the same";
        f.window->setHandler(&f.logic);
        testform::runSharedFormScript(*f.window, user, f.logic);
    };
    qttest::withModalWidget([&](QWidget* w) { return w == qt::dialogOf(*f.window); }, "the form",
                            script, [&] { f.window->showModal(); });
    f.window->control("tmrTick").setEnabled(true);
    const int ticks = f.logic.timerTicks();
    QTest::qWait(1300);
    EXPECT_EQ(f.logic.timerTicks(), ticks) << "timers of a hidden window stand still";
}

// With the desktop's screen, component directory and application title.
TEST(QtTestForm, SharedWindowChecks) {
    const auto desktop = qt::makeDesktop();
    testform::runSharedWindowChecks(*desktop);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size() * 15;
    EXPECT_EQ(QSizeF(desktop->screenWidth(), desktop->screenHeight()), QSizeF(screen));
    const QFileInfo component(QString::fromStdString(desktop->componentDirectory()));
    EXPECT_TRUE(component.isAbsolute() && component.isDir()) << component.filePath().toStdString();
    {
        const ScopedEnv env("QVMSGERR_COMPONENT_DIR", "/opt/somewhere");
        EXPECT_EQ(desktop->componentDirectory(), "/opt/somewhere");
    }
    const QString oldName = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName("Host Program");
    EXPECT_EQ(desktop->applicationTitle(), "Host Program");
    QGuiApplication::setApplicationDisplayName(oldName);
}

// The form as it is drawn, then the widgets' geometry, fonts and flags on the same window. Texts,
// the default button and access keys are proven by the shared script and the messages' real keys.
TEST(QtTestForm, RendersToPicture) {
    // The image list's mask colour is that of a pixel in the question icon's circle, which Paint
    // draws at imgMarker (120, 720 twips, 15 to the pixel).
    const qreal dpr = QGuiApplication::primaryScreen()->devicePixelRatio();
    const QPoint inCircle = QPoint(16, 6) * dpr;
    const QRgb circle =
        qt::stockPicture(platform::StockPicture::Question, 32, -1, dpr).pixel(inCircle);
    platform::FormDesign design = testform::testFormDesign();
    std::ranges::find(design.controls, "imgList", &platform::ControlDesign::name)->maskColor =
        qRed(circle) | (qGreen(circle) << 8) | (qBlue(circle) << 16);
    // Made after the button it covers, shown once the picture is taken.
    addControl(design, ControlKind::Label, "lblOver", -1, 4560, 1080, 1320, 390).visible = false;
    QtForm f(design);
    testform::completeTestForm(*f.window);
    f.window->control("chkOption").setBackColor(static_cast<int32_t>(0x8000000Du)); // highlight
    f.window->control("lblPanel").setBackColor(static_cast<int32_t>(0x800000FFu));  // no such one
    QDialog* dialog = qt::dialogOf(*f.window);
    f.window->showModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.logic.count(EventKind::Paint) > 0; }));
    const qttest::Picture p(dialog, "test-form-qt");
    EXPECT_EQ(p.image.size(), QSize(std::lround(400 * p.dpr), std::lround(260 * p.dpr)));
    EXPECT_GT(p.marked(QRectF(8, 48, 32, 32)), 100) << "the icon drawn during Paint";
    EXPECT_EQ(p.image.pixel(QPoint(8, 48) * p.dpr + inCircle), p.background) << "the mask colour";
    EXPECT_GT(p.marked(QRectF(8, 8, 32, 32)), 100) << "the image's stock picture";
    EXPECT_EQ(p.marked(QRectF(8, 84, 32, 16)), 0) << "nothing between the picture and the frame";
    const auto colourAt = [&](const char* name) {
        return QColor(p.image.pixel(f.widget(name)->mapTo(dialog, QPoint(1, 1)) * p.dpr));
    };
    const QPalette system = QGuiApplication::palette();
    EXPECT_EQ(colourAt("chkOption"), system.color(QPalette::Highlight))
        << "a system colour, on all of a check box";
    EXPECT_EQ(colourAt("lblPanel"), system.color(QPalette::Window)) << "an unknown system colour";
    EXPECT_EQ(colourAt("pnlBar"), QColor(0xD0, 0xE0, 0xF0)) << "colours are BGR";

    EXPECT_EQ(f.widget("cmdCancel")->geometry(), QRect(304, 72, 88, 26));
    EXPECT_EQ(f.widget("txtNotes")->mapTo(dialog, QPoint()), QPoint(16, 122))
        << "a frame holds its children";
    f.window->control("lblPanel").setFont({"Arial", 6.75f, true});
    const QFont font = f.widget("lblPanel")->font();
    EXPECT_EQ(std::pair(font.pointSizeF(), font.bold()), std::pair(6.75, true));
    // The outer size is the client area and the frame, which the offscreen platform leaves out.
    const QMargins frame = qt::kFrameAllowance;
    EXPECT_FLOAT_EQ(f.window->width(), 6000 + (frame.left() + frame.right()) * 15);
    f.window->setHeight(5000);
    EXPECT_FLOAT_EQ(f.window->scaleHeight(), 5000 - (frame.top() + frame.bottom()) * 15);
    EXPECT_TRUE(f.desktop->setTopmost(f.window->handle(), true));
    EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dialog->isVisible()) << "changing the flag must not hide the window";
    // A label lies below a button made before it; the mouse passes through a shape.
    const QPoint onCancel = f.widget("cmdCancel")->geometry().center();
    f.window->control("lblOver").setVisible(true);
    EXPECT_EQ(dialog->childAt(onCancel), f.widget("cmdCancel"));
    f.window->control("cmdCancel").setVisible(false);
    EXPECT_EQ(dialog->childAt(onCancel), f.widget("lblOver"));
    EXPECT_EQ(dialog->childAt(QPoint(12, 220)), nullptr) << "the mouse passes through shpBox";
    f.window->unload();
}

TEST(QtConvert, VirtualKeyCodes) {
    const QMetaEnum key = QMetaEnum::fromType<Qt::Key>();
    const QMetaEnum modifier = QMetaEnum::fromType<Qt::KeyboardModifiers>();
    for (const auto& row : qvtest::readTable("key-codes.txt")) {
        const auto modifiers = Qt::KeyboardModifiers(modifier.keysToValue(row.at(1).c_str()));
        EXPECT_EQ(std::pair(qt::virtualKeyCode(key.keyToValue(row.at(0).c_str()), modifiers),
                            qt::shiftState(modifiers)),
                  std::pair(int16_t(std::stoi(row.at(2))), int16_t(std::stoi(row.at(3)))))
            << row.at(0) << " " << row.at(1);
    }
}

// --- The desktop's own dialogs and services -----------------------------------------------------

TEST(QtDesktop, SystemMessageBoxButtonsDefaultEscapeAndHelp) {
    const QMetaEnum button = QMetaEnum::fromType<QMessageBox::StandardButtons>();
    const QMetaEnum icon = QMetaEnum::fromType<QMessageBox::Icon>();
    const auto value = [](const QMetaEnum& e, const std::string& keys) {
        return e.keysToValue(keys.c_str());
    };
    const std::string helpFile = "--help file.chm"; // made absolute: it cannot read as an option
    const std::string here = QDir::currentPath().toStdString();
    for (const auto& row : qvtest::readTable("system-boxes.txt")) {
        SCOPED_TRACE("flags " + row.at(0));
        const std::string& how = row.at(4);
        const qttest::RecordingOpener opener;
        int32_t answer = 0;
        qttest::withModalDialog<QMessageBox>(
            [&](QMessageBox& box) {
                EXPECT_EQ(std::tuple(box.standardButtons().toInt(),
                                     int(box.standardButton(box.defaultButton())), int(box.icon()),
                                     box.text(), box.windowTitle()),
                          std::tuple(value(button, row.at(1)), value(button, row.at(2)),
                                     value(icon, row.at(3)), QString("Line one\nline two"),
                                     QString("Title")));
                if (how == "help") {
                    box.button(QMessageBox::Help)->click();
                    EXPECT_EQ(opener.received(), std::vector{here + "/" + helpFile});
                }
                if (how == "close box" || how == "no escape") {
                    box.close();
                }
                if (how != "close box" && how != "click default") {
                    QTest::keyClick(&box, Qt::Key_Escape);
                }
                if (how == "no escape" || how == "help") {
                    EXPECT_TRUE(box.isVisible()) << "no answer yet";
                }
                if (box.isVisible()) {
                    box.defaultButton()->click();
                }
            },
            [&] {
                answer = qt::makeDesktop()->systemMessageBox(
                    "Line one\r\nline two", std::stoi(row.at(0)), "Title", helpFile, 42);
            });
        EXPECT_EQ(answer, std::stoi(row.at(5)));
    }
}

// What the opener and the printer receive is checked with the error report they are made for.
TEST(QtDesktop, SoundOnlyWhereThereIsAnOutput) {
    const ScopedEnv noServer("PULSE_SERVER", std::nullopt);
    for (const auto& row : qvtest::readTable("sound-outputs.txt")) {
        qvtest::ScratchDir dir; // a missing directory holds nothing
        std::istringstream files(row.at(0) == "-" ? "" : row.at(0));
        for (std::string f; files >> f;) {
            std::filesystem::create_directories(std::filesystem::path(dir.file(f)).parent_path());
            qvtest::writeFile(dir.file(f), "");
        }
        EXPECT_EQ(qt::soundOutputAvailable(dir.file("run"), dir.file("snd")), row.at(1) == "yes")
            << row.at(0);
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
            static_cast<QDialog&>(dialog).accept(); // QFileDialog::accept checks the name
        },
        [&] { chosen = desktop->chooseSaveFile(settings); });
    EXPECT_EQ(std::tuple(chosen.cancelled, chosen.path, chosen.extensionDiffers),
              result("qvError.rtf", false))
        << "the proposed name, with the default extension";

    qttest::withModalDialog<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); },
                                         [&] { chosen = desktop->chooseSaveFile(settings); });
    EXPECT_TRUE(chosen.cancelled);

    for (const auto& row : qvtest::readTable("save-answers.txt")) {
        ScopedEnv env("QVMSGERR_SAVE_AS", row.at(0));
        chosen = desktop->chooseSaveFile(settings);
        EXPECT_EQ(std::tuple(chosen.cancelled, chosen.path, chosen.extensionDiffers),
                  result(row.at(1).c_str(), row.at(2) == "yes"))
            << row.at(0);
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

} // namespace
} // namespace qvMsgErr

// The Qt desktop: the shared test form with real input, the form rendered to a picture, what the
// toolkit makes of the designs, and the desktop's system message box, opener, printer, save
// dialog, environment and GUI thread.
#include "qt/qt_form_driver.h"
#include "raised.h"

#include "support/forms.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsMesgBox.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <tuple>
#include <utility>

namespace qvMsgErr {
namespace {

using platform::ControlKind;
using platform::EventKind;
using qttest::RecordingOpener;
using qttest::ScopedEnv;
using testform::expectRunTimeError;

// --- Windows and controls ------------------------------------------------------------------------

/// The test form on a Qt desktop of its own, its logic connected.
struct QtForm {
    std::shared_ptr<platform::Desktop> desktop = qt::makeDesktop();
    std::unique_ptr<platform::Window> window = desktop->createWindow(testform::testFormDesign());
    testform::TestFormLogic logic{*window};
    QtForm() { window->setHandler(&logic); }
    QWidget* widget(const std::string& name, int16_t index = -1) {
        return qt::widgetOf(window->control(name, index));
    }
    /// Shows the window modally and runs `script` inside the display; the script must end it.
    void runModal(const std::function<void()>& script) {
        qttest::withModalWidget([&](QWidget* w) { return w == qt::dialogOf(*window); },
                                window->design().name, [&](QWidget&) { script(); },
                                [&] { window->showModal(); });
    }
};

TEST(QtTestForm, SharedScriptWithRealInput) {
    QtForm f;
    qttest::QtFormDriver user(*f.window);
    f.runModal([&] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return f.logic.count(EventKind::Paint) > 0; }));
        testform::runSharedFormScript(*f.window, user, f.logic);
    });
}

TEST(QtTestForm, SharedWindowChecks) {
    testform::runSharedWindowChecks(*qt::makeDesktop());
}

TEST(QtTestForm, RendersToPicture) {
    QtForm f;
    testform::completeTestForm(*f.window);
    QDialog* dialog = qt::dialogOf(*f.window);
    f.window->showModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.logic.count(EventKind::Paint) > 0; }));
    const qttest::Picture p(dialog, "test-form-qt");
    EXPECT_EQ(p.image.size(), QSize(std::lround(400 * p.dpr), std::lround(260 * p.dpr)));

    // The Paint handler draws picture 2 at imgMarker (120, 720, 480 × 480 twips, 15 to the
    // pixel); the image without a picture shows nothing of its own.
    EXPECT_GT(p.marked(QRectF(8, 48, 32, 32)), 100) << "the icon drawn during Paint";
    EXPECT_GT(p.marked(QRectF(8, 8, 32, 32)), 100) << "the image's stock picture";
    EXPECT_EQ(p.marked(QRectF(8, 84, 32, 16)), 0) << "nothing between the picture and the frame";
    if (p.dpi == 96) {
        EXPECT_TRUE(p.image.save(QVMSGERR_SOURCE_DIR "/docs/images/test-form-qt.png"));
    }
    f.window->unload();
}

// Texts, the default button and access keys are proven by the shared script and the messages'
// real keys.
TEST(QtWindow, WidgetsFollowTheDesign) {
    QtForm f;
    // 15 twips to the pixel at 96 dpi.
    EXPECT_EQ(f.widget("cmdCancel")->geometry(), QRect(304, 72, 88, 26));
    EXPECT_EQ(f.widget("txtNotes")->parentWidget(), f.widget("fraNotes"))
        << "a frame holds its children";
    EXPECT_EQ(f.widget("txtNotes")->geometry().topLeft(), QPoint(8, 18));
    EXPECT_TRUE(f.widget("pnlBar")->autoFillBackground());
    EXPECT_EQ(f.widget("pnlBar")->palette().color(QPalette::Window), QColor(0xD0, 0xE0, 0xF0))
        << "colours are BGR";
    f.window->control("lblPanel").setFont({"Arial", 6.75f, true});
    const QFont font = f.widget("lblPanel")->font();
    EXPECT_EQ(std::pair(font.pointSizeF(), font.bold()), std::pair(6.75, true));

    // The outer size is the client area and the frame, which the offscreen platform leaves out.
    const QMargins frame = qt::kFrameAllowance;
    EXPECT_FLOAT_EQ(f.window->width(), 6000 + (frame.left() + frame.right()) * 15);
    f.window->setHeight(5000);
    EXPECT_FLOAT_EQ(f.window->scaleHeight(), 5000 - (frame.top() + frame.bottom()) * 15);
    EXPECT_EQ(qt::dialogOf(*f.window)->height(), std::lround(f.window->scaleHeight() / 15));
    f.window->move(1500, 3000);
    EXPECT_EQ(qt::dialogOf(*f.window)->pos(), QPoint(100, 200));
}

TEST(QtWindow, ShapesLieBelowLabelsAndLabelsBelowButtons) {
    platform::FormDesign d;
    d.name = "frmStack";
    d.clientWidth = d.clientHeight = 1500;
    // Created in an order that would hide the button.
    addControl(d, ControlKind::CommandButton, "cmd", -1, 0, 0, 1000, 400);
    addControl(d, ControlKind::Label, "lbl", -1, 0, 0, 1000, 400).caption = "over the shape";
    addControl(d, ControlKind::Shape, "shp", 0, 0, 0, 1000, 400);
    auto window = qt::makeDesktop()->createWindow(d);
    const auto at = [&] { return qt::dialogOf(*window)->childAt(5, 5); };
    EXPECT_EQ(at(), qt::widgetOf(window->control("cmd")));
    window->control("cmd").setVisible(false);
    EXPECT_EQ(at(), qt::widgetOf(window->control("lbl")));
    window->control("lbl").setVisible(false);
    EXPECT_EQ(at(), nullptr) << "the mouse passes through a shape";
    window->addElement("shp", 1).setVisible(true);
    window->control("lbl").setVisible(true);
    EXPECT_EQ(at(), qt::widgetOf(window->control("lbl"))) << "an added shape stays below";
}

TEST(QtWindow, ModalDisplayRules) {
    QtForm f;
    auto second = f.desktop->createWindow(testform::testFormDesign());
    int failures = 0;
    testform::EventFunction failing([&](platform::Event& e) {
        if (e.kind == EventKind::Click) {
            ++failures;
            throw RunTimeError(err::InvalidCall); // dropped by the desktop
        }
    });
    f.runModal([&] {
        expectRunTimeError(401, "modeless under a modal one", [&] { second->showModeless(); });
        f.window->setHandler(&failing);
        qttest::QtFormDriver(*f.window).click("cmdPanel");
        EXPECT_EQ(failures, 1);
        EXPECT_TRUE(f.window->isVisible()) << "a failing handler leaves the window alone";
        f.window->setHandler(&f.logic);
        f.window->control("tmrTick").setEnabled(true);
        f.window->hide();
    });
    QTest::qWait(1300);
    EXPECT_EQ(f.logic.timerTicks(), 0) << "timers of a hidden window stand still";
}

TEST(QtWindow, TopmostByHandle) {
    QtForm f;
    f.window->showModeless();
    QWidget* dialog = qt::dialogOf(*f.window);
    EXPECT_TRUE(f.desktop->setTopmost(f.window->handle(), true));
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(dialog->isVisible()) << "changing the flag must not hide the window";
    EXPECT_TRUE(f.desktop->setTopmost(f.window->handle(), false));
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(f.desktop->setTopmost(0, true));
}

// Letters, digits, F1, Enter and Escape are proven with real keys on the test form and messages.
TEST(QtConvert, VirtualKeyCodes) {
    const std::tuple<int, Qt::KeyboardModifiers, int16_t> rows[] = {
        {Qt::Key_Z, Qt::ShiftModifier, 'Z'},      {Qt::Key_F12, Qt::NoModifier, 123},
        {Qt::Key_Enter, Qt::KeypadModifier, 13},  {Qt::Key_Left, Qt::NoModifier, 37},
        {Qt::Key_Exclam, Qt::ShiftModifier, '1'}, {Qt::Key_5, Qt::KeypadModifier, 101},
        {Qt::Key_Minus, Qt::NoModifier, 189},     {Qt::Key_Eacute, Qt::NoModifier, 0},
    };
    for (const auto& [key, modifiers, code] : rows) {
        EXPECT_EQ(qt::virtualKeyCode(key, modifiers), code) << std::hex << key;
    }
    EXPECT_EQ(qt::shiftState(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(qt::shiftState(Qt::ControlModifier | Qt::MetaModifier), 2);
}

TEST(QtConvert, SystemColours) {
    const QPalette palette = QGuiApplication::palette();
    // An index the table does not know, or none at all, takes the fallback.
    const std::pair<uint32_t, QPalette::ColorRole> rows[] = {{0x8000000F, QPalette::Button},
                                                             {0x800000FF, QPalette::Window},
                                                             {0xFFFFFFFF, QPalette::Window}};
    for (const auto& [value, role] : rows) {
        EXPECT_EQ(qt::toQColor(static_cast<int32_t>(value), palette, QPalette::Window),
                  palette.color(role))
            << std::hex << value;
    }
}

TEST(QtConvert, MaskColourIsLeftUnpainted) {
    const QImage plain = qt::stockPicture(platform::StockPicture::Critical, 32, -1, 1);
    // The colour of the opaque middle as the mask: every pixel of that colour goes.
    const QRgb opaque = plain.pixel(16, 16);
    ASSERT_EQ(qAlpha(opaque), 255);
    const int32_t mask = qRed(opaque) | (qGreen(opaque) << 8) | (qBlue(opaque) << 16);
    const QImage maskedImage = qt::stockPicture(platform::StockPicture::Critical, 32, mask, 1);
    int painted = 0, kept = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            const bool masked = plain.pixel(x, y) == opaque;
            painted += masked && qAlpha(maskedImage.pixel(x, y)) != 0 ? 1 : 0;
            kept += !masked && maskedImage.pixel(x, y) == plain.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(painted, 0) << "pixels of the mask colour";
    EXPECT_GT(kept, 0) << "the other pixels";
}

// --- The desktop's own dialogs and services -----------------------------------------------------

TEST(QtDesktop, SystemMessageBoxButtonsDefaultEscapeAndHelp) {
    using QMB = QMessageBox;
    const auto ari = QMB::Abort | QMB::Retry | QMB::Ignore;
    // Escape or the close box answers; where the set has no answer for them, or after a click on
    // Help, the box stays open and the default button answers.
    // Qt has no standard buttons for Try Again and Continue, the defaults of set 6 here: they
    // answer when clicked.
    enum How { Escape, CloseBox, NoEscape, Help, ClickDefault };
    const struct {
        int32_t flags;
        QMB::StandardButtons buttons;
        QMB::StandardButton defaultButton;
        QMB::Icon icon;
        How how;
        int32_t answer;
    } rows[] = {
        {0, QMB::Ok, QMB::Ok, QMB::NoIcon, Escape, 1},
        {1 | 16, QMB::Ok | QMB::Cancel, QMB::Ok, QMB::Critical, CloseBox, 2},
        {2 | 48, ari, QMB::Abort, QMB::Warning, NoEscape, 3},
        {3 | 32 | 0x200, QMB::Yes | QMB::No | QMB::Cancel, QMB::Cancel, QMB::Question, Escape, 2},
        {4 | 64 | 0x100, QMB::Yes | QMB::No, QMB::No, QMB::Information, NoEscape, 7},
        {5 | 0x300, QMB::Retry | QMB::Cancel, QMB::Retry, QMB::NoIcon, Escape, 2},
        {1 | 0x4000 | 0x200, QMB::Ok | QMB::Cancel | QMB::Help, QMB::Help, QMB::NoIcon, Escape, 2},
        {4 | 0x4000, QMB::Yes | QMB::No | QMB::Help, QMB::Yes, QMB::NoIcon, Help, 6},
        {6, QMB::Cancel, QMB::Cancel, QMB::NoIcon, Escape, 2},
        {6 | 0x100, QMB::Cancel, QMB::NoButton, QMB::NoIcon, ClickDefault, 10},
        {6 | 0x200, QMB::Cancel, QMB::NoButton, QMB::NoIcon, ClickDefault, 11},
    };
    const std::string helpFile = "/opt/app/help file.chm";
    for (const auto& row : rows) {
        SCOPED_TRACE("flags " + std::to_string(row.flags));
        const RecordingOpener opener;
        int32_t answer = 0;
        qttest::withModalDialog<QMessageBox>(
            [&](QMessageBox& box) {
                EXPECT_EQ(std::tuple(box.standardButtons(), box.standardButton(box.defaultButton()),
                                     box.icon(), box.text(), box.windowTitle()),
                          std::tuple(row.buttons, row.defaultButton, row.icon,
                                     QString("Line one\nline two"), QString("Title")));
                if (row.how == Help) {
                    box.button(QMB::Help)->click();
                    EXPECT_EQ(opener.received(), std::vector{helpFile});
                }
                if (row.how == CloseBox || row.how == NoEscape) {
                    box.close();
                }
                if (row.how != CloseBox && row.how != ClickDefault) {
                    QTest::keyClick(&box, Qt::Key_Escape);
                }
                if (row.how == NoEscape || row.how == Help) {
                    EXPECT_TRUE(box.isVisible()) << "no answer yet";
                }
                if (box.isVisible()) {
                    box.defaultButton()->click();
                }
            },
            [&] {
                answer = qt::makeDesktop()->systemMessageBox("Line one\r\nline two", row.flags,
                                                             "Title", helpFile, 42);
            });
        EXPECT_EQ(answer, row.answer);
    }
}

TEST(QtDesktop, HelpFilesReachTheOpenerAsAbsolutePathsNeverAsOptions) {
    const std::string here = QDir::currentPath().toStdString();
    const std::pair<std::string, std::string> rows[] = {
        {"--version", here + "/--version"},
        {"https://example.org/help", "https://example.org/help"},
    };
    for (const auto& [helpFile, argument] : rows) {
        const RecordingOpener opener;
        qt::makeDesktop()->showHelp(helpFile, 3, 0);
        EXPECT_EQ(opener.received(), std::vector{argument});
    }
}

// What the opener and the printer receive is checked with the error report they are made for.
TEST(QtDesktop, SoundOnlyWhereThereIsAnOutput) {
    const ScopedEnv noServer("PULSE_SERVER", std::nullopt);
    // The files below a scratch directory ("run/…", "snd/…"), and whether there is an output.
    const std::pair<std::vector<std::string>, bool> rows[] = {
        {{}, false},
        {{"snd/pcmC0D0c", "snd/controlC0"}, false}, // capture only
        {{"snd/pcmC0D0p"}, true},
        {{"run/pulse/native"}, true},
        {{"run/pipewire-0"}, true},
    };
    for (const auto& [files, available] : rows) {
        qvtest::ScratchDir dir;
        std::filesystem::create_directories(dir.file("run"));
        std::filesystem::create_directories(dir.file("snd"));
        for (const auto& f : files) {
            std::filesystem::create_directories(std::filesystem::path(dir.file(f)).parent_path());
            qvtest::writeFile(dir.file(f), "");
        }
        EXPECT_EQ(qt::soundOutputAvailable(dir.file("run"), dir.file("snd")), available)
            << ::testing::PrintToString(files);
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

    // Tests answer without the dialog; the extension compares without regard to case.
    const std::tuple<const char*, const char*, bool> scripted[] = {
        {"report", "report.rtf", false},
        {"report.txt", "report.txt", true},
        {"report.RTF", "report.RTF", false}};
    for (const auto& [answer, file, differs] : scripted) {
        ScopedEnv env("QVMSGERR_SAVE_AS", answer);
        chosen = desktop->chooseSaveFile(settings);
        EXPECT_EQ(std::tuple(chosen.cancelled, chosen.path, chosen.extensionDiffers),
                  result(file, differs))
            << answer;
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

TEST(QtDesktop, Environment) {
    auto desktop = qt::makeDesktop();
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size() * 15;
    EXPECT_EQ(QSizeF(desktop->screenWidth(), desktop->screenHeight()), QSizeF(screen));
    const QFileInfo component(QString::fromStdString(desktop->componentDirectory()));
    EXPECT_TRUE(component.isAbsolute() && component.isDir()) << component.filePath().toStdString();
    {
        ScopedEnv env("QVMSGERR_COMPONENT_DIR", "/opt/somewhere");
        EXPECT_EQ(desktop->componentDirectory(), "/opt/somewhere");
    }
    const QString oldName = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName("Host Program");
    EXPECT_EQ(desktop->applicationTitle(), "Host Program");
    QGuiApplication::setApplicationDisplayName(oldName);
}

TEST(QtDesktop, IsTheDefaultOnTheGuiThreadOnly) {
    setThreadDesktop(nullptr);
    EXPECT_EQ(threadDesktop().name(), "qt");
    // Another thread gets no window, and hears why, instead of an answer nobody gave.
    std::string otherThread;
    RunTimeError refused;
    std::thread([&] {
        otherThread = threadDesktop().name();
        refused = testing::raised([] { clsMesgBox().msgBox("From a worker?", 4); });
        setThreadDesktop(nullptr);
    }).join();
    EXPECT_EQ(otherThread, "none");
    EXPECT_EQ(refused.Number, err::NoWindows);
    EXPECT_NE(refused.Description.find("not the thread of the program's QApplication"),
              std::string::npos)
        << refused.Description;
    qt::installDesktop();
}

} // namespace
} // namespace qvMsgErr

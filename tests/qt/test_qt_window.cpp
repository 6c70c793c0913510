// Windows and controls of the Qt desktop: the shared test form with real input, the form rendered
// to a picture, and what the toolkit makes of the designs.
#include "qt/qt_form_driver.h"

#include "support/forms.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

namespace qvMsgErr {
namespace {

using platform::ControlKind;
using platform::EventKind;
using testform::expectRunTimeError;

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

TEST(QtWindow, WidgetsFollowTheDesign) {
    QtForm f;
    // 15 twips to the pixel at 96 dpi.
    EXPECT_EQ(f.widget("cmdCancel")->geometry(), QRect(304, 72, 88, 26));
    EXPECT_EQ(f.widget("txtNotes")->parentWidget(), f.widget("fraNotes"))
        << "a frame holds its children";
    EXPECT_EQ(f.widget("txtNotes")->geometry().topLeft(), QPoint(8, 18));
    EXPECT_EQ(static_cast<QGroupBox*>(f.widget("fraNotes"))->title(), "Notes");
    EXPECT_EQ(static_cast<QPlainTextEdit*>(f.widget("txtNotes"))->toPlainText(),
              "First line\nSecond line");
    auto* action = static_cast<QPushButton*>(f.widget("cmdAction", 0));
    EXPECT_TRUE(action->isDefault());
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::ALT | Qt::Key_A)) << "& marks the access key";
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
                                                             {0x80000012, QPalette::ButtonText},
                                                             {0x8000000D, QPalette::Highlight},
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

} // namespace
} // namespace qvMsgErr

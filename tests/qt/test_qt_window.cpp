// Windows and controls of the Qt desktop: the shared test form with real input, the form rendered
// to a picture, and what the toolkit makes of the designs.
#include "qt/qt_form_driver.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace qvMsgErr {
namespace {

using platform::ControlKind;
using platform::EventKind;
using qttest::pixelsOtherThan;
using qttest::QtForm;
using testform::expectRunTimeError;

TEST(QtTestForm, SharedScriptWithRealInput) {
    QtForm f;
    qttest::QtFormDriver user(*f.window);
    qttest::runModal(*f.window, [&] {
        ASSERT_TRUE(qttest::waitFor([&] { return f.logic.count(EventKind::Paint) > 0; }));
        testform::runSharedFormScript(*f.window, user, f.logic);
    });
    EXPECT_FALSE(f.window->isVisible());
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
    ASSERT_TRUE(qttest::waitFor([&] { return f.logic.count(EventKind::Paint) > 0; }));

    const QPixmap picture = dialog->grab();
    const qreal dpr = picture.devicePixelRatio();
    const int dpi = static_cast<int>(std::lround(dialog->screen()->logicalDotsPerInchX() * dpr));
    const QImage image = picture.toImage();
    EXPECT_EQ(image.width(), std::lround(6000 / 15.0 * dpr));
    EXPECT_EQ(image.height(), std::lround(3900 / 15.0 * dpr));

    // The Paint handler draws picture 2 at imgMarker (120, 720, 480 × 480 twips); the image
    // without a picture shows nothing of its own.
    const QRgb background = dialog->palette().color(QPalette::Window).rgb();
    const auto area = [&](float left, float top, float width, float height) {
        return QRect(static_cast<int>(left / 15 * dpr), static_cast<int>(top / 15 * dpr),
                     static_cast<int>(width / 15 * dpr), static_cast<int>(height / 15 * dpr));
    };
    EXPECT_GT(pixelsOtherThan(image, area(120, 720, 480, 480), background), 100)
        << "the icon drawn during Paint";
    EXPECT_GT(pixelsOtherThan(image, area(120, 120, 480, 480), background), 100)
        << "the image's stock picture";
    EXPECT_EQ(pixelsOtherThan(image, area(120, 1260, 480, 240), background), 0)
        << "nothing between the picture and the frame";

    const QString file =
        QStringLiteral("%1/test-form-qt-%2dpi.png").arg(qttest::testOutputDirectory()).arg(dpi);
    EXPECT_TRUE(picture.save(file)) << file.toStdString();
#ifdef QVMSGERR_SOURCE_DIR
    if (dpi == 96) {
        const QString docs = QStringLiteral(QVMSGERR_SOURCE_DIR "/docs/images");
        ASSERT_TRUE(QDir().mkpath(docs));
        EXPECT_TRUE(picture.save(docs + QStringLiteral("/test-form-qt.png")));
    }
#endif
    f.window->unload();
}

TEST(QtWindow, WidgetsFollowTheDesign) {
    QtForm f;
    // 15 twips to the pixel at 96 dpi.
    EXPECT_EQ(qt::dialogOf(*f.window)->size(), QSize(400, 260));
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
    EXPECT_DOUBLE_EQ(f.widget("lblPanel")->font().pointSizeF(), 6.75);
    EXPECT_TRUE(f.widget("lblPanel")->font().bold());
}

TEST(QtWindow, ShapesLieBelowLabelsAndLabelsBelowButtons) {
    platform::FormDesign d;
    d.name = "frmStack";
    d.clientWidth = 3000;
    d.clientHeight = 1500;
    platform::ControlDesign button;
    button.kind = ControlKind::CommandButton;
    button.name = "cmd";
    button.width = 1000;
    button.height = 400;
    platform::ControlDesign label = button, shape = button;
    label.kind = ControlKind::Label;
    label.name = "lbl";
    label.caption = "over the shape";
    shape.kind = ControlKind::Shape;
    shape.name = "shp";
    shape.index = 0;
    d.controls = {button, label, shape}; // created in an order that would hide the button
    auto window = qt::makeDesktop()->createWindow(d);
    QWidget* dialog = qt::dialogOf(*window);
    const auto widget = [&](const char* name) { return qt::widgetOf(window->control(name)); };
    EXPECT_EQ(dialog->childAt(5, 5), widget("cmd"));
    window->control("cmd").setVisible(false);
    EXPECT_EQ(dialog->childAt(5, 5), widget("lbl"));
    window->control("lbl").setVisible(false);
    EXPECT_EQ(dialog->childAt(5, 5), nullptr) << "the mouse passes through a shape";
    window->addElement("shp", 1).setVisible(true);
    window->control("lbl").setVisible(true);
    EXPECT_EQ(dialog->childAt(5, 5), widget("lbl")) << "an added shape stays in the shapes' layer";
}

TEST(QtWindow, SelfSizingLabelsFitTheirText) {
    QtForm f;
    auto* label = static_cast<QLabel*>(f.widget("lblOneLine"));
    f.window->control("lblOneLine").setCaption("Fits & shows its ampersand");
    const int needed = QFontMetrics(label->font()).horizontalAdvance("Fits & shows its ampersand");
    EXPECT_GE(label->width(), needed) << "nothing is clipped";
    EXPECT_LE(label->width(), needed + 2);
    EXPECT_EQ(label->text(), "Fits & shows its ampersand") << "labels show & as it is";
    EXPECT_FLOAT_EQ(f.window->control("lblOneLine").width(), label->width() * 15.0f);

    f.window->control("lblWrapped").setCaption(std::string(60, 'x') + " " + std::string(10, 'y'));
    auto* wrapped = static_cast<QLabel*>(f.widget("lblWrapped"));
    EXPECT_EQ(wrapped->width(), 200);
    EXPECT_EQ(wrapped->height(), wrapped->heightForWidth(200)) << "the height it needs";
}

TEST(QtWindow, OuterSizeIsClientPlusFrame) {
    QtForm f;
    const QMargins frame = qt::kFrameAllowance; // offscreen reports no frame
    EXPECT_FLOAT_EQ(f.window->scaleWidth(), 6000);
    EXPECT_FLOAT_EQ(f.window->width(), 6000 + (frame.left() + frame.right()) * 15);
    EXPECT_FLOAT_EQ(f.window->height(), 3900 + (frame.top() + frame.bottom()) * 15);
    f.window->setHeight(5000);
    EXPECT_FLOAT_EQ(f.window->height(), 5000);
    EXPECT_FLOAT_EQ(f.window->scaleHeight(), 5000 - (frame.top() + frame.bottom()) * 15);
    EXPECT_EQ(qt::dialogOf(*f.window)->height(), std::lround(f.window->scaleHeight() / 15));
    f.window->move(1500, 3000);
    EXPECT_EQ(qt::dialogOf(*f.window)->pos(), QPoint(100, 200));
}

TEST(QtWindow, ModalDisplayRules) {
    QtForm f;
    auto second = f.desktop->createWindow(testform::testFormDesign());
    qttest::runModal(*f.window, [&] {
        expectRunTimeError(401, "modeless under a modal one", [&] { second->showModeless(); });
        f.window->control("tmrTick").setEnabled(true);
    });
    QTest::qWait(1300);
    EXPECT_EQ(f.logic.timerTicks(), 0) << "timers of a hidden window stand still";
}

TEST(QtWindow, HandlersMayFailUnloadOrShowAnotherWindow) {
    QtForm f;
    auto inner = f.desktop->createWindow(testform::testFormDesign());
    int clicks = 0;
    bool innerShown = false;
    testform::EventFunction handler([&](platform::Event& e) {
        if (e.kind != EventKind::Click) {
            return;
        }
        ++clicks;
        if (e.control == "cmdPanel") {
            throw RunTimeError(err::InvalidCall); // dropped by the desktop
        }
        if (e.control == "cmdCancel") {
            qttest::runModal(*inner, [&] { innerShown = inner->isVisible(); });
        }
        if (e.control == "cmdAction") {
            f.window->unload();
        }
    });
    f.window->setHandler(&handler);
    qttest::QtFormDriver user(*f.window);
    qttest::runModal(*f.window, [&] {
        user.click("cmdPanel");
        EXPECT_TRUE(f.window->isVisible()) << "a failing handler leaves the window alone";
        user.click("cmdCancel");
        EXPECT_TRUE(innerShown);
        EXPECT_TRUE(f.window->isVisible());
        user.click("cmdAction", 0);
        EXPECT_FALSE(f.window->isLoaded());
    });
    EXPECT_EQ(clicks, 3);
    EXPECT_FALSE(f.window->isVisible());
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

TEST(QtConvert, VirtualKeyCodes) {
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        int16_t code;
    } rows[] = {
        {Qt::Key_A, Qt::NoModifier, 'A'},     {Qt::Key_Z, Qt::ShiftModifier, 'Z'},
        {Qt::Key_0, Qt::NoModifier, '0'},     {Qt::Key_9, Qt::NoModifier, '9'},
        {Qt::Key_F1, Qt::NoModifier, 112},    {Qt::Key_F12, Qt::NoModifier, 123},
        {Qt::Key_Return, Qt::NoModifier, 13}, {Qt::Key_Enter, Qt::KeypadModifier, 13},
        {Qt::Key_Escape, Qt::NoModifier, 27}, {Qt::Key_Tab, Qt::NoModifier, 9},
        {Qt::Key_Space, Qt::NoModifier, 32},  {Qt::Key_Delete, Qt::NoModifier, 46},
        {Qt::Key_Left, Qt::NoModifier, 37},   {Qt::Key_Exclam, Qt::ShiftModifier, '1'},
        {Qt::Key_5, Qt::KeypadModifier, 101}, {Qt::Key_Minus, Qt::NoModifier, 189},
        {Qt::Key_Eacute, Qt::NoModifier, 0},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(qt::virtualKeyCode(r.key, r.modifiers), r.code) << std::hex << r.key;
    }
    EXPECT_EQ(qt::shiftState(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(qt::shiftState(Qt::ControlModifier | Qt::MetaModifier), 2);
    for (int16_t code : {int16_t('A'), int16_t('7'), int16_t(112), int16_t(13), int16_t(27)}) {
        EXPECT_EQ(qt::virtualKeyCode(qt::qtKeyOf(code), Qt::NoModifier), code);
    }
}

TEST(QtConvert, Colours) {
    const QPalette palette = QGuiApplication::palette();
    const struct {
        int32_t value;
        QColor expected;
    } rows[] = {
        {0x0000FF, QColor(255, 0, 0)},
        {0xFFE0C0, QColor(0xC0, 0xE0, 0xFF)},
        {static_cast<int32_t>(0x8000000F), palette.color(QPalette::Button)},
        {static_cast<int32_t>(0x80000012), palette.color(QPalette::ButtonText)},
        {static_cast<int32_t>(0x80000005), palette.color(QPalette::Base)},
        {static_cast<int32_t>(0x8000000D), palette.color(QPalette::Highlight)},
        {static_cast<int32_t>(0x800000FF), palette.color(QPalette::Window)}, // unknown index
        {static_cast<int32_t>(0xFFFFFFFF), palette.color(QPalette::Window)},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(qt::toQColor(r.value, palette, QPalette::Window), r.expected)
            << std::hex << r.value;
    }
}

TEST(QtConvert, MaskColourIsLeftUnpainted) {
    const QImage plain = qt::stockPicture(platform::StockPicture::Critical, 32, -1, 1);
    ASSERT_FALSE(plain.isNull());
    // Take the colour of an opaque pixel as the mask: every pixel of that colour goes.
    QRgb opaque = 0;
    for (int y = 0; y < plain.height() && !opaque; ++y) {
        for (int x = 0; x < plain.width() && !opaque; ++x) {
            opaque = qAlpha(plain.pixel(x, y)) == 255 ? plain.pixel(x, y) : 0;
        }
    }
    ASSERT_NE(opaque, 0u);
    const int32_t mask = qRed(opaque) | (qGreen(opaque) << 8) | (qBlue(opaque) << 16);
    const QImage masked = qt::stockPicture(platform::StockPicture::Critical, 32, mask, 1);
    int kept = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            if (plain.pixel(x, y) == opaque) {
                EXPECT_EQ(qAlpha(masked.pixel(x, y)), 0) << x << "," << y;
            } else {
                kept += masked.pixel(x, y) == plain.pixel(x, y) ? 1 : 0;
            }
        }
    }
    EXPECT_GT(kept, 0);
}

} // namespace
} // namespace qvMsgErr

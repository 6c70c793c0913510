// Windows and controls of the Qt desktop: what the toolkit makes of the designs, beyond the
// shared form script.
#include "platform/test_form.h"
#include "qt/qt_form_driver.h"

#include "platform/qt/qt_desktop_p.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace qvMsgErr {
namespace {

using platform::ControlKind;
using platform::EventKind;
using testform::expectRunTimeError;

struct Form {
    std::shared_ptr<platform::Desktop> desktop = qt::makeDesktop();
    std::unique_ptr<platform::Window> window = desktop->createWindow(testform::testFormDesign());
    testform::TestFormLogic logic{*window};
    Form() { window->setHandler(&logic); }
    QWidget* widget(const std::string& name, int16_t index = -1) {
        return qt::widgetOf(window->control(name, index));
    }
};

TEST(QtWindow, WidgetsFollowTheDesign) {
    Form f;
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

    auto& panel = f.window->control("pnlBar");
    EXPECT_TRUE(f.widget("pnlBar")->autoFillBackground());
    EXPECT_EQ(f.widget("pnlBar")->palette().color(QPalette::Window), QColor(0xD0, 0xE0, 0xF0))
        << "colours are BGR";
    EXPECT_EQ(panel.backColor(), 0xF0E0D0);
    EXPECT_EQ(f.window->control("cmdCancel").backColor(), static_cast<int32_t>(0x8000000F));
    EXPECT_EQ(f.window->control("rtfInfo").foreColor(), static_cast<int32_t>(0x80000008));

    auto& label = f.window->control("lblPanel");
    label.setFont({"Arial", 6.75f, true});
    EXPECT_DOUBLE_EQ(f.widget("lblPanel")->font().pointSizeF(), 6.75);
    EXPECT_TRUE(f.widget("lblPanel")->font().bold());
    EXPECT_EQ(label.font().name, "Arial");
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
    auto desktop = qt::makeDesktop();
    auto window = desktop->createWindow(d);
    QWidget* dialog = qt::dialogOf(*window);
    EXPECT_EQ(dialog->childAt(5, 5), qt::widgetOf(window->control("cmd")));
    window->control("cmd").setVisible(false);
    EXPECT_EQ(dialog->childAt(5, 5), qt::widgetOf(window->control("lbl")));
    window->control("lbl").setVisible(false);
    EXPECT_EQ(dialog->childAt(5, 5), nullptr) << "the mouse passes through a shape";

    auto& added = window->addElement("shp", 1);
    added.setVisible(true);
    window->control("lbl").setVisible(true);
    EXPECT_EQ(dialog->childAt(5, 5), qt::widgetOf(window->control("lbl")))
        << "an added shape stays in the shapes' layer";
}

TEST(QtWindow, SelfSizingLabelsFitTheirText) {
    Form f;
    auto& one = f.window->control("lblOneLine");
    auto* label = static_cast<QLabel*>(f.widget("lblOneLine"));
    one.setCaption("Fits & shows its ampersand");
    const QFontMetrics fm(label->font());
    EXPECT_GE(label->width(), fm.horizontalAdvance("Fits & shows its ampersand"))
        << "nothing is clipped";
    EXPECT_LE(label->width(), fm.horizontalAdvance("Fits & shows its ampersand") + 2);
    EXPECT_EQ(label->text(), "Fits & shows its ampersand") << "labels show & as it is";
    EXPECT_FLOAT_EQ(one.width(), static_cast<float>(label->width() * 15));

    auto& wrapped = f.window->control("lblWrapped");
    wrapped.setCaption(std::string(60, 'x') + " " + std::string(10, 'y'));
    auto* wrappedLabel = static_cast<QLabel*>(f.widget("lblWrapped"));
    EXPECT_EQ(wrappedLabel->height(), wrappedLabel->heightForWidth(wrappedLabel->width()))
        << "the height the label needs at its width";
    EXPECT_EQ(wrappedLabel->width(), 200);
}

TEST(QtWindow, OuterSizeIsClientPlusFrame) {
    Form f;
    const QMargins frame = qt::kFrameAllowance; // offscreen reports no frame
    EXPECT_FLOAT_EQ(f.window->scaleWidth(), 6000);
    EXPECT_FLOAT_EQ(f.window->width(), 6000 + (frame.left() + frame.right()) * 15);
    EXPECT_FLOAT_EQ(f.window->height(), 3900 + (frame.top() + frame.bottom()) * 15);
    f.window->setHeight(5000);
    EXPECT_FLOAT_EQ(f.window->height(), 5000);
    EXPECT_FLOAT_EQ(f.window->scaleHeight(), 5000 - (frame.top() + frame.bottom()) * 15);
    EXPECT_EQ(qt::dialogOf(*f.window)->height(), std::lround(f.window->scaleHeight() / 15));
    f.window->move(1500, 3000);
    EXPECT_FLOAT_EQ(f.window->left(), 1500);
    EXPECT_FLOAT_EQ(f.window->top(), 3000);
    EXPECT_EQ(qt::dialogOf(*f.window)->pos(), QPoint(100, 200));
}

TEST(QtWindow, ModalDisplayRules) {
    Form f;
    auto second = f.desktop->createWindow(testform::testFormDesign());
    qttest::runModal(*f.window, [&] {
        expectRunTimeError(
            400, [&] { f.window->showModal(); }, "showing a shown window");
        expectRunTimeError(
            401, [&] { second->showModeless(); }, "modeless under a modal one");
        f.window->control("tmrTick").setEnabled(true);
    });
    EXPECT_EQ(f.logic.timerTicks(), 0);
    QTest::qWait(1300);
    EXPECT_EQ(f.logic.timerTicks(), 0) << "timers of a hidden window stand still";
}

TEST(QtWindow, HandlersMayFailUnloadOrShowAnotherWindow) {
    struct Handler : platform::FormHandler {
        std::function<void(platform::Event&)> onClick;
        void onEvent(platform::Event& e) override {
            if (e.kind == EventKind::Click) {
                onClick(e);
            }
        }
    };
    Form f;
    auto inner = f.desktop->createWindow(testform::testFormDesign());
    testform::TestFormLogic innerLogic(*inner);
    inner->setHandler(&innerLogic);
    Handler handler;
    f.window->setHandler(&handler);
    qttest::QtFormDriver user(*f.window);
    int clicks = 0;
    bool innerShown = false;
    handler.onClick = [&](platform::Event& e) {
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
    };
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
    EXPECT_FALSE(f.window->hasControl("cmdAction", 0));
    expectRunTimeError(
        91, [&] { f.window->control("cmdAction", 0); }, "a control after unload");
    expectRunTimeError(
        91, [&] { (void)f.window->caption(); }, "the caption after unload");
    f.window->unload();
    f.window->hide();
    EXPECT_NE(f.window->handle(), 0);
}

TEST(QtWindow, TopmostByHandle) {
    Form f;
    f.window->showModeless();
    QWidget* dialog = qt::dialogOf(*f.window);
    EXPECT_TRUE(f.desktop->setTopmost(f.window->handle(), true));
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(dialog->isVisible()) << "changing the flag must not hide the window";
    EXPECT_TRUE(f.desktop->setTopmost(f.window->handle(), false));
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(f.desktop->setTopmost(0, true));
    const auto handle = f.window->handle();
    f.window->unload();
    EXPECT_FALSE(f.desktop->setTopmost(handle, true));
}

TEST(QtWindow, DesignsThatCannotBeBuiltAreRefused) {
    auto desktop = qt::makeDesktop();
    auto twice = testform::testFormDesign();
    twice.controls.push_back(twice.controls.front());
    expectRunTimeError(
        5, [&] { desktop->createWindow(twice); }, "a control listed twice");
    auto badContainer = testform::testFormDesign();
    badContainer.controls.back().container = "cmdCancel";
    expectRunTimeError(
        5, [&] { desktop->createWindow(badContainer); }, "a button as container");
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
        {0x00FF00, QColor(0, 255, 0)},
        {0xFF0000, QColor(0, 0, 255)},
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
            if ((plain.pixel(x, y) | 0xFF000000) == (opaque | 0xFF000000) &&
                qAlpha(plain.pixel(x, y)) == 255) {
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

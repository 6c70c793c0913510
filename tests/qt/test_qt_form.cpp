// The shared test form on the Qt desktop: the common script with real input, and the form
// rendered to a picture.
#include "platform/test_form.h"
#include "qt/qt_form_driver.h"

#include "platform/qt/qt_desktop_p.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace qvMsgErr {
namespace {

using platform::EventKind;
using testform::TestFormLogic;

struct Form {
    std::shared_ptr<platform::Desktop> desktop = qt::makeDesktop();
    std::unique_ptr<platform::Window> window = desktop->createWindow(testform::testFormDesign());
    TestFormLogic logic{*window};
    Form() { window->setHandler(&logic); }
};

TEST(QtTestForm, SharedScriptWithRealInput) {
    Form f;
    qttest::QtFormDriver user(*f.window);
    qttest::runModal(*f.window, [&] {
        ASSERT_TRUE(qttest::waitFor([&] { return f.logic.count(EventKind::Paint) > 0; }));
        testform::runSharedFormScript(*f.window, user, f.logic);
    });
    EXPECT_FALSE(f.window->isVisible());
    EXPECT_TRUE(f.window->isLoaded());
}

testform::RecordedEvent last(const std::vector<testform::RecordedEvent>& events) {
    return events.empty() ? testform::RecordedEvent{EventKind::Paint, "(nothing)"} : events.back();
}

TEST(QtTestForm, KeysClicksAndTheCloseBox) {
    Form f;
    qttest::QtFormDriver user(*f.window);
    qttest::runModal(*f.window, [&] {
        f.window->control("chkOption").setFocus();
        auto mark = f.logic.events().size();
        user.keyDown(13);
        EXPECT_EQ(last(f.logic.eventsSince(mark)),
                  (testform::RecordedEvent{EventKind::Click, "cmdAction", 0}));

        f.window->control("cmdPanel").setFocus();
        mark = f.logic.events().size();
        user.keyDown(13);
        EXPECT_EQ(last(f.logic.eventsSince(mark)),
                  (testform::RecordedEvent{EventKind::Click, "cmdPanel", -1}))
            << "Enter presses the focused button";

        mark = f.logic.events().size();
        user.keyDown(27);
        EXPECT_EQ(last(f.logic.eventsSince(mark)),
                  (testform::RecordedEvent{EventKind::Click, "cmdCancel", -1}));
        EXPECT_TRUE(f.window->isVisible()) << "Escape alone does not close the window";

        mark = f.logic.events().size();
        user.click("lblOneLine");
        EXPECT_EQ(last(f.logic.eventsSince(mark)),
                  (testform::RecordedEvent{EventKind::Click, "lblOneLine", -1}));

        mark = f.logic.events().size();
        user.close();
        const auto closing = f.logic.eventsSince(mark);
        ASSERT_FALSE(closing.empty());
        EXPECT_EQ(closing.front(), (testform::RecordedEvent{EventKind::Close, "", -1}));
        EXPECT_FALSE(f.window->isVisible()) << "a close the handler lets pass hides the window";
    });
    EXPECT_TRUE(f.window->isLoaded());
}

// Pixels of `image` inside `area` (device pixels) that differ from `background`.
int pixelsOtherThan(const QImage& image, const QRect& area, QRgb background) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += (image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF) ? 1 : 0;
        }
    }
    return count;
}

TEST(QtTestForm, RendersToPicture) {
    Form f;
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

    const char* out = std::getenv("QVMSGERR_TEST_OUTPUT");
    const QString dir = out ? QString::fromLocal8Bit(out) : QDir::tempPath();
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString file = QStringLiteral("%1/test-form-qt-%2dpi.png").arg(dir).arg(dpi);
    EXPECT_TRUE(picture.save(file)) << file.toStdString();
#ifdef QVMSGERR_SOURCE_DIR
    if (dpi == 96) {
        const QString docs = QStringLiteral(QVMSGERR_SOURCE_DIR "/docs/images");
        ASSERT_TRUE(QDir().mkpath(docs));
        EXPECT_TRUE(picture.save(docs + QStringLiteral("/test-form-qt.png")));
    }
#endif
    f.window->hide();
    f.window->unload();
}

} // namespace
} // namespace qvMsgErr

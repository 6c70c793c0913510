// The typed builders on Qt's types: a QWidget parent centres the message and the error dialog on
// itself (a child widget leaves them on the screen), and a QColor reaches the window.
#include "qt/qt_form_driver.h"

#include "platform/qt/qt_control_p.h"
#include "platform/sqlite/memory_registry.h"
#include "support/apartment.h"
#include "support/forms.h"

#include <qvMsgErr/qt.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace qvMsgErr {
namespace {

class QtTyped : public ::testing::Test {
protected:
    void SetUp() override {
        setThreadRegistry(std::make_shared<platform::MemoryRegistry>());
        host.setGeometry(40, 30, 420, 300);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        child = new QWidget(&host);
        child->setGeometry(300, 200, 40, 40);
    }
    void TearDown() override {
        EXPECT_EQ(loadedFormCount(), 0U) << "a window was left loaded";
        unloadAllForms();
        setThreadRegistry(nullptr);
    }

    /// Where each parent puts a window: on the host window's centre, or the screen's.
    std::vector<std::pair<QWidget*, QPointF>> parents() {
        return {{&host, QRectF(host.frameGeometry()).center()},
                {child, QRectF(QGuiApplication::primaryScreen()->availableGeometry()).center()}};
    }

    QWidget host;
    QWidget* child = nullptr;
};

void expectCentredOn(const qt::QtWindow& w, QPointF centre) {
    const QPointF seen = QRectF(w.dialog()->frameGeometry()).center();
    EXPECT_NEAR(seen.x(), centre.x(), 1);
    EXPECT_NEAR(seen.y(), centre.y(), 1);
}

TEST_F(QtTyped, TheMessageIsCentredOnItsParentInItsColour) {
    for (const auto& [parent, centre] : parents()) {
        Button answer = Button::None;
        qttest::withModalWindow(
            "frmTessary",
            [&, centre = centre](qt::QtWindow& w) {
                expectCentredOn(w, centre);
                EXPECT_EQ(w.dialog()->palette().color(QPalette::Window), QColor(0x33, 0x66, 0x99));
                EXPECT_EQ(w.caption(), "Grand livre é");
                qttest::click(qt::widgetOf(w.control("cmdButton", 1)));
            },
            [&, parent = parent] {
                answer = qt::Message{QStringLiteral("Enregistrer ?")}
                             .style(Style::Classic)
                             .buttons(Buttons::YesNo)
                             .title(QStringLiteral("Grand livre é"))
                             .backColour(QColor(0x33, 0x66, 0x99))
                             .parent(parent)
                             .show();
            });
        EXPECT_EQ(answer, Button::No);
    }
}

TEST_F(QtTyped, TheErrorDialogIsCentredOnItsParent) {
    for (const auto& [parent, centre] : parents()) {
        ErrorChoice choice = ErrorChoice::None;
        qttest::withModalWindow(
            "dlgError",
            [&, centre = centre](qt::QtWindow& w) {
                expectCentredOn(w, centre);
                qttest::click(qt::widgetOf(w.control("cmdIgnore")));
            },
            [&, parent = parent] {
                choice = qt::ErrorReport{QStringLiteral("Verrouillé")}.parent(parent).show();
            });
        EXPECT_EQ(choice, ErrorChoice::Ignore);
    }
}

} // namespace
} // namespace qvMsgErr

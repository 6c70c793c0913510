// The typed builders on Qt's types: a QWidget parent centres the message and the error dialog on
// itself (a child widget leaves them on the screen), and a QColor reaches the window.
#include "qt/qt_form_driver.h"

#include "platform/qt/qt_control_p.h"
#include "platform/sqlite/memory_registry.h"
#include "support/apartment.h"
#include "support/forms.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace qvMsgErr {
namespace {

TEST(QtTyped, MessageAndErrorDialogCentredOnTheirParentTheMessageInItsColour) {
    setThreadRegistry(std::make_shared<platform::MemoryRegistry>());
    qttest::HostWithChild host;
    for (const auto& [parent, centre] : host.centres()) {
        const auto seenAt = [centre = centre](const qt::QtWindow& w) {
            return (QRectF(w.dialog()->frameGeometry()).center() - centre).manhattanLength();
        };
        Button answer = Button::None;
        qttest::withModalWindow(
            "frmTessary",
            [&](qt::QtWindow& w) {
                EXPECT_LE(seenAt(w), 2);
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
        ErrorChoice choice = ErrorChoice::None;
        qttest::withModalWindow(
            "dlgError",
            [&](qt::QtWindow& w) {
                EXPECT_LE(seenAt(w), 2);
                qttest::click(qt::widgetOf(w.control("cmdIgnore")));
            },
            [&, parent = parent] {
                choice = qt::ErrorReport{QStringLiteral("Verrouillé")}.parent(parent).show();
            });
        EXPECT_EQ(choice, ErrorChoice::Ignore);
    }
    EXPECT_EQ(loadedFormCount(), 0U);
    setThreadRegistry(nullptr);
}

} // namespace
} // namespace qvMsgErr

// What screen readers hear of the library's windows: a message is an alert whose text is its
// prompt, a label that describes a button is that button's description, text areas carry names,
// and decoration (a version number) is not read out.
#include "platform/qt/qt_control_p.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace qvMsgErr::qt {

namespace {

/// A window that announces itself as an alert, with the announced text as its description.
class AlertWindow final : public QAccessibleWidget {
public:
    explicit AlertWindow(FormDialog* dialog)
        : QAccessibleWidget(dialog, QAccessible::AlertMessage), dialog_(dialog) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description && dialog_->owner) {
            if (const auto announced = dialog_->owner->announced()) {
                return *announced;
            }
        }
        return QAccessibleWidget::text(t);
    }

private:
    FormDialog* dialog_;
};

/// Decoration: in the tree, where a reader looking for it finds it, but not read out.
class Decoration final : public QAccessibleWidget {
public:
    explicit Decoration(QWidget* widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        return s;
    }
};

// FormDialog has no meta-object of its own: Qt asks for it as a QDialog.
QAccessibleInterface* accessibleOf(const QString& className, QObject* object) {
    if (className == QLatin1String("QDialog")) {
        auto* dialog = dynamic_cast<FormDialog*>(object);
        if (dialog && dialog->owner && dialog->owner->announced()) {
            return new AlertWindow(dialog);
        }
    } else if (className == QLatin1String("QLabel") && object->property(kDecorative).toBool()) {
        return new Decoration(static_cast<QLabel*>(object));
    }
    return nullptr;
}

} // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&accessibleOf);
        return true;
    }();
    (void)installed;
}

} // namespace qvMsgErr::qt

// What screen readers hear of the library's windows: a message is an alert whose text is its
// prompt and whose icon is named by its meaning, a label that describes a button is that button's
// description, text areas carry names, and decoration (a version number) is not read out.
#include "platform/design.h"
#include "platform/qt/qt_control_p.h"
#include "support/texts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QPointer>

#include <utility>

namespace qvMsgErr::qt {

QString meaningOf(platform::StockPicture picture) {
    const char* meaning = platform::pictureMeaning(picture);
    return meaning ? ownText(texts::kMessageBox, meaning) : QString();
}

namespace {

/// A picture drawn on a window's surface (a message's icon): a graphic named by its meaning.
class SurfacePicture final : public QAccessibleInterface {
public:
    SurfacePicture(FormDialog* dialog, QString name, QRect area)
        : dialog_(dialog), name_(std::move(name)), area_(area) {}

    bool isValid() const override { return !dialog_.isNull(); }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(dialog_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? name_ : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        return dialog_ ? QRect(dialog_->mapToGlobal(area_.topLeft()), area_.size()) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::Graphic; }
    QAccessible::State state() const override { return {}; }

private:
    QPointer<FormDialog> dialog_;
    QString name_;
    QRect area_; ///< in the window's pixels
};

/// A window that announces itself as an alert, with the announced text as its description; the
/// pictures its last Paint drew follow its widgets as children.
class AlertWindow final : public QAccessibleWidget {
public:
    explicit AlertWindow(FormDialog* dialog)
        : QAccessibleWidget(dialog, QAccessible::AlertMessage), dialog_(dialog) {}
    ~AlertWindow() override { forgetPictures(); }
    AlertWindow(const AlertWindow&) = delete;
    AlertWindow& operator=(const AlertWindow&) = delete;

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description && dialog_->owner) {
            if (const auto announced = dialog_->owner->announced()) {
                return *announced;
            }
        }
        return QAccessibleWidget::text(t);
    }
    int childCount() const override {
        return QAccessibleWidget::childCount() + static_cast<int>(pictures().size());
    }
    QAccessibleInterface* child(int index) const override {
        const int widgets = QAccessibleWidget::childCount();
        const auto& drawn = pictures();
        return index < widgets ? QAccessibleWidget::child(index)
               : index - widgets < static_cast<int>(drawn.size())
                   ? QAccessible::accessibleInterface(drawn[index - widgets])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto& drawn = pictures();
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            if (QAccessible::accessibleInterface(drawn[i]) == child) {
                return QAccessibleWidget::childCount() + static_cast<int>(i);
            }
        }
        return QAccessibleWidget::indexOfChild(child);
    }

private:
    /// The ids of the drawn pictures' interfaces, made again when the drawing changed.
    const std::vector<QAccessible::Id>& pictures() const {
        std::vector<std::pair<QString, QRect>> now;
        if (dialog_->owner) {
            const QtWindow& w = *dialog_->owner;
            for (const SurfaceDrawing& d : w.drawnPictures()) {
                // Where it is drawn, on the right where the window is mirrored.
                const QPoint at(qRound(w.placedLeft(d.x / w.scale().x, 32, w.dialog())),
                                qRound(d.y / w.scale().y));
                now.emplace_back(meaningOf(d.picture), QRect(at, QSize(32, 32)));
            }
        }
        if (now != shown_) {
            forgetPictures();
            shown_ = std::move(now);
            for (const auto& [name, area] : shown_) {
                ids_.push_back(QAccessible::registerAccessibleInterface(
                    new SurfacePicture(dialog_, name, area)));
            }
        }
        return ids_;
    }
    void forgetPictures() const {
        for (const QAccessible::Id id : ids_) {
            QAccessible::deleteAccessibleInterface(id);
        }
        ids_.clear();
        shown_.clear();
    }

    FormDialog* dialog_;
    mutable std::vector<std::pair<QString, QRect>> shown_;
    mutable std::vector<QAccessible::Id> ids_;
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
    } else if (className == QLatin1String("QWidget") && object->property(kPicture).toBool()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
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

// A QWidget as the ParentForm of a message: its frame's position and size in twips.
#include "platform/qt/qt_desktop_p.h"

#include <QPointer>
#include <QWidget>

namespace qvMsgErr::qt {

namespace {

/// A child widget: an object of the host, but no form.
class WidgetObject final : public HostObject {};

class WidgetForm final : public HostForm {
public:
    explicit WidgetForm(QWidget* widget) : widget_(widget) {}
    float Left() const override { return twips(frame().x(), scale().x); }
    float Top() const override { return twips(frame().y(), scale().y); }
    float Width() const override { return twips(frame().width(), scale().x); }
    float Height() const override { return twips(frame().height(), scale().y); }

private:
    QRect frame() const {
        if (!widget_) {
            throw RunTimeError(err::ObjectNotSet);
        }
        return widget_->frameGeometry();
    }
    static TwipScale scale() { return TwipScale::ofPrimaryScreen(); }
    static float twips(int pixels, double perPixel) {
        return static_cast<float>(pixels * perPixel);
    }
    QPointer<QWidget> widget_;
};

} // namespace

std::unique_ptr<HostObject> parentForm(QWidget* widget) {
    if (widget != nullptr && widget->isWindow()) {
        return std::make_unique<WidgetForm>(widget);
    }
    return std::make_unique<WidgetObject>();
}

} // namespace qvMsgErr::qt

// How a control's design reaches its widget: geometry, caption, colours, font, timer and size.
#include "platform/qt/qt_control_p.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>

namespace qvMsgErr::qt {

using platform::ControlKind;

void QtControl::applyGeometry() {
    if (!widget_) {
        return;
    }
    // Edges are rounded, not sizes: a control that lies inside another in twips then lies inside
    // it in pixels too, instead of poking out by one where two roundings meet.
    const TwipScale& s = window_.scale();
    const int left = toPixels(d_.left, s.x), top = toPixels(d_.top, s.y);
    widget_->setGeometry(left, top, toPixels(d_.left + d_.width, s.x) - left,
                         toPixels(d_.top + d_.height, s.y) - top);
    if (d_.kind == ControlKind::CommandButton) {
        applyCaption(); // where a caption breaks into lines depends on the width
    }
}

void QtControl::applyCaption() {
    if (!widget_) {
        return;
    }
    const auto caption = [&] {
        return visiblePart(fromText(d_.caption), QFontMetricsF(widget_->font()), false);
    };
    switch (d_.kind) {
    case ControlKind::CommandButton: {
        // A caption wider than the button breaks into lines, as the layouts measured it.
        const QFontMetricsF fm(widget_->font());
        const qreal room = widget_->width() - platform::kCaptionMarginX / window_.scale().x;
        QString text = caption();
        if (fm.size(Qt::TextShowMnemonic, text).width() > room) {
            text = buttonLines(text, fm, room);
        }
        static_cast<QAbstractButton*>(widget_.data())->setText(text);
        break;
    }
    case ControlKind::CheckBox:
        static_cast<QAbstractButton*>(widget_.data())->setText(caption());
        break;
    case ControlKind::Label:
        static_cast<QLabel*>(widget_.data())->setWordWrap(d_.wordWrap);
        measure();
        if (QtControl* named = d_.labels.empty() ? nullptr : window_.find(d_.labels, d_.index);
            named && named->widget()) {
            named->widget()->setAccessibleName(fromText(d_.caption));
        }
        if (QtControl* described =
                d_.describes.empty() ? nullptr : window_.find(d_.describes, d_.index);
            described && described->widget()) {
            described->widget()->setAccessibleDescription(fromText(d_.caption));
        }
        break;
    case ControlKind::Frame:
        static_cast<QGroupBox*>(widget_.data())->setTitle(caption());
        break;
    default:
        break;
    }
}

void QtControl::applyColors() {
    if (!widget_) {
        return;
    }
    const QPalette system = QGuiApplication::palette();
    if (auto* shape = dynamic_cast<ShapeWidget*>(widget_.data())) {
        shape->fill = toQColor(d_.fillColor, system, QPalette::Window);
        shape->border = toQColor(d_.borderColor, system, QPalette::WindowText);
        shape->update();
        return;
    }
    QPalette::ColorRole back = QPalette::Window, fore = QPalette::WindowText;
    if (d_.kind == ControlKind::CommandButton) {
        back = QPalette::Button;
        fore = QPalette::ButtonText;
    } else if (isTextArea(d_.kind)) {
        back = QPalette::Base;
        fore = QPalette::Text;
    }
    QPalette palette = widget_->palette();
    if (d_.backColor && d_.kind != ControlKind::Image) {
        const QColor color = toQColor(*d_.backColor, system, back);
        palette.setColor(back, color);
        if (back == QPalette::Window) {
            // A check box fills its background with its own role, the button colour, though it
            // writes its text in the window's colours: without this it stays a grey patch on a
            // coloured window.
            palette.setColor(widget_->backgroundRole(), color);
            widget_->setAutoFillBackground(true);
        }
    }
    if (d_.foreColor) {
        palette.setColor(fore, toQColor(*d_.foreColor, system, fore));
    }
    widget_->setPalette(palette);
}

void QtControl::applyFont() {
    if (!widget_) {
        return;
    }
    widget_->setFont(toQFont(d_.font));
    applyCaption(); // how much of a caption is shown depends on the font
}

void QtControl::syncTimer(bool restart) {
    if (!timer_) {
        return;
    }
    if (d_.enabled && d_.interval > 0 && window_.isVisible()) {
        if (restart || !timer_->isActive()) {
            timer_->start(d_.interval);
        }
    } else {
        timer_->stop();
    }
}

void QtControl::measure() {
    if (!widget_ || d_.kind != ControlKind::Label) {
        return;
    }
    const QFontMetricsF fm(widget_->font());
    const TwipScale& s = window_.scale();
    // What a wrapping label shows depends on its width; the label is measured with what it shows.
    const QString text =
        labelText(fromText(d_.caption), fm, d_.wordWrap, std::max(1, toPixels(d_.width, s.x)));
    auto* label = static_cast<QLabel*>(widget_.data());
    if (label->text() != text) {
        label->setText(text);
    }
    if (!d_.autoSize) {
        return;
    }
    if (!d_.wordWrap) {
        const QSizeF size = text.isEmpty() ? QSizeF(0, fm.height()) : fm.size(0, text);
        d_.width = static_cast<float>(std::ceil(size.width()) * s.x);
        d_.height = static_cast<float>(std::ceil(size.height()) * s.y);
    } else {
        const int width = std::max(1, toPixels(d_.width, s.x));
        const QRectF r = fm.boundingRect(QRectF(0, 0, width, 1e6),
                                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
        d_.height = static_cast<float>(std::ceil(std::max(r.height(), fm.height())) * s.y);
    }
    applyGeometry();
}

} // namespace qvMsgErr::qt

// How a control's design reaches its widget: geometry, caption, colours (texts that read on what
// is behind them), font, timer and size.
#include "platform/qt/qt_control_p.h"

#include "platform/contrast.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
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
    const int width = toPixels(d_.left + d_.width, s.x) - left;
    const double placed = window_.placedLeft(left, width, widget_->parentWidget());
    widget_->setGeometry(static_cast<int>(placed), top, width,
                         toPixels(d_.top + d_.height, s.y) - top);
    if (d_.kind == ControlKind::Frame || d_.kind == ControlKind::Panel) {
        // Mirrored children hang on the right edge, which moves with the width.
        window_.placeChildren(d_.name);
    } else if (d_.kind == ControlKind::CommandButton) {
        applyCaption(); // where a caption breaks into lines depends on the width
    }
}

void QtControl::applyCaption() {
    if (!widget_) {
        return;
    }
    const auto caption = [&] {
        const QString shown =
            visiblePart(fromText(d_.caption), QFontMetricsF(widget_->font()), false);
        // Buttons and frames paint their text in the application's direction, not the window's:
        // right-to-left marks at both ends keep "<< &Details" and "&Details >>" mirrored.
        const QChar mark(0x200F);
        return window_.rightToLeft() ? mark + shown + mark : shown;
    };
    switch (d_.kind) {
    case ControlKind::CommandButton: {
        // A caption wider than the button breaks into lines, as the layouts measured it.
        const QFontMetricsF fm(widget_->font());
        const qreal room = widget_->width() - platform::kCaptionMarginX / window_.scale().x;
        QString text = caption();
        QString name; // a screen reader reads the caption as one line, not as it breaks
        if (fm.size(Qt::TextShowMnemonic, text).width() > room) {
            name = fromText(platform::shownCaption(d_.caption));
            text = buttonLines(text, fm, room);
        }
        static_cast<QAbstractButton*>(widget_.data())->setText(text);
        widget_->setAccessibleName(name);
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

namespace {

int32_t bgrOf(const QColor& c) {
    return c.red() | c.green() << 8 | c.blue() << 16;
}

/// What a box or text colour shows as. A window whose design has no colour of its own follows the
/// palette, so its greys (the classic window's description boxes and their black text) take the
/// palette's shades; a window with a colour of its own keeps every colour it names. Background
/// colours are the host's (BackColor) or the window's own and are always kept.
QColor shown(const QtWindow& w, int32_t colour, const QPalette& system,
             QPalette::ColorRole fallback) {
    if (colour >= 0 && !w.design().backColor) {
        const platform::Scheme scheme{bgrOf(system.color(QPalette::Window)),
                                      bgrOf(system.color(QPalette::WindowText))};
        colour = platform::inScheme(colour, scheme);
    }
    return toQColor(colour, system, fallback);
}

/// The face a style paints a button with `palette` in. Styles shade it away from the palette's
/// button colour (Fusion lightens a dark one), and a caption chosen for the plain colour can fail
/// on the face drawn: a grey as dark as 0x747474 takes white, which the lightened face swallows.
QColor drawnFace(QWidget* button, const QPalette& palette) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.palette = sharedPalette(palette); // a new palette object would cache pictures anew
    option.rect = QRect(0, 0, 48, 24);
    QImage face(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
    face.fill(palette.color(QPalette::Window));
    QPainter painter(&face);
    button->style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, button);
    painter.end();
    return face.pixelColor(option.rect.center());
}

/// What shows behind a control of `container` that has no background of its own: the nearest
/// container's colour, else the window's.
QColor behind(const QtWindow& w, const std::string& container, const QPalette& system) {
    for (const QtControl* c = w.findContainer(container); c;
         c = w.findContainer(c->settings().container)) {
        if (c->settings().backColor) {
            return toQColor(*c->settings().backColor, system, QPalette::Window);
        }
    }
    return toQColor(w.backColor(), system, QPalette::Window);
}

} // namespace

void QtControl::applyColors() {
    if (!widget_) {
        return;
    }
    const QPalette system = QGuiApplication::palette();
    if (auto* shape = dynamic_cast<ShapeWidget*>(widget_.data())) {
        shape->fill = shown(window_, d_.fillColor, system, QPalette::Window);
        shape->border = shown(window_, d_.borderColor, system, QPalette::WindowText);
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
    QColor backColour =
        back == QPalette::Window ? behind(window_, d_.container, system) : system.color(back);
    if (d_.backColor && d_.kind != ControlKind::Image) {
        backColour = toQColor(*d_.backColor, system, back);
        palette.setColor(back, backColour);
        if (back == QPalette::Window) {
            // A check box fills its background with its own role, the button colour, though it
            // writes its text in the window's colours: without this it stays a grey patch on a
            // coloured window.
            palette.setColor(widget_->backgroundRole(), backColour);
            widget_->setAutoFillBackground(true);
        }
    }
    if (d_.kind == ControlKind::CommandButton) {
        backColour = drawnFace(widget_, palette);
    }
    // A text colour of the design is meant for what the design puts behind it (a description on
    // its box). The palette's text is meant for the palette's background, so where the window or
    // the host put a colour of their own behind it, it gives way to one that reads there.
    const QColor text =
        d_.foreColor
            ? shown(window_, *d_.foreColor, system, fore)
            : toQColor(platform::readableOn(bgrOf(backColour), {bgrOf(system.color(fore))}), system,
                       fore);
    palette.setColor(fore, text);
    if (isTextArea(d_.kind)) {
        // The note of an empty area is fainter than its text, but still has to be read.
        palette.setColor(
            QPalette::PlaceholderText,
            toQColor(platform::faintestReadable(bgrOf(backColour), bgrOf(text)), system, fore));
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

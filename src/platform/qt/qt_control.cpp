// The Qt desktop's controls: the widget each control kind becomes, and its properties.
#include "platform/geometry.h"
#include "platform/qt/qt_control_p.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

namespace qvMsgErr::qt {

using platform::ControlKind;
using platform::EventKind;

namespace {

/// An image control: transparent, showing its stock picture (if any) at its top-left corner.
class PictureWidget final : public QWidget {
public:
    using QWidget::QWidget;
    platform::StockPicture picture = platform::StockPicture::None;

protected:
    void paintEvent(QPaintEvent*) override {
        if (picture == platform::StockPicture::None) {
            return;
        }
        const int size = (width() >= 64 && height() >= 64) ? 64 : 32;
        QPainter p(this);
        p.drawImage(QPoint(0, 0), stockPicture(picture, size, -1, devicePixelRatioF()));
    }
};

QString widgetText(QWidget* w) {
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        return e->toPlainText();
    }
    if (auto* e = qobject_cast<QTextEdit*>(w)) {
        return e->toPlainText();
    }
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        return e->text();
    }
    return {};
}

/// Puts `text` into a multi-line area as areaText shows it. Only a whole text can be edited: an
/// edit of a cut one could not reach the part not shown, which the area's text still holds.
template <class Area> void showInArea(Area* area, const QString& text) {
    const AreaText shown = areaText(text);
    area->setWordWrapMode(shown.longWords ? QTextOption::WrapAnywhere
                                          : QTextOption::WrapAtWordBoundaryOrAnywhere);
    area->setReadOnly(!shown.whole);
    if (!shown.whole) {
        area->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    area->setPlainText(shown.shown);
}

void setWidgetText(QWidget* w, const QString& text) {
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        showInArea(e, text);
    } else if (auto* e = qobject_cast<QTextEdit*>(w)) {
        showInArea(e, text);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
    }
}

} // namespace

QtControl::QtControl(QtWindow& window, platform::ControlDesign design)
    : DesignedControl(window, std::move(design)) {
    if (isTextArea(d_.kind)) {
        textAsSet_ = d_.caption;
    }
}

QtControl::~QtControl() = default; // the widgets belong to the dialog

void QtControl::create(QWidget* parent) {
    switch (d_.kind) {
    case ControlKind::CommandButton:
        widget_ = makeButton(parent);
        break;
    case ControlKind::Label: {
        auto* l = new QLabel(parent);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setMargin(0);
        l->setIndent(0);
        widget_ = l;
        break;
    }
    case ControlKind::CheckBox:
        widget_ = new QCheckBox(parent);
        break;
    case ControlKind::Frame:
        widget_ = new QGroupBox(parent);
        break;
    case ControlKind::Panel:
        widget_ = new QWidget(parent);
        break;
    case ControlKind::TextBox:
        if (d_.multiLine) {
            auto* t = new QPlainTextEdit(parent);
            t->setTabChangesFocus(true); // Tab moves on, as everywhere in a form; see typeTab
            t->setPlaceholderText(fromText(d_.placeholder));
            t->setVerticalScrollBarPolicy(d_.verticalScrollBar ? Qt::ScrollBarAlwaysOn
                                                               : Qt::ScrollBarAlwaysOff);
            t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            widget_ = t;
        } else {
            widget_ = new QLineEdit(parent);
        }
        break;
    case ControlKind::RichText: {
        auto* t = new QTextEdit(parent);
        t->setAcceptRichText(false);
        t->setTabChangesFocus(true);
        t->setPlaceholderText(fromText(d_.placeholder));
        t->setVerticalScrollBarPolicy(d_.verticalScrollBar ? Qt::ScrollBarAsNeeded
                                                           : Qt::ScrollBarAlwaysOff);
        widget_ = t;
        break;
    }
    case ControlKind::Image: {
        auto* p = new PictureWidget(parent);
        p->picture = d_.picture;
        if (d_.picture != platform::StockPicture::None) {
            p->setProperty(kPicture, true); // first: naming it may make its interface
            p->setAccessibleName(meaningOf(d_.picture));
        }
        widget_ = p;
        break;
    }
    case ControlKind::Shape: {
        auto* s = new ShapeWidget(parent);
        s->setAttribute(Qt::WA_TransparentForMouseEvents);
        widget_ = s;
        break;
    }
    case ControlKind::Timer:
        timer_ = new QTimer(parent);
        break;
    case ControlKind::ImageList:
        break;
    }
}

void QtControl::realise(QWidget* parent) {
    FormDialog* dialog = window_.dialog();
    QtControl* self = this;
    if (timer_) {
        QObject::connect(timer_, &QTimer::timeout, dialog, [dialog, self] {
            if (dialog->owner) {
                platform::Event e;
                e.kind = EventKind::Timer;
                e.control = self->name();
                e.index = self->index();
                dialog->owner->deliver(e);
            }
        });
        syncTimer(true);
        return;
    }
    if (!widget_) {
        return;
    }
    if (widget_->parentWidget() != parent) {
        widget_->setParent(parent);
    }
    // The design name ("cmdButton(2)" for an array element) lets scripts and accessibility tools
    // find a control as the logic names it.
    widget_->setObjectName(QString::fromStdString(
        d_.index < 0 ? d_.name : d_.name + "(" + std::to_string(d_.index) + ")"));
    if (auto* button = qobject_cast<QAbstractButton*>(widget_)) {
        QObject::connect(button, &QAbstractButton::clicked, dialog, [dialog, self] {
            if (dialog->owner) {
                platform::Event e;
                e.kind = EventKind::Click;
                e.control = self->name();
                e.index = self->index();
                dialog->owner->deliver(e);
            }
        });
    }
    if (d_.kind == ControlKind::CheckBox) {
        static_cast<QCheckBox*>(widget_.data())->setChecked(value_ == 1);
    }
    if (isTextArea(d_.kind)) {
        setWidgetText(widget_, fromText(textAsSet_));
        textShown_ = widgetText(widget_);
    }
    if (!d_.accessibleName.empty()) {
        widget_->setAccessibleName(fromText(d_.accessibleName));
    }
    if (d_.decorative) {
        widget_->setProperty(kDecorative, true); // a dynamic property costs; most have none
    }
    applyFont();
    applyCaption();
    applyColors();
    applyGeometry();
    widget_->setEnabled(d_.enabled);
    widget_->setVisible(d_.visible);
    if (d_.kind == ControlKind::CommandButton && d_.isDefault) {
        window_.makeDefault(this, true);
    }
    window_.adopt(widget_, this);
}

void QtControl::detach() {
    if (timer_) {
        timer_->stop();
    }
    widget_ = nullptr;
    timer_ = nullptr;
}

bool QtControl::reachable() const {
    const platform::ControlDesign* at = &d_;
    for (std::size_t depth = 0; !at->container.empty() && depth < 64; ++depth) {
        const QtControl* container = window_.findContainer(at->container);
        if (!container) {
            break;
        }
        if (!container->visible() || !container->enabled()) {
            return false;
        }
        at = &container->settings();
    }
    return true;
}

std::string QtControl::text() const {
    window_.checkLoaded();
    if (!isTextArea(d_.kind)) {
        return d_.caption;
    }
    if (widget_) {
        const QString now = widgetText(widget_);
        if (now != textShown_) {
            return toText(now); // the user has typed since the last write
        }
    }
    return textAsSet_;
}

void QtControl::setText(const std::string& text) {
    window_.checkLoaded();
    if (!isTextArea(d_.kind)) {
        setCaption(text);
        return;
    }
    textAsSet_ = text;
    d_.caption = text;
    if (widget_) {
        setWidgetText(widget_, fromText(text));
        textShown_ = widgetText(widget_);
    }
}

void QtControl::setLeft(float v) {
    window_.checkLoaded();
    d_.left = platform::checkedPosition(v);
    applyGeometry();
}

void QtControl::setTop(float v) {
    window_.checkLoaded();
    d_.top = platform::checkedPosition(v);
    applyGeometry();
}

void QtControl::setWidth(float v) {
    window_.checkLoaded();
    d_.width = platform::checkedSize(v);
    if (d_.wordWrap) {
        measure(); // a wrapping label keeps the new width and grows or shrinks to its text
    }
    applyGeometry();
}

void QtControl::setHeight(float v) {
    window_.checkLoaded();
    d_.height = platform::checkedSize(v);
    applyGeometry();
}

void QtControl::setVisible(bool v) {
    window_.checkLoaded();
    d_.visible = v;
    if (widget_) {
        widget_->setVisible(v);
    }
}

void QtControl::setEnabled(bool v) {
    window_.checkLoaded();
    d_.enabled = v;
    if (widget_) {
        widget_->setEnabled(v);
    }
    syncTimer(v);
}

void QtControl::setTabIndex(int16_t v) {
    window_.checkLoaded();
    d_.tabIndex = v;
    window_.orderTabs();
}

void QtControl::setBackColor(int32_t c) {
    window_.checkLoaded();
    d_.backColor = c;
    applyColors();
}

void QtControl::setForeColor(int32_t c) {
    window_.checkLoaded();
    d_.foreColor = c;
    applyColors();
}

void QtControl::setBorderColor(int32_t c) {
    window_.checkLoaded();
    d_.borderColor = c;
    applyColors();
}

void QtControl::setFillColor(int32_t c) {
    window_.checkLoaded();
    d_.fillColor = c;
    applyColors();
}

void QtControl::setFont(const platform::Font& f) {
    window_.checkLoaded();
    d_.font = f;
    applyFont();
}

int16_t QtControl::value() const {
    window_.checkLoaded();
    if (d_.kind == ControlKind::CheckBox && widget_) {
        return static_cast<QCheckBox*>(widget_.data())->isChecked() ? 1 : 0;
    }
    return value_;
}

void QtControl::setValue(int16_t v) {
    window_.checkLoaded();
    if (v != 0 && v != 1) {
        throw RunTimeError(err::InvalidPropertyValue);
    }
    value_ = v;
    if (d_.kind == ControlKind::CheckBox && widget_) {
        static_cast<QCheckBox*>(widget_.data())->setChecked(v == 1);
    }
}

void QtControl::setWordWrap(bool v) {
    window_.checkLoaded();
    d_.wordWrap = v;
    if (auto* l = qobject_cast<QLabel*>(widget_)) {
        l->setWordWrap(v);
    }
    measure();
}

void QtControl::refresh() {
    window_.checkLoaded();
    measure();
    if (widget_) {
        widget_->update();
    }
}

void QtControl::setFocus() {
    window_.checkLoaded();
    if (!widget_ || !window_.isVisible() || !d_.visible || !d_.enabled || !reachable() ||
        widget_->focusPolicy() == Qt::NoFocus) {
        throw RunTimeError(err::CantMoveFocus);
    }
    widget_->setFocus(Qt::OtherFocusReason);
}

bool QtControl::hasFocus() const {
    window_.checkLoaded();
    if (!widget_ || !window_.isVisible()) {
        return false;
    }
    const QWidget* focus = window_.dialog()->focusWidget();
    return focus && (focus == widget_ || widget_->isAncestorOf(focus));
}

} // namespace qvMsgErr::qt

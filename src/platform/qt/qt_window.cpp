// Windows and controls of the Qt desktop: a FormDialog with absolutely placed standard widgets.
#include "platform/geometry.h"
#include "platform/qt/qt_desktop_p.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace qvMsgErr::qt {

using platform::ControlKind;
using platform::EventKind;

namespace {

constexpr int32_t kButtonFace = static_cast<int32_t>(0x8000000F);
constexpr int32_t kButtonText = static_cast<int32_t>(0x80000012);
constexpr int32_t kWindowBackground = static_cast<int32_t>(0x80000005);
constexpr int32_t kWindowText = static_cast<int32_t>(0x80000008);

int toPixels(float twips, double twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

bool sameName(const std::string& a, const std::string& b) {
    return a == b;
}

bool isTextArea(ControlKind kind) {
    return kind == ControlKind::TextBox || kind == ControlKind::RichText;
}

/// A filled rectangle with a one-pixel border; the mouse passes through it.
class ShapeWidget final : public QWidget {
public:
    using QWidget::QWidget;
    QColor fill, border;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), fill);
        p.setPen(QPen(border, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

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

/// What a title bar is given of a window's caption.
QString titleOf(const std::string& caption) {
    return visiblePart(QString::fromUtf8(caption), QFontMetricsF(QGuiApplication::font()), false);
}

std::unordered_map<platform::WindowHandle, QtWindow*>& liveWindows() {
    thread_local std::unordered_map<platform::WindowHandle, QtWindow*> windows;
    return windows;
}

platform::WindowHandle nextHandle() {
    static std::atomic<platform::WindowHandle> counter{0};
    return ++counter;
}

/// The frame the window system last reported around a shown window (none yet: allowance).
QMargins& knownFrame() {
    thread_local QMargins frame = kFrameAllowance;
    return frame;
}

/// A design the window can be built from: named controls, each name once (or as one array),
/// containers that are frames or panels and hold no loop.
void validate(const platform::FormDesign& design) {
    const auto& controls = design.controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const auto& c = controls[i];
        bool clash = c.name.empty();
        for (std::size_t j = 0; j < i && !clash; ++j) {
            clash = controls[j].name == c.name &&
                    (controls[j].index == c.index || (controls[j].index < 0) != (c.index < 0));
        }
        if (clash) {
            throw RunTimeError(err::InvalidCall, "The design of " + design.name +
                                                     " lists the control '" + c.name +
                                                     "' more than once or without a name");
        }
    }
    const auto container = [&](const std::string& name) -> const platform::ControlDesign* {
        for (const auto& c : controls) {
            if (c.name == name && c.index <= 0) {
                return &c;
            }
        }
        return nullptr;
    };
    for (const auto& c : controls) {
        std::size_t depth = 0;
        for (const platform::ControlDesign* at = &c; !at->container.empty();) {
            const platform::ControlDesign* holder = container(at->container);
            if (!holder ||
                (holder->kind != ControlKind::Frame && holder->kind != ControlKind::Panel) ||
                ++depth > controls.size()) {
                throw RunTimeError(err::InvalidCall, "The container '" + at->container + "' of '" +
                                                         at->name + "' in " + design.name +
                                                         " is no frame or panel, or a loop");
            }
            at = holder;
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// QtControl
// ---------------------------------------------------------------------------------------------

QtControl::QtControl(QtWindow& window, platform::ControlDesign design)
    : window_(window), d_(std::move(design)) {
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
        t->setVerticalScrollBarPolicy(d_.verticalScrollBar ? Qt::ScrollBarAsNeeded
                                                           : Qt::ScrollBarAlwaysOff);
        widget_ = t;
        break;
    }
    case ControlKind::Image: {
        auto* p = new PictureWidget(parent);
        p->picture = d_.picture;
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

platform::ControlDesign QtControl::snapshot() const {
    platform::ControlDesign d = d_;
    d.caption = caption();
    return d;
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

std::string QtControl::caption() const {
    window_.checkLoaded();
    return isTextArea(d_.kind) ? text() : d_.caption;
}

void QtControl::setCaption(const std::string& text) {
    window_.checkLoaded();
    if (isTextArea(d_.kind)) {
        setText(text);
        return;
    }
    d_.caption = text;
    applyCaption();
}

std::string QtControl::tag() const {
    window_.checkLoaded();
    return tag_;
}

void QtControl::setTag(const std::string& tag) {
    window_.checkLoaded();
    tag_ = tag;
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

float QtControl::left() const {
    window_.checkLoaded();
    return d_.left;
}

float QtControl::top() const {
    window_.checkLoaded();
    return d_.top;
}

float QtControl::width() const {
    window_.checkLoaded();
    return d_.width;
}

float QtControl::height() const {
    window_.checkLoaded();
    return d_.height;
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

bool QtControl::visible() const {
    window_.checkLoaded();
    return d_.visible;
}

void QtControl::setVisible(bool v) {
    window_.checkLoaded();
    d_.visible = v;
    if (widget_) {
        widget_->setVisible(v);
    }
}

bool QtControl::enabled() const {
    window_.checkLoaded();
    return d_.enabled;
}

void QtControl::setEnabled(bool v) {
    window_.checkLoaded();
    d_.enabled = v;
    if (widget_) {
        widget_->setEnabled(v);
    }
    syncTimer(v);
}

int16_t QtControl::tabIndex() const {
    window_.checkLoaded();
    return d_.tabIndex;
}

void QtControl::setTabIndex(int16_t v) {
    window_.checkLoaded();
    d_.tabIndex = v;
    window_.orderTabs();
}

bool QtControl::isDefault() const {
    window_.checkLoaded();
    return d_.isDefault;
}

void QtControl::setDefault(bool v) {
    window_.checkLoaded();
    if (d_.kind != ControlKind::CommandButton) {
        throw RunTimeError(err::NotSupported); // only a button can be the default
    }
    window_.makeDefault(this, v);
}

int32_t QtControl::backColor() const {
    window_.checkLoaded();
    return d_.backColor.value_or(isTextArea(d_.kind) ? kWindowBackground : kButtonFace);
}

void QtControl::setBackColor(int32_t c) {
    window_.checkLoaded();
    d_.backColor = c;
    applyColors();
}

int32_t QtControl::foreColor() const {
    window_.checkLoaded();
    return d_.foreColor.value_or(isTextArea(d_.kind) ? kWindowText : kButtonText);
}

void QtControl::setForeColor(int32_t c) {
    window_.checkLoaded();
    d_.foreColor = c;
    applyColors();
}

int32_t QtControl::borderColor() const {
    window_.checkLoaded();
    return d_.borderColor;
}

void QtControl::setBorderColor(int32_t c) {
    window_.checkLoaded();
    d_.borderColor = c;
    applyColors();
}

int32_t QtControl::fillColor() const {
    window_.checkLoaded();
    return d_.fillColor;
}

void QtControl::setFillColor(int32_t c) {
    window_.checkLoaded();
    d_.fillColor = c;
    applyColors();
}

platform::Font QtControl::font() const {
    window_.checkLoaded();
    return d_.font;
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

bool QtControl::wordWrap() const {
    window_.checkLoaded();
    return d_.wordWrap;
}

void QtControl::setWordWrap(bool v) {
    window_.checkLoaded();
    d_.wordWrap = v;
    if (auto* l = qobject_cast<QLabel*>(widget_)) {
        l->setWordWrap(v);
    }
    measure();
}

bool QtControl::autoSize() const {
    window_.checkLoaded();
    return d_.autoSize;
}

int32_t QtControl::interval() const {
    window_.checkLoaded();
    return d_.interval;
}

void QtControl::setInterval(int32_t ms) {
    window_.checkLoaded();
    if (ms < 0) {
        throw RunTimeError(err::InvalidPropertyValue);
    }
    d_.interval = ms;
    syncTimer(true); // a new interval starts afresh
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
}

void QtControl::applyCaption() {
    if (!widget_) {
        return;
    }
    const auto caption = [&] {
        return visiblePart(fromText(d_.caption), QFontMetricsF(widget_->font()), false);
    };
    switch (d_.kind) {
    case ControlKind::CommandButton:
    case ControlKind::CheckBox:
        static_cast<QAbstractButton*>(widget_.data())->setText(caption());
        break;
    case ControlKind::Label:
        static_cast<QLabel*>(widget_.data())->setWordWrap(d_.wordWrap);
        measure();
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
    // A default-constructed QFont sets nothing, so the widget inherits what the design leaves open.
    widget_->setFont(toQFont(d_.font, QFont()));
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

// ---------------------------------------------------------------------------------------------
// FormDialog
// ---------------------------------------------------------------------------------------------

FormDialog::FormDialog(QtWindow* o)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      owner(o) {}

bool FormDialog::eventFilter(QObject* watched, QEvent* event) {
    if (owner && owner->filter(watched, event)) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void FormDialog::paintEvent(QPaintEvent*) {
    if (owner) {
        owner->paintSurface(this);
    }
}

void FormDialog::closeEvent(QCloseEvent* event) {
    if (owner) {
        owner->closeRequested(event);
    } else {
        event->accept();
    }
}

void FormDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (owner) {
            owner->pressCancel();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event); // Enter presses the default button
}

// ---------------------------------------------------------------------------------------------
// QtWindow
// ---------------------------------------------------------------------------------------------

QtWindow::QtWindow(platform::FormDesign design)
    : design_(std::move(design)), scale_(TwipScale::ofPrimaryScreen()), handle_(nextHandle()) {
    validate(design_);
    caption_ = design_.caption;
    clientWidth_ = design_.clientWidth;
    clientHeight_ = design_.clientHeight;
    backColor_ = design_.backColor;

    dialog_ = new FormDialog(this);
    dialog_->setObjectName(QString::fromStdString(design_.name));
    dialog_->setWindowTitle(titleOf(caption_));
    dialog_->setMouseTracking(true);
    dialog_->installEventFilter(dialog_);
    applyClientSize();
    if (backColor_) {
        setBackColor(*backColor_);
    }

    controls_.reserve(design_.controls.size());
    for (const auto& c : design_.controls) {
        controls_.push_back(std::make_unique<QtControl>(*this, c));
        controls_.back()->create(dialog_);
    }
    // Every widget exists before any is put into its container, whatever the design's order.
    for (const auto& c : controls_) {
        c->realise(containerWidget(c->settings().container));
    }
    orderTabs();
    restack();
    if (design_.startCentered) {
        centre();
    }
    liveWindows()[handle_] = this; // last: a window that failed to build is never found
}

QtWindow::~QtWindow() {
    unload();
    liveWindows().erase(handle_);
}

void QtWindow::checkLoaded() const {
    if (!loaded_) {
        throw RunTimeError(err::ObjectNotSet);
    }
}

QtWindow* QtWindow::byHandle(platform::WindowHandle handle) {
    const auto it = liveWindows().find(handle);
    return it == liveWindows().end() ? nullptr : it->second;
}

QtControl* QtWindow::find(const std::string& name, int16_t index) const {
    for (const auto& c : controls_) {
        if (c->index() == index && sameName(c->name(), name)) {
            return c.get();
        }
    }
    return nullptr;
}

QtControl* QtWindow::findContainer(const std::string& name) const {
    QtControl* lowest = nullptr;
    for (const auto& c : controls_) {
        if (sameName(c->name(), name) && (!lowest || c->index() < lowest->index())) {
            lowest = c.get();
        }
    }
    return lowest;
}

QWidget* QtWindow::containerWidget(const std::string& name) const {
    if (!name.empty()) {
        if (const QtControl* c = findContainer(name); c && c->widget()) {
            return c->widget();
        }
    }
    return dialog_;
}

QtControl* QtWindow::controlOf(const QWidget* widget) const {
    for (const QWidget* w = widget; w && w != dialog_; w = w->parentWidget()) {
        if (const auto it = byWidget_.find(w); it != byWidget_.end()) {
            return it->second;
        }
    }
    return nullptr;
}

void QtWindow::adopt(QWidget* widget, QtControl* control) {
    const auto take = [&](QWidget* w) {
        byWidget_[w] = control;
        w->setMouseTracking(true);
        w->installEventFilter(dialog_);
    };
    take(widget);
    // The inner widgets of a text area (viewport, scroll bars) are part of it; a container's
    // children are controls of their own.
    if (isTextArea(control->kind())) {
        for (QWidget* inner : widget->findChildren<QWidget*>()) {
            take(inner);
        }
    }
}

platform::Control& QtWindow::control(const std::string& name, int16_t index) {
    checkLoaded();
    if (QtControl* c = find(name, index)) {
        return *c;
    }
    if (!findContainer(name)) {
        throw RunTimeError(err::NotSupported);
    }
    throw RunTimeError(err::SubscriptOutOfRange);
}

bool QtWindow::hasControl(const std::string& name, int16_t index) const {
    return loaded_ && find(name, index) != nullptr;
}

platform::Control& QtWindow::addElement(const std::string& name, int16_t index) {
    checkLoaded();
    const QtControl* first = findContainer(name); // the lowest element
    if (!first) {
        throw RunTimeError(err::NotSupported);
    }
    if (first->index() < 0 || index < 0) {
        throw RunTimeError(err::SubscriptOutOfRange);
    }
    if (find(name, index)) {
        throw RunTimeError(err::ObjectAlreadyLoaded);
    }
    platform::ControlDesign d = first->snapshot();
    d.index = index;
    d.visible = false;
    d.isDefault = false;
    auto element = std::make_unique<QtControl>(*this, std::move(d));
    element->setTag(first->tag());
    QtControl& added = *element;
    controls_.push_back(std::move(element));
    added.create(dialog_);
    added.realise(containerWidget(added.settings().container));
    restack();
    orderTabs();
    return added;
}

std::vector<int16_t> QtWindow::elements(const std::string& name) const {
    checkLoaded();
    const QtControl* first = findContainer(name);
    if (!first) {
        throw RunTimeError(err::NotSupported);
    }
    if (first->index() < 0) {
        throw RunTimeError(err::SubscriptOutOfRange);
    }
    std::vector<int16_t> out;
    for (const auto& c : controls_) {
        if (c->index() >= 0 && sameName(c->name(), name)) {
            out.push_back(c->index());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string QtWindow::caption() const {
    checkLoaded();
    return caption_;
}

void QtWindow::setCaption(const std::string& text) {
    checkLoaded();
    caption_ = text;
    if (dialog_) {
        dialog_->setWindowTitle(titleOf(text));
    }
}

QMargins QtWindow::frameMargins() const {
    const QString platformName = QGuiApplication::platformName();
    if (platformName == QLatin1String("offscreen") || platformName == QLatin1String("minimal")) {
        return kFrameAllowance;
    }
    if (dialog_ && dialog_->isVisible()) {
        const QRect outer = dialog_->frameGeometry(), inner = dialog_->geometry();
        if (outer != inner) {
            knownFrame() = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
        }
    }
    return knownFrame();
}

float QtWindow::left() const {
    checkLoaded();
    if (dialog_ && dialog_->isVisible() && dialog_->pos() != placedAt_) {
        return static_cast<float>(dialog_->pos().x() * scale_.x); // moved by the user
    }
    return left_;
}

float QtWindow::top() const {
    checkLoaded();
    if (dialog_ && dialog_->isVisible() && dialog_->pos() != placedAt_) {
        return static_cast<float>(dialog_->pos().y() * scale_.y);
    }
    return top_;
}

float QtWindow::width() const {
    checkLoaded();
    const QMargins m = frameMargins();
    return clientWidth_ + static_cast<float>((m.left() + m.right()) * scale_.x);
}

float QtWindow::height() const {
    checkLoaded();
    const QMargins m = frameMargins();
    return clientHeight_ + static_cast<float>((m.top() + m.bottom()) * scale_.y);
}

void QtWindow::setLeft(float v) {
    move(v, top());
}

void QtWindow::setTop(float v) {
    move(left(), v);
}

void QtWindow::setWidth(float v) {
    checkLoaded();
    const QMargins m = frameMargins();
    clientWidth_ = std::max(0.0f, platform::checkedPosition(v) -
                                      static_cast<float>((m.left() + m.right()) * scale_.x));
    applyClientSize();
}

void QtWindow::setHeight(float v) {
    checkLoaded();
    const QMargins m = frameMargins();
    clientHeight_ = std::max(0.0f, platform::checkedPosition(v) -
                                       static_cast<float>((m.top() + m.bottom()) * scale_.y));
    applyClientSize();
}

void QtWindow::move(float left, float top) {
    checkLoaded();
    left_ = platform::checkedPosition(left);
    top_ = platform::checkedPosition(top);
    positioned_ = true;
    placedAt_ = QPoint(toPixels(left_, scale_.x), toPixels(top_, scale_.y));
    if (dialog_) {
        dialog_->move(placedAt_);
    }
}

void QtWindow::applyClientSize() {
    if (dialog_) {
        dialog_->setFixedSize(toPixels(clientWidth_, scale_.x), toPixels(clientHeight_, scale_.y));
    }
}

void QtWindow::centre() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !dialog_) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QMargins m = frameMargins();
    const int outerWidth = toPixels(clientWidth_, scale_.x) + m.left() + m.right();
    const int outerHeight = toPixels(clientHeight_, scale_.y) + m.top() + m.bottom();
    placedAt_ = QPoint(area.x() + (area.width() - outerWidth) / 2,
                       area.y() + (area.height() - outerHeight) / 2);
    left_ = static_cast<float>(placedAt_.x() * scale_.x);
    top_ = static_cast<float>(placedAt_.y() * scale_.y);
    dialog_->move(placedAt_);
}

float QtWindow::scaleWidth() const {
    checkLoaded();
    return clientWidth_;
}

float QtWindow::scaleHeight() const {
    checkLoaded();
    return clientHeight_;
}

int32_t QtWindow::helpContextId() const {
    checkLoaded();
    return helpContextId_;
}

void QtWindow::setHelpContextId(int32_t id) {
    checkLoaded();
    helpContextId_ = id;
}

bool QtWindow::closeBox() const {
    checkLoaded();
    return dialog_->windowFlags().testFlag(Qt::WindowCloseButtonHint);
}

void QtWindow::setCloseBox(bool enabled) {
    checkLoaded();
    setWindowFlag(Qt::WindowCloseButtonHint, enabled);
}

int32_t QtWindow::backColor() const {
    checkLoaded();
    return backColor_.value_or(kButtonFace);
}

void QtWindow::setBackColor(int32_t c) {
    checkLoaded();
    backColor_ = c;
    if (dialog_) {
        QPalette palette = dialog_->palette();
        palette.setColor(QPalette::Window,
                         toQColor(c, QGuiApplication::palette(), QPalette::Window));
        dialog_->setPalette(palette);
    }
}

void QtWindow::showModal() {
    checkLoaded();
    if (dialog_->isVisible()) {
        throw RunTimeError(err::FormAlreadyDisplayed);
    }
    const QPointer<FormDialog> dialog = dialog_;
    ++busy_;
    if (!positioned_ && !centred_ && design_.startCentered) {
        centre();
    }
    centred_ = true;
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    syncTimers(true);
    noteActivation();
    if (dialog && loaded_ && dialog->isVisible()) {
        dialog->exec(); // returns when the dialog is hidden
    }
    if (dialog && loaded_) {
        dialog->setWindowModality(Qt::NonModal);
    }
    --busy_;
}

void QtWindow::showModeless() {
    checkLoaded();
    if (QApplication::activeModalWidget()) {
        throw RunTimeError(err::NonModalWhileModal);
    }
    if (dialog_->isVisible()) {
        return;
    }
    if (!positioned_ && !centred_ && design_.startCentered) {
        centre();
    }
    centred_ = true;
    dialog_->setWindowModality(Qt::NonModal);
    dialog_->show();
    syncTimers(true);
    noteActivation();
}

void QtWindow::hide() {
    if (dialog_) {
        dialog_->hide(); // ends the dialog's event loop
    }
    active_ = false;
}

void QtWindow::unload() {
    if (!loaded_) {
        return;
    }
    loaded_ = false;
    for (const auto& c : controls_) {
        c->detach();
    }
    byWidget_.clear();
    painted_.clear();
    pending_.clear();
    lastFocus_ = nullptr;
    pressedOn_ = nullptr;
    active_ = false;
    FormDialog* dialog = dialog_;
    dialog_ = nullptr;
    if (dialog && QCoreApplication::instance() == nullptr) {
        // The application is gone (a window kept open until the thread's state is torn down at
        // exit): its widgets must not be touched any more.
        return;
    }
    if (dialog) {
        dialog->owner = nullptr;
        dialog->hide();
        // A handler of this window may be on the stack inside Qt's own code for one of its
        // widgets: leave the deletion to the event loop then.
        if (busy_ > 0) {
            dialog->deleteLater();
        } else {
            delete dialog;
        }
    }
}

bool QtWindow::isVisible() const {
    return dialog_ && dialog_->isVisible();
}

QtControl& QtWindow::imageList(const std::string& name) {
    checkLoaded();
    QtControl* c = findContainer(name);
    if (!c || c->kind() != ControlKind::ImageList) {
        throw RunTimeError(err::NotSupported);
    }
    return *c;
}

void QtWindow::drawPicture(const std::string& name, int16_t number, float x, float y) {
    const QtControl& list = imageList(name);
    const auto& pictures = list.settings().pictures;
    if (number < 1 || static_cast<std::size_t>(number) > pictures.size()) {
        throw RunTimeError(err::InvalidPropertyValue);
    }
    const SurfaceDrawing drawing{pictures[static_cast<std::size_t>(number) - 1].picture,
                                 list.settings().maskColor, x, y};
    if (inPaint_) {
        painted_.push_back(drawing);
    } else {
        pending_.push_back(drawing);
        dialog_->update();
    }
}

void QtWindow::setImageListBackColor(const std::string& name, int32_t c) {
    imageList(name).setBackColor(c);
}

void QtWindow::deliver(platform::Event& event) {
    if (!handler_ || !loaded_) {
        return;
    }
    ++busy_;
    try {
        handler_->onEvent(event);
    } catch (...) {
        // The handler's own business; the event loop must live on.
    }
    --busy_;
}

void QtWindow::noteActivation() {
    if (active_ || !loaded_) {
        return;
    }
    active_ = true;
    platform::Event e;
    e.kind = EventKind::Activate;
    deliver(e);
}

void QtWindow::syncTimers(bool restart) {
    for (const auto& c : controls_) {
        c->syncTimer(restart);
    }
}

void QtWindow::makeDefault(QtControl* button, bool on) {
    if (on) {
        for (const auto& c : controls_) {
            if (c.get() != button && c->kind() == ControlKind::CommandButton && c->isDefault()) {
                c->storeDefault(false);
                if (auto* b = qobject_cast<QPushButton*>(c->widget())) {
                    b->setDefault(false);
                }
            }
        }
    }
    button->storeDefault(on);
    if (auto* b = qobject_cast<QPushButton*>(button->widget())) {
        b->setDefault(on);
    }
}

void QtWindow::orderTabs() {
    std::vector<QtControl*> chain;
    for (const auto& c : controls_) {
        if (c->widget() && c->tabIndex() >= 0 && c->widget()->focusPolicy() != Qt::NoFocus) {
            chain.push_back(c.get());
        }
    }
    std::stable_sort(chain.begin(), chain.end(), [](const QtControl* a, const QtControl* b) {
        return a->tabIndex() < b->tabIndex();
    });
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1]->widget(), chain[i]->widget());
    }
}

void QtWindow::restack() {
    // Shapes lie lowest, then pictures, then labels, then the controls with windows of their
    // own; within a layer, later controls lie higher.
    const auto layer = [](ControlKind kind) {
        switch (kind) {
        case ControlKind::Shape:
            return 0;
        case ControlKind::Image:
            return 1;
        case ControlKind::Label:
            return 2;
        default:
            return 3;
        }
    };
    for (int level = 0; level <= 3; ++level) {
        for (const auto& c : controls_) {
            if (c->widget() && layer(c->kind()) == level) {
                c->widget()->raise();
            }
        }
    }
}

bool QtWindow::filter(QObject* watched, QEvent* event) {
    if (!loaded_ || !watched->isWidgetType()) {
        return false;
    }
    auto* w = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (w == dialog_) {
            noteActivation();
        }
        break;
    case QEvent::WindowDeactivate:
        if (w == dialog_) {
            active_ = false;
        }
        break;
    case QEvent::Hide:
        if (w == dialog_) {
            active_ = false;
            syncTimers(false); // timers tick only while the window is shown
        }
        break;
    case QEvent::FocusIn:
        if (QtControl* c = controlOf(w)) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            // Coming back to the window gives the focus back to the control that had it; that
            // is no new GotFocus.
            const bool returning = c == lastFocus_ && (reason == Qt::ActiveWindowFocusReason ||
                                                       reason == Qt::PopupFocusReason);
            lastFocus_ = c;
            if (!returning) {
                platform::Event e;
                e.kind = EventKind::GotFocus;
                e.control = c->name();
                e.index = c->index();
                deliver(e);
            }
        }
        break;
    case QEvent::KeyPress:
        return controlKey(w, static_cast<QKeyEvent*>(event));
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        controlMouse(w, event);
        break;
    default:
        break;
    }
    return false;
}

bool QtWindow::controlKey(QWidget* receiver, QKeyEvent* event) {
    // A key goes to the focus widget first and then up its parents while ignored: only the
    // first receiver counts.
    const QWidget* focus = dialog_->focusWidget();
    if (focus ? receiver != focus : receiver != dialog_) {
        return false;
    }
    const int16_t key = virtualKeyCode(event->key(), event->modifiers());
    if (key == 0) {
        return false;
    }
    const int16_t shift = shiftState(event->modifiers());
    QtControl* c = receiver == dialog_ ? nullptr : controlOf(receiver);
    if (design_.keyPreview || !c) {
        platform::Event e;
        e.kind = EventKind::KeyDown;
        e.keyCode = key;
        e.shift = shift;
        deliver(e);
        if (e.keyCode == 0 || !loaded_) {
            return true;
        }
    }
    if (c) {
        platform::Event e;
        e.kind = EventKind::KeyDown;
        e.control = c->name();
        e.index = c->index();
        e.keyCode = key;
        e.shift = shift;
        deliver(e);
        if (e.keyCode == 0 || !loaded_) {
            return true;
        }
    }
    return false;
}

void QtWindow::controlMouse(QWidget* receiver, QEvent* event) {
    const auto* me = static_cast<QMouseEvent*>(event);
    const QPoint pos = me->position().toPoint();
    // Every widget tracks the mouse, so the deepest one under the pointer sees the event first;
    // the copies its parents get when it is ignored are not new events.
    if (receiver->rect().contains(pos) && receiver->childAt(pos)) {
        return;
    }
    QtControl* c = controlOf(receiver);
    QWidget* target = c ? c->widget() : dialog_.data();
    if (!target) {
        return;
    }
    if (event->type() == QEvent::MouseMove) {
        const QPoint local = receiver == target ? pos : receiver->mapTo(target, pos);
        platform::Event e;
        e.kind = EventKind::MouseMove;
        if (c) {
            e.control = c->name();
            e.index = c->index();
        }
        e.x = static_cast<float>(local.x() * scale_.x);
        e.y = static_cast<float>(local.y() * scale_.y);
        e.button = mouseButtonState(me->buttons());
        e.shift = shiftState(me->modifiers());
        deliver(e);
        return;
    }
    if (me->button() != Qt::LeftButton) {
        return;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        pressedOn_ = target;
        return;
    }
    const bool clicked = pressedOn_ == target && receiver->rect().contains(pos);
    pressedOn_ = nullptr;
    // Buttons and check boxes report their clicks themselves (mouse, keyboard, access key).
    if (!clicked ||
        (c && (c->kind() == ControlKind::CommandButton || c->kind() == ControlKind::CheckBox))) {
        return;
    }
    platform::Event e;
    e.kind = EventKind::Click;
    if (c) {
        e.control = c->name();
        e.index = c->index();
    }
    deliver(e);
}

void QtWindow::paintSurface(QWidget* surface) {
    painted_.clear();
    inPaint_ = true;
    platform::Event e;
    e.kind = EventKind::Paint;
    deliver(e);
    inPaint_ = false;
    if (!loaded_) {
        return;
    }
    QPainter painter(surface);
    for (const auto& d : painted_) {
        drawOn(painter, d);
    }
    for (const auto& d : pending_) {
        drawOn(painter, d);
    }
    pending_.clear();
}

void QtWindow::drawOn(QPainter& painter, const SurfaceDrawing& drawing) const {
    const QImage image =
        stockPicture(drawing.picture, 32, drawing.maskColor, dialog_->devicePixelRatioF());
    painter.drawImage(QPointF(drawing.x / scale_.x, drawing.y / scale_.y), image);
}

void QtWindow::closeRequested(QCloseEvent* event) {
    platform::Event e;
    e.kind = EventKind::Close;
    deliver(e);
    if (e.cancel && loaded_) {
        event->ignore();
        return;
    }
    event->accept(); // Qt hides the dialog, which ends a modal display
}

void QtWindow::pressCancel() {
    for (const auto& c : controls_) {
        if (c->kind() == ControlKind::CommandButton && c->settings().isCancel && c->visible() &&
            c->enabled() && c->reachable()) {
            if (auto* b = qobject_cast<QAbstractButton*>(c->widget())) {
                b->click();
            }
            return;
        }
    }
}

bool QtWindow::setTopmost(bool on) {
    if (!loaded_ || !dialog_) {
        return false;
    }
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    return true;
}

void QtWindow::setWindowFlag(Qt::WindowType flag, bool on) {
    Qt::WindowFlags flags = dialog_->windowFlags();
    flags.setFlag(flag, on);
    // setWindowFlags would hide the dialog and so end its modal display; telling the window
    // system directly keeps it up.
    dialog_->overrideWindowFlags(flags);
    if (QWindow* w = dialog_->windowHandle()) {
        w->setFlags(flags);
    }
}

QWidget* widgetOf(platform::Control& control) {
    auto* c = dynamic_cast<QtControl*>(&control);
    return c ? c->widget() : nullptr;
}

QDialog* dialogOf(platform::Window& window) {
    auto* w = dynamic_cast<QtWindow*>(&window);
    return w ? w->dialog() : nullptr;
}

} // namespace qvMsgErr::qt

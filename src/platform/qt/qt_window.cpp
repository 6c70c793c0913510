// Windows of the Qt desktop: a FormDialog with absolutely placed standard widgets, built from a
// design; its controls, showing and unloading, pictures and stacking.
#include "platform/design.h"
#include "platform/qt/qt_control_p.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <atomic>

namespace qvMsgErr::qt {

using platform::ControlKind;
using platform::EventKind;

namespace {

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

} // namespace

QtWindow::QtWindow(platform::FormDesign design)
    : design_(std::move(design)), scale_(TwipScale::ofPrimaryScreen()), handle_(nextHandle()) {
    platform::validateDesign(design_);
    caption_ = design_.caption;
    clientWidth_ = design_.clientWidth;
    clientHeight_ = design_.clientHeight;
    backColor_ = design_.backColor;

    dialog_ = new FormDialog(this);
    dialog_->setObjectName(QString::fromStdString(design_.name));
    dialog_->setWindowTitle(titleOf(caption_));
    dialog_->setMouseTracking(true);
    dialog_->installEventFilter(dialog_);
    rightToLeft_ = catalogueRightToLeft();
    if (rightToLeft_) {
        dialog_->setLayoutDirection(Qt::RightToLeft);
    }
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

std::optional<QString> QtWindow::announced() const {
    if (design_.announce.empty() || !loaded_) {
        return std::nullopt;
    }
    const QtControl* c = find(design_.announce, -1);
    return c ? fromText(c->text()) : QString();
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
    return existing(name, index);
}

bool QtWindow::hasControl(const std::string& name, int16_t index) const {
    return loaded_ && find(name, index) != nullptr;
}

platform::Control& QtWindow::addElement(const std::string& name, int16_t index) {
    checkLoaded();
    QtControl& added = addCopy(*this, name, index);
    added.create(dialog_);
    added.realise(containerWidget(added.settings().container));
    restack();
    orderTabs();
    return added;
}

std::vector<int16_t> QtWindow::elements(const std::string& name) const {
    checkLoaded();
    return indexesOf(name);
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
    for (const auto& control : controls_) {
        control->applyColors();
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
    keepCentre();
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
    keepCentre();
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

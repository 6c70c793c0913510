// Windows of the headless desktop.
#include "platform/design.h"
#include "platform/designed_control.h"
#include "platform/geometry.h"
#include "platform/headless/headless_p.h"

#include "support/failure.h"

#include <algorithm>

namespace qvMsgErr::headless::detail {

using platform::ControlKind;
using platform::EventKind;

using platform::kButtonFace;

// ---------------------------------------------------------------------------------------------
// HeadlessWindow
// ---------------------------------------------------------------------------------------------

HeadlessWindow::HeadlessWindow(HeadlessDesktop::Impl& desktop, platform::FormDesign design,
                               platform::WindowHandle handle)
    : desktop_(&desktop), design_(std::move(design)), handle_(handle), caption_(design_.caption),
      clientWidth_(design_.clientWidth), clientHeight_(design_.clientHeight),
      backColor_(design_.backColor.value_or(kButtonFace)) {
    for (const auto& c : design_.controls) {
        const bool twice = std::any_of(controls_.begin(), controls_.end(), [&](const auto& other) {
            return other->name() == c.name && other->index() == c.index;
        });
        const bool mixed = std::any_of(controls_.begin(), controls_.end(), [&](const auto& other) {
            return other->name() == c.name && (other->index() < 0) != (c.index < 0);
        });
        if (c.name.empty() || twice || mixed) {
            throw RunTimeError(err::InvalidCall, "The design of " + design_.name +
                                                     " lists the control '" + c.name +
                                                     "' more than once or without a name");
        }
        controls_.push_back(std::make_unique<HeadlessControl>(*this, c));
    }
    for (auto& c : controls_) {
        const std::string& containerName = c->settings().container;
        if (containerName.empty()) {
            continue;
        }
        HeadlessControl* container = nullptr;
        for (auto& other : controls_) {
            if (other->name() == containerName && other->index() <= 0) {
                container = other.get();
                break;
            }
        }
        if (container == nullptr ||
            (container->kind() != ControlKind::Frame && container->kind() != ControlKind::Panel)) {
            throw RunTimeError(err::InvalidCall, "The container '" + containerName + "' of '" +
                                                     c->name() + "' is no frame or panel of " +
                                                     design_.name);
        }
        c->setContainer(container);
    }
    // A container chain that loops would hang every visibility test: refuse it here.
    for (auto& c : controls_) {
        std::size_t depth = 0;
        for (const HeadlessControl* p = c->container(); p != nullptr; p = p->container()) {
            if (++depth > controls_.size()) {
                throw RunTimeError(err::InvalidCall,
                                   "The containers of " + design_.name + " form a loop");
            }
        }
    }
    for (auto& c : controls_) {
        if (c->kind() == ControlKind::CommandButton && c->settings().isDefault) {
            default_ = c.get();
            break;
        }
    }
    if (design_.startCentered) {
        left_ = (kScreenWidth - width()) / 2;
        top_ = (kScreenHeight - height()) / 2;
    }
    desktop.windows.push_back(this);
}

HeadlessWindow::~HeadlessWindow() {
    if (desktop_ == nullptr) {
        return;
    }
    unload();
    auto& windows = desktop_->windows;
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
    auto& modal = desktop_->modal;
    modal.erase(std::remove(modal.begin(), modal.end(), this), modal.end());
}

void HeadlessWindow::checkLoaded() const {
    if (!loaded_) {
        throw RunTimeError(err::ObjectNotSet);
    }
}

void HeadlessWindow::record(SideEffect effect) const {
    if (desktop_ != nullptr) {
        effect.window = design_.name;
        desktop_->record(std::move(effect));
    }
}

HeadlessControl& HeadlessWindow::find(const std::string& name, int16_t index) const {
    checkLoaded();
    bool known = false;
    for (const auto& c : controls_) {
        if (c->name() == name) {
            known = true;
            if (c->index() == index) {
                return *c;
            }
        }
    }
    throw RunTimeError(known ? err::SubscriptOutOfRange : err::NotSupported);
}

platform::Control& HeadlessWindow::control(const std::string& name, int16_t index) {
    return find(name, index);
}

bool HeadlessWindow::hasControl(const std::string& name, int16_t index) const {
    return loaded_ && std::any_of(controls_.begin(), controls_.end(), [&](const auto& c) {
               return c->name() == name && c->index() == index;
           });
}

platform::Control& HeadlessWindow::addElement(const std::string& name, int16_t index) {
    checkLoaded();
    const HeadlessControl* first = nullptr;
    bool known = false;
    for (const auto& c : controls_) {
        if (c->name() != name) {
            continue;
        }
        known = true;
        if (c->index() == index) {
            throw RunTimeError(err::ObjectAlreadyLoaded);
        }
        if (c->index() == 0) {
            first = c.get();
        }
    }
    if (!known) {
        throw RunTimeError(err::NotSupported);
    }
    if (first == nullptr || index < 0) {
        throw RunTimeError(err::SubscriptOutOfRange);
    }
    controls_.push_back(first->copyAs(index));
    return *controls_.back();
}

std::vector<int16_t> HeadlessWindow::elements(const std::string& name) const {
    checkLoaded();
    std::vector<int16_t> out;
    bool known = false;
    for (const auto& c : controls_) {
        if (c->name() == name) {
            known = true;
            if (c->index() >= 0) {
                out.push_back(c->index());
            }
        }
    }
    if (!known) {
        throw RunTimeError(err::NotSupported);
    }
    if (out.empty()) {
        throw RunTimeError(err::SubscriptOutOfRange);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string HeadlessWindow::caption() const {
    checkLoaded();
    return caption_;
}
void HeadlessWindow::setCaption(const std::string& text) {
    checkLoaded();
    caption_ = text;
}
float HeadlessWindow::left() const {
    checkLoaded();
    return left_;
}
float HeadlessWindow::top() const {
    checkLoaded();
    return top_;
}
float HeadlessWindow::width() const {
    checkLoaded();
    return clientWidth_ + kBorderWidth;
}
float HeadlessWindow::height() const {
    checkLoaded();
    return clientHeight_ + kBorderHeight;
}
void HeadlessWindow::setLeft(float v) {
    move(v, top());
}
void HeadlessWindow::setTop(float v) {
    move(left(), v);
}
void HeadlessWindow::setWidth(float v) {
    checkLoaded();
    clientWidth_ = std::max(0.0f, platform::checkedPosition(v) - kBorderWidth);
}
void HeadlessWindow::setHeight(float v) {
    checkLoaded();
    clientHeight_ = std::max(0.0f, platform::checkedPosition(v) - kBorderHeight);
}
void HeadlessWindow::move(float left, float top) {
    checkLoaded();
    left_ = platform::checkedPosition(left);
    top_ = platform::checkedPosition(top);
    moved_ = true;
}
void HeadlessWindow::placeCentred(float left, float top) {
    move(left, top); // the frame is known exactly: the position centres as it is
}
float HeadlessWindow::scaleWidth() const {
    checkLoaded();
    return clientWidth_;
}
float HeadlessWindow::scaleHeight() const {
    checkLoaded();
    return clientHeight_;
}
int32_t HeadlessWindow::backColor() const {
    checkLoaded();
    return backColor_;
}
void HeadlessWindow::setBackColor(int32_t c) {
    checkLoaded();
    backColor_ = c;
}
int32_t HeadlessWindow::helpContextId() const {
    checkLoaded();
    return helpContextId_;
}
void HeadlessWindow::setHelpContextId(int32_t id) {
    checkLoaded();
    helpContextId_ = id;
}

bool HeadlessWindow::closeBox() const {
    checkLoaded();
    return closeBox_;
}

void HeadlessWindow::setCloseBox(bool enabled) {
    checkLoaded();
    closeBox_ = enabled;
}

void HeadlessWindow::showModal() {
    checkLoaded();
    if (visible_) {
        throw RunTimeError(err::FormAlreadyDisplayed);
    }
    if (desktop_ == nullptr) {
        throw RunTimeError(err::ObjectNotSet);
    }
    desktop_->modal.push_back(this);
    std::exception_ptr failure;
    try {
        becomeVisible(EffectKind::ModalShown);
        desktop_->runModal(*this);
    } catch (...) {
        failure = std::current_exception();
        if (isVisible()) {
            hideWindow();
        }
    }
    if (desktop_ != nullptr) {
        auto& modal = desktop_->modal;
        modal.erase(std::remove(modal.begin(), modal.end(), this), modal.end());
        // The window below takes the activation back and is uncovered.
        if (!modal.empty() && modal.back()->isVisible()) {
            HeadlessWindow* below = modal.back();
            below->activate();
            if (below->isVisible()) {
                below->paint();
            }
        }
    }
    if (failure) {
        throw toRunTimeError(failure);
    }
}

void HeadlessWindow::showModeless() {
    checkLoaded();
    if (desktop_ == nullptr) {
        throw RunTimeError(err::ObjectNotSet);
    }
    if (!desktop_->modal.empty()) {
        throw RunTimeError(err::NonModalWhileModal);
    }
    if (!visible_) {
        becomeVisible(EffectKind::ModelessShown);
    }
}

void HeadlessWindow::becomeVisible(EffectKind kind) {
    visible_ = true;
    if (!shownBefore_ && design_.startCentered && !moved_) {
        left_ = (kScreenWidth - width()) / 2;
        top_ = (kScreenHeight - height()) / 2;
    }
    shownBefore_ = true;
    record(effect(kind));
    for (auto& c : controls_) {
        if (c->kind() == ControlKind::Timer && desktop_ != nullptr) {
            c->nextTick = desktop_->clock + c->settings().interval;
        }
    }
    activate();
    if (isVisible() && focused_ == nullptr) {
        focusFirstInTabOrder();
    }
    if (isVisible()) {
        paint();
    }
}

void HeadlessWindow::hide() {
    if (isVisible()) {
        hideWindow();
    }
}

void HeadlessWindow::hideWindow() {
    visible_ = false;
    focused_ = nullptr;
    record(effect(EffectKind::Hidden));
}

void HeadlessWindow::unload() {
    if (!loaded_) {
        return;
    }
    loaded_ = false;
    visible_ = false;
    focused_ = nullptr;
    record(effect(EffectKind::Unloaded));
}

HeadlessControl& HeadlessWindow::imageList(const std::string& name) const {
    for (const auto& c : controls_) {
        if (c->name() == name && c->index() <= 0 && c->kind() == ControlKind::ImageList) {
            return *c;
        }
    }
    throw RunTimeError(err::NotSupported);
}

void HeadlessWindow::drawPicture(const std::string& list, int16_t number, float x, float y) {
    checkLoaded();
    const auto& pictures = imageList(list).settings().pictures;
    if (number < 1 || static_cast<std::size_t>(number) > pictures.size()) {
        throw RunTimeError(err::InvalidPropertyValue);
    }
    SideEffect drawn = effect(EffectKind::DrawPicture);
    drawn.window = design_.name;
    drawn.helpFile = list;
    drawn.number = number;
    drawn.x = x;
    drawn.y = y;
    surface_.push_back(drawn);
    record(std::move(drawn));
}

void HeadlessWindow::setImageListBackColor(const std::string& list, int32_t c) {
    checkLoaded();
    imageList(list).setBackColor(c);
}

void HeadlessWindow::deliver(platform::Event& event) {
    platform::FormHandler* handler = handler_;
    if (handler != nullptr) {
        passOver({[&] { handler->onEvent(event); }});
    }
}

void HeadlessWindow::deliver(EventKind kind, const std::string& control, int16_t index) {
    platform::Event event;
    event.kind = kind;
    event.control = control;
    event.index = index;
    deliver(event);
}

void HeadlessWindow::focus(HeadlessControl& control) {
    checkLoaded();
    if (!isVisible() || !control.focusable() || !control.usable()) {
        throw RunTimeError(err::CantMoveFocus);
    }
    if (focused_ == &control) {
        return;
    }
    focused_ = &control;
    deliver(EventKind::GotFocus, control.name(), control.index());
}

void HeadlessWindow::dropFocusIfLost() {
    if (focused_ != nullptr && !focused_->usable()) {
        focused_ = nullptr;
    }
}

namespace {

std::vector<HeadlessControl*> tabOrder(const std::vector<std::unique_ptr<HeadlessControl>>& all) {
    std::vector<HeadlessControl*> order;
    for (const auto& c : all) {
        if (c->settings().tabIndex >= 0 && c->focusable() && c->usable()) {
            order.push_back(c.get());
        }
    }
    std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
        return a->settings().tabIndex < b->settings().tabIndex;
    });
    return order;
}

} // namespace

void HeadlessWindow::focusFirstInTabOrder() {
    const auto order = tabOrder(controls_);
    if (!order.empty()) {
        focus(*order.front());
    }
}

void HeadlessWindow::moveFocusInTabOrder(bool backwards) {
    const auto order = tabOrder(controls_);
    if (order.empty()) {
        return;
    }
    const auto at = std::find(order.begin(), order.end(), focused_);
    std::size_t next = 0;
    if (at == order.end()) {
        next = backwards ? order.size() - 1 : 0;
    } else {
        const auto here = static_cast<std::size_t>(at - order.begin());
        next = backwards ? (here + order.size() - 1) % order.size() : (here + 1) % order.size();
    }
    focus(*order[next]);
}

void HeadlessWindow::activate() {
    deliver(EventKind::Activate);
}

void HeadlessWindow::paint() {
    surface_.clear();
    deliver(EventKind::Paint);
}

void HeadlessWindow::requestClose() {
    // Recorded before the handler runs so that what the handler does follows it in the record.
    std::size_t at = 0;
    if (desktop_ != nullptr) {
        at = desktop_->effects.size();
    }
    record(effect(EffectKind::CloseRequest));
    platform::Event event;
    event.kind = EventKind::Close;
    deliver(event);
    if (desktop_ != nullptr && at < desktop_->effects.size() &&
        desktop_->effects[at].kind == EffectKind::CloseRequest) {
        desktop_->effects[at].number = event.cancel ? 1 : 0;
    }
    if (!event.cancel && isVisible()) {
        hideWindow();
    }
}

void HeadlessWindow::press(HeadlessControl& control, bool takeFocus) {
    if (takeFocus && control.focusable() && focused_ != &control) {
        focus(control);
        if (!isVisible()) {
            return;
        }
    }
    if (control.kind() == ControlKind::Shape) {
        deliver(EventKind::Click); // shapes take no events: the click is the window's
        return;
    }
    if (control.kind() == ControlKind::CheckBox) {
        control.toggle();
    }
    deliver(EventKind::Click, control.name(), control.index());
}

void HeadlessWindow::desktopKey(int16_t keyCode, int16_t shift) {
    constexpr int16_t kEnter = 13, kEscape = 27, kSpace = 32, kTab = 9;
    const auto isButton = [](const HeadlessControl* c) {
        return c != nullptr && c->kind() == ControlKind::CommandButton;
    };
    switch (keyCode) {
    case kEnter:
        if (isButton(focused_)) {
            press(*focused_, false);
        } else if (focused_ != nullptr &&
                   (focused_->kind() == ControlKind::RichText ||
                    (focused_->kind() == ControlKind::TextBox && focused_->settings().multiLine))) {
            // the text area takes Enter as a line break
        } else if (default_ != nullptr && default_->usable()) {
            press(*default_, false);
        }
        return;
    case kEscape:
        for (auto& c : controls_) {
            if (isButton(c.get()) && c->settings().isCancel && c->usable()) {
                press(*c, false);
                return;
            }
        }
        return;
    case kSpace:
        if (focused_ != nullptr &&
            (isButton(focused_) || focused_->kind() == ControlKind::CheckBox)) {
            press(*focused_, false);
        }
        return;
    case kTab:
        if ((shift & (platform::kCtrl | platform::kAlt)) == 0) {
            moveFocusInTabOrder((shift & platform::kShift) != 0);
        }
        return;
    default:
        break;
    }
    // Alt alone: with Shift or Ctrl the window's own key handling presses access keys, and doing
    // it here too would press the button twice.
    const bool letterOrDigit =
        (keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9');
    if (shift != platform::kAlt || !letterOrDigit) {
        return;
    }
    for (auto& c : controls_) {
        if ((isButton(c.get()) || c->kind() == ControlKind::CheckBox) && c->usable() &&
            platform::accessKey(c->settings().caption) == keyCode) {
            press(*c, true);
            return;
        }
    }
}

} // namespace qvMsgErr::headless::detail

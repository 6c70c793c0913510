// The controls of the headless desktop's windows.
#include "platform/designed_control.h"
#include "platform/geometry.h"
#include "platform/headless/headless_p.h"

#include "support/failure.h"

#include <algorithm>

namespace qvMsgErr::headless::detail {

using platform::ControlKind;

namespace {

using platform::kButtonFace;
using platform::kButtonText;
using platform::kWindowBackground;
using platform::kWindowText;

} // namespace

// ---------------------------------------------------------------------------------------------
// HeadlessControl
// ---------------------------------------------------------------------------------------------

HeadlessControl::HeadlessControl(HeadlessWindow& window, platform::ControlDesign settings)
    : w_(window), s_(std::move(settings)) {
    if (!s_.backColor) {
        s_.backColor = isTextArea(s_.kind) ? kWindowBackground : kButtonFace;
    }
    if (!s_.foreColor) {
        s_.foreColor = isTextArea(s_.kind) ? kWindowText : kButtonText;
    }
}

void HeadlessControl::check() const {
    w_.checkLoaded();
}

std::string HeadlessControl::caption() const {
    check();
    return s_.caption;
}

void HeadlessControl::setCaption(const std::string& text) {
    check();
    s_.caption = text;
    sizeToCaption();
}

void HeadlessControl::sizeToCaption() {
    if (s_.kind != ControlKind::Label || !s_.autoSize) {
        return;
    }
    const TextSize size =
        labelSize(s_.caption, s_.wordWrap, s_.width, w_.desktop() ? w_.desktop()->textScale : 1);
    s_.width = size.width;
    s_.height = size.height;
}

std::string HeadlessControl::tag() const {
    check();
    return tag_;
}

void HeadlessControl::setTag(const std::string& tag) {
    check();
    tag_ = tag;
}

std::string HeadlessControl::text() const {
    return caption();
}
void HeadlessControl::setText(const std::string& text) {
    setCaption(text);
}

float HeadlessControl::left() const {
    check();
    return s_.left;
}
float HeadlessControl::top() const {
    check();
    return s_.top;
}
float HeadlessControl::width() const {
    check();
    return s_.width;
}
float HeadlessControl::height() const {
    check();
    return s_.height;
}
void HeadlessControl::setLeft(float v) {
    check();
    s_.left = platform::checkedPosition(v);
}
void HeadlessControl::setTop(float v) {
    check();
    s_.top = platform::checkedPosition(v);
}
void HeadlessControl::setWidth(float v) {
    check();
    s_.width = platform::checkedSize(v);
    if (s_.wordWrap) {
        sizeToCaption(); // a wrapping label keeps the new width and grows or shrinks to its text
    }
}
void HeadlessControl::setHeight(float v) {
    check();
    s_.height = platform::checkedSize(v);
}

bool HeadlessControl::visible() const {
    check();
    return s_.visible;
}

void HeadlessControl::setVisible(bool v) {
    check();
    s_.visible = v;
    w_.dropFocusIfLost();
}

bool HeadlessControl::enabled() const {
    check();
    return s_.enabled;
}

void HeadlessControl::setEnabled(bool v) {
    check();
    s_.enabled = v;
    if (s_.kind == ControlKind::Timer && v) {
        restartTimer();
    }
    w_.dropFocusIfLost();
}

int16_t HeadlessControl::tabIndex() const {
    check();
    return s_.tabIndex;
}

void HeadlessControl::setTabIndex(int16_t v) {
    check();
    if (v < -1) {
        throw RunTimeError(err::InvalidPropertyValue);
    }
    s_.tabIndex = v;
}

bool HeadlessControl::isDefault() const {
    check();
    return w_.defaultButton() == this;
}

void HeadlessControl::setDefault(bool v) {
    check();
    if (s_.kind != ControlKind::CommandButton) {
        throw RunTimeError(err::NotSupported);
    }
    if (v) {
        w_.setDefaultButton(this);
    } else if (w_.defaultButton() == this) {
        w_.setDefaultButton(nullptr);
    }
}

int32_t HeadlessControl::backColor() const {
    check();
    return *s_.backColor;
}
void HeadlessControl::setBackColor(int32_t c) {
    check();
    s_.backColor = c;
}
int32_t HeadlessControl::foreColor() const {
    check();
    return *s_.foreColor;
}
void HeadlessControl::setForeColor(int32_t c) {
    check();
    s_.foreColor = c;
}
int32_t HeadlessControl::borderColor() const {
    check();
    return s_.borderColor;
}
void HeadlessControl::setBorderColor(int32_t c) {
    check();
    s_.borderColor = c;
}
int32_t HeadlessControl::fillColor() const {
    check();
    return s_.fillColor;
}
void HeadlessControl::setFillColor(int32_t c) {
    check();
    s_.fillColor = c;
}
platform::Font HeadlessControl::font() const {
    check();
    return s_.font;
}
void HeadlessControl::setFont(const platform::Font& f) {
    check();
    s_.font = f; // every font measures alike here
}

int16_t HeadlessControl::value() const {
    check();
    return value_;
}

void HeadlessControl::setValue(int16_t v) {
    check();
    if (s_.kind == ControlKind::CheckBox && v != 0 && v != 1) {
        throw RunTimeError(err::InvalidPropertyValue);
    }
    value_ = v;
}

bool HeadlessControl::wordWrap() const {
    check();
    return s_.wordWrap;
}

void HeadlessControl::setWordWrap(bool v) {
    check();
    s_.wordWrap = v;
    sizeToCaption();
}

bool HeadlessControl::autoSize() const {
    check();
    return s_.autoSize;
}

int32_t HeadlessControl::interval() const {
    check();
    return s_.interval;
}

void HeadlessControl::setInterval(int32_t ms) {
    check();
    if (ms < 0) {
        throw RunTimeError(err::InvalidPropertyValue);
    }
    s_.interval = ms;
    restartTimer();
}

void HeadlessControl::restartTimer() {
    if (auto* desktop = w_.desktop()) {
        nextTick = desktop->clock + s_.interval;
    }
}

// Labels take their size when the caption changes; there is nothing left to lay out here.
void HeadlessControl::refresh() {
    check();
}

void HeadlessControl::setFocus() {
    w_.focus(*this);
}

bool HeadlessControl::hasFocus() const {
    check();
    return w_.focused() == this;
}

bool HeadlessControl::effectivelyVisible() const {
    for (const HeadlessControl* c = this; c != nullptr; c = c->container_) {
        if (!c->s_.visible) {
            return false;
        }
    }
    return true;
}

bool HeadlessControl::effectivelyEnabled() const {
    for (const HeadlessControl* c = this; c != nullptr; c = c->container_) {
        if (!c->s_.enabled) {
            return false;
        }
    }
    return true;
}

bool HeadlessControl::usable() const {
    return s_.kind != ControlKind::Timer && s_.kind != ControlKind::ImageList &&
           effectivelyVisible() && effectivelyEnabled();
}

bool HeadlessControl::focusable() const {
    return s_.kind == ControlKind::CommandButton || s_.kind == ControlKind::CheckBox ||
           isTextArea(s_.kind);
}

float HeadlessControl::clientLeft() const {
    return s_.left + (container_ != nullptr ? container_->clientLeft() : 0);
}

float HeadlessControl::clientTop() const {
    return s_.top + (container_ != nullptr ? container_->clientTop() : 0);
}

std::unique_ptr<HeadlessControl> HeadlessControl::copyAs(int16_t index) const {
    auto copy = std::make_unique<HeadlessControl>(w_, s_);
    copy->s_.index = index;
    copy->s_.visible = false;
    copy->container_ = container_;
    copy->tag_ = tag_;
    copy->value_ = value_;
    copy->nextTick = nextTick;
    return copy;
}

void HeadlessControl::toggle() {
    value_ = value_ == 1 ? 0 : 1;
}

} // namespace qvMsgErr::headless::detail

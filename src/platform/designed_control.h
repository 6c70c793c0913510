// What the toolkit desktops' controls do alike: the properties that read or keep a setting of the
// control's design, each checked against a window that is still loaded. A desktop's control
// derives from DesignedControl<itself, its window> and adds what reaches its toolkit; it offers
// applyCaption() and syncTimer(bool) (befriending the base if they are private), and its window
// checkLoaded() and makeDefault(control, bool).
#pragma once

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/platform.h>

#include <cstdint>
#include <string>
#include <utility>

namespace qvMsgErr::platform {

/// The system colours (high bit set) a design's unset colours stand for.
inline constexpr auto kButtonFace = static_cast<int32_t>(0x8000000Fu);
inline constexpr auto kButtonText = static_cast<int32_t>(0x80000012u);
inline constexpr auto kWindowBackground = static_cast<int32_t>(0x80000005u);
inline constexpr auto kWindowText = static_cast<int32_t>(0x80000008u);

/// A control whose caption is the text a user edits or reads in a box.
inline bool isTextArea(ControlKind kind) {
    return kind == ControlKind::TextBox || kind == ControlKind::RichText;
}

template <class Derived, class Window> class DesignedControl : public Control {
public:
    ControlKind kind() const override { return d_.kind; }
    const std::string& name() const override { return d_.name; }
    int16_t index() const override { return d_.index; }

    std::string caption() const override {
        window_.checkLoaded();
        return isTextArea(d_.kind) ? this->text() : d_.caption;
    }

    void setCaption(const std::string& text) override {
        window_.checkLoaded();
        if (isTextArea(d_.kind)) {
            this->setText(text);
            return;
        }
        d_.caption = text;
        self().applyCaption();
    }

    std::string tag() const override {
        window_.checkLoaded();
        return tag_;
    }

    void setTag(const std::string& tag) override {
        window_.checkLoaded();
        tag_ = tag;
    }

    float left() const override {
        window_.checkLoaded();
        return d_.left;
    }

    float top() const override {
        window_.checkLoaded();
        return d_.top;
    }

    float width() const override {
        window_.checkLoaded();
        return d_.width;
    }

    float height() const override {
        window_.checkLoaded();
        return d_.height;
    }

    bool visible() const override {
        window_.checkLoaded();
        return d_.visible;
    }

    bool enabled() const override {
        window_.checkLoaded();
        return d_.enabled;
    }

    int16_t tabIndex() const override {
        window_.checkLoaded();
        return d_.tabIndex;
    }

    bool isDefault() const override {
        window_.checkLoaded();
        return d_.isDefault;
    }

    void setDefault(bool v) override {
        window_.checkLoaded();
        if (d_.kind != ControlKind::CommandButton) {
            throw RunTimeError(err::NotSupported); // only a button can be the default
        }
        window_.makeDefault(&self(), v);
    }

    int32_t backColor() const override {
        window_.checkLoaded();
        return d_.backColor.value_or(isTextArea(d_.kind) ? kWindowBackground : kButtonFace);
    }

    int32_t foreColor() const override {
        window_.checkLoaded();
        return d_.foreColor.value_or(isTextArea(d_.kind) ? kWindowText : kButtonText);
    }

    int32_t borderColor() const override {
        window_.checkLoaded();
        return d_.borderColor;
    }

    int32_t fillColor() const override {
        window_.checkLoaded();
        return d_.fillColor;
    }

    Font font() const override {
        window_.checkLoaded();
        return d_.font;
    }

    bool wordWrap() const override {
        window_.checkLoaded();
        return d_.wordWrap;
    }

    bool autoSize() const override {
        window_.checkLoaded();
        return d_.autoSize;
    }

    int32_t interval() const override {
        window_.checkLoaded();
        return d_.interval;
    }

    void setInterval(int32_t ms) override {
        window_.checkLoaded();
        if (ms < 0) {
            throw RunTimeError(err::InvalidPropertyValue);
        }
        d_.interval = ms;
        self().syncTimer(true); // a new interval starts afresh
    }

    /// The current settings, with the current text, as a new array element copies them.
    ControlDesign snapshot() const {
        ControlDesign d = d_;
        d.caption = caption();
        return d;
    }

    const ControlDesign& settings() const { return d_; }

protected:
    DesignedControl(Window& window, ControlDesign design)
        : window_(window), d_(std::move(design)) {}

    Window& window_;
    ControlDesign d_;
    std::string tag_;

private:
    Derived& self() { return static_cast<Derived&>(*this); }
};

} // namespace qvMsgErr::platform

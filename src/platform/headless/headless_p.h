// Inside the headless desktop: its state, its windows and controls, its text metrics and clock.
#pragma once

#include <qvMsgErr/headless.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qvMsgErr::headless {

namespace detail {

/// A side effect of `kind` with every other field empty.
inline SideEffect effect(EffectKind kind) {
    SideEffect e{};
    e.kind = kind;
    return e;
}

// --- text metrics ------------------------------------------------------------------------------

/// The lines a label shows: hard breaks at CR LF, CR or LF; with `wordWrap`, each line broken at
/// its last space that fits `width`, a longer word where the line is full. Characters are
/// kCharWidth × `scale` wide.
std::vector<std::string> labelLines(const std::string& caption, bool wordWrap, float width,
                                    float scale = 1);
using TextSize = platform::TextExtent;
/// The size a self-sizing label takes: without word wrap its longest line, with it `width`;
/// characters and lines `scale` times their reference size.
TextSize labelSize(const std::string& caption, bool wordWrap, float width, float scale = 1);

// --- the virtual clock -------------------------------------------------------------------------

/// Milliseconds since 1970-01-01 00:00:00 of the virtual local time (no time zones, no DST).
using Millis = std::int64_t;
/// The clock value of a local time; out-of-range fields carry over as mktime's do.
Millis clockFrom(const std::tm& local);
std::string dateTimeText(Millis clock, platform::DateFormat format);

class HeadlessWindow;

/// A control; its settings are kept in a ControlDesign so that copying element 0 copies all.
class HeadlessControl final : public platform::Control {
public:
    HeadlessControl(HeadlessWindow& window, platform::ControlDesign settings);

    platform::ControlKind kind() const override { return s_.kind; }
    const std::string& name() const override { return s_.name; }
    int16_t index() const override { return s_.index; }

    std::string caption() const override;
    void setCaption(const std::string& text) override;
    std::string tag() const override;
    void setTag(const std::string& tag) override;
    std::string text() const override;
    void setText(const std::string& text) override;

    float left() const override;
    float top() const override;
    float width() const override;
    float height() const override;
    void setLeft(float v) override;
    void setTop(float v) override;
    void setWidth(float v) override;
    void setHeight(float v) override;

    bool visible() const override;
    void setVisible(bool v) override;
    bool enabled() const override;
    void setEnabled(bool v) override;
    int16_t tabIndex() const override;
    void setTabIndex(int16_t v) override;
    bool isDefault() const override;
    void setDefault(bool v) override;

    int32_t backColor() const override;
    void setBackColor(int32_t c) override;
    int32_t foreColor() const override;
    void setForeColor(int32_t c) override;
    int32_t borderColor() const override;
    void setBorderColor(int32_t c) override;
    int32_t fillColor() const override;
    void setFillColor(int32_t c) override;
    platform::Font font() const override;
    void setFont(const platform::Font& f) override;

    int16_t value() const override;
    void setValue(int16_t v) override;
    bool wordWrap() const override;
    void setWordWrap(bool v) override;
    bool autoSize() const override;
    int32_t interval() const override;
    void setInterval(int32_t ms) override;

    void refresh() override;
    void setFocus() override;
    bool hasFocus() const override;

    // --- for the window and the desktop --------------------------------------------------------
    const platform::ControlDesign& settings() const { return s_; }
    HeadlessWindow& window() const { return w_; }
    HeadlessControl* container() const { return container_; }
    void setContainer(HeadlessControl* c) { container_ = c; }
    /// Shown on the window's surface: its own flag and every container's (not the window's).
    bool effectivelyVisible() const;
    bool effectivelyEnabled() const;
    /// Visible and enabled, and of a kind the user can reach at all.
    bool usable() const;
    /// Of a kind that takes the keyboard focus.
    bool focusable() const;
    /// Left and top in client coordinates.
    float clientLeft() const;
    float clientTop() const;
    /// A copy as element `index`: hidden, never the default button.
    std::unique_ptr<HeadlessControl> copyAs(int16_t index) const;
    /// The user's click on a check box: toggles the value.
    void toggle();

    Millis nextTick = 0; ///< timers: when the next tick is due

private:
    void check() const;
    void sizeToCaption();
    void restartTimer();

    HeadlessWindow& w_;
    platform::ControlDesign s_;
    HeadlessControl* container_ = nullptr;
    std::string tag_;
    int16_t value_ = 0;
};

class HeadlessWindow final : public platform::Window {
public:
    HeadlessWindow(HeadlessDesktop::Impl& desktop, platform::FormDesign design,
                   platform::WindowHandle handle);
    ~HeadlessWindow() override;

    const platform::FormDesign& design() const override { return design_; }
    void setHandler(platform::FormHandler* handler) override { handler_ = handler; }

    platform::Control& control(const std::string& name, int16_t index) override;
    bool hasControl(const std::string& name, int16_t index) const override;
    platform::Control& addElement(const std::string& name, int16_t index) override;
    std::vector<int16_t> elements(const std::string& name) const override;

    std::string caption() const override;
    void setCaption(const std::string& text) override;
    float left() const override;
    float top() const override;
    float width() const override;
    float height() const override;
    void setLeft(float v) override;
    void setTop(float v) override;
    void setWidth(float v) override;
    void setHeight(float v) override;
    void move(float left, float top) override;
    void placeCentred(float left, float top) override;
    float scaleWidth() const override;
    float scaleHeight() const override;
    int32_t backColor() const override;
    void setBackColor(int32_t c) override;
    int32_t helpContextId() const override;
    bool closeBox() const override;
    void setCloseBox(bool enabled) override;
    void setHelpContextId(int32_t id) override;

    void showModal() override;
    void showModeless() override;
    void hide() override;
    void unload() override;
    bool isVisible() const override { return loaded_ && visible_; }
    bool isLoaded() const override { return loaded_; }
    platform::WindowHandle handle() const override { return handle_; }

    void drawPicture(const std::string& imageList, int16_t number, float x, float y) override;
    void setImageListBackColor(const std::string& imageList, int32_t c) override;

    // --- for the controls, the scripted user and the desktop -----------------------------------
    /// Raises RunTimeError 91 once the window is unloaded.
    void checkLoaded() const;
    HeadlessDesktop::Impl* desktop() const { return desktop_; }
    void detachFromDesktop() { desktop_ = nullptr; }
    /// The control, found as control() finds it.
    HeadlessControl& find(const std::string& name, int16_t index) const;
    const std::vector<std::unique_ptr<HeadlessControl>>& controls() const { return controls_; }

    /// Hands the event to the handler; whatever the handler throws is dropped.
    void deliver(platform::Event& event);
    void deliver(platform::EventKind kind, const std::string& control = {}, int16_t index = -1);

    HeadlessControl* focused() const { return focused_; }
    /// Moves the focus there (GotFocus unless it is there already); RunTimeError 5 when it cannot.
    void focus(HeadlessControl& control);
    /// Forgets the focus when the focused control can no longer hold it.
    void dropFocusIfLost();
    HeadlessControl* defaultButton() const { return default_; }
    void setDefaultButton(HeadlessControl* button) { default_ = button; }

    const std::vector<SideEffect>& surface() const { return surface_; }
    void activate();
    /// Clears the surface, then delivers Paint.
    void paint();
    /// A close request from the title bar; the window hides unless the handler cancels.
    void requestClose();
    /// The user presses a button or check box: focus first when `takeFocus`, then Click.
    void press(HeadlessControl& control, bool takeFocus);
    /// The desktop's own key handling, after the window and the focused control had the key.
    void desktopKey(int16_t keyCode, int16_t shift);

private:
    void becomeVisible(EffectKind kind);
    void hideWindow();
    void focusFirstInTabOrder();
    void moveFocusInTabOrder(bool backwards);
    HeadlessControl& imageList(const std::string& name) const;
    void record(SideEffect effect) const;

    HeadlessDesktop::Impl* desktop_;
    platform::FormDesign design_;
    platform::FormHandler* handler_ = nullptr;
    std::vector<std::unique_ptr<HeadlessControl>> controls_; ///< in order of creation
    platform::WindowHandle handle_;
    std::string caption_;
    float left_ = 0, top_ = 0, clientWidth_ = 0, clientHeight_ = 0;
    int32_t backColor_;
    int32_t helpContextId_ = 0;
    bool closeBox_ = true;
    bool loaded_ = true, visible_ = false, shownBefore_ = false, moved_ = false;
    HeadlessControl* focused_ = nullptr;
    HeadlessControl* default_ = nullptr;
    std::vector<SideEffect> surface_; ///< pictures drawn since the last paint began
};

} // namespace detail

struct HeadlessDesktop::Impl {
    std::vector<SideEffect> effects;
    std::function<void(ScriptedUser&)> modalScript;
    std::function<int32_t(const SystemMessageBoxCall&)> messageBoxAnswer;
    std::function<platform::PrinterChoice(int32_t)> printerAnswer;
    std::function<platform::SaveDialogResult(const platform::SaveDialogSettings&)> saveAnswer;
    bool printerFails = false;
    std::string applicationTitle = "Host Application";
    std::function<std::string(const std::string&, const std::string&)> translator;
    std::optional<std::string> componentDirectory, currentDirectory;
    detail::Millis clock = 0; ///< the timers' clock
    bool clockSet = false;    ///< dates come from `clock`, not the real time
    bool keepRecord = true;
    /// The message font's size over the reference size: how much larger text measures.
    float textScale = 1;
    platform::WindowHandle nextHandle = 1;
    /// Every window object alive, in order of creation (unloaded ones too).
    std::vector<detail::HeadlessWindow*> windows;
    /// The windows in modal display, innermost last.
    std::vector<detail::HeadlessWindow*> modal;
    HeadlessDesktop* owner = nullptr;

    Impl();
    ~Impl();
    void record(SideEffect effect) {
        if (keepRecord) {
            effects.push_back(std::move(effect));
        }
    }
    detail::HeadlessWindow* loadedWindow(platform::WindowHandle handle) const;
    void advance(int32_t seconds);
    /// Runs the modal display of `window`, which has just been shown.
    void runModal(detail::HeadlessWindow& window);
};

} // namespace qvMsgErr::headless

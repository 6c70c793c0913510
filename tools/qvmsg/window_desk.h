// The scripted user on real windows, whatever toolkit draws them: which control a step means,
// and what becomes of a window still shown when the steps have run out. A desk for a toolkit
// only finds the window shown now and clicks, closes and renders through the toolkit.
#pragma once

#include "cli.h"

namespace qvmsg {

/// A button or check box the user can reach on the window shown now.
struct ShownControl {
    std::string caption;
    bool checkBox = false;
    bool ticked = false;
    void* object = nullptr; ///< the toolkit's own (a QAbstractButton*, an HWND)
};

/// The window the scripted user acts on, as its toolkit shows it.
class ShownWindow {
public:
    virtual ~ShownWindow() = default;
    /// The window's design name.
    virtual std::string name() const = 0;
    /// Whether it is the system's message box rather than one of the library's windows.
    virtual bool systemBox() const = 0;
    /// Its buttons and check boxes that are shown and enabled, in the window's order.
    virtual std::vector<ShownControl> controls() const = 0;
    /// The shown button that a design names; the system box's for `number` when systemBox().
    virtual std::optional<ShownControl> button(const ControlRef& ref, int32_t number) const = 0;
    virtual void click(const ShownControl& control) = 0;
    /// As by the title bar's close box.
    virtual void close() = 0;
    virtual bool shown() const = 0;
    /// Takes the window off the screen without an answer.
    virtual void hide() = 0;
};

class WindowDesk : public Desk {
protected:
    /// `unattended`: nobody can answer, so a window still shown when the script has run out is
    /// closed as by its title bar.
    WindowDesk(const Invocation& inv, NumberOf numberOf, bool unattended);

    /// Takes the next step on `w`; true when the window is still shown afterwards, so that the
    /// step after it comes once the window has shown what this one changed.
    bool act(ShownWindow& w);
    /// Notes a picture of the first window taken (or not): later windows are not rendered.
    void pictureTaken(bool written);

    std::string screenshot_;
    int32_t screenshotDelayMs_;

private:
    void tick(ShownWindow& w, bool ticked);
    void press(ShownWindow& w, const std::string& target);

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int32_t flags_;
    bool unattended_;
    NumberOf numberOf_;
};

} // namespace qvmsg

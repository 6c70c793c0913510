// The test form shared by every desktop's tests: a small window that uses every kind of control,
// the logic that records what the window receives, and one script of user actions and checks that
// runs unchanged on each desktop. A desktop's tests supply a FormDriver that acts as the user does
// on that desktop (the headless desktop's scripted user, real input events on Qt).
//
// testFormDesign(), client area 6000 × 3900 twips, key preview on: the images imgPicture (a stock
// picture) and imgMarker (where Paint draws imgList's picture 2); the self-sizing labels
// lblOneLine and lblWrapped (word wrap); the check box chkOption; the button array cmdAction
// (element 0 the default button) and cmdCancel (the cancel button); the frame fraNotes holding the
// multi-line text box txtNotes; the rich-text area rtfInfo; the shape array shpBox; the coloured
// panel pnlBar holding lblPanel and cmdPanel; the image list imgList (Critical, Question,
// Exclamation, Information) and the disabled 1000 ms timer tmrTick. Tab order: cmdAction,
// chkOption, cmdCancel, txtNotes, rtfInfo, cmdPanel.
#pragma once

#include <qvMsgErr/platform.h>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace qvMsgErr::testform {

/// The design of the test form (see above; its positions are in test_form.cpp).
platform::FormDesign testFormDesign();

/// Adds what exists only at run time, where it is still missing: element 1 of `cmdAction`
/// (caption "&Second", 480 below element 0) and element 1 of `shpBox` (720 to the right of
/// element 0, other colours); shows both. Used before rendering the form to a picture.
void completeTestForm(platform::Window& window);

/// One event as the logic received it.
struct RecordedEvent {
    platform::EventKind kind = platform::EventKind::Click;
    std::string control; ///< empty: the window
    int16_t index = -1, keyCode = 0, shift = 0;
    bool operator==(const RecordedEvent&) const = default;
};
std::ostream& operator<<(std::ostream& out, const RecordedEvent& event);

/// The test form's logic: records every event, draws picture 2 of `imgList` at `imgMarker`'s
/// corner on every Paint, counts timer ticks and refuses close requests while asked to.
/// The caller connects it: `window.setHandler(&logic)`.
class TestFormLogic : public platform::FormHandler {
public:
    explicit TestFormLogic(platform::Window& window) : window_(window) {}
    void onEvent(platform::Event& event) override;

    /// The events recorded while `act` ran.
    std::vector<RecordedEvent> eventsDuring(const std::function<void()>& act);
    std::size_t count(platform::EventKind kind) const;
    int timerTicks() const { return timerTicks_; }

    /// While true, the Close event is answered with `cancel`.
    bool refuseClose = false;

private:
    platform::Window& window_;
    std::vector<RecordedEvent> events_;
    int timerTicks_ = 0;
};

/// A handler made of one function, for tests that need a single reaction.
class EventFunction : public platform::FormHandler {
public:
    explicit EventFunction(std::function<void(platform::Event&)> f) : f_(std::move(f)) {}
    void onEvent(platform::Event& event) override { f_(event); }

private:
    std::function<void(platform::Event&)> f_;
};

/// The user's actions on a shown window, as each desktop realises them.
class FormDriver {
public:
    virtual ~FormDriver() = default;
    /// A left click on the control (element `index` of an array); on a check box it toggles it.
    virtual void click(const std::string& name, int16_t index = -1) = 0;
    /// One key press (and release) with a shift state of platform::kShift, kCtrl, kAlt added,
    /// sent to the window (its focused control receives it).
    virtual void keyDown(int16_t keyCode, int16_t shift = 0) = 0;
    /// The mouse moves onto the control (any point inside it, no button held).
    virtual void mouseMove(const std::string& name, int16_t index = -1) = 0;
    /// Brings a check box to the state `ticked` as a click would.
    virtual void tick(const std::string& name, bool ticked) = 0;
    /// The title bar's close box.
    virtual void close() = 0;
    /// Lets at least `seconds` seconds pass for the window's timers (virtual or real time), so
    /// that an enabled timer of 1000 ms ticks at least `seconds` times.
    virtual void advanceSeconds(int32_t seconds) = 0;
    /// The user types `text` into a text box or rich-text area, replacing what it held.
    virtual void typeText(const std::string& name, const std::string& text) = 0;
};

/// The shared checks, with GoogleTest assertions. Runs while `window` (made from testFormDesign(),
/// `logic` connected) is shown modally; the caller starts it once the window has been activated
/// and painted, and checks afterwards that the modal display ended. The script ends with a close
/// request the logic lets pass, so the window is hidden; completeTestForm has been applied by then.
void runSharedFormScript(platform::Window& window, FormDriver& user, TestFormLogic& logic);

/// The shared checks that need no user: designs the desktop refuses, control lookup, control
/// arrays, default colours and button, drawing errors and unloading (of a window it shows
/// modelessly for that).
void runSharedWindowChecks(platform::Desktop& desktop);

/// Expects `action` to throw RunTimeError `number`; `what` names the action in the failure.
void expectRunTimeError(int32_t number, const std::string& what,
                        const std::function<void()>& action);

/// Expects every one of `actions` (the words that name it in a failure, the action) to throw
/// RunTimeError `number`.
using NamedAction = std::pair<const char*, std::function<void()>>;
void expectRunTimeErrors(int32_t number, std::initializer_list<NamedAction> actions);

} // namespace qvMsgErr::testform

#include "window_desk.h"

namespace qvmsg {

namespace {

/// The window as a message names it.
std::string called(const ShownWindow& w) {
    return w.systemBox() ? "the message box" : w.name();
}

} // namespace

WindowDesk::WindowDesk(const Invocation& inv, NumberOf numberOf, bool unattended)
    : screenshot_(inv.screenshot), screenshotDelayMs_(inv.screenshotDelayMs), steps_(inv.steps),
      flags_(inv.flags), unattended_(unattended), numberOf_(std::move(numberOf)) {}

void WindowDesk::pictureTaken(bool written) {
    if (!written) {
        failure_ = "--screenshot: cannot write " + screenshot_;
    }
    screenshot_.clear();
}

bool WindowDesk::act(ShownWindow& w) {
    if (next_ >= steps_.size() || !failure_.empty()) {
        if (!unattended_ && failure_.empty()) {
            return false; // where somebody sees it, the user answers
        }
        w.close(); // nobody could answer it, or the script went wrong
        if (w.shown()) {
            // A question without a close answer (Yes/No): ending it here would answer for
            // somebody, so it ends as a mistake of the call instead.
            if (failure_.empty()) {
                failure_ = "nobody can answer " + called(w) +
                           " offscreen, and it has no close box: say the answer with --answer";
            }
            w.hide();
        }
        return false;
    }
    const Step& step = steps_[next_++];
    switch (step.kind) {
    case Step::Tick:
    case Step::Untick:
        tick(w, step.kind == Step::Tick);
        break;
    case Step::Timeout:
        return false; // the window's own countdown closes it
    case Step::Close:
        w.close();
        break;
    case Step::Press:
        press(w, step.target); // may run a nested window's loop before it returns
        break;
    }
    return w.shown();
}

void WindowDesk::tick(ShownWindow& w, bool ticked) {
    for (const ShownControl& c : w.controls()) {
        if (c.checkBox) {
            if (c.ticked != ticked) {
                w.click(c);
            }
            return;
        }
    }
    failure_ = "--answer: " + called(w) + " has no check box to tick";
}

void WindowDesk::press(ShownWindow& w, const std::string& target) {
    for (const ShownControl& c : w.controls()) {
        if (readable(c.caption) == readable(target)) {
            w.click(c);
            return;
        }
    }
    std::optional<ShownControl> button;
    if (const auto number = numberOf_(target); !number) {
    } else if (w.systemBox()) {
        button = w.button({}, *number);
    } else if (const auto ref = answerButton(w.name(), flags_, *number)) {
        button = w.button(*ref, *number);
    }
    if (button) {
        w.click(*button);
    } else {
        failure_ = "--answer: " + called(w) + " has no button '" + target + "'";
    }
}

} // namespace qvmsg

// The scripted user on the headless desktop: every step acts on the window shown at the time.
#include "cli.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/headless.h>
#include <qvMsgErr/memory.h>

#include <algorithm>

namespace qvmsg {

namespace {

using qvMsgErr::headless::HeadlessDesktop;
using qvMsgErr::headless::ScriptedUser;
using qvMsgErr::platform::ControlKind;

/// Longest countdown a "timeout" step waits for: msgBox keeps TimerSeconds in a Long, but no
/// script means to wait longer than a day.
constexpr int32_t kLongestCountdown = 24 * 60 * 60;

class HeadlessDesk final : public Desk {
public:
    HeadlessDesk(const Invocation& inv, NumberOf numberOf)
        : steps_(inv.steps), flags_(inv.flags), numberOf_(std::move(numberOf)) {
        desktop_->setApplicationTitle("qvmsg");
        // Without steps nobody stands in for the user: the library's unattended rules answer
        // (QVMSGERR_ANSWERS, else the close box) and log each answer.
        if (!steps_.empty()) {
            desktop_->onModal([this](ScriptedUser& u) { act(u); });
            desktop_->onSystemMessageBox(
                [this](const qvMsgErr::headless::SystemMessageBoxCall& c) { return answer(c); });
        }
        desktop_->keepRecord(false);
        qvMsgErr::setThreadDesktop(desktop_);
    }

    void settleModeless() override {
        desktop_->actOnModeless("dlgError", [this](ScriptedUser& u) {
            act(u);
            if (u.shown()) {
                u.close(); // nobody else is there to close it
            }
        });
    }

private:
    void act(ScriptedUser& u) {
        while (next_ < steps_.size() && u.shown() && failure_.empty()) {
            const Step& step = steps_[next_++];
            switch (step.kind) {
            case Step::Tick:
            case Step::Untick:
                if (const auto box = firstOf(u, ControlKind::CheckBox)) {
                    u.tick(box->name, step.kind == Step::Tick);
                } else {
                    failure_ = "--answer: " + u.windowName() + " has no check box to tick";
                }
                break;
            case Step::Timeout:
                for (int32_t s = 0; s < kLongestCountdown && u.shown(); ++s) {
                    u.advanceSeconds(1);
                }
                break;
            case Step::Close:
                u.close();
                break;
            case Step::Press:
                press(u, step.target);
                break;
            }
        }
    }

    void press(ScriptedUser& u, const std::string& target) {
        if (const auto byCaption = withCaption(u, target)) {
            u.click(byCaption->name, byCaption->index);
            return;
        }
        const auto number = numberOf_(target);
        const auto button = number ? answerButton(u.windowName(), flags_, *number) : std::nullopt;
        if (button && u.window().hasControl(button->name, button->index) &&
            u.control(button->name, button->index).visible()) {
            u.click(button->name, button->index);
        } else {
            failure_ = "--answer: " + u.windowName() + " has no button '" + target + "'";
        }
    }

    int32_t answer(const qvMsgErr::headless::SystemMessageBoxCall& call) {
        if (next_ < steps_.size() && steps_[next_].kind == Step::Press && failure_.empty()) {
            const std::string& target = steps_[next_++].target;
            const auto number = numberOf_(target);
            const auto set = qvMsgErr::ButtonSet(call.flags);
            if (number && std::find(set.begin(), set.end(), *number) != set.end()) {
                return *number;
            }
            failure_ =
                "--answer: the message box \"" + call.prompt + "\" has no button '" + target + "'";
        }
        return qvMsgErr::headless::defaultSystemAnswer(call.flags);
    }

    /// Every control of the window that a user sees, element by element.
    template <class F> static void forEachShown(ScriptedUser& u, F&& f) {
        for (const auto& c : u.window().design().controls) {
            if (c.index > 0) {
                continue; // arrays are walked from element 0
            }
            std::vector<int16_t> indexes{-1};
            if (c.index == 0) {
                indexes = u.window().elements(c.name);
            }
            for (const int16_t i : indexes) {
                auto& control = u.control(c.name, i);
                if (control.visible() && control.enabled() && f(control)) {
                    return;
                }
            }
        }
    }

    static std::optional<ControlRef> firstOf(ScriptedUser& u, ControlKind kind) {
        std::optional<ControlRef> found;
        forEachShown(u, [&](qvMsgErr::platform::Control& c) {
            if (c.kind() == kind) {
                found = ControlRef{c.name(), c.index()};
            }
            return found.has_value();
        });
        return found;
    }

    static std::optional<ControlRef> withCaption(ScriptedUser& u, const std::string& caption) {
        std::optional<ControlRef> found;
        forEachShown(u, [&](qvMsgErr::platform::Control& c) {
            if ((c.kind() == ControlKind::CommandButton || c.kind() == ControlKind::CheckBox) &&
                readable(c.caption()) == readable(caption)) {
                found = ControlRef{c.name(), c.index()};
            }
            return found.has_value();
        });
        return found;
    }

    std::shared_ptr<HeadlessDesktop> desktop_ = std::make_shared<HeadlessDesktop>();
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int32_t flags_;
    NumberOf numberOf_;
};

} // namespace

std::unique_ptr<Desk> makeHeadlessDesk(const Invocation& inv, NumberOf numberOf) {
    return std::make_unique<HeadlessDesk>(inv, std::move(numberOf));
}

} // namespace qvmsg

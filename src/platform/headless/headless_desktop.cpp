// The headless desktop: scripting, the record of side effects, the environment and the clock.
#include "platform/headless/headless_p.h"

#include "platform/files.h"
#include "platform/system_box.h"

#include "support/failure.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <limits>

namespace qvMsgErr::headless {

using detail::HeadlessControl;
using detail::HeadlessWindow;
using platform::ControlKind;
using platform::EventKind;

namespace {

/// The scripted user of one modal window, alive while the script runs.
class ScriptedUserImpl final : public ScriptedUser {
public:
    ScriptedUserImpl(HeadlessDesktop::Impl& desktop, HeadlessWindow& window)
        : desktop_(desktop), w_(window) {}

    platform::Window& window() override { return w_; }
    const std::string& windowName() const override { return w_.design().name; }
    platform::Control& control(const std::string& name, int16_t index) override {
        return w_.control(name, index);
    }

    void click(const std::string& name, int16_t index) override {
        w_.press(reach(name, index), true);
    }

    void keyDown(int16_t keyCode, int16_t shift) override {
        requireShown();
        if (w_.design().keyPreview) {
            platform::Event event = keyEvent(keyCode, shift);
            w_.deliver(event);
            if (!w_.isVisible()) {
                return;
            }
        }
        if (HeadlessControl* focused = w_.focused()) {
            platform::Event event = keyEvent(keyCode, shift);
            event.control = focused->name();
            event.index = focused->index();
            w_.deliver(event);
            if (!w_.isVisible()) {
                return;
            }
        }
        w_.desktopKey(keyCode, shift);
    }

    void mouseMove(const std::string& name, int16_t index, float x, float y, int16_t button,
                   int16_t shift) override {
        requireShown();
        platform::Event event;
        event.kind = EventKind::MouseMove;
        event.x = x;
        event.y = y;
        event.button = button;
        event.shift = shift;
        if (!name.empty()) {
            HeadlessControl& c = reach(name, index);
            if (c.kind() == ControlKind::Shape) {
                event.x += c.clientLeft();
                event.y += c.clientTop();
            } else {
                event.control = c.name();
                event.index = c.index();
            }
        }
        w_.deliver(event);
    }

    void tick(const std::string& name, bool ticked) override {
        HeadlessControl& c = reach(name, -1);
        if (c.kind() != ControlKind::CheckBox) {
            throw RunTimeError(err::InvalidCall, name + " is no check box");
        }
        if ((c.value() == 1) != ticked) {
            w_.press(c, true);
        }
    }

    void focus(const std::string& name, int16_t index) override {
        requireShown();
        w_.focus(w_.find(name, index));
    }

    void type(const std::string& name, const std::string& text) override {
        HeadlessControl& c = reach(name, -1);
        if (c.kind() != ControlKind::TextBox && c.kind() != ControlKind::RichText) {
            throw RunTimeError(err::InvalidCall, name + " takes no typing");
        }
        w_.focus(c);
        if (w_.isVisible() && w_.focused() == &c) {
            c.setText(text);
        }
    }

    void close() override {
        requireShown();
        if (!w_.closeBox()) {
            throw RunTimeError(err::InvalidCall, "The script closes " + w_.design().name +
                                                     ", which offers no close box");
        }
        w_.requestClose();
    }

    void advanceSeconds(int32_t seconds) override { desktop_.advance(seconds); }
    bool shown() const override { return w_.isVisible(); }

    void paint() override {
        requireShown();
        w_.paint();
    }

    void activate() override {
        requireShown();
        w_.activate();
    }

    HeadlessDesktop& desktop() override { return *desktop_.owner; }

private:
    void requireShown() const {
        if (!w_.isVisible()) {
            throw RunTimeError(err::InvalidCall,
                               "The script acts on " + w_.design().name + ", which is not shown");
        }
    }

    HeadlessControl& reach(const std::string& name, int16_t index) {
        requireShown();
        HeadlessControl& c = w_.find(name, index);
        if (!c.usable()) {
            throw RunTimeError(err::InvalidCall, "The script acts on " + name +
                                                     ", which is hidden, disabled or never shown");
        }
        return c;
    }

    static platform::Event keyEvent(int16_t keyCode, int16_t shift) {
        platform::Event event;
        event.kind = EventKind::KeyDown;
        event.keyCode = keyCode;
        event.shift = shift;
        return event;
    }

    HeadlessDesktop::Impl& desktop_;
    HeadlessWindow& w_;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Impl
// ---------------------------------------------------------------------------------------------

namespace {

detail::Millis realClock() {
    const std::time_t now = std::time(nullptr);
    return detail::clockFrom(platform::localTime(now));
}

} // namespace

HeadlessDesktop::Impl::Impl() : clock(realClock()) {}

HeadlessDesktop::Impl::~Impl() {
    for (auto* w : windows) {
        w->detachFromDesktop();
    }
}

HeadlessWindow* HeadlessDesktop::Impl::loadedWindow(platform::WindowHandle handle) const {
    for (auto* w : windows) {
        if (w->handle() == handle && w->isLoaded()) {
            return w;
        }
    }
    return nullptr;
}

void HeadlessDesktop::Impl::runModal(HeadlessWindow& window) {
    if (window.isVisible() && modalScript) {
        // A copy: the script may install another script while it runs.
        auto script = modalScript;
        ScriptedUserImpl user(*this, window);
        script(user);
    }
    if (window.isVisible()) {
        window.requestClose();
        if (window.isVisible()) {
            // A window that only an answer closes must not leave a test hanging, nor answer
            // for the script: the display ends with an error.
            window.hide();
            throw RunTimeError(err::Unanswered, "The script left " + window.design().name +
                                                    " open, and it cannot be closed without "
                                                    "an answer");
        }
    }
}

void HeadlessDesktop::Impl::advance(int32_t seconds) {
    if (seconds < 0) {
        throw RunTimeError(err::InvalidCall, "The clock runs forward only");
    }
    const detail::Millis target = clock + static_cast<detail::Millis>(seconds) * 1000;
    for (;;) {
        // Look again after every tick: a handler may hide, unload or create windows and timers.
        HeadlessWindow* dueWindow = nullptr;
        HeadlessControl* due = nullptr;
        for (auto* w : windows) {
            if (!w->isVisible()) {
                continue;
            }
            for (const auto& c : w->controls()) {
                const auto& s = c->settings();
                if (s.kind == ControlKind::Timer && s.enabled && s.interval > 0 &&
                    c->nextTick <= target && (due == nullptr || c->nextTick < due->nextTick)) {
                    due = c.get();
                    dueWindow = w;
                }
            }
        }
        if (due == nullptr) {
            break;
        }
        clock = due->nextTick;
        due->nextTick = clock + due->settings().interval;
        dueWindow->deliver(EventKind::Timer, due->name(), due->index());
    }
    // A tick handler that advanced the clock itself may have taken it past our target.
    clock = std::max(clock, target);
}

// ---------------------------------------------------------------------------------------------
// HeadlessDesktop
// ---------------------------------------------------------------------------------------------

HeadlessDesktop::HeadlessDesktop() : impl_(std::make_unique<Impl>()) {
    impl_->owner = this;
}
HeadlessDesktop::~HeadlessDesktop() = default;

void HeadlessDesktop::onModal(std::function<void(ScriptedUser&)> script) {
    impl_->modalScript = std::move(script);
}
void HeadlessDesktop::onSystemMessageBox(
    std::function<int32_t(const SystemMessageBoxCall&)> answer) {
    impl_->messageBoxAnswer = std::move(answer);
}
void HeadlessDesktop::onPrinterDialog(std::function<platform::PrinterChoice(int32_t)> answer) {
    impl_->printerAnswer = std::move(answer);
}
void HeadlessDesktop::onSaveDialog(
    std::function<platform::SaveDialogResult(const platform::SaveDialogSettings&)> answer) {
    impl_->saveAnswer = std::move(answer);
}
bool HeadlessDesktop::actOnModeless(const std::string& windowName,
                                    const std::function<void(ScriptedUser&)>& script) {
    for (auto it = impl_->windows.rbegin(); it != impl_->windows.rend(); ++it) {
        HeadlessWindow* w = *it;
        const bool inModal =
            std::find(impl_->modal.begin(), impl_->modal.end(), w) != impl_->modal.end();
        if (w->isVisible() && !inModal && w->design().name == windowName) {
            ScriptedUserImpl user(*impl_, *w);
            script(user);
            return true;
        }
    }
    return false;
}

void HeadlessDesktop::setPrinterFails(bool fails) {
    impl_->printerFails = fails;
}

void HeadlessDesktop::setApplicationTitle(std::string title) {
    impl_->applicationTitle = std::move(title);
}
void HeadlessDesktop::setComponentDirectory(std::string dir) {
    impl_->componentDirectory = std::move(dir);
}
void HeadlessDesktop::setCurrentDirectory(std::string dir) {
    impl_->currentDirectory = std::move(dir);
}
void HeadlessDesktop::setMessageFontSize(float points) {
    impl_->textScale = points / platform::kReferenceFontSize;
}
platform::TextExtent HeadlessDesktop::measureCaption(const std::string& caption,
                                                     const platform::Font& /*font*/,
                                                     float wrapWidth) const {
    const std::string shown = platform::shownCaption(caption);
    if (wrapWidth <= 0) {
        return detail::labelSize(shown, false, 0, impl_->textScale);
    }
    // As wide as its widest line once wrapped, not as the wrap width.
    std::string lines;
    for (const std::string& line : detail::labelLines(shown, true, wrapWidth, impl_->textScale)) {
        lines += (lines.empty() ? "" : "\n") + line;
    }
    return detail::labelSize(lines, false, 0, impl_->textScale);
}
void HeadlessDesktop::setClock(const std::tm& localTime) {
    impl_->clock = detail::clockFrom(localTime);
    impl_->clockSet = true;
}
void HeadlessDesktop::keepRecord(bool keep) {
    impl_->keepRecord = keep;
    if (!keep) {
        impl_->effects.clear();
    }
}
bool HeadlessDesktop::hasUser() const {
    return impl_->modalScript != nullptr || impl_->messageBoxAnswer != nullptr;
}
void HeadlessDesktop::advanceSeconds(int32_t seconds) {
    impl_->advance(seconds);
}

const std::vector<SideEffect>& HeadlessDesktop::sideEffects() const {
    return impl_->effects;
}

std::vector<SideEffect> HeadlessDesktop::sideEffects(EffectKind kind) const {
    std::vector<SideEffect> out;
    std::copy_if(impl_->effects.begin(), impl_->effects.end(), std::back_inserter(out),
                 [&](const SideEffect& e) { return e.kind == kind; });
    return out;
}

void HeadlessDesktop::clearSideEffects() {
    impl_->effects.clear();
}

std::vector<SideEffect> HeadlessDesktop::surface(platform::WindowHandle window) const {
    for (auto* w : impl_->windows) {
        if (w->handle() == window) {
            return w->surface();
        }
    }
    return {};
}

std::unique_ptr<platform::Window>
HeadlessDesktop::createWindow(const platform::FormDesign& design) {
    return std::make_unique<HeadlessWindow>(*impl_, design, impl_->nextHandle++);
}

int32_t HeadlessDesktop::systemMessageBox(const std::string& prompt, int32_t flags,
                                          const std::string& title, const std::string& helpFile,
                                          int32_t context) {
    SideEffect shown = detail::effect(EffectKind::SystemMessageBox);
    shown.prompt = prompt;
    shown.title = title;
    shown.helpFile = helpFile;
    shown.flags = flags;
    shown.context = context;
    if (impl_->messageBoxAnswer) {
        // The script's own failures come out as RunTimeError, like every failure here.
        shown.number = passOn("", [&] {
            return impl_->messageBoxAnswer(
                SystemMessageBoxCall{prompt, title, helpFile, flags, context});
        });
    } else {
        shown.number = defaultSystemAnswer(flags);
    }
    impl_->record(shown);
    return shown.number;
}

void HeadlessDesktop::beep(int32_t soundType) {
    SideEffect beeped = detail::effect(EffectKind::Beep);
    beeped.number = soundType;
    impl_->record(std::move(beeped));
}

bool HeadlessDesktop::setTopmost(platform::WindowHandle window, bool topmost) {
    HeadlessWindow* w = impl_->loadedWindow(window);
    if (w == nullptr) {
        return false;
    }
    SideEffect placed = detail::effect(EffectKind::Topmost);
    placed.window = w->design().name;
    placed.flag = topmost;
    impl_->record(std::move(placed));
    return true;
}

void HeadlessDesktop::showHelp(const std::string& helpFile, int32_t command, int32_t context) {
    SideEffect help = detail::effect(EffectKind::Help);
    help.helpFile = helpFile;
    help.number = command;
    help.context = context;
    impl_->record(std::move(help));
}

std::string HeadlessDesktop::applicationTitle() const {
    return impl_->applicationTitle;
}

void HeadlessDesktop::setTranslator(
    std::function<std::string(const std::string&, const std::string&)> translate) {
    impl_->translator = std::move(translate);
}

std::string HeadlessDesktop::translate(const std::string& context, const std::string& text) const {
    return impl_->translator ? impl_->translator(context, text) : text;
}

std::string HeadlessDesktop::componentDirectory() const {
    if (impl_->componentDirectory) {
        return *impl_->componentDirectory;
    }
    std::string dir = platform::libraryDirectory();
    return dir.empty() ? currentDirectory() : dir;
}

std::string HeadlessDesktop::currentDirectory() const {
    if (impl_->currentDirectory) {
        return *impl_->currentDirectory;
    }
    std::error_code ec;
    auto dir = std::filesystem::current_path(ec);
    return ec ? std::string() : dir.string();
}

std::string HeadlessDesktop::dateTimeText(platform::DateFormat format) const {
    return detail::dateTimeText(impl_->clockSet ? impl_->clock : realClock(), format);
}

platform::PrinterChoice HeadlessDesktop::choosePrinter(int32_t flags) {
    platform::PrinterChoice choice;
    if (impl_->printerAnswer) {
        choice = passOn("", [&] { return impl_->printerAnswer(flags); });
    }
    SideEffect dialog = detail::effect(EffectKind::PrinterDialog);
    dialog.flags = flags;
    dialog.flag = choice.cancelled;
    dialog.text = choice.printer;
    impl_->record(std::move(dialog));
    return choice;
}

void HeadlessDesktop::printDocument(const platform::PrinterChoice& printer,
                                    const platform::FormattedDocument& doc) {
    SideEffect printed = detail::effect(EffectKind::Print);
    printed.text = printer.printer;
    printed.document = doc;
    // No printer chosen fails as a real one would.
    const bool fails = impl_->printerFails || printer.printer.empty();
    printed.flag = fails;
    impl_->record(std::move(printed));
    if (fails) {
        throw RunTimeError(err::PrinterError);
    }
}

platform::SaveDialogResult
HeadlessDesktop::chooseSaveFile(const platform::SaveDialogSettings& settings) {
    platform::SaveDialogResult result;
    if (impl_->saveAnswer) {
        result = passOn("", [&] { return impl_->saveAnswer(settings); });
    }
    SideEffect dialog = detail::effect(EffectKind::SaveDialog);
    dialog.title = settings.title;
    dialog.flags = settings.flags;
    dialog.flag = result.cancelled;
    dialog.text = result.path;
    impl_->record(std::move(dialog));
    return result;
}

void HeadlessDesktop::saveFile(const std::string& path, const std::string& bytes) {
    SideEffect saved = detail::effect(EffectKind::Save);
    saved.text = path;
    saved.bytes = bytes;
    try {
        platform::replaceFile(path, bytes);
    } catch (const RunTimeError&) {
        saved.flag = true; // recorded as failed, then raised as the desktop's failure
        impl_->record(std::move(saved));
        throw;
    }
    impl_->record(std::move(saved));
}

void HeadlessDesktop::shellOpen(const std::string& target) {
    SideEffect opened = detail::effect(EffectKind::ShellOpen);
    opened.text = target;
    impl_->record(std::move(opened));
}

void HeadlessDesktop::copyText(const std::string& text) {
    SideEffect copied = detail::effect(EffectKind::Copy);
    copied.text = text;
    impl_->record(std::move(copied));
}

int32_t defaultSystemAnswer(int32_t flags) {
    const auto buttons = platform::systemBoxAnswers(flags);
    const auto position = static_cast<std::size_t>((flags & 0x300) >> 8);
    // A default beyond the set's buttons falls back to the first, as the system box does.
    return position < buttons.size() ? buttons[position] : buttons.front();
}

} // namespace qvMsgErr::headless

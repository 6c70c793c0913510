#include "support/auto_desktop.h"

#include "platform/files.h"
#include "platform/window_system.h"
#include "support/apartment.h"

#include <qvMsgErr/apartment.h>

#include <atomic>

namespace qvMsgErr {

namespace {

/// What to do when no window can be shown, said once for every reason.
constexpr const char* kWhatToDo =
    ". Show messages from the thread that runs the program's windows, or choose a desktop "
    "for this thread with qvMsgErr::setThreadDesktop; to answer messages without a person, "
    "set QVMSGERR_DESKTOP=headless (see QVMSGERR_ANSWERS)";

std::atomic<platform::StartDesktop> g_starter{nullptr};

} // namespace

void platform::setWindowSystemStarter(StartDesktop start) {
    g_starter.store(start);
}

platform::StartDesktop platform::windowSystemStarter() {
    return g_starter.load();
}

AutoDesktop::AutoDesktop() {
    fallback_.keepRecord(false);
    fallback_.setApplicationTitle(platform::programName());
}

platform::Desktop& AutoDesktop::environment() const {
    if (!real_) {
        // A desktop that exists already (a host's factory, the Qt desktop of the thread's
        // QApplication) answers; nothing is started for a question that needs no window.
        if (auto factory = defaultDesktopFactory()) {
            real_ = factory();
        }
    }
    return real_ ? *real_ : fallback_;
}

platform::Desktop& AutoDesktop::windows() {
    if (environment(); real_) {
        return *real_;
    }
    std::string why;
    if (const platform::StartDesktop start = platform::findWindowSystem(why)) {
        std::shared_ptr<platform::Desktop> started;
        if (start(&started, &why) && started) {
            real_ = std::move(started);
            return *real_;
        }
    }
    throw RunTimeError(err::NoWindows, "qvMsgErr cannot show a window here: " + why + kWhatToDo);
}

std::string AutoDesktop::name() const {
    environment();
    return real_ ? real_->name() : "none";
}

std::unique_ptr<platform::Window> AutoDesktop::createWindow(const platform::FormDesign& design) {
    return windows().createWindow(design);
}

int32_t AutoDesktop::systemMessageBox(const std::string& prompt, int32_t flags,
                                      const std::string& title, const std::string& helpFile,
                                      int32_t context) {
    return windows().systemMessageBox(prompt, flags, title, helpFile, context);
}

void AutoDesktop::beep(int32_t soundType) {
    environment().beep(soundType);
}

bool AutoDesktop::setTopmost(platform::WindowHandle window, bool topmost) {
    return environment().setTopmost(window, topmost);
}

void AutoDesktop::showHelp(const std::string& helpFile, int32_t command, int32_t context) {
    windows().showHelp(helpFile, command, context);
}

float AutoDesktop::screenWidth() const {
    return environment().screenWidth();
}

float AutoDesktop::screenHeight() const {
    return environment().screenHeight();
}

std::string AutoDesktop::applicationTitle() const {
    return environment().applicationTitle();
}

std::string AutoDesktop::componentDirectory() const {
    return environment().componentDirectory();
}

std::string AutoDesktop::currentDirectory() const {
    return environment().currentDirectory();
}

std::string AutoDesktop::dateTimeText(platform::DateFormat format) const {
    return environment().dateTimeText(format);
}

platform::PrinterChoice AutoDesktop::choosePrinter(int32_t flags) {
    return windows().choosePrinter(flags);
}

void AutoDesktop::printDocument(const platform::PrinterChoice& printer,
                                const platform::FormattedDocument& doc) {
    windows().printDocument(printer, doc);
}

platform::SaveDialogResult AutoDesktop::chooseSaveFile(const platform::SaveDialogSettings& s) {
    return windows().chooseSaveFile(s);
}

void AutoDesktop::saveFile(const std::string& path, const std::string& bytes) {
    environment().saveFile(path, bytes);
}

void AutoDesktop::shellOpen(const std::string& target) {
    windows().shellOpen(target);
}

void AutoDesktop::copyText(const std::string& text) {
    windows().copyText(text);
}

} // namespace qvMsgErr

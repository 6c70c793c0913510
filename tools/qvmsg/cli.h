// qvmsg: what a command line asks for, how it is parsed, and the desktops that carry it out.
#pragma once

#include <qvMsgErr/clsError.h>
#include <qvMsgErr/clsMesgBox.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvmsg {

/// Exit statuses that no button number can be confused with.
inline constexpr int kExitNotRemembered = 1; ///< memory get / forget: nothing was remembered
inline constexpr int kExitClosedAll = 8;     ///< error: the user confirmed "Close all"
inline constexpr int kSystemTryAgain = 10;   ///< the system box's Try Again (--style standard)
inline constexpr int kSystemContinue = 11;   ///< the system box's Continue
inline constexpr int kExitUsage = 64;
inline constexpr int kExitBadInput = 65; ///< the message on standard input is empty or binary
inline constexpr int kExitNoDisplay = 69;
inline constexpr int kExitRunTimeError = 70;

/// Bad usage: the message is one line, without the program's name.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// One action of the scripted user.
struct Step {
    enum Kind { Press, Tick, Untick, Timeout, Close } kind = Press;
    std::string target; ///< Press: a button number, a caption or a button's name
};

/// Windows: the system's real windows (Qt on Linux, Win32 on Windows).
enum class Platform { Auto, Windows, Headless };
enum class Command { Message, Error, Memory, Help, Version, Manual, Completion };
/// How the answer becomes the exit status: the button's number, or success and failure.
enum class ExitStyle { Button, Zenity };

struct Invocation {
    Command command = Command::Message;
    std::string helpTopic; ///< the command whose help was asked for
    Platform platform = Platform::Auto;
    std::vector<Step> steps;
    std::string screenshot;
    int32_t screenshotDelayMs = 0;
    bool print = false, lowerCase = false, json = false;
    ExitStyle exitStyle = ExitStyle::Button;
    bool escapes = true; ///< \n, \t and \\ in texts stand for a line break, a tab, a backslash
    std::string regRoot = "Software\\qvmsg";
    std::string store; ///< a store file other than the user's

    // message
    std::string prompt;
    std::optional<std::string> text; ///< --text
    bool promptFromInput = false;    ///< the prompt is read from standard input
    int32_t width = 0;               ///< --width: the longest line of the prompt, characters
    int32_t flags = 0;
    std::string title = qvMsgErr::clsMesgBox::kNoTitle;
    std::string helpFile;
    int32_t context = -1;
    std::string messageID;
    std::optional<std::vector<float>> parent; ///< left, top, width, height in twips
    std::vector<std::function<void(qvMsgErr::clsMesgBox&)>> options;

    // error
    bool modal = true;
    std::string solution;
    std::vector<std::function<void(qvMsgErr::clsError&)>> errorOptions;

    // memory
    std::vector<std::string> memoryArgs;
};

/// Reads argv; throws UsageError. `--help` and `--version` are commands of their own.
Invocation parse(const std::vector<std::string>& args);
/// The synopsis lines, for bad usage.
std::string synopsis();
/// The whole help of a command ("" for the message command).
std::string help(const std::string& topic);
/// The manual page, in roff.
std::string manPage();
/// The bash completion script.
std::string bashCompletion();

/// `text` with \n, \t and \\ turned into a line break, a tab and a backslash; any other
/// backslash stays as written.
std::string unescaped(const std::string& text);
/// `text` with each line broken at spaces so that none is longer than `columns` characters; a
/// word longer than that keeps a line of its own.
std::string brokenAt(const std::string& text, int32_t columns);
/// `text` with each byte that does not belong to a UTF-8 character replaced by U+FFFD.
std::string wellFormed(const std::string& text);
/// The message read from standard input (descriptor `fd`): at most kInputLimit bytes, trailing
/// line breaks removed, ill-formed UTF-8 replaced. Throws BadInput when it is empty or binary;
/// `cut` tells whether more was there.
std::string readMessage(int fd, bool& cut);
inline constexpr std::size_t kInputLimit = 1 << 20;

/// Standard input that cannot be a message.
class BadInput : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The exit status of an answer in `style`; `timedOut`: the countdown gave it.
int exitStatus(ExitStyle style, int answer, bool timedOut);

/// `text` in ASCII lower case.
std::string lower(std::string text);
/// A step's target as a button number 0-9 (nullopt when it is a caption or name).
std::optional<int32_t> buttonNumberOf(const std::string& target);
/// `caption` as the user reads it: single "&" removed, "&&" kept as one "&", ASCII lower case.
std::string readable(const std::string& caption);
/// The button number whose fixed name (OK, Cancel, … No) is `target`, ignoring case.
std::optional<int32_t> buttonNamed(const std::string& target, qvMsgErr::clsMesgBox& names);
/// Number of the error dialog's response `target` names ("Close", "Try Again", "Ignore").
std::optional<int32_t> errorResponseNamed(const std::string& target);
/// The error dialog's caption of a response (3, 4, 5); "" for another number.
std::string errorResponseCaption(int32_t response);
/// Design names of the error dialog's answer buttons, by response.
std::string errorButtonName(int32_t response);

/// A control of a library window, as the window's design names it.
struct ControlRef {
    std::string name;
    int16_t index = -1;
};

/// The button of window `window` (its design name) that gives answer `number`: a message
/// window's button by its place in the set of `flags`, the error dialog's by its response.
std::optional<ControlRef> answerButton(const std::string& window, int32_t flags, int32_t number);

/// Turns a step's target into a button number: a digit, or a button's fixed name.
using NumberOf = std::function<std::optional<int32_t>(const std::string&)>;

/// The desktop the program runs on, with the scripted user acting on every window shown.
class Desk {
public:
    virtual ~Desk() = default;
    /// After a modeless Show: lets the user act on the dialog and waits until it is closed.
    virtual void settleModeless() = 0;
    /// What went wrong with the script ("" when nothing did), e.g. a caption no button has.
    const std::string& failure() const { return failure_; }

protected:
    std::string failure_;
};

std::unique_ptr<Desk> makeHeadlessDesk(const Invocation& inv, NumberOf numberOf);

/// What qvmsg needs of the system's windows. On Linux it is Qt, in a module of its own
/// (qvmsg-qt.so) loaded only when a window may be needed, so that a run on the headless desktop
/// loads no Qt at all; on Windows it is the Win32 desktop, part of the program.
struct WindowSide {
    /// Whether the window system can be opened; `why` when it cannot.
    bool (*available)(std::string* why);
    /// Starts the toolkit (its application lives until stop) and the desk whose scripted user
    /// acts on the real windows. `unattended` (Qt offscreen): nobody can answer, so a window
    /// still shown when the script has run out is closed as by its title bar.
    std::unique_ptr<Desk> (*start)(char* program, const Invocation& inv, NumberOf numberOf,
                                   bool unattended);
    /// Ends the toolkit and the thread's desktop of real windows; called once the desk is gone.
    void (*stop)();
};
/// The window side: on Linux loaded on first use from beside the program (build tree) or its
/// installed place; nullptr with `why` set when it cannot be loaded.
const WindowSide* loadWindowSide(std::string& why);
/// The name the Qt module exports its WindowSide under.
inline constexpr const char* kWindowSideSymbol = "qvmsg_window_side";
/// What --platform calls real windows: the toolkit that shows them.
#ifdef _WIN32
inline constexpr const char* kWindowPlatform = "win32";
#else
inline constexpr const char* kWindowPlatform = "qt";
#endif

} // namespace qvmsg

// The option table of every command, with the parsers of the values it takes. From it come the
// parser, the help, the manual page and the shell completion, so that none of them disagrees.
#include "options.h"

#include <qvMsgErr/memory.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace qvmsg {

using qvMsgErr::clsError;
using qvMsgErr::clsMesgBox;

namespace {

int64_t integer(const std::string& text, int64_t min, int64_t max, const std::string& what) {
    int64_t value = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, value, hex ? 16 : 10);
    if (text.empty() || ec != std::errc() || end != last || value < min || value > max) {
        throw UsageError(what + " must be a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not '" + text + "'");
    }
    return value;
}

int32_t long32(const std::string& text, const std::string& what) {
    return static_cast<int32_t>(integer(text, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max(), what));
}

std::vector<float> numbers(const std::string& text, std::size_t count, const std::string& what) {
    std::vector<float> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        char* end = nullptr;
        const double v = std::strtod(item.c_str(), &end);
        if (item.empty() || end != item.c_str() + item.size() || !std::isfinite(v) ||
            std::fabs(v) > std::numeric_limits<float>::max()) {
            out.clear();
            break;
        }
        out.push_back(static_cast<float>(v));
    }
    if (out.size() != count) {
        throw UsageError(what + " must be " + std::to_string(count) +
                         " numbers (twips) separated by commas, not '" + text + "'");
    }
    return out;
}

/// "#RRGGBB" as the library's colour (red in the low byte), or a number as it stands.
int32_t colour(const std::string& text) {
    if (text.size() == 7 && text[0] == '#') {
        const auto rgb = integer("0x" + text.substr(1), 0, 0xFFFFFF, "--back-color");
        return static_cast<int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
    }
    // 0x8000000F and friends name system colours: accept the unsigned spelling too.
    return static_cast<int32_t>(static_cast<uint32_t>(
        integer(text, std::numeric_limits<int32_t>::min(), 0xFFFFFFFFLL, "--back-color")));
}

/// A word a value may be, and the number it stands for.
struct Named {
    const char* name;
    int32_t value;
};

/// A value from a list of names, or a number in [min, max].
int32_t named(const std::string& text, const std::vector<Named>& names, int64_t min, int64_t max,
              const std::string& what) {
    for (const Named& n : names) {
        if (lower(text) == n.name) {
            return n.value;
        }
    }
    if (max > min && !text.empty() &&
        (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-')) {
        return static_cast<int32_t>(integer(text, min, max, what));
    }
    std::string list;
    for (const auto& n : names) {
        list += (list.empty() ? "" : ", ") + std::string(n.name);
    }
    throw UsageError(what + " must be one of " + list + (max > min ? " or a number" : "") +
                     ", not '" + text + "'");
}

std::vector<std::string> words(const std::vector<Named>& names) {
    std::vector<std::string> out;
    for (const Named& n : names) {
        out.emplace_back(n.name);
    }
    return out;
}

const std::vector<Named> kButtonSets = {
    {"ok", 0},          {"okcancel", 1}, {"abortretryignore", 2},
    {"yesnocancel", 3}, {"yesno", 4},    {"retrycancel", 5}};
// The desktop's theme names and their short forms stand for the library's four icons.
const std::vector<Named> kIcons = {
    {"none", 0},        {"critical", 1},           {"question", 2},
    {"exclamation", 3}, {"information", 4},        {"dialog-error", 1},
    {"error", 1},       {"dialog-question", 2},    {"dialog-warning", 3},
    {"warning", 3},     {"dialog-information", 4}, {"info", 4}};
const std::vector<Named> kStyles = {{"standard", 0}, {"classic", 1}, {"2003", 2}};
const std::vector<Named> kExitStyles = {{"button", static_cast<int32_t>(ExitStyle::Button)},
                                        {"zenity", static_cast<int32_t>(ExitStyle::Zenity)}};

using Caption = void (clsMesgBox::*)(std::string);
struct ButtonMembers {
    const char* name;
    Caption standing, oneShot, description;
};
const ButtonMembers kButtons[] = {
    {"ok", &clsMesgBox::DefaultButtonOK, &clsMesgBox::ButtonOK, &clsMesgBox::DescOK},
    {"cancel", &clsMesgBox::DefaultButtonCancel, &clsMesgBox::ButtonCancel,
     &clsMesgBox::DescCancel},
    {"abort", &clsMesgBox::DefaultButtonAbort, &clsMesgBox::ButtonAbort, &clsMesgBox::DescAbort},
    {"retry", &clsMesgBox::DefaultButtonRetry, &clsMesgBox::ButtonRetry, &clsMesgBox::DescRetry},
    {"ignore", &clsMesgBox::DefaultButtonIgnore, &clsMesgBox::ButtonIgnore,
     &clsMesgBox::DescIgnore},
    {"yes", &clsMesgBox::DefaultButtonYes, &clsMesgBox::ButtonYes, &clsMesgBox::DescYes},
    {"no", &clsMesgBox::DefaultButtonNo, &clsMesgBox::ButtonNo, &clsMesgBox::DescNo},
    {"help", &clsMesgBox::DefaultButtonHelp, &clsMesgBox::ButtonHelp, nullptr},
    {"details", &clsMesgBox::DefaultButtonDetails, &clsMesgBox::ButtonDetails, nullptr},
};

/// "BUTTON=TEXT" as the member it sets and the text.
std::pair<Caption, std::string> buttonText(const std::string& value, Caption ButtonMembers::*kind,
                                           const std::string& option) {
    const auto eq = value.find('=');
    const std::string button = lower(value.substr(0, eq));
    for (const auto& b : kButtons) {
        if (button == b.name && b.*kind != nullptr && eq != std::string::npos) {
            return {b.*kind, value.substr(eq + 1)};
        }
    }
    throw UsageError(option +
                     " must be BUTTON=TEXT with BUTTON one of ok, cancel, abort, retry, "
                     "ignore, yes, no" +
                     std::string(kind == &ButtonMembers::description ? "" : ", help, details") +
                     ", not '" + value + "'");
}

std::vector<Step> steps(const std::string& text) {
    std::vector<Step> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        const std::string word = lower(item);
        if (word == "tick") {
            out.push_back({Step::Tick, {}});
        } else if (word == "untick") {
            out.push_back({Step::Untick, {}});
        } else if (word == "timeout") {
            out.push_back({Step::Timeout, {}});
        } else if (word == "close") {
            out.push_back({Step::Close, {}});
        } else if (!item.empty()) {
            out.push_back({Step::Press, item});
        }
    }
    if (out.empty()) {
        throw UsageError("--answer needs at least one step, not '" + text + "'");
    }
    return out;
}

template <class V> auto box(void (clsMesgBox::*member)(V), V value) {
    return [member, value](clsMesgBox& b) { (b.*member)(value); };
}
template <class V> auto err(void (clsError::*member)(V), V value) {
    return [member, value](clsError& e) { (e.*member)(value); };
}

} // namespace

const std::vector<Option>& options() {
    static const std::vector<Option> table = {
        // --- the message ------------------------------------------------------------------
        {"--style", "STYLE", kMessage,
         "window style: standard (the system's box), classic or 2003 (the default), or a number",
         [](Invocation& i, const std::string& v) {
             const auto style = static_cast<qvMsgErr::QVMsgBoxType>(
                 named(v, kStyles, std::numeric_limits<int32_t>::min(),
                       std::numeric_limits<int32_t>::max(), "--style"));
             i.options.emplace_back(box(&clsMesgBox::MsgBoxType, style));
         },
         words(kStyles)},
        {"--text", "TEXT", kMessage,
         "the message, instead of PROMPT; - reads it from standard input",
         [](Invocation& i, const std::string& v) {
             if (i.text) {
                 throw UsageError("one message at a time: --text is given twice");
             }
             i.text = v;
         }},
        {"--width", "COLUMNS", kMessage,
         "break the message's lines at spaces to at most COLUMNS characters (a narrower window)",
         [](Invocation& i, const std::string& v) {
             i.width = static_cast<int32_t>(integer(v, 1, 10000, "--width"));
         }},
        {"--no-escapes", nullptr, kShown,
         "show \\n, \\t and \\\\ in texts as written, not as a line break, a tab and a backslash",
         [](Invocation& i, const std::string&) { i.escapes = false; }},
        {"--buttons", "SET", kMessage,
         "ok, okcancel, abortretryignore, yesnocancel, yesno, retrycancel, or 0-5",
         [](Invocation& i, const std::string& v) {
             i.flags = (i.flags & ~7) | named(v, kButtonSets, 0, 7, "--buttons");
         },
         words(kButtonSets)},
        {"--icon", "ICON", kMessage,
         "none, critical, question, exclamation, information, or 0-4; the theme names "
         "dialog-error, dialog-question, dialog-warning, dialog-information, or error, warning, "
         "info",
         [](Invocation& i, const std::string& v) {
             i.flags = (i.flags & ~0x70) | (named(v, kIcons, 0, 4, "--icon") * 16);
         },
         words(kIcons)},
        {"--default", "N", kMessage, "the default button: 1 (first) to 4",
         [](Invocation& i, const std::string& v) {
             i.flags = (i.flags & ~0x300) |
                       (static_cast<int32_t>(integer(v, 1, 4, "--default")) - 1) * 0x100;
         }},
        {"--help-button", nullptr, kMessage, "add a Help button (needs --help-file)",
         [](Invocation& i, const std::string&) { i.flags |= 0x4000; }},
        {"--flags", "N", kMessage,
         "the whole flag word at once; the options above change parts of it",
         [](Invocation& i, const std::string& v) { i.flags = long32(v, "--flags"); }},
        {"--title", "TEXT", kMessage, "the window title (default: the application's, qvmsg)",
         [](Invocation& i, const std::string& v) { i.title = v; }},
        {"--help-file", "FILE", kMessage, "help file opened by Help and F1",
         [](Invocation& i, const std::string& v) { i.helpFile = v; }},
        {"--context", "N", kMessage, "help context in the help file (default -1: its contents)",
         [](Invocation& i, const std::string& v) { i.context = long32(v, "--context"); }},
        {"--id", "ID", kMessage, "the message's identity, under which a ticked answer is kept",
         [](Invocation& i, const std::string& v) { i.messageID = v; }},
        {"--parent", "L,T,W,H", kMessage, "centre on this window (twips)",
         [](Invocation& i, const std::string& v) { i.parent = numbers(v, 4, "--parent"); }},
        {"--caption", "BUTTON=TEXT", kMessage,
         "caption of one button for this message (\"&\" marks the access key); repeatable",
         [](Invocation& i, const std::string& v) {
             auto [member, text] = buttonText(v, &ButtonMembers::oneShot, "--caption");
             i.options.emplace_back(box(member, text));
         }},
        {"--standing-caption", "BUTTON=TEXT", kMessage,
         "caption the object keeps for every message it shows; repeatable",
         [](Invocation& i, const std::string& v) {
             auto [member, text] = buttonText(v, &ButtonMembers::standing, "--standing-caption");
             i.options.emplace_back(box(member, text));
         }},
        {"--desc", "BUTTON=TEXT", kMessage,
         "description beside an answer button (turns descriptions on); repeatable",
         [](Invocation& i, const std::string& v) {
             auto [member, text] = buttonText(v, &ButtonMembers::description, "--desc");
             i.options.emplace_back(box(&clsMesgBox::CmdDescriptions, true));
             i.options.emplace_back(box(member, text));
         }},
        {"--descriptions", nullptr, kMessage, "lay the buttons out with room for descriptions",
         [](Invocation& i, const std::string&) {
             i.options.emplace_back(box(&clsMesgBox::CmdDescriptions, true));
         }},
        {"--details", "TEXT", kMessage, "add a Details button that shows TEXT",
         [](Invocation& i, const std::string& v) {
             i.options.emplace_back(box(&clsMesgBox::DetailsButton, true));
             i.options.emplace_back(box(&clsMesgBox::DetailsString, v));
         }},
        {"--timeout", "SECONDS", kMessage,
         "2003 style: count down and answer the default button when time is up",
         [](Invocation& i, const std::string& v) {
             i.options.emplace_back(box(&clsMesgBox::TimerUse, true));
             i.options.emplace_back(box(&clsMesgBox::TimerSeconds, long32(v, "--timeout")));
         }},
        {"--countdown-caption", "TEXT", kMessage, "text before the seconds left",
         [](Invocation& i, const std::string& v) {
             i.options.emplace_back([v](clsMesgBox& b) { b.TimerCountDownCaption = v; });
         }},
        {"--position", "L,T", kMessage, "put the window's top-left corner here (twips)",
         [](Invocation& i, const std::string& v) {
             const auto at = numbers(v, 2, "--position");
             i.options.emplace_back(box(&clsMesgBox::FormPosition, true));
             i.options.emplace_back(box(&clsMesgBox::FormLeft, at[0]));
             i.options.emplace_back(box(&clsMesgBox::FormTop, at[1]));
         }},
        {"--back-color", "COLOUR", kMessage,
         "#RRGGBB, or a colour number (0x8000000F and the like name system colours)",
         [](Invocation& i, const std::string& v) {
             const int32_t c = colour(v);
             i.options.emplace_back([c](clsMesgBox& b) { b.BackColor(c); });
         }},
        {"--no-sound", nullptr, kMessage, "do not play the icon's sound",
         [](Invocation& i, const std::string&) {
             i.options.emplace_back([](clsMesgBox& b) { b.UseSounds = false; });
         }},
        {"--dont-show", nullptr, kMessage,
         "offer \"Don't show this message again\" (needs --id); a ticked answer is remembered",
         [](Invocation& i, const std::string&) {
             i.options.emplace_back(box(&clsMesgBox::DontShowAgain, true));
         }},
        {"--dont-show-prompt", "TEXT", kMessage, "another text for the check box",
         [](Invocation& i, const std::string& v) {
             i.options.emplace_back(box(&clsMesgBox::DontShowAgainPrompt, v));
         }},
        {"--ticked", nullptr, kMessage, "the check box starts ticked",
         [](Invocation& i, const std::string&) {
             i.options.emplace_back(box(&clsMesgBox::DontShowAgainTicked, true));
         }},
        {"--dont-show-manual", nullptr, kMessage,
         "show the check box but remember nothing (read the tick with --json)",
         [](Invocation& i, const std::string&) {
             i.options.emplace_back(box(&clsMesgBox::DontShowIsManual, true));
         }},
        {"--dont-show-cancel", nullptr, kMessage, "remember a ticked Cancel too",
         [](Invocation& i, const std::string&) {
             i.options.emplace_back(box(&clsMesgBox::DontShowIsValidForCancel, true));
         }},
        {"--dont-show-force", "BUTTON", kMessage,
         "remember this button (number or name) whatever the user pressed",
         [](Invocation& i, const std::string& v) {
             i.options.emplace_back([v](clsMesgBox& b) {
                 const auto number = buttonNumberOf(v) ? buttonNumberOf(v) : buttonNamed(v, b);
                 if (!number || *number > qvMsgErr::qvButtonNo) {
                     throw UsageError("--dont-show-force must be a button number 0-7 or name, "
                                      "not '" +
                                      v + "'");
                 }
                 b.DontShowForceButton(static_cast<qvMsgErr::qvButtonNumbers>(*number));
             });
         }},
        // --- the error dialog -------------------------------------------------------------
        {"--description", "TEXT", kError, "the error's description",
         [](Invocation& i, const std::string& v) {
             i.errorOptions.emplace_back(err(&clsError::Description, v));
         }},
        {"--number", "N", kError, "the error's number",
         [](Invocation& i, const std::string& v) {
             i.errorOptions.emplace_back(err(&clsError::Number, long32(v, "--number")));
         }},
        {"--details", "TEXT", kError, "details, such as the procedures the error passed",
         [](Invocation& i, const std::string& v) {
             i.errorOptions.emplace_back(err(&clsError::Details, v));
         }},
        {"--solution", "TEXT", kError,
         "a suggested solution (errors 70, 75, 400 and 401 have their own)",
         [](Invocation& i, const std::string& v) { i.solution = v; }},
        {"--activity", "TEXT", kError, "what the program was doing (\"saving the file\")",
         [](Invocation& i, const std::string& v) {
             i.errorOptions.emplace_back([v](clsError& e) { e.Activity(v); });
         }},
        {"--app-name", "TEXT", kError, "the application's name in the dialog and report",
         [](Invocation& i, const std::string& v) {
             i.errorOptions.emplace_back(err(&clsError::AppName, v));
         }},
        {"--user-name", "TEXT", kError, "the user's name in the report",
         [](Invocation& i, const std::string& v) {
             i.errorOptions.emplace_back(err(&clsError::UserName, v));
         }},
        {"--support-email", "ADDRESS", kError, "where E-Mail sends the report",
         [](Invocation& i, const std::string& v) {
             i.errorOptions.emplace_back([v](clsError& e) { e.SupportEmail(v); });
         }},
        {"--appearance", "TEXT", kError, "the dialog's appearance setting",
         [](Invocation& i, const std::string& v) {
             i.errorOptions.emplace_back(err(&clsError::Appearance, v));
         }},
        {"--log", nullptr, kError, "append the error to ErrorLog.txt beside the library",
         [](Invocation& i, const std::string&) {
             i.errorOptions.emplace_back([](clsError& e) { e.WriteDebugLog = true; });
         }},
        {"--modeless", nullptr, kError,
         "show the dialog without blocking the program; qvmsg waits for it to close",
         [](Invocation& i, const std::string&) { i.modal = false; }},
        // --- both -------------------------------------------------------------------------
        {"--print", nullptr, kShown, "write the answer's name to standard output",
         [](Invocation& i, const std::string&) { i.print = true; }},
        {"--lower", nullptr, kShown, "with --print: the name in lower case",
         [](Invocation& i, const std::string&) { i.lowerCase = true; }},
        {"--json", nullptr, kShown | kMemory, "write the outcome as one JSON object (line)",
         [](Invocation& i, const std::string&) { i.json = true; }},
        {"--platform",
         kWindowPlatform == std::string("qt") ? "qt|headless" : "win32|headless",
         kShown,
         "real windows (the default with a display) or the simulated desktop",
         [](Invocation& i, const std::string& v) {
             if (v == kWindowPlatform) {
                 i.platform = Platform::Windows;
             } else if (v == "headless") {
                 i.platform = Platform::Headless;
             } else {
                 throw UsageError("--platform must be " + std::string(kWindowPlatform) +
                                  " or headless, not '" + v + "'");
             }
         },
         {kWindowPlatform, "headless"}},
        {"--exit-style", "STYLE", kShown,
         "button: exit with the answer's number (the default); zenity: 0 for OK, Yes, Retry, Try "
         "Again, Ignore or Continue, 1 for No, Cancel, Abort, Close or the close box, 5 when the "
         "countdown ran out",
         [](Invocation& i, const std::string& v) {
             i.exitStyle = static_cast<ExitStyle>(named(v, kExitStyles, 0, 0, "--exit-style"));
         },
         words(kExitStyles)},
        {"--answer", "STEPS", kShown,
         "act as the user: a button (number, caption or name), tick, untick, timeout or close; "
         "several separated by commas",
         [](Invocation& i, const std::string& v) {
             for (Step& s : steps(v)) {
                 i.steps.push_back(std::move(s));
             }
         }},
        {"--screenshot", "FILE.png", kShown,
         "render the first window to a PNG (Qt, offscreen without a display), then answer",
         [](Invocation& i, const std::string& v) { i.screenshot = v; }},
        {"--screenshot-after", "SECONDS", kShown,
         "render that long after the window came up (a countdown shows after its first second)",
         [](Invocation& i, const std::string& v) {
             char* end = nullptr;
             const double seconds = std::strtod(v.c_str(), &end);
             if (v.empty() || end != v.c_str() + v.size() || !(seconds >= 0 && seconds <= 60)) {
                 throw UsageError("--screenshot-after must be 0 to 60 seconds, not '" + v + "'");
             }
             i.screenshotDelayMs = static_cast<int32_t>(seconds * 1000);
         }},
        {"--root", "KEY", kMessage | kMemory,
         "where answers are remembered (Reg_Root; default Software\\qvmsg)",
         [](Invocation& i, const std::string& v) { i.regRoot = v; }},
        {"--store", "FILE", kMessage | kMemory,
         "the store file (default $QVMSGERR_REGISTRY, else ~/.config/qvMsgErr/registry.db)",
         [](Invocation& i, const std::string& v) { i.store = v; }},
    };
    return table;
}

const std::vector<Verb>& memoryVerbs() {
    static const std::vector<Verb> verbs = {
        {"list", "", "every remembered answer: ID, button number, button name"},
        {"get", "ID", "the button remembered for ID (exit 1 when none)"},
        {"forget", "ID", "show the message again next time (exit 1 when none was kept)"},
        {"clear", "", "forget every answer kept under the root"},
    };
    return verbs;
}

bool takesText(const Option& option) {
    const std::string value = option.value != nullptr ? option.value : "";
    return value == "TEXT" || value == "BUTTON=TEXT";
}

bool takesFile(const Option& option) {
    return option.value != nullptr && std::string(option.value).find("FILE") != std::string::npos;
}

unsigned scopeOf(Command command) {
    switch (command) {
    case Command::Error:
        return kError;
    case Command::Memory:
        return kMemory;
    default:
        return kMessage;
    }
}

} // namespace qvmsg

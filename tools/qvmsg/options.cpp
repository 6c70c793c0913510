// The command line: one table of options per command, from which both the parser and the help
// are made, so that the two never disagree.
#include "cli.h"

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

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

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

/// A value from a list of names, or a number in [min, max].
int32_t named(const std::string& text, const std::vector<std::string>& names, int64_t min,
              int64_t max, const std::string& what) {
    const auto at = std::find(names.begin(), names.end(), lower(text));
    if (at != names.end()) {
        return static_cast<int32_t>(at - names.begin());
    }
    if (!text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-')) {
        return static_cast<int32_t>(integer(text, min, max, what));
    }
    std::string list;
    for (const auto& n : names) {
        list += (list.empty() ? "" : ", ") + n;
    }
    throw UsageError(what + " must be one of " + list + " or a number, not '" + text + "'");
}

const std::vector<std::string> kButtonSets = {"ok",          "okcancel", "abortretryignore",
                                              "yesnocancel", "yesno",    "retrycancel"};
const std::vector<std::string> kIcons = {"none", "critical", "question", "exclamation",
                                         "information"};
const std::vector<std::string> kStyles = {"standard", "classic", "2003"};

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

enum Scope : unsigned { kMessage = 1, kError = 2, kMemory = 4, kShown = kMessage | kError };

struct Option {
    const char* name;
    const char* value; ///< nullptr: a switch
    unsigned scope;
    const char* help;
    std::function<void(Invocation&, const std::string&)> apply;
};

template <class V> auto box(void (clsMesgBox::*member)(V), V value) {
    return [member, value](clsMesgBox& b) { (b.*member)(value); };
}
template <class V> auto err(void (clsError::*member)(V), V value) {
    return [member, value](clsError& e) { (e.*member)(value); };
}

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
         }},
        {"--buttons", "SET", kMessage,
         "ok, okcancel, abortretryignore, yesnocancel, yesno, retrycancel, or 0-5",
         [](Invocation& i, const std::string& v) {
             i.flags = (i.flags & ~7) | named(v, kButtonSets, 0, 7, "--buttons");
         }},
        {"--icon", "ICON", kMessage, "none, critical, question, exclamation, information, or 0-4",
         [](Invocation& i, const std::string& v) {
             i.flags = (i.flags & ~0x70) | (named(v, kIcons, 0, 4, "--icon") * 16);
         }},
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
        {"--platform", "qt|headless", kShown,
         "real windows (the default with a display) or the simulated desktop",
         [](Invocation& i, const std::string& v) {
             if (v == "qt") {
                 i.platform = Platform::Qt;
             } else if (v == "headless") {
                 i.platform = Platform::Headless;
             } else {
                 throw UsageError("--platform must be qt or headless, not '" + v + "'");
             }
         }},
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

unsigned scopeOf(Command c) {
    switch (c) {
    case Command::Error:
        return kError;
    case Command::Memory:
        return kMemory;
    default:
        return kMessage;
    }
}

const Option* find(const std::string& name, unsigned scope) {
    for (const Option& o : options()) {
        if (name == o.name && (o.scope & scope) != 0) {
            return &o;
        }
    }
    return nullptr;
}

/// An option's help in the column after its name, wrapped to 80 columns.
std::string wrapped(const std::string& text, std::size_t headWidth) {
    constexpr std::size_t kColumn = 28, kWidth = 80;
    std::string out = headWidth < kColumn ? std::string(kColumn - headWidth, ' ')
                                          : "\n" + std::string(kColumn, ' ');
    std::size_t column = kColumn;
    std::istringstream words(text);
    std::string word;
    bool first = true;
    while (words >> word) {
        if (!first && column + 1 + word.size() > kWidth) {
            out += "\n" + std::string(kColumn, ' ');
            column = kColumn;
        } else if (!first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
    return out + "\n";
}

} // namespace

Invocation parse(const std::vector<std::string>& args) {
    Invocation inv;
    std::size_t at = 0;
    if (at < args.size() && (args[at] == "error" || args[at] == "memory")) {
        inv.command = args[at] == "error" ? Command::Error : Command::Memory;
        ++at;
    }
    const unsigned scope = scopeOf(inv.command);
    const char* where = inv.command == Command::Error    ? "error"
                        : inv.command == Command::Memory ? "memory"
                                                         : "";
    std::vector<std::string> operands;
    bool optionsEnd = false;
    for (; at < args.size(); ++at) {
        const std::string& arg = args[at];
        if (optionsEnd || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            inv.command = Command::Help;
            inv.helpTopic = where;
            return inv;
        }
        if (arg == "--version") {
            inv.command = Command::Version;
            return inv;
        }
        const auto eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const Option* option = find(name, scope);
        if (option == nullptr) {
            throw UsageError("unknown option '" + name + "'" +
                             (*where != '\0' ? std::string(" for '") + where + "'" : ""));
        }
        std::string value;
        if (option->value == nullptr) {
            if (eq != std::string::npos) {
                throw UsageError(name + " takes no value");
            }
        } else if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (at + 1 < args.size()) {
            value = args[++at];
        } else {
            throw UsageError(name + " needs a value (" + option->value + ")");
        }
        option->apply(inv, value);
    }

    switch (inv.command) {
    case Command::Message:
        if (operands.empty()) {
            throw UsageError("missing the message to show");
        }
        if (operands.size() > 1) {
            throw UsageError("one message at a time: quote it ('" + operands[1] +
                             "' is a second one)");
        }
        inv.prompt = operands[0];
        if (qvMsgErr::ButtonSet(inv.flags).empty()) {
            throw UsageError("button set " + std::to_string(inv.flags & 7) + " defines no buttons");
        }
        break;
    case Command::Error:
        if (!operands.empty()) {
            throw UsageError("'error' takes options only; the description goes in --description");
        }
        break;
    default: {
        static const std::vector<std::pair<std::string, std::size_t>> kVerbs = {
            {"list", 0}, {"get", 1}, {"forget", 1}, {"clear", 0}};
        const auto verb = std::find_if(kVerbs.begin(), kVerbs.end(), [&](const auto& v) {
            return !operands.empty() && v.first == operands[0];
        });
        if (verb == kVerbs.end()) {
            throw UsageError(operands.empty() ? "memory needs one of list, get ID, forget ID, clear"
                                              : "unknown memory command '" + operands[0] + "'");
        }
        if (operands.size() != verb->second + 1) {
            throw UsageError("memory " + verb->first +
                             (verb->second == 0 ? " takes no argument" : " needs one ID"));
        }
        inv.memoryArgs = operands;
        break;
    }
    }
    if (inv.platform == Platform::Headless && !inv.screenshot.empty()) {
        throw UsageError("--screenshot needs real windows: leave out --platform headless");
    }
    return inv;
}

std::string synopsis() {
    return "usage: qvmsg [options] PROMPT\n"
           "       qvmsg error [options]\n"
           "       qvmsg memory [--root KEY] [--store FILE] [--json] list|get ID|forget ID|clear\n"
           "Try 'qvmsg --help' for more.\n";
}

std::string help(const std::string& topic) {
    const unsigned scope = topic == "error" ? kError : topic == "memory" ? kMemory : kMessage;
    std::ostringstream out;
    if (scope == kMessage) {
        out << "usage: qvmsg [options] PROMPT\n\n"
               "Shows PROMPT in a message window and exits with the number of the button the\n"
               "user chose: 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No.\n"
               "Other commands: 'qvmsg error --help', 'qvmsg memory --help'.\n";
    } else if (scope == kError) {
        out << "usage: qvmsg error [options]\n\n"
               "Shows the error dialog and exits with the user's answer: 3 Close, 4 Try Again,\n"
               "5 Ignore, or 8 when the user confirmed \"Close all\" (0 for --modeless).\n";
    } else {
        out << "usage: qvmsg memory [options] list|get ID|forget ID|clear\n\n"
               "The answers that \"Don't show this message again\" remembered:\n"
               "  list       every remembered answer: ID, button number, button name\n"
               "  get ID     the button remembered for ID (exit 1 when none)\n"
               "  forget ID  show the message again next time (exit 1 when none was kept)\n"
               "  clear      forget every answer kept under the root\n";
    }
    out << "\nOptions:\n";
    for (const Option& o : options()) {
        if ((o.scope & scope) == 0) {
            continue;
        }
        const std::string head =
            std::string("  ") + o.name + (o.value ? std::string(" ") + o.value : "");
        out << head << wrapped(o.help, head.size());
    }
    out << "  --help                    this help\n"
           "  --version                 the program's version\n\n"
           "Exit status 64: bad usage; 69: no display for real windows; 70: the library\n"
           "reported an error (shown on standard error).\n";
    return out.str();
}

} // namespace qvmsg

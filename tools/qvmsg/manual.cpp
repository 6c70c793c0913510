// What qvmsg says about itself: the help of each command, the manual page and the bash
// completion, all made from the option table so that none of them can fall behind the parser.
#include "options.h"

#include <qvMsgErr/version.h>

#include <sstream>

namespace qvmsg {

namespace {

struct Topic {
    const char* command; ///< "" for the message
    unsigned scope;
    const char* usage;
    const char* about; ///< paragraphs separated by "\n"
};

const Topic kTopics[] = {
    {"", kMessage, "qvmsg [options] [PROMPT | -]",
     "Shows PROMPT in a message window and exits with the number of the button the user chose: "
     "1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No; with --exit-style zenity, 0 for "
     "an answer that goes on, 1 for one that stops, 5 when the countdown ran out.\n"
     "Without PROMPT, or with -, the message is read from standard input (up to 1 MiB; the line "
     "breaks at its end are dropped). In the prompt and the texts of the options, \\n, \\t and "
     "\\\\ stand for a line break, a tab and a backslash, unless --no-escapes is given; a "
     "message read from standard input is taken as it is.\n"
     "Other commands: 'qvmsg error --help', 'qvmsg memory --help'."},
    {"error", kError, "qvmsg error [options]",
     "Shows the error dialog and exits with the user's answer: 3 Close, 4 Try Again, 5 Ignore, "
     "or 8 when the user confirmed \"Close all\" (0 for --modeless). With --exit-style zenity: "
     "0 for Try Again and Ignore, 1 for Close and \"Close all\"."},
    {"memory", kMemory, "qvmsg memory [options] list|get ID|forget ID|clear",
     "The answers that \"Don't show this message again\" remembered:"},
};

struct Status {
    const char* status;
    const char* meaning;
};
const Status kStatuses[] = {
    {"0-7", "the button: 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No (0: none); 10 "
            "and 11 for the system box's Try Again and Continue"},
    {"0, 1, 5", "with --exit-style zenity: the answer goes on, stops, or the countdown ran out"},
    {"3, 4, 5, 8", "error: Close, Try Again, Ignore, \"Close all\" confirmed"},
    {"1", "memory get and forget: nothing was remembered"},
    {"64", "bad usage: one line saying what is wrong, then the usage"},
    {"65", "the message on standard input is empty or holds a NUL byte"},
    {"69", "no display to show a window on, and no script, picture or unattended run asked for"},
    {"70", "the library reported an error, shown on standard error; also a question nobody "
           "answers unattended"},
};

struct Variable {
    const char* name;
    const char* meaning;
};
const Variable kEnvironment[] = {
    {"QVMSGERR_REGISTRY", "the store of remembered answers (also set by --store)"},
    {"XDG_CONFIG_HOME, HOME", "where the store is when QVMSGERR_REGISTRY is not set"},
    {"DISPLAY, WAYLAND_DISPLAY", "a display for real windows"},
    {"QT_QPA_PLATFORM", "Qt's platform; offscreen renders without a display"},
    {"QVMSGERR_DESKTOP", "headless: answer unattended, without a window"},
    {"QVMSGERR_ANSWERS, QVMSGERR_UNATTENDED_LOG",
     "the answer file and the log of unattended answers"},
};

/// `text` broken into lines of at most 80 columns; the first line starts at column `start`, the
/// others are indented to `indent`.
std::string wrap(const std::string& text, std::size_t start, std::size_t indent) {
    constexpr std::size_t kWidth = 80;
    std::string out;
    std::size_t column = start;
    std::istringstream words(text);
    std::string word;
    bool first = true;
    while (words >> word) {
        if (!first && column + 1 + word.size() > kWidth) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
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

/// "  NAME" and its help in the column after it.
std::string item(const std::string& name, const std::string& text) {
    constexpr std::size_t kColumn = 28;
    const std::string head = "  " + name;
    return head +
           (head.size() < kColumn ? std::string(kColumn - head.size(), ' ')
                                  : "\n" + std::string(kColumn, ' ')) +
           wrap(text, kColumn, kColumn);
}

std::string head(const Option& o) {
    return std::string(o.name) + (o.value != nullptr ? std::string(" ") + o.value : "");
}

/// `text` as roff reads it literally: backslashes escaped, no line that starts a request.
std::string roff(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return !out.empty() && (out[0] == '.' || out[0] == '\'') ? "\\&" + out : out;
}

/// Lines of `text` as roff paragraphs.
std::string paragraphs(const std::string& text, const char* separator) {
    std::string out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out += (out.empty() ? "" : separator) + roff(line);
    }
    return out;
}

} // namespace

std::string help(const std::string& topic) {
    const Topic* t = &kTopics[0];
    for (const Topic& candidate : kTopics) {
        if (topic == candidate.command) {
            t = &candidate;
        }
    }
    std::ostringstream out;
    out << "usage: " << t->usage << "\n\n";
    std::istringstream about(t->about);
    for (std::string line; std::getline(about, line);) {
        out << wrap(line, 0, 0) << (about.eof() ? "" : "\n");
    }
    if (t->scope == kMemory) {
        for (const Verb& v : memoryVerbs()) {
            out << item(std::string(v.name) + (*v.operand ? std::string(" ") + v.operand : ""),
                        v.help);
        }
    }
    out << "\nOptions:\n";
    for (const Option& o : options()) {
        if ((o.scope & t->scope) != 0) {
            out << item(head(o), o.help);
        }
    }
    out << item("--help", "this help") << item("--version", "the program's version");
    out << "\nExit status:\n";
    for (const Status& s : kStatuses) {
        out << item(s.status, s.meaning);
    }
    return out.str();
}

std::string manPage() {
    std::ostringstream out;
    out << ".TH QVMSG 1 \"\" \"qvmsg " << qvMsgErr::kVersionString << "\" \"User Commands\"\n"
        << ".SH NAME\nqvmsg \\- message boxes and error dialogs for shell scripts\n"
        << ".SH SYNOPSIS\n.nf\n";
    for (const Topic& t : kTopics) {
        out << roff(t.usage) << '\n';
    }
    out << ".fi\n";
    const char* sections[] = {"DESCRIPTION", "THE ERROR DIALOG", "REMEMBERED ANSWERS"};
    for (std::size_t k = 0; k < std::size(kTopics); ++k) {
        const Topic& t = kTopics[k];
        out << ".SH \"" << sections[k] << "\"\n" << paragraphs(t.about, "\n.PP\n") << '\n';
        for (const Verb& v : t.scope == kMemory ? memoryVerbs() : std::vector<Verb>{}) {
            out << ".TP\n.B " << v.name << (*v.operand ? std::string(" \\fI") + v.operand : "")
                << "\n"
                << roff(v.help) << '\n';
        }
        out << ".SS Options\n";
        for (const Option& o : options()) {
            if ((o.scope & t.scope) != 0) {
                out << ".TP\n\\fB" << roff(o.name) << "\\fR"
                    << (o.value != nullptr ? " \\fI" + roff(o.value) + "\\fR" : "") << '\n'
                    << roff(o.help) << '\n';
            }
        }
    }
    out << ".SH \"EXIT STATUS\"\n";
    for (const Status& s : kStatuses) {
        out << ".TP\n.B " << roff(s.status) << '\n' << roff(s.meaning) << '\n';
    }
    out << ".SH ENVIRONMENT\n";
    for (const Variable& v : kEnvironment) {
        out << ".TP\n.B " << roff(v.name) << '\n' << roff(v.meaning) << '\n';
    }
    out << ".SH EXAMPLES\n.nf\n"
        << roff("if qvmsg --exit-style zenity --buttons yesno --icon dialog-question "
                "\"Start the backup now?\"; then")
        << "\n    start_backup\nfi\n"
        << roff("df -h | qvmsg --title \"Disk space\" --icon info -") << '\n'
        << roff("qvmsg --platform headless --answer 6 --buttons yesno \"Continue?\"   # exits 6")
        << "\n.fi\n";
    return out.str();
}

std::string bashCompletion() {
    std::ostringstream out;
    out << "# bash completion for qvmsg, written by 'qvmsg --completion bash'\n"
           "_qvmsg() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    local command=message\n"
           "    case ${COMP_WORDS[1]} in error | memory) command=${COMP_WORDS[1]} ;; esac\n"
           "    COMPREPLY=()\n"
           "    case $command,$prev in\n";
    // Values first: the word after an option that takes one is its value, never an option.
    for (const Topic& t : kTopics) {
        const std::string command = *t.command ? t.command : "message";
        for (const Option& o : options()) {
            if ((o.scope & t.scope) == 0 || o.value == nullptr) {
                continue;
            }
            out << "    " << command << ',' << o.name << ") ";
            if (!o.choices.empty()) {
                std::string list;
                for (const std::string& c : o.choices) {
                    list += (list.empty() ? "" : " ") + c;
                }
                out << "COMPREPLY=($(compgen -W '" << list << "' -- \"$cur\")) ;;\n";
            } else if (takesFile(o)) {
                out << "COMPREPLY=($(compgen -f -- \"$cur\")) ;;\n";
            } else {
                out << ";;\n";
            }
        }
    }
    out << "    *)\n        local words\n        case $command in\n";
    for (const Topic& t : kTopics) {
        std::string words = "--help";
        for (const Option& o : options()) {
            words += (o.scope & t.scope) != 0 ? std::string(" ") + o.name : "";
        }
        if (t.scope == kMemory) {
            for (const Verb& v : memoryVerbs()) {
                words += std::string(" ") + v.name;
            }
        }
        out << "        " << (*t.command ? t.command : "message") << ") words='" << words
            << "' ;;\n";
    }
    out << "        esac\n"
           "        [ \"$COMP_CWORD\" = 1 ] && words+=' error memory --version'\n"
           "        COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
           "        ;;\n"
           "    esac\n"
           "}\n"
           "complete -F _qvmsg qvmsg\n";
    return out.str();
}

} // namespace qvmsg

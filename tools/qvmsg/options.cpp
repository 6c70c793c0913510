// The command line: read through the option table, so that the parser and the help never disagree.
#include "options.h"

#include <qvMsgErr/memory.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include <unistd.h>

namespace qvmsg {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

namespace {

const Option* find(const std::string& name, unsigned scope) {
    for (const Option& o : options()) {
        if (name == o.name && (o.scope & scope) != 0) {
            return &o;
        }
    }
    return nullptr;
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
    // Applied once every argument is read: whether texts hold escapes is known only then.
    std::vector<std::pair<const Option*, std::string>> given;
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
        // For the build, which writes the manual page and the completion from this table.
        if (arg == "--help-man") {
            inv.command = Command::Manual;
            return inv;
        }
        if (arg == "--completion") {
            if (at + 1 == args.size() || args[at + 1] != "bash") {
                throw UsageError("--completion writes the completion of bash only");
            }
            inv.command = Command::Completion;
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
        given.emplace_back(option, std::move(value));
    }
    inv.escapes = std::none_of(given.begin(), given.end(), [](const auto& g) {
        return std::string(g.first->name) == "--no-escapes";
    });
    for (const auto& [option, value] : given) {
        option->apply(inv, inv.escapes && takesText(*option) ? unescaped(value) : value);
    }

    switch (inv.command) {
    case Command::Message:
        if (inv.text) {
            operands.insert(operands.begin(), *inv.text);
        }
        if (operands.size() > 1) {
            throw UsageError("one message at a time: quote it ('" + operands[1] +
                             "' is a second one)");
        }
        // Without a message, or with "-", the message is what standard input holds; a terminal
        // would wait for a message nobody knew they had to type.
        if (operands.empty() && ::isatty(STDIN_FILENO) == 1) {
            throw UsageError("missing the message to show");
        }
        inv.promptFromInput = operands.empty() || operands[0] == "-";
        if (!inv.promptFromInput) {
            inv.prompt = inv.escapes ? unescaped(operands[0]) : operands[0];
        }
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
        const auto& verbs = memoryVerbs();
        const auto verb = std::find_if(verbs.begin(), verbs.end(), [&](const Verb& v) {
            return !operands.empty() && v.name == operands[0];
        });
        if (verb == verbs.end()) {
            throw UsageError(operands.empty() ? "memory needs one of list, get ID, forget ID, clear"
                                              : "unknown memory command '" + operands[0] + "'");
        }
        const std::size_t wanted = *verb->operand != '\0' ? 1 : 0;
        if (operands.size() != wanted + 1) {
            throw UsageError("memory " + std::string(verb->name) +
                             (wanted == 0 ? " takes no argument" : " needs one ID"));
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
    return "usage: qvmsg [options] [PROMPT | -]\n"
           "       qvmsg error [options]\n"
           "       qvmsg memory [--root KEY] [--store FILE] [--json] list|get ID|forget ID|clear\n"
           "Try 'qvmsg --help' for more.\n";
}

} // namespace qvmsg

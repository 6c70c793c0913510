// qvmsg's option table: one row per option, read by the parser, the help, the manual page and the
// shell completion alike.
#pragma once

#include "cli.h"

#include <functional>
#include <string>
#include <vector>

namespace qvmsg {

/// The commands an option belongs to.
enum Scope : unsigned { kMessage = 1, kError = 2, kMemory = 4, kShown = kMessage | kError };

struct Option {
    const char* name;
    const char* value; ///< nullptr: a switch
    unsigned scope;
    const char* help;
    std::function<void(Invocation&, const std::string&)> apply;
    std::vector<std::string> choices = {}; ///< the words the value may be, for the completion
};

/// Every option of every command, in the order the help lists them.
const std::vector<Option>& options();

/// A command of `qvmsg memory`.
struct Verb {
    const char* name;
    const char* operand; ///< "ID", or "" for none
    const char* help;
};
const std::vector<Verb>& memoryVerbs();

/// Whether the option's value is a text shown in a window, whose escapes qvmsg undoes.
bool takesText(const Option& option);
/// Whether the option's value names a file.
bool takesFile(const Option& option);

/// The scope of a command's options.
unsigned scopeOf(Command command);

} // namespace qvmsg

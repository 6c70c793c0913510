// Answers for questions that nobody is there to answer: a desktop without a user (the headless
// desktop that a host or its CI opted into) answers each message from the answer file named by
// QVMSGERR_ANSWERS, else as the message's close box would, and writes every such answer to the
// unattended log. A question that neither answers fails: the library never makes one up.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qvMsgErr::unattended {

/// A question as the answer file sees it.
struct Question {
    std::string kind; ///< "message", "system message box", "error"
    std::string id;   ///< the message identity; empty where there is none
    std::string title, prompt;
    /// The answers on offer, in the window's order: the number returned and the button's name.
    std::vector<std::pair<int32_t, std::string>> answers;
    /// What the close box and Escape answer; 0 where they answer nothing.
    int32_t closeAnswer = 0;
};

/// The answer for `q`: the first rule of the answer file that matches it and names an answer it
/// offers, else the file's default rule, else the close box. Every answer is written to the
/// unattended log ($QVMSGERR_UNATTENDED_LOG, else standard error) with where it came from.
/// RunTimeError err::Unanswered, after a log line saying why, when nothing answers.
int32_t answer(const Question& q);

/// Writes one line to the unattended log, the way `answer` does.
void log(const std::string& line);

} // namespace qvMsgErr::unattended

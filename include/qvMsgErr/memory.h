// The remembered "Don't show this message again" answers, for hosts and tools that let the user
// see and undo them, and the buttons a flag word's set shows.
//
// The answers live in the per-user store under the calling thread's Reg_Root (set through
// clsMesgBox::Reg_Root), one text value per message identity below "MessageBox\ShowMessage".
// Identities compare ASCII-case-insensitively and are trimmed of spaces, as msgBox does.
//
// These functions report a store that cannot be read or written (a corrupt or foreign file, a
// read-only directory) as RunTimeError 70 "Permission denied" or 75 "Path/File access error",
// with the function's name in front of the Source; an absent store or key is simply empty.
#pragma once

#include <qvMsgErr/enums.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qvMsgErr {

/// One remembered answer.
struct RememberedAnswer {
    std::string MessageID;        ///< as first stored
    std::string Stored;           ///< the stored text (decimal digits when msgBox wrote it)
    qvButtonNumbers ButtonNumber; ///< the button it names; qvButtonNone when it names none
};

/// Every answer remembered under the thread's Reg_Root, in order of identity.
std::vector<RememberedAnswer> RememberedAnswers();

/// Hands every answer remembered under the thread's Reg_Root to `each`, in order of identity, as
/// the store reads them: a listing of any length in the memory of one answer. The answer is lent
/// for the call only. What `each` throws ends the listing and reaches the caller.
void ForEachRememberedAnswer(const std::function<void(const RememberedAnswer&)>& each);

/// The answer remembered for `MessageID` (trimmed like msgBox does; `MessageID` of the result is
/// the trimmed identity as given), or nothing.
std::optional<RememberedAnswer> FindRememberedAnswer(const std::string& MessageID);

/// Forgets the answer remembered for `MessageID`; the message shows again next time. False when
/// nothing was remembered for it.
bool ForgetAnswer(const std::string& MessageID);

/// Forgets every answer remembered under the thread's Reg_Root; returns how many there were.
int32_t ForgetAllAnswers();

/// The answer buttons of the set in bits 0-2 of a msgBox flag word, in the order the window shows
/// them (OK; OK, Cancel; Abort, Retry, Ignore; Yes, No, Cancel; Yes, No; Retry, Cancel). Empty
/// for sets 6 and 7, which msgBox refuses.
std::vector<qvButtonNumbers> ButtonSet(int32_t Buttons);

} // namespace qvMsgErr

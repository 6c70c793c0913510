// Two dialog flows of a ledger application.
#pragma once

#include <qvMsgErr/clsMesgBox.h>

#include <string>

namespace ledger {

/// Asks before unsaved changes are thrown away; true when they may go. When nobody answers, the
/// changes are kept once a 30-second countdown has run out. A user who ticked "Don't show this
/// message again" is not asked again and gets the answer given then.
bool confirmDiscard(qvMsgErr::clsMesgBox& box);

enum class SaveResult { Saved, NotSaved, CloseAll };

/// Writes the ledger; a failure is shown in the error dialog, where the user may try again after
/// fixing the cause, go on without saving, or close the whole application (CloseAll).
SaveResult saveLedger(const std::string& path, const std::string& text);

} // namespace ledger

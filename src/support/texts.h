// The library's own texts in the user's language. Each is written in English where it is used,
// and the desktop looks it up in the catalogue of its window; a text the host gave is shown as
// given and never looked up, even where it reads like one of ours.
#pragma once

#include <qvMsgErr/platform.h>

#include <string>

namespace qvMsgErr::texts {

/// The catalogues: the message windows' texts, and the error dialog's with the dialogs it opens.
inline constexpr const char* kMessageBox = "MessageBox";
inline constexpr const char* kErrorDialog = "ErrorDialog";

/// `text` with its "%1" replaced by `value`: a translation puts the value where its grammar wants.
std::string withValue(std::string text, const std::string& value);

/// `design` with the texts its controls bring along (captions, placeholders and accessible names)
/// in the user's language. The window's title is the host's: the logic sets it.
platform::FormDesign translated(platform::FormDesign design, const platform::Desktop& desktop,
                                const char* context);

} // namespace qvMsgErr::texts

// Small procedures shared by the error reporting: append a log line, trim a text, switch a
// window's always-on-top state.
#pragma once

#include <qvMsgErr/platform.h>

#include <string>

namespace qvMsgErr {

/// Appends `text` and CR LF to the file at `path` (created with mode 0600 when missing) in one
/// write, under an advisory lock, so that lines of concurrent writers never interleave. A link
/// at `path` is not followed and anything but a regular file is refused; a line that could not
/// be written whole is taken back. False on any failure.
bool AppendToFile(const std::string& path, const std::string& text) noexcept;

/// Removes trailing LF, CR and NUL from `text` itself, and returns a copy of the result without
/// leading and trailing spaces.
std::string TrimText(std::string& text) noexcept;

/// Makes `window` topmost (currentState false) or releases it (true) through the thread's
/// desktop; returns the state after the call (unchanged when the desktop refused).
bool ToggleTopmost(platform::Window& window, bool currentState) noexcept;

} // namespace qvMsgErr

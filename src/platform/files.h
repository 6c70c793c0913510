// File output shared by the desktops.
#pragma once

#include <string>

namespace qvMsgErr::platform {

/// Writes all of `bytes` to the descriptor, going on after partial writes and interruptions.
bool writeAll(int fd, const std::string& bytes);

/// Replaces the file at `path` with `bytes` so that a failure never leaves a half-written file:
/// the bytes go to a temporary file beside it, are flushed to the disk, and the temporary file
/// is renamed over `path`. Where no file can be made beside it (a read-only directory holding a
/// writable file), the file is rewritten in place. RunTimeError 75 when nothing could be written.
void replaceFile(const std::string& path, const std::string& bytes);

/// The directory of the loaded core library file (empty when it cannot be told).
std::string libraryDirectory();

} // namespace qvMsgErr::platform

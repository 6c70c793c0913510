// Files shared by the desktops: writing them, and naming them to an opener.
#pragma once

#include <string>

namespace qvMsgErr::platform {

/// Writes all of `bytes` to the descriptor, going on after partial writes and interruptions.
bool writeAll(int fd, const std::string& bytes);

/// Replaces the file at `path` with `bytes` so that a failure never leaves a half-written file:
/// the bytes go to a new temporary file beside it, are flushed to the disk, and the temporary
/// file is renamed over `path`. A symbolic link at `path` is replaced, never written through. A
/// new file gets mode 0600, an existing regular file keeps its mode. RunTimeError 75 when the
/// file could not be replaced (no file can be made beside it, the disk is full, a directory is
/// in the way): the old file is then left as it was.
void replaceFile(const std::string& path, const std::string& bytes);

/// The directory of the loaded core library file (empty when it cannot be told).
std::string libraryDirectory();

/// What an opener (a program that takes one argument) gets for `target`: a URI (a scheme of at
/// least two characters, letters first, then ":") as it is; anything else is a path, made
/// absolute against `currentDirectory`, so that no name ("--version", "-x") can read as an
/// option. Empty for an empty target.
std::string openerTarget(const std::string& target, const std::string& currentDirectory);

} // namespace qvMsgErr::platform

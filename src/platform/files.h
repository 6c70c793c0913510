// Files and the process, as every desktop and the logic need them: writing files, naming them
// to an opener, the library's and the program's names, the local time. Paths are UTF-8. The
// operating system's side lives in files_posix.cpp (Linux) or files_win32.cpp (Windows); CMake
// picks one.
#pragma once

#include <ctime>
#include <string>

namespace qvMsgErr::platform {

/// Replaces the file at `path` with `bytes` so that a failure never leaves a half-written file:
/// the bytes go to a new temporary file beside it, are flushed to the disk, and the temporary
/// file is renamed over `path`. A symbolic link at `path` is replaced, never written through. A
/// new file gets mode 0600, an existing regular file keeps its mode (POSIX; on Windows a new
/// file inherits its directory's access rules). RunTimeError 75 when the file could not be
/// replaced (no file can be made beside it, the disk is full, a directory is in the way): the
/// old file is then left as it was.
void replaceFile(const std::string& path, const std::string& bytes);

/// Appends `bytes` to the regular file at `path` (made when missing, the user's alone) as one
/// piece that no other writer's line can split, never through a link and never blocking on a
/// FIFO; a write that fails halfway is taken back. False when nothing was appended.
bool appendToFile(const std::string& path, const std::string& bytes);

/// Whether `path` names a regular file (a directory or a device of that name does not count).
bool isRegularFile(const std::string& path);

/// What tells one version of the file at `path` from another (its modification time, size and
/// identity); "-" when there is no file.
std::string fileVersion(const std::string& path);

/// The directory of the loaded core library file (empty when it cannot be told).
std::string libraryDirectory();

/// The running program's short name (its file name; on Windows without ".exe").
std::string programName();

/// `time` as the local calendar time.
std::tm localTime(std::time_t time);

/// What an opener (a program that takes one argument) gets for `target`: a URI (a scheme of at
/// least two characters, letters first, then ":") as it is; anything else is a path, made
/// absolute against `currentDirectory`, so that no name ("--version", "-x") can read as an
/// option. Empty for an empty target.
std::string openerTarget(const std::string& target, const std::string& currentDirectory);

} // namespace qvMsgErr::platform

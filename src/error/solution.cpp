#include "error/solution.h"

namespace qvMsgErr::error {

namespace {

// The texts are shown verbatim in the dialog's information panel: the trailing spaces of some
// lines, and the small differences between the two file-access texts, are part of them.

constexpr const char* kWriteProtected =
    "An attempt was made to write to a write-protected disk or to access a locked file. \r\n"
    "This error has the following causes and solutions: \r\n"
    "You tried to open a write-protected file for sequential Output or Append.\r\n"
    "   Open the file for Input or change the write-protection attribute of the file.\r\n"
    "You tried to open a file on a disk that is write-protected for sequential Output or "
    "Append.\r\n"
    "   Remove the write-protection device from the disk or open the file for Input.\r\n"
    "You tried to write to a file that another process locked.\r\n"
    "   Wait to open the file until the other process releases it.\r\n"
    "You attempted to access the registry, but your user permissions don't include this type of "
    "registry access.\r\n"
    "   On 32-bit Microsoft Windows systems, a user must have the correct permissions for access "
    "to the system registry. Change your permissions or have them changed by the system "
    "administrator.";

constexpr const char* kPathFileAccess =
    "During a file-access or disk-access operation the operating system couldn't make a "
    "connection between the path and the file name.\r\n"
    "This error has the following causes and solutions:\r\n"
    "The file specification isn't correctly formatted.\r\n"
    "   A file name can contain a fully qualified (absolute) or relative path. A fully qualified "
    "path starts with the drive name (if the path is on another drive) and lists the explicit "
    "path from the root to the file. Any path that isn't fully qualified is relative to the "
    "current drive and directory.\r\n"
    "You attempted to save a file that would replace an existing read-only file.\r\n"
    "   Change the read-only attribute of the target file or save the file with a different file "
    "name.\r\n"
    "You attempted to open a read-only file in sequential Output or Append mode.\r\n"
    "   Open the file in Input mode or change the read-only attribute of the file.";

constexpr const char* kModalWindowOpen =
    "There is a window open that must be closed before the software can open another window. "
    "This will generally be a message that is waiting for a response.";

} // namespace

std::string GetSolutionText(const int32_t& number) {
    if (number == 70) {
        return kWriteProtected;
    }
    if (number == 75) {
        return kPathFileAccess;
    }
    if (number >= 400 && number <= 401) {
        return kModalWindowOpen;
    }
    return {};
}

} // namespace qvMsgErr::error

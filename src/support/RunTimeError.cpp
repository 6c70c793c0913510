#include <qvMsgErr/RunTimeError.h>

#include <utility>

namespace qvMsgErr {

std::string standardDescription(int32_t number) {
    switch (number) {
    case 3:
        return "Return without GoSub";
    case 5:
        return "Invalid procedure call or argument";
    case 6:
        return "Overflow";
    case 7:
        return "Out of memory";
    case 9:
        return "Subscript out of range";
    case 10:
        return "This array is fixed or temporarily locked";
    case 11:
        return "Division by zero";
    case 13:
        return "Type mismatch";
    case 51:
        return "Internal error";
    case 52:
        return "Bad file name or number";
    case 53:
        return "File not found";
    case 55:
        return "File already open";
    case 57:
        return "Device I/O error";
    case 61:
        return "Disk full";
    case 62:
        return "Input past end of file";
    case 67:
        return "Too many files";
    case 68:
        return "Device unavailable";
    case 70:
        return "Permission denied";
    case 71:
        return "Disk not ready";
    case 75:
        return "Path/File access error";
    case 76:
        return "Path not found";
    case 91:
        return "Object variable or With block variable not set";
    case 360:
        return "Object already loaded";
    case 364:
        return "Object was unloaded";
    case 380:
        return "Invalid property value";
    case 400:
        return "Form already displayed; can't show modally";
    case 401:
        return "Can't show non-modal form when modal form is displayed";
    case 438:
        return "Object doesn't support this property or method";
    case 440:
        return "Automation error";
    case 482:
        return "Printer error";
    case 32755:
        return "Cancel was selected.";
    default:
        return "Application-defined or object-defined error";
    }
}

RunTimeError::RunTimeError(int32_t number)
    : Number(number), Description(standardDescription(number)), Source(kDefaultSource) {}

RunTimeError::RunTimeError(int32_t number, std::string description, std::string source,
                           std::string helpFile, int32_t helpContext)
    : Number(number), Description(std::move(description)), Source(std::move(source)),
      HelpFile(std::move(helpFile)), HelpContext(helpContext) {}

} // namespace qvMsgErr

// The one exception type that crosses the library's functions.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace qvMsgErr {

/// Numbers of the run-time errors the library raises, with the runtime's standard texts
/// (see `standardDescription`).
namespace err {
inline constexpr int32_t InvalidCall = 5;         // Invalid procedure call or argument
inline constexpr int32_t Overflow = 6;            // Overflow
inline constexpr int32_t OutOfMemory = 7;         // Out of memory
inline constexpr int32_t SubscriptOutOfRange = 9; // Subscript out of range
inline constexpr int32_t TypeMismatch = 13;       // Type mismatch
inline constexpr int32_t InternalError = 51;      // Internal error
inline constexpr int32_t BadFileName = 52;        // Bad file name or number
inline constexpr int32_t FileNotFound = 53;       // File not found
inline constexpr int32_t DeviceIOError = 57;      // Device I/O error
inline constexpr int32_t DiskFull = 61;           // Disk full
inline constexpr int32_t PermissionDenied = 70;   // Permission denied
inline constexpr int32_t PathFileAccess = 75;     // Path/File access error
inline constexpr int32_t PathNotFound = 76;       // Path not found
inline constexpr int32_t ObjectNotSet = 91;       // Object variable or With block variable not set
inline constexpr int32_t ObjectAlreadyLoaded = 360;
inline constexpr int32_t InvalidPropertyValue = 380;
inline constexpr int32_t FormAlreadyDisplayed = 400; // Form already displayed; can't show modally
inline constexpr int32_t NonModalWhileModal = 401;
inline constexpr int32_t NotSupported = 438; // Object doesn't support this property or method
inline constexpr int32_t PrinterError = 482;
inline constexpr int32_t CantMoveFocus =
    5; // focus on a hidden or disabled control: 5 as the runtime
inline constexpr int32_t DialogCancel = 32755; // Cancel was selected.
// The library's own numbers, in the range automation components keep for themselves
// (vbObjectError + 513 onwards). Their descriptions always say why and what to do.
inline constexpr int32_t ObjectErrorBase = -2147221504;
/// No window can be shown on this thread: no display, a thread that is not the GUI thread, or
/// no window system linked.
inline constexpr int32_t NoWindows = ObjectErrorBase + 513;
/// Unattended: neither the answer file nor the close box answers a message.
inline constexpr int32_t Unanswered = ObjectErrorBase + 514;
} // namespace err

/// The runtime's standard description of an error number; "Application-defined or object-defined
/// error" for numbers it has no text for.
std::string standardDescription(int32_t number);

/// A run-time error: number, description, source trail ("A&B&source"), help file and context.
class RunTimeError : public std::exception {
public:
    RunTimeError() = default;
    /// Raises `number` with its standard description and the library as source.
    explicit RunTimeError(int32_t number);
    /// The source of errors the library raises itself: the end of every trail.
    static constexpr const char* kDefaultSource = "qvMsgErr";

    RunTimeError(int32_t number, std::string description, std::string source = kDefaultSource,
                 std::string helpFile = {}, int32_t helpContext = 0);

    int32_t Number = 0;
    std::string Description;
    std::string Source;
    std::string HelpFile;
    int32_t HelpContext = 0;

    const char* what() const noexcept override { return Description.c_str(); }
};

} // namespace qvMsgErr

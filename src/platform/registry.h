// The registry-like settings store: hives as roots, backslash-separated key paths created on
// demand, named values of kind 1 (text), 3 (bytes) and 4 (32-bit number). Seven operations with
// the platform's result codes; nothing is thrown for an ordinary failure. Values can be listed
// and removed; keys cannot.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qvMsgErr::platform {

using HKEY = std::uintptr_t;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;

inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;

inline constexpr uint32_t KEY_READ = 0x20019;
inline constexpr uint32_t KEY_WRITE_ALL =
    0x3F; ///< query, set, create subkey, enumerate, notify, link

/// Result codes, as the platform registry reports them.
namespace regresult {
inline constexpr int32_t Success = 0;
inline constexpr int32_t FileNotFound = 2;  ///< key or value absent
inline constexpr int32_t AccessDenied = 5;  ///< store read-only or cannot be created
inline constexpr int32_t InvalidHandle = 6; ///< handle 0 or closed
inline constexpr int32_t InvalidParameter = 87;
inline constexpr int32_t MoreData = 234;     ///< buffer too small
inline constexpr int32_t NoMoreItems = 259;  ///< enumeration index past the last item
inline constexpr int32_t BadDatabase = 1009; ///< the store file is corrupt or no database
inline constexpr int32_t IoFailed = 1016;    ///< any other failure of the store
/// A name that is no UTF-8 (the registry store: the registry holds UTF-16 names).
inline constexpr int32_t NoUnicodeTranslation = 1113;
} // namespace regresult

/// One value as a listing delivers it.
struct StoredValue {
    std::string name; ///< in the spelling it was first stored with
    uint32_t kind = 0;
    std::string bytes; ///< as RegQueryValueExA delivers them (a text with its NUL)
};

class Registry {
public:
    virtual ~Registry() = default;
    /// Opens an existing key; FileNotFound when absent. `out` is 0 on failure.
    virtual int32_t RegOpenKeyExA(HKEY root, const std::string& path, uint32_t access,
                                  HKEY& out) = 0;
    /// Opens the key, creating it and any missing parents.
    virtual int32_t RegCreateKeyExA(HKEY root, const std::string& path, uint32_t access,
                                    HKEY& out) = 0;
    /// With `data` null: reports kind and byte size. With a buffer of `size` bytes: fills it and
    /// reports the bytes written (text includes its terminating NUL); MoreData when too small.
    virtual int32_t RegQueryValueExA(HKEY key, const std::string& name, uint32_t& kind,
                                     uint8_t* data, uint32_t& size) = 0;
    /// Stores exactly these bytes under `name`, replacing any earlier value, durably.
    virtual int32_t RegSetValueExA(HKEY key, const std::string& name, uint32_t kind,
                                   const uint8_t* data, uint32_t size) = 0;
    /// The name of the value at `index` (0, 1, …) of the key, in the spelling it was first
    /// stored with; values are ordered by their names folded to lower case (ASCII), compared
    /// bytewise. NoMoreItems past the last. Needs query access, like RegQueryValueExA; `name` is
    /// left alone unless the result is Success. Asking for the index after the one listed last
    /// on the same handle continues after that name (so a listing costs one lookup a value, and
    /// values deleted or added while listing shift nothing); any other index counts the values
    /// as they are at the call.
    virtual int32_t RegEnumValueA(HKEY key, uint32_t index, std::string& name) = 0;
    /// Removes the value `name` (any spelling), durably; FileNotFound when there is none. Needs
    /// set access, like RegSetValueExA.
    virtual int32_t RegDeleteValueA(HKEY key, const std::string& name) = 0;
    virtual int32_t RegCloseKey(HKEY key) = 0;

    /// The value `name` of the key `path` below `root`, in one call and with no handle left
    /// open: its kind, and its bytes as RegQueryValueExA delivers them (a text with its
    /// terminating NUL). FileNotFound when the key or the value is absent; the opening's and the
    /// reading's other results as they are. This one opens, asks for the size, reads and closes;
    /// a store that can read a value in one lookup does so instead.
    virtual int32_t ReadValue(HKEY root, const std::string& path, const std::string& name,
                              uint32_t& kind, std::string& bytes);
    /// Every value of the key `path` below `root`, handed to `each` in RegEnumValueA's order (it
    /// may take the value's texts), as one consistent picture: a writer meanwhile makes it miss or
    /// repeat no name. FileNotFound when the key is absent. This one enumerates and reads value by
    /// value; a store that can read them in one query does so instead.
    virtual int32_t ReadValues(HKEY root, const std::string& path,
                               const std::function<void(StoredValue&)>& each);
    /// Removes every value of the key `path` below `root`, durably; `removed` counts them.
    /// FileNotFound when the key is absent. This one deletes value by value; a store that can
    /// do it in one transaction does so instead.
    virtual int32_t DeleteValues(HKEY root, const std::string& path, int32_t& removed);
};

/// The store every thread uses unless told otherwise: on Linux the per-user SQLite database (see
/// platform/sqlite/sqlite_registry.h for its location), on Windows the user's registry (see
/// platform/winreg/windows_registry.h).
std::shared_ptr<Registry> makeDefaultRegistry();

} // namespace qvMsgErr::platform

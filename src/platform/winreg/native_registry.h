// The registry as the system holds it, for the registry store: names and texts between the
// store's UTF-8 and the registry's UTF-16, value bytes in both directions, and reading values and
// their names from a key the system opened.
#pragma once

#include "platform/registry.h"

// windows.h after the store's headers: it makes REG_SZ, HKEY_CURRENT_USER … macros of its own.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qvMsgErr::platform::winreg {

using Native = ::HKEY;
using Wide = std::wstring;

/// The result for `native`, a Win32 error code: ours are the same numbers.
int32_t resultOf(LONG native);

/// UTF-16 as the registry's wide characters.
Wide wide(const std::u16string& text);

/// UTF-16 from the registry as UTF-8.
std::string narrow(const wchar_t* text, std::size_t size);

/// A name or a key path as the registry takes it: NUL-free UTF-8 made UTF-16. Success, or
/// InvalidParameter (a NUL) or NoUnicodeTranslation (no UTF-8).
int32_t nameOf(const std::string& name, Wide& out);

/// `path` with empty components dropped, spelling kept ("\App\\Sub\" is "App\Sub").
std::string tidyPath(const std::string& path);

/// `a`\`b`, either of them empty.
std::string joinPath(const std::string& a, const std::string& b);

/// The name of a predefined key (0x80000000 on), as a sandbox holds each hive.
const char* hiveName(HKEY hive);

/// The registry's predefined handle of a hive (sign-extended, as windows.h spells them).
Native predefined(HKEY hive);

/// The bytes of a value as the registry holds them: a text kind as UTF-16, with one terminating
/// NUL added to REG_SZ (as every program that reads the registry expects); any other kind as it is.
std::vector<BYTE> toNative(uint32_t kind, const uint8_t* data, uint32_t size);

/// The inverse of toNative: the stored bytes of a value the registry holds. A REG_SZ loses one
/// terminating NUL if it has one; an odd last byte of a text kind is not part of any character.
std::string fromNative(DWORD kind, const std::vector<BYTE>& data, DWORD size);

/// Reads the value `name` of `key`: its kind and stored bytes.
int32_t readNative(Native key, const Wide& name, uint32_t& kind, std::string& stored);

/// The names of every value of `key`, in the registry's order (empty on failure).
int32_t nativeNames(Native key, std::vector<Wide>& names);

/// When `key` was last written: a listing that sees it change reads again.
FILETIME lastWritten(Native key);

/// A value name in the order every store lists values: folded to ASCII lower case, bytewise.
struct Listed {
    std::string folded;
    std::string name;
    Wide native;
};

/// `names` in that order.
std::vector<Listed> listedInOrder(const std::vector<Wide>& names);

} // namespace qvMsgErr::platform::winreg

// The store's own headers before windows.h, which makes KEY_QUERY_VALUE … macros of its own.
#include "platform/sqlite/key_space.h"
#include "platform/utf16.h"

#include "platform/winreg/native_registry.h"

#include <algorithm>
#include <cstring>

namespace qvMsgErr::platform::winreg {

using namespace regresult;

/// The result for `native`, a Win32 error code: ours are the same numbers.
int32_t resultOf(LONG native) {
    return static_cast<int32_t>(native);
}

Wide wide(const std::u16string& text) {
    return Wide(text.begin(), text.end());
}

std::string narrow(const wchar_t* text, std::size_t size) {
    return fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text), size));
}

/// A name or a key path as the registry takes it: NUL-free UTF-8 made UTF-16. Success, or
/// InvalidParameter (a NUL) or NoUnicodeTranslation (no UTF-8).
int32_t nameOf(const std::string& name, Wide& out) {
    if (name.find('\0') != std::string::npos) {
        return InvalidParameter;
    }
    auto utf16 = toUtf16(name);
    if (!utf16) {
        return NoUnicodeTranslation;
    }
    out = wide(*utf16);
    return Success;
}

/// `path` with empty components dropped, spelling kept ("\App\\Sub\" is "App\Sub").
std::string tidyPath(const std::string& path) {
    std::string out;
    std::string::size_type start = 0;
    while (start <= path.size()) {
        auto end = path.find('\\', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > start) {
            if (!out.empty()) {
                out += '\\';
            }
            out.append(path, start, end - start);
        }
        start = end + 1;
    }
    return out;
}

std::string joinPath(const std::string& a, const std::string& b) {
    return a.empty() ? b : b.empty() ? a : a + '\\' + b;
}

const char* hiveName(HKEY hive) {
    static const char* const names[] = {
        "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    return names[hive - 0x80000000u];
}

/// The registry's predefined handle of a hive (sign-extended, as windows.h spells them).
Native predefined(HKEY hive) {
    return reinterpret_cast<Native>(
        static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(hive))));
}

/// The bytes of a value as the registry holds them: a text kind as UTF-16, with one terminating
/// NUL added to REG_SZ (as every program that reads the registry expects); any other kind as it is.
std::vector<BYTE> toNative(uint32_t kind, const uint8_t* data, uint32_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    if (kind == REG_SZ || kind == REG_EXPAND_SZ || kind == REG_MULTI_SZ) {
        std::u16string text = toUtf16Escaped(bytes);
        if (kind == REG_SZ) {
            text += u'\0';
        }
        const auto* first = reinterpret_cast<const BYTE*>(text.data());
        return std::vector<BYTE>(first, first + text.size() * sizeof(char16_t));
    }
    return std::vector<BYTE>(bytes.begin(), bytes.end());
}

/// The inverse of toNative: the stored bytes of a value the registry holds. A REG_SZ loses one
/// terminating NUL if it has one; an odd last byte of a text kind is not part of any character.
std::string fromNative(DWORD kind, const std::vector<BYTE>& data, DWORD size) {
    if (kind == REG_SZ || kind == REG_EXPAND_SZ || kind == REG_MULTI_SZ) {
        std::u16string text(size / sizeof(char16_t), u'\0');
        std::memcpy(text.data(), data.data(), text.size() * sizeof(char16_t));
        if (kind == REG_SZ && !text.empty() && text.back() == u'\0') {
            text.pop_back();
        }
        return fromUtf16Escaped(text);
    }
    return std::string(reinterpret_cast<const char*>(data.data()), size);
}

/// Reads the value `name` of `key`: its kind and stored bytes.
int32_t readNative(Native key, const Wide& name, uint32_t& kind, std::string& stored) {
    std::vector<BYTE> data(256);
    for (;;) {
        DWORD type = 0;
        auto size = static_cast<DWORD>(data.size());
        const LONG r = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
        if (r == ERROR_MORE_DATA) {
            data.resize(std::max<std::size_t>(size, data.size() * 2));
            continue;
        }
        if (r != ERROR_SUCCESS) {
            return resultOf(r);
        }
        kind = type;
        stored = fromNative(type, data, size);
        return Success;
    }
}

/// The names of every value of `key`, in the registry's order (empty on failure).
int32_t nativeNames(Native key, std::vector<Wide>& names) {
    names.clear();
    DWORD count = 0, longest = 0;
    if (const LONG r = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                          &count, &longest, nullptr, nullptr, nullptr);
        r != ERROR_SUCCESS) {
        return resultOf(r);
    }
    Wide buffer(longest + 2, L'\0');
    for (DWORD index = 0;; ++index) {
        auto length = static_cast<DWORD>(buffer.size());
        const LONG r =
            ::RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) {
            return Success;
        }
        if (r == ERROR_MORE_DATA) {
            // A longer name was added meanwhile: room for the longest possible, and again.
            buffer.assign(16384, L'\0');
            --index;
            continue;
        }
        if (r != ERROR_SUCCESS) {
            return resultOf(r);
        }
        names.emplace_back(buffer.data(), length);
    }
}

FILETIME lastWritten(Native key) {
    FILETIME time{};
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, &time);
    return time;
}

std::vector<Listed> listedInOrder(const std::vector<Wide>& names) {
    std::vector<Listed> listed;
    listed.reserve(names.size());
    for (const Wide& n : names) {
        std::string name = narrow(n.data(), n.size());
        listed.push_back({detail::foldCase(name), std::move(name), n});
    }
    std::sort(listed.begin(), listed.end(),
              [](const Listed& a, const Listed& b) { return a.folded < b.folded; });
    return listed;
}

} // namespace qvMsgErr::platform::winreg

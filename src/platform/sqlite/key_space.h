// What the two stores share: how a key path and a value name are normalised, which roots are
// hives, and the table of open key handles.
#pragma once

#include "platform/registry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qvMsgErr::platform::detail {

inline constexpr uint32_t KEY_QUERY_VALUE = 0x1;
inline constexpr uint32_t KEY_SET_VALUE = 0x2;

/// HKEY_CLASSES_ROOT (0x80000000) to HKEY_DYN_DATA (0x80000006); each is its own namespace.
bool isHive(HKEY root) noexcept;

/// ASCII letters folded to lower case; every other byte kept as it is.
std::string foldCase(std::string_view text);

/// `path` folded to lower case, with empty components dropped: leading, trailing and doubled
/// backslashes do not name a different key ("\App\\Sub\" is "app\sub").
std::string normaliseKeyPath(std::string_view path);

/// The parent paths of a normalised path and the path itself, shortest first ("a", "a\b", …).
template <class F> void forEachPrefix(const std::string& path, F&& f) {
    for (std::string::size_type at = path.find('\\'); at != std::string::npos;
         at = path.find('\\', at + 1)) {
        f(path.substr(0, at));
    }
    if (!path.empty()) {
        f(path);
    }
}

/// A key as the store knows it: its hive, its normalised path ("" is the hive itself) and the
/// access the handle was opened with.
struct KeyRef {
    HKEY hive = 0;
    std::string path;
    uint32_t access = 0;
};

/// Open key handles: small integers, never 0 and never a hive's value; a closed handle is
/// unknown from then on.
class HandleTable {
public:
    /// The key `subPath` names below `root` (a hive or an open handle); nullopt for any other root.
    std::optional<KeyRef> resolve(HKEY root, std::string_view subPath) const;
    /// The key behind `key`: an open handle, or a hive with every access right.
    std::optional<KeyRef> find(HKEY key) const;
    /// The key behind `key` for a use that needs `right` (KEY_QUERY_VALUE or KEY_SET_VALUE):
    /// Success with `out` set, InvalidHandle or AccessDenied.
    int32_t use(HKEY key, uint32_t right, KeyRef& out) const;
    HKEY open(KeyRef key);
    bool close(HKEY key);
    std::size_t openCount() const noexcept { return open_.size(); }

private:
    std::unordered_map<HKEY, KeyRef> open_;
    HKEY next_ = 1;
};

/// Text values are handed out with one NUL after the stored bytes, as callers of the A-form
/// registry calls expect; other kinds exactly as stored.
inline uint32_t deliveredSize(uint32_t kind, uint32_t storedSize) noexcept {
    return kind == REG_SZ ? storedSize + 1 : storedSize;
}

} // namespace qvMsgErr::platform::detail

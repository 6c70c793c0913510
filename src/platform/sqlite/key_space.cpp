#include "platform/sqlite/key_space.h"

namespace qvMsgErr::platform::detail {

namespace {
constexpr HKEY FirstHive = 0x80000000u; // HKEY_CLASSES_ROOT
constexpr HKEY LastHive = 0x80000006u;  // HKEY_DYN_DATA
constexpr HKEY LastHandle = 0x7FFFFFFFu;
constexpr uint32_t AllAccess = 0xF003F;
} // namespace

bool isHive(HKEY root) noexcept {
    return root >= FirstHive && root <= LastHive;
}

std::string foldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

std::string normaliseKeyPath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    std::string_view::size_type start = 0;
    while (start <= path.size()) {
        auto end = path.find('\\', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            if (!out.empty()) {
                out += '\\';
            }
            out += foldCase(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

std::optional<KeyRef> HandleTable::resolve(HKEY root, std::string_view subPath) const {
    if (isHive(root)) {
        return KeyRef{root, normaliseKeyPath(subPath), 0};
    }
    auto it = open_.find(root);
    if (it == open_.end()) {
        return std::nullopt;
    }
    std::string joined = it->second.path;
    joined += '\\';
    joined += subPath;
    return KeyRef{it->second.hive, normaliseKeyPath(joined), 0};
}

std::optional<KeyRef> HandleTable::find(HKEY key) const {
    if (isHive(key)) {
        return KeyRef{key, std::string(), AllAccess};
    }
    auto it = open_.find(key);
    if (it == open_.end()) {
        return std::nullopt;
    }
    return it->second;
}

int32_t HandleTable::use(HKEY key, uint32_t right, KeyRef& out) const {
    auto ref = find(key);
    if (!ref) {
        return regresult::InvalidHandle;
    }
    if ((ref->access & right) == 0) {
        return regresult::AccessDenied;
    }
    out = std::move(*ref);
    return regresult::Success;
}

HKEY HandleTable::open(KeyRef key) {
    // Handles stay below the hives' values; after a wrap, skip the ones still open.
    while (open_.count(next_) != 0) {
        next_ = next_ == LastHandle ? 1 : next_ + 1;
    }
    HKEY handle = next_;
    next_ = next_ == LastHandle ? 1 : next_ + 1;
    open_.emplace(handle, std::move(key));
    return handle;
}

bool HandleTable::close(HKEY key) {
    if (isHive(key)) {
        return true;
    }
    return open_.erase(key) != 0;
}

} // namespace qvMsgErr::platform::detail

#include "platform/sqlite/memory_registry.h"

#include <algorithm>

namespace qvMsgErr::platform {

using namespace regresult;

bool MemoryRegistry::exists(const KeyName& key) const {
    return key.second.empty() || keys_.count(key) != 0;
}

int32_t MemoryRegistry::RegOpenKeyExA(HKEY root, const std::string& path, uint32_t access,
                                      HKEY& out) {
    std::lock_guard lock(mutex_);
    out = 0;
    auto key = handles_.resolve(root, path);
    if (!key) {
        return InvalidHandle;
    }
    if (!exists({key->hive, key->path})) {
        return FileNotFound;
    }
    key->access = access;
    out = handles_.open(std::move(*key));
    return Success;
}

int32_t MemoryRegistry::RegCreateKeyExA(HKEY root, const std::string& path, uint32_t access,
                                        HKEY& out) {
    std::lock_guard lock(mutex_);
    out = 0;
    auto key = handles_.resolve(root, path);
    if (!key) {
        return InvalidHandle;
    }
    detail::forEachPrefix(key->path,
                          [&](std::string prefix) { keys_.emplace(key->hive, std::move(prefix)); });
    key->access = access;
    out = handles_.open(std::move(*key));
    return Success;
}

int32_t MemoryRegistry::RegQueryValueExA(HKEY key, const std::string& name, uint32_t& kind,
                                         uint8_t* data, uint32_t& size) {
    std::lock_guard lock(mutex_);
    detail::KeyRef ref;
    if (const int32_t r = handles_.use(key, detail::KEY_QUERY_VALUE, ref); r != Success) {
        return r;
    }
    auto it = values_.find({ref.hive, ref.path, detail::foldCase(name)});
    if (it == values_.end()) {
        return FileNotFound;
    }
    const Value& value = it->second;
    const auto stored = static_cast<uint32_t>(value.bytes.size());
    const uint32_t delivered = detail::deliveredSize(value.kind, stored);
    kind = value.kind;
    if (data == nullptr) {
        size = delivered;
        return Success;
    }
    if (size < delivered) {
        size = delivered;
        return MoreData;
    }
    std::copy(value.bytes.begin(), value.bytes.end(), data);
    if (delivered > stored) {
        data[stored] = 0;
    }
    size = delivered;
    return Success;
}

int32_t MemoryRegistry::RegSetValueExA(HKEY key, const std::string& name, uint32_t kind,
                                       const uint8_t* data, uint32_t size) {
    std::lock_guard lock(mutex_);
    detail::KeyRef ref;
    if (const int32_t r = handles_.use(key, detail::KEY_SET_VALUE, ref); r != Success) {
        return r;
    }
    if (data == nullptr && size != 0) {
        return InvalidParameter;
    }
    auto [it, added] = values_.try_emplace({ref.hive, ref.path, detail::foldCase(name)});
    Value& value = it->second;
    value.kind = kind;
    value.bytes =
        data == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(data, data + size);
    if (added) {
        value.spelling = name; // a later write under another spelling keeps this one
    }
    return Success;
}

int32_t MemoryRegistry::RegEnumValueA(HKEY key, uint32_t index, std::string& name) {
    std::lock_guard lock(mutex_);
    detail::KeyRef ref;
    if (const int32_t r = handles_.use(key, detail::KEY_QUERY_VALUE, ref); r != Success) {
        return r;
    }
    // The map orders folded names bytewise (char_traits<char> compares as unsigned char), as
    // the SQLite store orders its BLOBs.
    const auto inKey = [&](const auto& it) {
        return it != values_.end() && std::get<0>(it->first) == ref.hive &&
               std::get<1>(it->first) == ref.path;
    };
    // The next index after the last one listed continues after that name, as the SQLite store
    // does, so that values forgotten while listing never make the listing skip one.
    const bool continues = index > 0 && listedLast_.key == key && listedLast_.next == index;
    auto it = continues ? values_.upper_bound({ref.hive, ref.path, listedLast_.folded})
                        : values_.lower_bound({ref.hive, ref.path, std::string()});
    for (uint32_t at = 0; !continues && at < index && inKey(it); ++at) {
        ++it;
    }
    if (!inKey(it)) {
        return NoMoreItems;
    }
    name = it->second.spelling;
    listedLast_ = {key, index + 1, std::get<2>(it->first)};
    return Success;
}

int32_t MemoryRegistry::RegDeleteValueA(HKEY key, const std::string& name) {
    std::lock_guard lock(mutex_);
    detail::KeyRef ref;
    if (const int32_t r = handles_.use(key, detail::KEY_SET_VALUE, ref); r != Success) {
        return r;
    }
    return values_.erase({ref.hive, ref.path, detail::foldCase(name)}) != 0 ? Success
                                                                            : FileNotFound;
}

int32_t MemoryRegistry::RegCloseKey(HKEY key) {
    std::lock_guard lock(mutex_);
    return handles_.close(key) ? Success : InvalidHandle;
}

std::size_t MemoryRegistry::openHandles() const {
    std::lock_guard lock(mutex_);
    return handles_.openCount();
}

} // namespace qvMsgErr::platform

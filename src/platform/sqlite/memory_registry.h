// A settings store held in memory, with the same rules as the SQLite store: hives as separate
// namespaces, key paths and value names compared ASCII-case-insensitively (a value keeps the
// spelling it was first stored with), key paths normalised, kinds and bytes kept exactly. Nothing
// outlives the object. Safe to share between threads.
#pragma once

#include "platform/registry.h"
#include "platform/sqlite/key_space.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace qvMsgErr::platform {

class MemoryRegistry final : public Registry {
public:
    int32_t RegOpenKeyExA(HKEY root, const std::string& path, uint32_t access, HKEY& out) override;
    int32_t RegCreateKeyExA(HKEY root, const std::string& path, uint32_t access,
                            HKEY& out) override;
    int32_t RegQueryValueExA(HKEY key, const std::string& name, uint32_t& kind, uint8_t* data,
                             uint32_t& size) override;
    int32_t RegSetValueExA(HKEY key, const std::string& name, uint32_t kind, const uint8_t* data,
                           uint32_t size) override;
    int32_t RegEnumValueA(HKEY key, uint32_t index, std::string& name) override;
    int32_t RegDeleteValueA(HKEY key, const std::string& name) override;
    int32_t RegCloseKey(HKEY key) override;

    /// Handles currently open (a test sees whether every opened key was closed again).
    std::size_t openHandles() const;

private:
    struct Value {
        uint32_t kind = 0;
        std::vector<uint8_t> bytes;
        std::string spelling; ///< the name as first stored; the map holds it folded
    };
    using KeyName = std::pair<HKEY, std::string>;
    using ValueName = std::tuple<HKEY, std::string, std::string>;

    bool exists(const KeyName& key) const;

    struct Position {
        HKEY key = 0;
        uint32_t next = 0;
        std::string folded;
    };

    mutable std::mutex mutex_;
    Position listedLast_; ///< where the last enumeration stopped
    detail::HandleTable handles_;
    std::set<KeyName> keys_;
    std::map<ValueName, Value> values_;
};

} // namespace qvMsgErr::platform

#include "platform/registry.h"

#include <memory>
#include <optional>
#include <utility>

namespace qvMsgErr::platform {

namespace {

/// Opens `path` below `root` for `access`, runs `use` on the handle, and closes it again on
/// every way out; the opening's result when it fails, else `use`'s.
template <class Use>
int32_t withKey(Registry& registry, HKEY root, const std::string& path, uint32_t access,
                Use&& use) {
    HKEY key = 0;
    if (const int32_t opened = registry.RegOpenKeyExA(root, path, access, key);
        opened != regresult::Success) {
        return opened;
    }
    const auto close = [&registry](const HKEY* open) { registry.RegCloseKey(*open); };
    const std::unique_ptr<const HKEY, decltype(close)> closing(&key, close);
    return use(key);
}

int32_t readOpen(Registry& registry, HKEY key, const std::string& name, uint32_t& kind,
                 std::string& bytes) {
    uint32_t size = 0;
    int32_t result = registry.RegQueryValueExA(key, name, kind, nullptr, size);
    if (result == regresult::Success) {
        bytes.assign(size, '\0');
        result = registry.RegQueryValueExA(key, name, kind,
                                           reinterpret_cast<uint8_t*>(bytes.data()), size);
        bytes.resize(result == regresult::Success ? size : 0);
    }
    return result;
}

} // namespace

int32_t Registry::ReadValues(HKEY root, const std::string& path,
                             const std::function<void(StoredValue&)>& each) {
    return withKey(*this, root, path, KEY_READ, [&](HKEY key) {
        for (uint32_t index = 0;; ++index) {
            StoredValue value;
            const int32_t listed = RegEnumValueA(key, index, value.name);
            if (listed == regresult::NoMoreItems) {
                return regresult::Success;
            }
            if (listed != regresult::Success) {
                return listed;
            }
            // A value removed between listing and reading is simply no longer there.
            if (const int32_t read = readOpen(*this, key, value.name, value.kind, value.bytes);
                read == regresult::Success) {
                each(value);
            } else if (read != regresult::FileNotFound) {
                return read;
            }
        }
    });
}

int32_t Registry::DeleteValues(HKEY root, const std::string& path, int32_t& removed) {
    removed = 0;
    return withKey(*this, root, path, KEY_WRITE_ALL, [&](HKEY key) {
        std::string name;
        std::optional<std::string> last;
        // Always the first: every deletion moves the rest up.
        while (RegEnumValueA(key, 0, name) == regresult::Success) {
            if (std::exchange(last, name) == name) {
                return regresult::IoFailed; // listed again after its deletion: the store is stuck
            }
            const int32_t deleted = RegDeleteValueA(key, name);
            if (deleted != regresult::Success && deleted != regresult::FileNotFound) {
                return deleted;
            }
            removed += deleted == regresult::Success ? 1 : 0;
        }
        return regresult::Success;
    });
}

int32_t Registry::ReadValue(HKEY root, const std::string& path, const std::string& name,
                            uint32_t& kind, std::string& bytes) {
    return withKey(*this, root, path, KEY_READ,
                   [&](HKEY key) { return readOpen(*this, key, name, kind, bytes); });
}

} // namespace qvMsgErr::platform

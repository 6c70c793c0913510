#include "platform/winreg/windows_registry.h"

#include "platform/sqlite/key_space.h"
#include "platform/utf16.h"
#include "platform/winreg/native_registry.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qvMsgErr::platform {

using namespace regresult;

using namespace winreg;

namespace {

/// HKEY_CURRENT_USER by number: windows.h makes the name a macro of its own type.
constexpr HKEY kCurrentUser = 0x80000001u;
/// The rights a handle is checked for (detail::KEY_QUERY_VALUE and KEY_SET_VALUE, which
/// windows.h makes macros too).
constexpr uint32_t kQueryRight = 0x1;
constexpr uint32_t kSetRight = 0x2;

/// How often ReadValues lists a key again when a writer changed it meanwhile.
constexpr int kListingAttempts = 20;

template <class F> int32_t guarded(F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    } catch (...) {
        return IoFailed;
    }
}

} // namespace

struct WindowsRegistry::Impl {
    struct Open {
        Native native = nullptr;
        uint32_t access = 0;
    };

    std::string sandbox;
    mutable std::mutex mutex;
    std::unordered_map<HKEY, Open> open;
    HKEY next = 1;
    struct {
        HKEY key = 0;
        uint32_t next = 0;
        std::string folded;
    } listedLast;

    ~Impl() {
        for (auto& [handle, key] : open) {
            ::RegCloseKey(key.native);
        }
    }

    HKEY remember(Native native, uint32_t access) {
        constexpr HKEY LastHandle = 0x7FFFFFFFu;
        while (open.count(next) != 0) {
            next = next == LastHandle ? 1 : next + 1;
        }
        const HKEY handle = next;
        next = next == LastHandle ? 1 : next + 1;
        open.emplace(handle, Open{native, access});
        return handle;
    }

    /// Where `path` below `root` lies: a native key to start from and the path below it.
    int32_t locate(HKEY root, const std::string& path, Native& base, std::string& below) const {
        Wide ignored;
        if (const int32_t r = nameOf(path, ignored); r != Success) {
            return r;
        }
        if (detail::isHive(root)) {
            if (sandbox.empty()) {
                base = predefined(root);
                below = tidyPath(path);
            } else {
                base = predefined(kCurrentUser);
                below = joinPath(joinPath(sandbox, hiveName(root)), tidyPath(path));
            }
            return Success;
        }
        const auto it = open.find(root);
        if (it == open.end()) {
            return InvalidHandle;
        }
        base = it->second.native;
        below = tidyPath(path);
        return Success;
    }

    /// Opens (or with `create` makes) the key `path` below `root` for `access`.
    int32_t openNative(HKEY root, const std::string& path, uint32_t access, bool create,
                       Native& out) const {
        out = nullptr;
        Native base = nullptr;
        std::string below;
        if (const int32_t r = locate(root, path, base, below); r != Success) {
            return r;
        }
        Wide name;
        if (const int32_t r = nameOf(below, name); r != Success) {
            return r;
        }
        // A handle opened for no right at all still names the key; the rights are checked here
        // as in the other stores, so the registry is asked for the least it can give.
        const REGSAM sam = access != 0 ? access : KEY_QUERY_VALUE;
        const LONG r = create
                           ? ::RegCreateKeyExW(base, name.c_str(), 0, nullptr,
                                               REG_OPTION_NON_VOLATILE, sam, nullptr, &out, nullptr)
                           : ::RegOpenKeyExW(base, name.c_str(), 0, sam, &out);
        if (r != ERROR_SUCCESS) {
            out = nullptr;
        }
        return resultOf(r);
    }

    /// Runs `use` with the native key behind `key` (an open handle, or a hive opened for the
    /// call) once the handle is known to grant `right`.
    template <class Use> int32_t withKey(HKEY key, uint32_t right, bool create, Use&& use) {
        if (detail::isHive(key)) {
            Native native = nullptr;
            const uint32_t access = right == kSetRight ? KEY_WRITE_ALL : KEY_READ;
            if (const int32_t r = openNative(key, "", access, create, native); r != Success) {
                return r;
            }
            const int32_t r = use(native);
            ::RegCloseKey(native);
            return r;
        }
        const auto it = open.find(key);
        if (it == open.end()) {
            return InvalidHandle;
        }
        if ((it->second.access & right) == 0) {
            return AccessDenied;
        }
        return use(it->second.native);
    }

    /// Runs `use` with the key `path` below `root`, opened for `access` and closed again.
    template <class Use>
    int32_t onPath(HKEY root, const std::string& path, uint32_t access, Use&& use) {
        return guarded([&]() -> int32_t {
            std::lock_guard lock(mutex);
            Native native = nullptr;
            if (const int32_t r = openNative(root, path, access, false, native); r != Success) {
                return r;
            }
            const std::unique_ptr<std::remove_pointer_t<Native>, decltype(&::RegCloseKey)> closing(
                native, &::RegCloseKey);
            return use(native);
        });
    }
};

WindowsRegistry::WindowsRegistry() : WindowsRegistry(std::string()) {}

WindowsRegistry::WindowsRegistry(std::string sandbox) : impl_(std::make_unique<Impl>()) {
    impl_->sandbox = tidyPath(sandbox);
}

WindowsRegistry::~WindowsRegistry() = default;

std::string WindowsRegistry::defaultSandbox() {
    const wchar_t* value = ::_wgetenv(L"QVMSGERR_REGISTRY");
    return value != nullptr ? tidyPath(narrow(value, std::wcslen(value))) : std::string();
}

const std::string& WindowsRegistry::sandbox() const noexcept {
    return impl_->sandbox;
}

int32_t WindowsRegistry::DeleteSandbox() {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        if (impl_->sandbox.empty()) {
            return Success;
        }
        Wide name;
        if (const int32_t r = nameOf(impl_->sandbox, name); r != Success) {
            return r;
        }
        // The key itself, its values and everything below it; a sandbox never written is gone.
        const LONG r = ::RegDeleteTreeW(predefined(kCurrentUser), name.c_str());
        return r == ERROR_FILE_NOT_FOUND ? Success : resultOf(r);
    });
}

std::size_t WindowsRegistry::openHandles() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->open.size();
}

int32_t WindowsRegistry::RegOpenKeyExA(HKEY root, const std::string& path, uint32_t access,
                                       HKEY& out) {
    out = 0;
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        Native native = nullptr;
        if (const int32_t r = impl_->openNative(root, path, access, false, native); r != Success) {
            return r;
        }
        out = impl_->remember(native, access);
        return Success;
    });
}

int32_t WindowsRegistry::RegCreateKeyExA(HKEY root, const std::string& path, uint32_t access,
                                         HKEY& out) {
    out = 0;
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        Native native = nullptr;
        if (const int32_t r = impl_->openNative(root, path, access, true, native); r != Success) {
            return r;
        }
        out = impl_->remember(native, access);
        return Success;
    });
}

int32_t WindowsRegistry::RegQueryValueExA(HKEY key, const std::string& name, uint32_t& kind,
                                          uint8_t* data, uint32_t& size) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        return impl_->withKey(key, kQueryRight, false, [&](Native native) -> int32_t {
            Wide wideName;
            if (const int32_t r = nameOf(name, wideName); r != Success) {
                return r;
            }
            uint32_t found = 0;
            std::string stored;
            if (const int32_t r = readNative(native, wideName, found, stored); r != Success) {
                return r;
            }
            const auto storedSize = static_cast<uint32_t>(stored.size());
            const uint32_t delivered = detail::deliveredSize(found, storedSize);
            kind = found;
            if (data == nullptr) {
                size = delivered;
                return Success;
            }
            if (size < delivered) {
                size = delivered;
                return MoreData;
            }
            std::copy(stored.begin(), stored.end(), data);
            if (delivered > storedSize) {
                data[storedSize] = 0;
            }
            size = delivered;
            return Success;
        });
    });
}

int32_t WindowsRegistry::RegSetValueExA(HKEY key, const std::string& name, uint32_t kind,
                                        const uint8_t* data, uint32_t size) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        return impl_->withKey(key, kSetRight, true, [&](Native native) -> int32_t {
            if (data == nullptr && size != 0) {
                return InvalidParameter;
            }
            Wide wideName;
            if (const int32_t r = nameOf(name, wideName); r != Success) {
                return r;
            }
            const std::vector<BYTE> bytes = toNative(kind, data, size);
            if (bytes.size() > MAXDWORD) {
                return InvalidParameter;
            }
            return resultOf(::RegSetValueExW(native, wideName.c_str(), 0, kind, bytes.data(),
                                             static_cast<DWORD>(bytes.size())));
        });
    });
}

int32_t WindowsRegistry::RegEnumValueA(HKEY key, uint32_t index, std::string& name) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        return impl_->withKey(key, kQueryRight, false, [&](Native native) -> int32_t {
            std::vector<Wide> names;
            if (const int32_t r = nativeNames(native, names); r != Success) {
                return r;
            }
            const std::vector<Listed> listed = listedInOrder(names);
            // The next index after the last one listed continues after that name, as the other
            // stores do, so that values forgotten while listing never make the listing skip one.
            auto& last = impl_->listedLast;
            const bool continues = index > 0 && last.key == key && last.next == index;
            auto it = continues ? std::upper_bound(listed.begin(), listed.end(), last.folded,
                                                   [](const std::string& folded, const Listed& l) {
                                                       return folded < l.folded;
                                                   })
                                : (index < listed.size() ? listed.begin() + index : listed.end());
            if (it == listed.end()) {
                return NoMoreItems;
            }
            name = it->name;
            last = {key, index + 1, it->folded};
            return Success;
        });
    });
}

int32_t WindowsRegistry::RegDeleteValueA(HKEY key, const std::string& name) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        return impl_->withKey(key, kSetRight, false, [&](Native native) -> int32_t {
            Wide wideName;
            if (const int32_t r = nameOf(name, wideName); r != Success) {
                return r;
            }
            return resultOf(::RegDeleteValueW(native, wideName.c_str()));
        });
    });
}

int32_t WindowsRegistry::RegCloseKey(HKEY key) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        if (detail::isHive(key)) {
            return Success;
        }
        const auto it = impl_->open.find(key);
        if (it == impl_->open.end()) {
            return InvalidHandle;
        }
        ::RegCloseKey(it->second.native);
        impl_->open.erase(it);
        return Success;
    });
}

int32_t WindowsRegistry::ReadValue(HKEY root, const std::string& path, const std::string& name,
                                   uint32_t& kind, std::string& bytes) {
    return impl_->onPath(root, path, KEY_QUERY_VALUE, [&](Native native) -> int32_t {
        Wide wideName;
        if (const int32_t r = nameOf(name, wideName); r != Success) {
            return r;
        }
        if (const int32_t r = readNative(native, wideName, kind, bytes); r != Success) {
            return r;
        }
        bytes.resize(detail::deliveredSize(kind, static_cast<uint32_t>(bytes.size())), '\0');
        return Success;
    });
}

int32_t WindowsRegistry::ReadValues(HKEY root, const std::string& path,
                                    const std::function<void(StoredValue&)>& each) {
    std::vector<StoredValue> values;
    const int32_t r = impl_->onPath(root, path, KEY_QUERY_VALUE, [&](Native native) -> int32_t {
        // The registry lists by index: a writer meanwhile shifts the indices. The listing is
        // taken again until the key was not written while it was taken.
        for (int attempt = 0; attempt < kListingAttempts; ++attempt) {
            const FILETIME before = lastWritten(native);
            std::vector<Wide> names;
            if (const int32_t listed = nativeNames(native, names); listed != Success) {
                return listed;
            }
            values.clear();
            for (Listed& l : listedInOrder(names)) {
                StoredValue value;
                const int32_t read = readNative(native, l.native, value.kind, value.bytes);
                if (read == FileNotFound) {
                    continue; // removed between listing and reading
                }
                if (read != Success) {
                    return read;
                }
                value.bytes.resize(
                    detail::deliveredSize(value.kind, static_cast<uint32_t>(value.bytes.size())),
                    '\0');
                value.name = std::move(l.name);
                values.push_back(std::move(value));
            }
            const FILETIME after = lastWritten(native);
            if (CompareFileTime(&before, &after) == 0) {
                return Success;
            }
        }
        return Success; // a key written without pause: the last listing is as good as any
    });
    if (r == Success) {
        for (StoredValue& value : values) {
            each(value);
        }
    }
    return r;
}

int32_t WindowsRegistry::DeleteValues(HKEY root, const std::string& path, int32_t& removed) {
    removed = 0;
    return impl_->onPath(root, path, KEY_QUERY_VALUE | KEY_SET_VALUE,
                         [&](Native native) -> int32_t {
                             std::vector<Wide> names;
                             if (const int32_t r = nativeNames(native, names); r != Success) {
                                 return r;
                             }
                             for (const Wide& name : names) {
                                 const LONG r = ::RegDeleteValueW(native, name.c_str());
                                 if (r == ERROR_SUCCESS) {
                                     ++removed;
                                 } else if (r != ERROR_FILE_NOT_FOUND) {
                                     return resultOf(r);
                                 }
                             }
                             return Success;
                         });
}

std::shared_ptr<Registry> makeDefaultRegistry() {
    return std::make_shared<WindowsRegistry>(WindowsRegistry::defaultSandbox());
}

} // namespace qvMsgErr::platform

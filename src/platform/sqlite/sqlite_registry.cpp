#include "platform/sqlite/sqlite_registry_p.h"

namespace qvMsgErr::platform {

SqliteRegistry::SqliteRegistry(std::string path) : impl_(std::make_unique<Impl>(std::move(path))) {}

SqliteRegistry::~SqliteRegistry() = default;

const std::string& SqliteRegistry::path() const noexcept {
    return impl_->path;
}

int32_t SqliteRegistry::RegOpenKeyExA(HKEY root, const std::string& path, uint32_t access,
                                      HKEY& out) {
    out = 0;
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        auto key = impl_->handles.resolve(root, path);
        if (!key) {
            return InvalidHandle;
        }
        if (!key->path.empty()) {
            if (const int32_t r = impl_->connect(false); r != Success) {
                return r;
            }
            bool present = false;
            if (const int rc = impl_->keyPresent(*key, present); !succeeded(rc)) {
                return impl_->fail(rc);
            }
            if (!present) {
                return FileNotFound;
            }
        }
        key->access = access;
        out = impl_->handles.open(std::move(*key));
        return Success;
    });
}

int32_t SqliteRegistry::RegCreateKeyExA(HKEY root, const std::string& path, uint32_t access,
                                        HKEY& out) {
    out = 0;
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        auto key = impl_->handles.resolve(root, path);
        if (!key) {
            return InvalidHandle;
        }
        if (!key->path.empty()) {
            // Most calls find the key already there; only a missing key costs a transaction.
            bool present = false;
            if (const int32_t r = impl_->connect(false); r == Success) {
                if (const int rc = impl_->keyPresent(*key, present); !succeeded(rc)) {
                    return impl_->fail(rc);
                }
            } else if (r != FileNotFound) {
                return r;
            }
            if (!present) {
                if (const int32_t r = impl_->connect(true); r != Success) {
                    return r;
                }
                const int rc = impl_->write([&] {
                    int step = SQLITE_DONE;
                    detail::forEachPrefix(key->path, [&](const std::string& prefix) {
                        if (step == SQLITE_DONE) {
                            step = stepOnce(impl_->keyInsert.get(), [&](sqlite3_stmt* s) {
                                bindKey(s, key->hive, prefix);
                            });
                        }
                    });
                    return step;
                });
                if (!succeeded(rc)) {
                    return impl_->fail(rc);
                }
            }
        }
        key->access = access;
        out = impl_->handles.open(std::move(*key));
        return Success;
    });
}

int32_t SqliteRegistry::RegQueryValueExA(HKEY key, const std::string& name, uint32_t& kind,
                                         uint8_t* data, uint32_t& size) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        detail::KeyRef ref;
        if (const int32_t r = impl_->reachForReading(key, ref); r != Success) {
            return r;
        }
        bool found = false;
        int32_t result = Success;
        const int rc = impl_->lookUpValue(ref, name, [&](sqlite3_stmt* s) {
            found = true;
            kind = static_cast<uint32_t>(sqlite3_column_int64(s, 0));
            const void* bytes = sqlite3_column_blob(s, 1);
            const auto stored = static_cast<uint32_t>(sqlite3_column_bytes(s, 1));
            const uint32_t delivered = detail::deliveredSize(kind, stored);
            if (data == nullptr) {
                size = delivered;
            } else if (size < delivered) {
                size = delivered;
                result = MoreData;
            } else {
                if (stored != 0) {
                    std::memcpy(data, bytes, stored);
                }
                if (delivered > stored) {
                    data[stored] = 0;
                }
                size = delivered;
            }
        });
        if (!succeeded(rc)) {
            return impl_->fail(rc);
        }
        return found ? result : FileNotFound;
    });
}

int32_t SqliteRegistry::ReadValue(HKEY root, const std::string& path, const std::string& name,
                                  uint32_t& kind, std::string& bytes) {
    // One indexed lookup: a value exists only in a key that exists, so an absent key reads as
    // an absent value, as the opening would have said.
    return impl_->onKey(root, path, detail::KEY_QUERY_VALUE,
                        [&](const detail::KeyRef& ref) -> int32_t {
                            bool found = false;
                            const int rc = impl_->lookUpValue(ref, name, [&](sqlite3_stmt* s) {
                                found = true;
                                deliveredValue(s, 0, kind, bytes);
                            });
                            if (!succeeded(rc)) {
                                return impl_->fail(rc);
                            }
                            return found ? Success : FileNotFound;
                        });
}

int32_t SqliteRegistry::RegSetValueExA(HKEY key, const std::string& name, uint32_t kind,
                                       const uint8_t* data, uint32_t size) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        detail::KeyRef ref;
        if (const int32_t r = impl_->handles.use(key, detail::KEY_SET_VALUE, ref); r != Success) {
            return r;
        }
        if (data == nullptr && size != 0) {
            return InvalidParameter;
        }
        if (const int32_t r = impl_->connect(true); r != Success) {
            return r;
        }
        const std::string folded = detail::foldCase(name);
        const int rc = impl_->write([&] {
            return stepOnce(impl_->valuePut.get(), [&](sqlite3_stmt* s) {
                bindKey(s, ref.hive, ref.path);
                bindBytes(s, 3, folded.data(), folded.size());
                sqlite3_bind_int64(s, 4, kind);
                bindBytes(s, 5, data, size);
                bindBytes(s, 6, name.data(), name.size());
            });
        });
        return succeeded(rc) ? Success : impl_->fail(rc);
    });
}

int32_t SqliteRegistry::RegEnumValueA(HKEY key, uint32_t index, std::string& name) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        detail::KeyRef ref;
        if (const int32_t r = impl_->reachForReading(key, ref); r != Success) {
            return r == FileNotFound ? NoMoreItems : r; // no store yet: no values anywhere
        }
        // Another process may have upgraded the file since: then its spellings can be listed.
        if (impl_->layout < SchemaVersion) {
            if (const int rc = impl_->adoptLayout(false); rc != SQLITE_OK) {
                return impl_->fail(rc);
            }
        }
        auto& last = impl_->listedLast;
        const bool continues = index > 0 && last.key == key && last.next == index;
        const std::string after = continues ? last.folded : std::string(); // bound while stepping
        bool found = false;
        const int rc = stepOnce(
            continues ? impl_->valueNameAfter.get() : impl_->valueName.get(),
            [&](sqlite3_stmt* s) {
                bindKey(s, ref.hive, ref.path);
                if (continues) {
                    bindBytes(s, 3, after.data(), after.size());
                } else {
                    sqlite3_bind_int64(s, 3, index);
                }
            },
            [&](sqlite3_stmt* s) {
                found = true;
                name = columnText(s, 0);
                last = {key, index + 1, columnText(s, 1)};
            });
        if (!succeeded(rc)) {
            return impl_->fail(rc);
        }
        return found ? Success : NoMoreItems;
    });
}

int32_t SqliteRegistry::RegDeleteValueA(HKEY key, const std::string& name) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        detail::KeyRef ref;
        if (const int32_t r = impl_->handles.use(key, detail::KEY_SET_VALUE, ref); r != Success) {
            return r;
        }
        const std::string folded = detail::foldCase(name);
        const auto bindName = [&](sqlite3_stmt* s) {
            bindKey(s, ref.hive, ref.path);
            bindBytes(s, 3, folded.data(), folded.size());
        };
        // An absent value costs no write lock, makes no file and upgrades nothing.
        if (const int32_t r = impl_->connect(false); r != Success) {
            return r;
        }
        bool present = false;
        if (const int rc =
                stepOnce(impl_->valueGet.get(), bindName, [&](sqlite3_stmt*) { present = true; });
            !succeeded(rc)) {
            return impl_->fail(rc);
        }
        if (!present) {
            return FileNotFound;
        }
        if (const int32_t r = impl_->connect(true); r != Success) {
            return r;
        }
        bool removed = false;
        const int rc = impl_->write([&] {
            const int step = stepOnce(impl_->valueDelete.get(), bindName);
            removed = sqlite3_changes(impl_->db) != 0;
            return step;
        });
        if (!succeeded(rc)) {
            return impl_->fail(rc);
        }
        return removed ? Success : FileNotFound; // another process removed it meanwhile
    });
}

int32_t SqliteRegistry::ReadValues(HKEY root, const std::string& path,
                                   const std::function<void(StoredValue&)>& each) {
    // One statement is one read transaction: a writer meanwhile changes nothing it sees.
    return impl_->onKey(
        root, path, detail::KEY_QUERY_VALUE, [&](const detail::KeyRef& ref) -> int32_t {
            sqlite3_stmt* s = impl_->valuesGet.get();
            bindKey(s, ref.hive, ref.path);
            // Reset on every way out, a throwing `each` included, so that the snapshot ends.
            const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> resetting(s, sqlite3_reset);
            int rc = SQLITE_OK;
            bool any = false;
            StoredValue value;
            while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
                any = true;
                readColumn(s, 0, value.name);
                deliveredValue(s, 1, value.kind, value.bytes);
                each(value);
            }
            if (!succeeded(rc)) {
                return impl_->fail(rc);
            }
            return any ? Success : impl_->keyResult(ref);
        });
}

int32_t SqliteRegistry::DeleteValues(HKEY root, const std::string& path, int32_t& removed) {
    removed = 0;
    return impl_->onKey(
        root, path, detail::KEY_SET_VALUE, [&](const detail::KeyRef& ref) -> int32_t {
            if (const int32_t r = impl_->keyResult(ref); r != Success) {
                return r;
            }
            if (const int32_t r = impl_->connect(true); r != Success) {
                return r;
            }
            // One transaction, one commit: clearing costs one fsync, not one a value.
            const int rc = impl_->write([&] {
                const int step = stepOnce(impl_->valuesDelete.get(),
                                          [&](sqlite3_stmt* s) { bindKey(s, ref.hive, ref.path); });
                removed = sqlite3_changes(impl_->db);
                return step;
            });
            return succeeded(rc) ? Success : impl_->fail(rc);
        });
}

int32_t SqliteRegistry::RegCloseKey(HKEY key) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        return impl_->handles.close(key) ? Success : InvalidHandle;
    });
}

std::shared_ptr<Registry> makeDefaultRegistry() {
    return std::make_shared<SqliteRegistry>(SqliteRegistry::defaultPath());
}

} // namespace qvMsgErr::platform

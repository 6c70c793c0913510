// Shared by the store tests: a private directory per test, both stores as a parameter, raw
// writes, the thread's store put back after each test, and a capture of standard error.
#pragma once

#include "platform/registry.h"
#include "platform/sqlite/memory_registry.h"
#include "platform/sqlite/sqlite_registry.h"
#include "support/apartment.h"

#include "scratch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace storetest {

using namespace qvtest;

using qvMsgErr::platform::HKEY;
using qvMsgErr::platform::MemoryRegistry;
using qvMsgErr::platform::Registry;
using qvMsgErr::platform::SqliteRegistry;

inline const std::string Section = "MessageBox\\ShowMessage";

// Nothing in these tests may reach the user's own store.
inline const bool isolated = [] {
    return ::setenv("QVMSGERR_REGISTRY", (::testing::TempDir() + "qvstore-never-used.db").c_str(),
                    1) == 0;
}();

/// Creates the key `path` below `root` and stores `bytes` in it, as another program would.
inline int32_t put(Registry& store, const std::string& path, const std::string& name, uint32_t kind,
                   const std::string& bytes, HKEY root = qvMsgErr::platform::HKEY_CURRENT_USER) {
    HKEY key = 0;
    int32_t r = store.RegCreateKeyExA(root, path, qvMsgErr::platform::KEY_WRITE_ALL, key);
    if (r == qvMsgErr::platform::regresult::Success) {
        r = store.RegSetValueExA(key, name, kind, reinterpret_cast<const uint8_t*>(bytes.data()),
                                 static_cast<uint32_t>(bytes.size()));
    }
    store.RegCloseKey(key);
    return r;
}

/// Makes the thread use `store` below `root`.
inline void useStore(std::shared_ptr<Registry> store, std::string root = "Software\\Tests") {
    qvMsgErr::setThreadRegistry(std::move(store));
    qvMsgErr::apartment().regRoot = std::move(root);
}
inline void useStoreFile(const std::string& path) {
    useStore(std::make_shared<SqliteRegistry>(path));
}

/// Puts the thread's store and registry root back after each test.
class ThreadStoreTest : public ::testing::Test {
protected:
    void TearDown() override { useStore(nullptr, ""); }
    ScratchDir dir;
};

/// Runs once on the in-memory store and once on a SQLite store in the test's own directory,
/// which is also the thread's store.
class BothStores : public ThreadStoreTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        store = GetParam() == std::string("Memory")
                    ? std::shared_ptr<Registry>(std::make_shared<MemoryRegistry>())
                    : std::make_shared<SqliteRegistry>(dir.file("config/qvMsgErr/registry.db"));
        useStore(store);
    }
    std::shared_ptr<Registry> store;
};

} // namespace storetest

// Shared by the store tests: a private directory per test, the in-memory store and the platform's
// store (SQLite on Linux, the registry on Windows) as a parameter, raw writes and reads, the
// thread's store put back after each test, and a capture of standard error.
#pragma once

#include "platform/registry.h"
#include "platform/sqlite/memory_registry.h"
#ifdef _WIN32
#include "platform/winreg/windows_registry.h"
#else
#include "platform/sqlite/sqlite_registry.h"
#endif
#include "support/apartment.h"

#include "scratch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace storetest {

using namespace qvtest;

using qvMsgErr::platform::HKEY;
using qvMsgErr::platform::MemoryRegistry;
using qvMsgErr::platform::Registry;
using qvMsgErr::platform::StoredValue;
#ifdef _WIN32
using qvMsgErr::platform::WindowsRegistry;
#else
using qvMsgErr::platform::SqliteRegistry;
#endif
inline const std::string Section = "MessageBox\\ShowMessage";

#ifdef _WIN32
/// Where the registry tests keep their sandboxes, below HKEY_CURRENT_USER.
inline const std::string SandboxParent = "Software\\qvMsgErr tests";

/// A sandbox key of its own for one store below SandboxParent.
inline std::string freshSandbox() {
    static std::random_device random;
    return SandboxParent + "\\" + std::to_string(random()) + "-" + std::to_string(random());
}

// Nothing in these tests may reach the user's own registry.
inline const bool isolated = [] {
    setEnv("QVMSGERR_REGISTRY", (SandboxParent + "\\never used").c_str());
    return true;
}();
inline constexpr const char* kPlatformStore = "Registry";
#else
// Nothing in these tests may reach the user's own store.
inline const bool isolated = [] {
    setEnv("QVMSGERR_REGISTRY", (::testing::TempDir() + "qvstore-never-used.db").c_str());
    return true;
}();
inline constexpr const char* kPlatformStore = "Sqlite";
#endif

constexpr HKEY HKLM = 0x80000002u;

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

struct Read {
    int32_t result = -1;
    uint32_t kind = 0;
    std::string bytes;
};

/// What a reader sees of one value: the result, its kind and its bytes.
inline Read get(Registry& store, const std::string& path, const std::string& name,
                HKEY root = qvMsgErr::platform::HKEY_CURRENT_USER) {
    Read read;
    read.result = store.ReadValue(root, path, name, read.kind, read.bytes);
    return read;
}

using Names = std::vector<std::string>;

/// The value names of the key at `path`, in the order the store lists them.
inline Names list(Registry& store, const std::string& path,
                  HKEY root = qvMsgErr::platform::HKEY_CURRENT_USER) {
    Names names;
    EXPECT_EQ(store.ReadValues(root, path, [&names](StoredValue& v) { names.push_back(v.name); }),
              qvMsgErr::platform::regresult::Success);
    return names;
}

/// Makes the thread use `store` below `root`.
inline void useStore(std::shared_ptr<Registry> store, std::string root = "Software\\Tests") {
    qvMsgErr::setThreadRegistry(std::move(store));
    qvMsgErr::apartment().regRoot = std::move(root);
}
#ifndef _WIN32
inline void useStoreFile(const std::string& path) {
    useStore(std::make_shared<SqliteRegistry>(path));
}
#endif

/// Puts the thread's store and registry root back after each test.
class ThreadStoreTest : public ::testing::Test {
protected:
    void TearDown() override { useStore(nullptr, ""); }
    ScratchDir dir;
};

/// Runs once on the in-memory store and once on the platform's store: on Linux a SQLite store in
/// the test's own directory, on Windows the registry in a sandbox key of the test's own (removed
/// afterwards). It is also the thread's store.
class BothStores : public ThreadStoreTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        if (GetParam() == std::string("Memory")) {
            store = std::make_shared<MemoryRegistry>();
        } else {
#ifdef _WIN32
            sandbox = std::make_shared<WindowsRegistry>(freshSandbox());
            store = sandbox;
#else
            store = std::make_shared<SqliteRegistry>(dir.file("config/qvMsgErr/registry.db"));
#endif
        }
        useStore(store);
    }
#ifdef _WIN32
    void TearDown() override {
        ThreadStoreTest::TearDown();
        if (sandbox) {
            EXPECT_EQ(sandbox->openHandles(), 0u) << "a key was left open";
            sandbox->DeleteSandbox();
        }
    }
    std::shared_ptr<WindowsRegistry> sandbox;
#endif
    std::shared_ptr<Registry> store;
};

} // namespace storetest

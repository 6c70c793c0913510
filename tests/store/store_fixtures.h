// Shared by the store tests: a private directory per test, both stores as a parameter, raw
// writes, the thread's store put back after each test, and a capture of standard error.
#pragma once

#include "platform/registry.h"
#include "platform/sqlite/memory_registry.h"
#include "platform/sqlite/sqlite_registry.h"
#include "support/apartment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace storetest {

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

/// A fresh directory below the test temp directory, removed again afterwards.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = ::testing::TempDir() + "qvstore-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed for " << pattern;
        }
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

/// Runs `f` with standard error sent to `file`; returns what arrived there.
inline std::string stderrOf(const std::string& file, const std::function<void()>& f) {
    std::fflush(stderr);
    const int saved = ::dup(2), fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
    f();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    return readFile(file);
}

/// Runs `check` in a child process, which must end cleanly; its failures are reported from there.
inline void inChildProcess(const std::function<void()>& check) {
    std::fflush(stdout); // or the child prints the parent's pending output again
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        try {
            check();
        } catch (...) { // it must not unwind into the rest of the suite
            ADD_FAILURE() << "exception in the child process";
        }
        std::fflush(stdout);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
}

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

/// Runs once on the in-memory store and once on a SQLite store in the test's own directory.
class BothStores : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        store = GetParam() == std::string("Memory")
                    ? std::shared_ptr<Registry>(std::make_shared<MemoryRegistry>())
                    : std::make_shared<SqliteRegistry>(dir.file("config/qvMsgErr/registry.db"));
    }
    void TearDown() override { useStore(nullptr, ""); }
    ScratchDir dir;
    std::shared_ptr<Registry> store;
};

} // namespace storetest

// Shared by the store tests: a private directory per test, the two stores as parameters, and a
// capture of everything written to the process's standard error.
#pragma once

#include "platform/registry.h"
#include "platform/sqlite/memory_registry.h"
#include "platform/sqlite/sqlite_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace storetest {

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
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// Redirects file descriptor 2 into a file for its lifetime; `text()` returns what arrived.
class StderrCapture {
public:
    explicit StderrCapture(const std::string& file) : file_(file) {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string text() {
        restore();
        return readFile(file_);
    }

private:
    void restore() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            ::dup2(saved_, 2);
            ::close(saved_);
            saved_ = -1;
        }
    }
    std::string file_;
    int saved_ = -1;
};

/// Makes a store of one kind; a SQLite store lives in `dir`.
struct StoreKind {
    const char* name;
    std::function<std::shared_ptr<qvMsgErr::platform::Registry>(const ScratchDir& dir)> make;
};

inline const StoreKind MemoryStore{
    "Memory",
    [](const ScratchDir&) { return std::make_shared<qvMsgErr::platform::MemoryRegistry>(); }};
inline const StoreKind SqliteStore{"Sqlite", [](const ScratchDir& dir) {
                                       return std::make_shared<qvMsgErr::platform::SqliteRegistry>(
                                           dir.file("config/qvMsgErr/registry.db"));
                                   }};

inline void PrintTo(const StoreKind& kind, std::ostream* os) {
    *os << kind.name;
}

inline std::string storeName(const ::testing::TestParamInfo<StoreKind>& info) {
    return info.param.name;
}

} // namespace storetest

// Shared by tests that touch the file system: a private directory per test, whole-file reads
// and writes, a capture of standard error, and child processes (also as an unprivileged user, so
// that permission bits bind when the suite runs as root, as CI does). The child processes are
// POSIX only (fork); the rest works on Windows too.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <random>
#include <sys/stat.h>
#else
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qvtest {

/// The file that swallows whatever is written to it.
#ifdef _WIN32
inline constexpr const char* kNullDevice = "NUL";
#else
inline constexpr const char* kNullDevice = "/dev/null";
#endif

/// Sets the environment variable `name` to `value` (unsets it with nullptr).
inline void setEnv(const char* name, const char* value) {
#ifdef _WIN32
    ::_putenv_s(name, value != nullptr ? value : "");
#else
    value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
#endif
}

/// Sets an environment variable (or unsets it, with nullopt) for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setEnv(name, value ? value->c_str() : nullptr);
    }
    ~ScopedEnv() { setEnv(name_, old_ ? old_->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

/// A fresh directory below the test temp directory, removed again afterwards.
class ScratchDir {
public:
    ScratchDir() {
#ifdef _WIN32
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const std::string candidate = ::testing::TempDir() + "qvtest-" +
                                          std::to_string(random()) + std::to_string(attempt);
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) {
                path_ = candidate;
            }
        }
        if (path_.empty()) {
            ADD_FAILURE() << "no directory could be made in " << ::testing::TempDir();
        }
#else
        std::string pattern = ::testing::TempDir() + "qvtest-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed for " << pattern;
        }
        path_ = pattern;
#endif
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const {
        return path_;
    }
    std::string file(const std::string& name) const {
        return path_ + "/" + name;
    }

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
#ifdef _WIN32
    // Binary: the bytes the program wrote, not the C runtime's CR LF for each LF.
    const int saved = ::dup(2),
              fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_BINARY, 0600);
#else
    const int saved = ::dup(2), fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
#endif
    ::dup2(fd, 2);
    ::close(fd);
    f();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    return readFile(file);
}

#ifndef _WIN32
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

/// Runs `check` in a child process as user nobody when the suite runs as root, after handing
/// `dirs` (recursively) to that user; as the current user in this process otherwise.
inline void asUnprivileged(const std::vector<std::string>& dirs,
                           const std::function<void()>& check) {
    if (::geteuid() != 0) {
        check();
        return;
    }
    constexpr uid_t kNobody = 65534;
    for (const std::string& p : dirs) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(p)) {
            EXPECT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0);
        }
        EXPECT_EQ(::lchown(p.c_str(), kNobody, kNobody), 0);
    }
    inChildProcess([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ADD_FAILURE() << "cannot become user nobody";
            return;
        }
        check();
    });
}
#endif

} // namespace qvtest

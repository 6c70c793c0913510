#include "platform/files.h"

#include <qvMsgErr/RunTimeError.h>

#include <dlfcn.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace qvMsgErr::platform {

bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

namespace {

bool writeAndFlush(int fd, const std::string& bytes) {
    return writeAll(fd, bytes) && ::fsync(fd) == 0;
}

// The mode a new file would get: 0666 less the process's umask (read without changing it for
// other threads is not possible, so it is read through /proc where there is one).
mode_t newFileMode() {
    mode_t mask = 022;
    if (int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC); fd >= 0) {
        char buf[2048];
        const ssize_t n = ::read(fd, buf, sizeof buf - 1);
        ::close(fd);
        if (n > 0) {
            buf[n] = '\0';
            if (const char* at = std::strstr(buf, "Umask:")) {
                mask = static_cast<mode_t>(std::strtoul(at + 6, nullptr, 8));
            }
        }
    }
    return 0666 & ~mask;
}

bool writeInPlace(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    const bool ok = writeAndFlush(fd, bytes);
    return ::close(fd) == 0 && ok;
}

} // namespace

void replaceFile(const std::string& path, const std::string& bytes) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        throw RunTimeError(err::PathFileAccess);
    }
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        throw RunTimeError(err::PathFileAccess);
    }
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        if (!writeInPlace(path, bytes)) {
            throw RunTimeError(err::PathFileAccess);
        }
        return;
    }
    ::fchmod(fd, exists ? (existing.st_mode & 07777) : newFileMode());
    const bool written = writeAndFlush(fd, bytes);
    if (::close(fd) != 0 || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw RunTimeError(err::PathFileAccess);
    }
}

std::string libraryDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&libraryDirectory), &info) != 0 &&
        info.dli_fname != nullptr) {
        std::error_code ec;
        const auto path = std::filesystem::absolute(info.dli_fname, ec);
        if (!ec) {
            return path.parent_path().string();
        }
    }
    return {};
}

} // namespace qvMsgErr::platform

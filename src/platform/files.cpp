#include "platform/files.h"

#include <qvMsgErr/RunTimeError.h>

#include <dlfcn.h>

#include <cerrno>
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

} // namespace

void replaceFile(const std::string& path, const std::string& bytes) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        throw RunTimeError(err::PathFileAccess);
    }
    // The name itself is looked at, not what a link there points to: the rename below replaces
    // a link with the new file and never writes through it.
    struct stat existing {};
    const bool exists = ::lstat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        throw RunTimeError(err::PathFileAccess);
    }
    // mkstemp makes the file with O_EXCL, so nothing planted at the temporary name is followed.
    // Where no file can be made beside the target, nothing is written: rewriting the target in
    // place would destroy it on a failure halfway.
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        throw RunTimeError(err::PathFileAccess);
    }
    // A report may hold private data: a new file is the user's alone, whatever the umask; a
    // file that was there keeps the mode its owner gave it.
    const bool keepMode = exists && S_ISREG(existing.st_mode);
    const bool written =
        ::fchmod(fd, keepMode ? (existing.st_mode & 07777) : 0600) == 0 && writeAndFlush(fd, bytes);
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

std::string openerTarget(const std::string& target, const std::string& currentDirectory) {
    if (target.empty() || target.front() == '/') {
        return target;
    }
    const auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto schemeEnd = target.find_first_not_of(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-.");
    if (isAlpha(target.front()) && schemeEnd >= 2 && schemeEnd != std::string::npos &&
        target[schemeEnd] == ':') {
        return target;
    }
    std::string path = currentDirectory;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path + target;
}

} // namespace qvMsgErr::platform

// Files and the process on Linux (see files.h).
#include "platform/files.h"

#include <qvMsgErr/RunTimeError.h>

#include <dlfcn.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvMsgErr::platform {

namespace {

/// Writes all of `bytes` to the descriptor, going on after partial writes and interruptions.
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

namespace {

// Closes the descriptor on every path out of appendToFile.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

bool appendToFile(const std::string& path, const std::string& line) {
    // Never through a link at the log's name; a FIFO there must not block the caller, and
    // only a regular file can hold lines. A new log is the user's alone: it may hold private
    // error texts.
    FileDescriptor fd(::open(
        path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    // O_APPEND alone keeps one write() whole only up to the pipe-buffer size on some file
    // systems, and a long line may take several writes: the lock keeps the line in one piece.
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    // A line written in part (a full disk) is taken back, so that the next line does not
    // continue it.
    const off_t end = ::lseek(fd.get(), 0, SEEK_END);
    const bool written = end >= 0 && writeAll(fd.get(), line);
    if (!written && end >= 0) {
        [[maybe_unused]] const int ignored = ::ftruncate(fd.get(), end);
    }
    ::flock(fd.get(), LOCK_UN);
    return written;
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string fileVersion(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return "-";
    }
    return std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + "/" +
           std::to_string(st.st_size) + "/" + std::to_string(st.st_ino);
}

std::string programName() {
    return program_invocation_short_name;
}

std::tm localTime(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

} // namespace qvMsgErr::platform

#include "support/utilities.h"

#include "support/apartment.h"
#include "support/failure.h"

#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvMsgErr {

namespace {

// Closes the descriptor on every path out of AppendToFile.
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

bool AppendToFile(const std::string& path, const std::string& text) noexcept {
    return orResult(false, [&] {
        if (path.empty() || path.find('\0') != std::string::npos) {
            return false;
        }
        // Never through a link at the log's name; a FIFO there must not block the caller, and
        // only a regular file can hold lines. A new log is the user's alone: it may hold private
        // error texts.
        FileDescriptor fd(
            ::open(path.c_str(),
                   O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
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
        std::string line;
        line.reserve(text.size() + 2);
        line.append(text).append("\r\n");
        // A line written in part (a full disk) is taken back, so that the next line does not
        // continue it.
        const off_t end = ::lseek(fd.get(), 0, SEEK_END);
        const bool written = end >= 0 && platform::writeAll(fd.get(), line);
        if (!written && end >= 0) {
            [[maybe_unused]] const int ignored = ::ftruncate(fd.get(), end);
        }
        ::flock(fd.get(), LOCK_UN);
        return written;
    });
}

std::string TrimText(std::string& text) noexcept {
    std::string result;
    passOver({
        [&] {
            while (!text.empty() &&
                   (text.back() == '\n' || text.back() == '\r' || text.back() == '\0')) {
                text.pop_back();
            }
        },
        [&] {
            const auto first = text.find_first_not_of(' ');
            if (first != std::string::npos) {
                result = text.substr(first, text.find_last_not_of(' ') - first + 1);
            }
        },
    });
    return result;
}

bool ToggleTopmost(platform::Window& window, bool currentState) noexcept {
    bool state = currentState;
    passOver({[&] {
        if (threadDesktop().setTopmost(window.handle(), !currentState)) {
            state = !currentState;
        }
    }});
    return state;
}

} // namespace qvMsgErr

#include "support/utilities.h"

#include "support/apartment.h"
#include "support/failure.h"

#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
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
        FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
        if (fd.get() < 0) {
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
        const bool written = platform::writeAll(fd.get(), line);
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

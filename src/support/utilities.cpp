#include "support/utilities.h"

#include "support/apartment.h"
#include "support/failure.h"

#include "platform/files.h"

namespace qvMsgErr {

bool AppendToFile(const std::string& path, const std::string& text) noexcept {
    return orResult(false, [&] {
        if (path.empty() || path.find('\0') != std::string::npos) {
            return false;
        }
        std::string line;
        line.reserve(text.size() + 2);
        line.append(text).append("\r\n");
        return platform::appendToFile(path, line);
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

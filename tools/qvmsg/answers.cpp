// What a script's answers name: a button by its digit, its caption or its fixed name, and the
// error dialog's responses with their captions and buttons.
#include "cli.h"

#include <qvMsgErr/memory.h>

#include <algorithm>
#include <cctype>

namespace qvmsg {

using qvMsgErr::clsMesgBox;

std::optional<int32_t> buttonNumberOf(const std::string& target) {
    if (target.size() == 1 && target[0] >= '0' && target[0] <= '9') {
        return target[0] - '0';
    }
    return std::nullopt;
}

std::string readable(const std::string& caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) {
            ++i;
        }
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i])));
    }
    return out;
}

std::optional<int32_t> buttonNamed(const std::string& target, clsMesgBox& names) {
    for (int32_t n = qvMsgErr::qvButtonOK; n <= qvMsgErr::qvButtonNo; ++n) {
        if (lower(target) ==
            names.ResolveButtonNameText(static_cast<qvMsgErr::qvButtonNumbers>(n), true)) {
            return n;
        }
    }
    return std::nullopt;
}

namespace {
struct ErrorResponse {
    int32_t number;
    const char* caption;
    const char* button;
};
constexpr ErrorResponse kResponses[] = {
    {qvMsgErr::qvButtonAbort, "Close", "cmdClose"},
    {qvMsgErr::qvButtonRetry, "Try Again", "cmdRetry"},
    {qvMsgErr::qvButtonIgnore, "Ignore", "cmdIgnore"},
};
} // namespace

std::optional<int32_t> errorResponseNamed(const std::string& target) {
    for (const auto& r : kResponses) {
        if (lower(target) == lower(r.caption)) {
            return r.number;
        }
    }
    return std::nullopt;
}

std::string errorResponseCaption(int32_t response) {
    for (const auto& r : kResponses) {
        if (r.number == response) {
            return r.caption;
        }
    }
    return {};
}

std::string errorButtonName(int32_t response) {
    for (const auto& r : kResponses) {
        if (r.number == response) {
            return r.button;
        }
    }
    return {};
}

std::optional<ControlRef> answerButton(const std::string& window, int32_t flags, int32_t number) {
    if (window == "dlgError") {
        const std::string name = errorButtonName(number);
        return name.empty() ? std::nullopt : std::optional<ControlRef>(ControlRef{name, -1});
    }
    const auto set = qvMsgErr::ButtonSet(flags);
    const auto at = std::find(set.begin(), set.end(), number);
    if (at == set.end()) {
        return std::nullopt;
    }
    return ControlRef{"cmdButton", static_cast<int16_t>(at - set.begin())};
}

int exitStatus(ExitStyle style, int answer, bool timedOut) {
    if (style == ExitStyle::Button) {
        return answer;
    }
    // The answers that go on succeed; those that stop, and a dialog closed all, fail.
    constexpr int kZenityTimeout = 5;
    switch (answer) {
    case qvMsgErr::qvButtonOK:
    case qvMsgErr::qvButtonRetry:
    case qvMsgErr::qvButtonIgnore:
    case qvMsgErr::qvButtonYes:
    case kSystemTryAgain:
    case kSystemContinue:
        return timedOut ? kZenityTimeout : 0;
    default:
        return timedOut ? kZenityTimeout : 1;
    }
}

} // namespace qvmsg

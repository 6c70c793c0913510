#include "platform/system_box.h"

#include <string>

namespace qvMsgErr::platform {

std::vector<int32_t> systemBoxAnswers(int32_t flags) {
    switch (flags & 0x7) {
    case 1:
        return {1, 2};
    case 2:
        return {3, 4, 5};
    case 3:
        return {6, 7, 2};
    case 4:
        return {6, 7};
    case 5:
        return {4, 2};
    case 6:
        return {2, kTryAgainAnswer, kContinueAnswer};
    default:
        return {1};
    }
}

int32_t closeAnswerOf(const std::vector<int32_t>& answers) {
    constexpr int32_t kOK = 1, kCancel = 2;
    for (const int32_t answer : answers) {
        if (answer == kCancel) {
            return kCancel;
        }
    }
    return answers.size() == 1 && answers.front() == kOK ? kOK : 0;
}

std::string systemBoxAnswerName(int32_t answer) {
    static const char* const kNames[] = {"",    "OK", "Cancel", "Abort", "Retry",     "Ignore",
                                         "Yes", "No", "",       "",      "Try Again", "Continue"};
    return answer >= 1 && answer <= kContinueAnswer ? kNames[answer] : std::string();
}

} // namespace qvMsgErr::platform

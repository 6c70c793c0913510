// The system message box's button sets, as every desktop and the composition know them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvMsgErr::platform {

/// Answers of the system box that go beyond the seven buttons of a message.
inline constexpr int32_t kTryAgainAnswer = 10;
inline constexpr int32_t kContinueAnswer = 11;

/// The answers of the button set in bits 0-2 of `flags`, left to right as the box shows them:
/// 1 OK … 7 No, and for set 6 Cancel, Try Again, Continue (2, 10, 11). Set 7 names no buttons;
/// the box then offers OK alone.
std::vector<int32_t> systemBoxAnswers(int32_t flags);

/// What the close box and Escape answer among `answers`: Cancel where it is offered, OK where OK
/// is the only answer, else nothing (0): the user must pick a button.
int32_t closeAnswerOf(const std::vector<int32_t>& answers);

/// "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No", "Try Again", "Continue".
std::string systemBoxAnswerName(int32_t answer);

} // namespace qvMsgErr::platform

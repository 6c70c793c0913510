// Suggested solutions for a few well-known run-time errors.
#pragma once

#include <cstdint>
#include <string>

namespace qvMsgErr::error {

/// The solution text for error `number`: 70, 75, 400 and 401 have one; every other number gives
/// the empty string.
std::string GetSolutionText(const int32_t& number);

} // namespace qvMsgErr::error

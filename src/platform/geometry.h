// The checks every desktop applies to positions and sizes, so that a bad value is an error the
// caller sees rather than a window thrown to a coordinate the window system cannot hold.
#pragma once

#include <qvMsgErr/RunTimeError.h>

#include <cmath>

namespace qvMsgErr::platform {

/// Positions beyond this many twips (about 1.5 km of screen) are refused.
inline constexpr float kLargestTwips = 2147483647.0F;

/// `v` when it is a usable position in twips; RunTimeError 380 when it is not a number, infinite
/// or beyond ±kLargestTwips.
inline float checkedPosition(float v) {
    if (!std::isfinite(v) || std::fabs(v) > kLargestTwips) {
        throw RunTimeError(err::InvalidPropertyValue);
    }
    return v;
}

/// `v` when it is a usable size in twips: a position that is not negative.
inline float checkedSize(float v) {
    if (checkedPosition(v) < 0) {
        throw RunTimeError(err::InvalidPropertyValue);
    }
    return v;
}

} // namespace qvMsgErr::platform

// Version and product identity of the library.
#pragma once

#include <cstdint>

namespace qvMsgErr {

/// File version 1.0.0.72: major 1, minor 0, revision 72.
inline constexpr int16_t kVersionMajor = 1;
inline constexpr int16_t kVersionMinor = 0;
inline constexpr int16_t kVersionRevision = 72;
inline constexpr const char* kVersionString = "1.0.0.72";
inline constexpr const char* kProductName = "qvMsgErr";

} // namespace qvMsgErr

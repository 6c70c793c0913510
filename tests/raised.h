// The error an action raises, for tests that look at more than its number.
#pragma once

#include <qvMsgErr/RunTimeError.h>

#include <functional>

namespace qvMsgErr::testing {

/// The RunTimeError `f` raises; one with Number 0 when it raises none.
inline RunTimeError raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const RunTimeError& e) {
        return e;
    }
    return {};
}

} // namespace qvMsgErr::testing

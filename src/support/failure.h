// The four ways a procedure of the library handles a run-time error, written once.
//
//  1. passOn      – put "Name&" in front of the error's source and raise it again;
//  2. showAndDecide – show the shared error object's dialog; 4 runs the statement again,
//                   5 goes on with the next one, anything else leaves the procedure;
//  3. passOver    – skip a failing statement and go on with the next one;
//  4. orResult    – catch at the function boundary and return a fallback.
//
// Every helper first turns foreign C++ exceptions into RunTimeError (toRunTimeError), so that the
// library's callers only ever see RunTimeError.
#pragma once

#include <qvMsgErr/RunTimeError.h>

#include <exception>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace qvMsgErr {

/// The current exception as a RunTimeError: std::bad_alloc → 7, std::out_of_range → 9,
/// std::overflow_error / std::range_error → 6, std::bad_variant_access / std::bad_cast /
/// std::bad_any_cast → 13, std::invalid_argument / std::domain_error / std::length_error → 5,
/// anything else → 51. Call only inside a catch block.
RunTimeError toRunTimeError(std::exception_ptr current);

/// Calls `f`; on any error raises it again with `trail` ("MsgBox&") in front of its source.
template <class F> decltype(auto) passOn(std::string_view trail, F&& f) {
    try {
        return std::forward<F>(f)();
    } catch (...) {
        RunTimeError e = toRunTimeError(std::current_exception());
        e.Source.insert(0, trail);
        throw e;
    }
}

/// Runs `statements` in order under the shared error object's dialog (details = `trail`).
/// Returns true when every statement ran (Ignore counts as ran), false when the procedure left
/// early because the user chose anything but Try Again (4) or Ignore (5), or because this thread
/// has no shared error object.
bool showAndDecide(std::string_view trail, std::initializer_list<std::function<void()>> statements);

/// Runs each statement; a failing one is skipped.
void passOver(std::initializer_list<std::function<void()>> statements);

/// Calls `f`; on any error returns `fallback`.
template <class T, class F> T orResult(T fallback, F&& f) noexcept {
    try {
        return std::forward<F>(f)();
    } catch (...) {
        return fallback;
    }
}

} // namespace qvMsgErr

// What every function of the C interface shares: handles that are ids into a table of live
// objects, the thread's last error, the one wrapper that turns any failure into a status, and
// texts in and out.
#pragma once

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/qvMsgErr_c.h>

#include "support/failure.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qvMsgErr::capi {

enum class Kind { MsgBox, Error, User };

/// Makes `object` a live handle of the calling thread. The handle is an id, never an address,
/// so that a destroyed or foreign handle is found out instead of followed.
std::uintptr_t addHandle(Kind kind, std::shared_ptr<void> object);
/// The object behind a live handle of the calling thread. RunTimeError 91 for NULL and for a
/// handle that was destroyed, 13 for a handle of another kind, 5 for one of another thread.
std::shared_ptr<void> findHandle(std::uintptr_t handle, Kind kind);
/// Ends a handle, checked as findHandle does; the object goes once no call holds it any more.
void removeHandle(std::uintptr_t handle, Kind kind);

template <class T> std::shared_ptr<T> object(const void* handle, Kind kind) {
    return std::static_pointer_cast<T>(findHandle(reinterpret_cast<std::uintptr_t>(handle), kind));
}
template <class Handle> Handle* handleOf(std::uintptr_t id) {
    return reinterpret_cast<Handle*>(id);
}

/// The argument `name` as text: RunTimeError 5 when it is NULL or not UTF-8.
std::string textIn(const char* text, std::string_view name);
/// A NUL-terminated copy for the caller to release with qvmsgerr_free.
char* textOut(const std::string& text);
/// The 16-bit value a control index or key code must fit; RunTimeError 6 when it does not.
int16_t int16In(int32_t value);

/// Where a result goes: RunTimeError 5 when the caller gave no place for it.
template <class T> T& out(T* place, std::string_view name) {
    if (place == nullptr) {
        throw RunTimeError(err::InvalidCall,
                           "Invalid procedure call or argument: " + std::string(name) + " is NULL");
    }
    return *place;
}

/// The thread's last error when its number is `status`, else a plain error of that number: what a
/// script's failing status stands for.
RunTimeError lastErrorOf(qvmsgerr_status status);

qvmsgerr_status succeeded() noexcept;
qvmsgerr_status failed(std::exception_ptr current) noexcept;

/// Runs `f` as the C function `name`: success or the error, with `name` in front of its source,
/// becomes the status and the thread's last error. Nothing escapes.
template <class F> qvmsgerr_status guarded(const char* name, F&& f) noexcept {
    try {
        passOn(std::string(name) + "&", std::forward<F>(f));
        return succeeded();
    } catch (...) {
        return failed(std::current_exception());
    }
}

} // namespace qvMsgErr::capi

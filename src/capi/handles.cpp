#include "capi/handles.h"

#include "platform/utf8.h"
#include "support/apartment.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace qvMsgErr::capi {

namespace {

struct Entry {
    Kind kind;
    std::thread::id owner;
    std::shared_ptr<void> object;
};

struct Table {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, Entry> live;
    std::uintptr_t last = 0;
};

// Never destroyed: a handle left alive at exit must not be destroyed after the thread state it
// refers to.
Table& table() {
    static auto* const t = new Table;
    return *t;
}

const char* kindName(Kind kind) {
    switch (kind) {
    case Kind::MsgBox:
        return "message box";
    case Kind::Error:
        return "error object";
    case Kind::User:
        return "scripted user";
    }
    return "object";
}

// Checks a handle against the table; the caller holds the lock.
Entry& entryOf(Table& t, std::uintptr_t handle, Kind kind) {
    const std::string what = kindName(kind);
    if (handle == 0) {
        throw RunTimeError(err::ObjectNotSet,
                           "Object variable not set: the " + what + " handle is NULL");
    }
    const auto found = t.live.find(handle);
    if (found == t.live.end()) {
        throw RunTimeError(err::ObjectNotSet, "Object variable not set: the " + what +
                                                  " handle was destroyed or never made");
    }
    if (found->second.kind != kind) {
        throw RunTimeError(err::TypeMismatch, std::string("Type mismatch: a ") +
                                                  kindName(found->second.kind) +
                                                  " handle where a " + what + " handle belongs");
    }
    if (found->second.owner != std::this_thread::get_id()) {
        throw RunTimeError(err::InvalidCall,
                           "Invalid procedure call or argument: the " + what +
                               " belongs to another thread; use it only on the thread that "
                               "made it");
    }
    return found->second;
}

// Destroys the objects a thread leaves behind when it ends, while the thread's state still exists.
struct ThreadEnd {
    ~ThreadEnd() {
        std::vector<std::shared_ptr<void>> orphans;
        {
            Table& t = table();
            const std::lock_guard lock(t.mutex);
            std::erase_if(t.live, [&](auto& item) {
                if (item.second.owner != std::this_thread::get_id()) {
                    return false;
                }
                orphans.push_back(std::move(item.second.object));
                return true;
            });
        }
        passOver({[&] { orphans.clear(); }});
    }
};

struct LastError {
    int32_t number = 0;
    std::string description, source;
};

LastError& lastError() {
    thread_local LastError e;
    return e;
}

} // namespace

std::uintptr_t addHandle(Kind kind, std::shared_ptr<void> object) {
    // The thread's state first, so that it outlives the clean-up at the thread's end.
    apartment();
    thread_local ThreadEnd end;
    (void)end;
    Table& t = table();
    const std::lock_guard lock(t.mutex);
    if (++t.last == 0) {
        ++t.last;
    }
    t.live.emplace(t.last, Entry{kind, std::this_thread::get_id(), std::move(object)});
    return t.last;
}

std::shared_ptr<void> findHandle(std::uintptr_t handle, Kind kind) {
    Table& t = table();
    const std::lock_guard lock(t.mutex);
    return entryOf(t, handle, kind).object;
}

void removeHandle(std::uintptr_t handle, Kind kind) {
    std::shared_ptr<void> object;
    {
        Table& t = table();
        const std::lock_guard lock(t.mutex);
        object = std::move(entryOf(t, handle, kind).object);
        t.live.erase(handle);
    }
    // Destroyed here, outside the lock: a destructor may call back into the table.
}

std::string textIn(const char* text, std::string_view name) {
    const std::string prefix = "Invalid procedure call or argument: " + std::string(name);
    if (text == nullptr) {
        throw RunTimeError(err::InvalidCall, prefix + " is NULL");
    }
    const std::string_view s(text);
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t start = i;
        // A U+FFFD that was not written as one stands for bytes that are not UTF-8.
        if (platform::nextCodePoint(s, i) == platform::kReplacementCharacter &&
            s.substr(start, i - start) != "\xEF\xBF\xBD") {
            throw RunTimeError(err::InvalidCall,
                               prefix + " is not UTF-8 (byte " + std::to_string(start) + ")");
        }
    }
    return std::string(s);
}

char* textOut(const std::string& text) {
    auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy == nullptr) {
        throw RunTimeError(err::OutOfMemory);
    }
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

int16_t int16In(int32_t value) {
    if (value < std::numeric_limits<int16_t>::min() ||
        value > std::numeric_limits<int16_t>::max()) {
        throw RunTimeError(err::Overflow);
    }
    return static_cast<int16_t>(value);
}

RunTimeError lastErrorOf(qvmsgerr_status status) {
    const LastError& e = lastError();
    return e.number == status ? RunTimeError(e.number, e.description, e.source)
                              : RunTimeError(status);
}

qvmsgerr_status succeeded() noexcept {
    LastError& e = lastError();
    e.number = 0;
    e.description.clear();
    e.source.clear();
    return QVMSGERR_OK;
}

qvmsgerr_status failed(std::exception_ptr current) noexcept {
    return orResult<qvmsgerr_status>(err::OutOfMemory, [&] {
        RunTimeError error = toRunTimeError(current);
        LastError& e = lastError();
        // A status of 0 would read as success.
        e.number = error.Number != 0 ? error.Number : err::InternalError;
        e.description = std::move(error.Description);
        e.source = std::move(error.Source);
        return e.number;
    });
}

} // namespace qvMsgErr::capi

using namespace qvMsgErr;

extern "C" qvmsgerr_status qvmsgerr_last_error(int32_t* number, char** description, char** source) {
    // Not guarded like the others: reading the last error leaves it as it is.
    return orResult<qvmsgerr_status>(err::OutOfMemory, [&] {
        const auto& e = capi::lastError();
        std::unique_ptr<char, decltype(&std::free)> text(
            description != nullptr ? capi::textOut(e.description) : nullptr, &std::free);
        std::unique_ptr<char, decltype(&std::free)> trail(
            source != nullptr ? capi::textOut(e.source) : nullptr, &std::free);
        if (number != nullptr) {
            *number = e.number;
        }
        if (description != nullptr) {
            *description = text.release();
        }
        if (source != nullptr) {
            *source = trail.release();
        }
        return QVMSGERR_OK;
    });
}

extern "C" void qvmsgerr_free(void* block) {
    std::free(block);
}

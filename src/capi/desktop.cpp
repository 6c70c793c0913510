// The remembered answers and the thread's desktop, with the scripted user of the headless one.
#include "capi/handles.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/headless.h>
#include <qvMsgErr/memory.h>

#include <cstdlib>
#include <cstring>
#include <span>

namespace qvMsgErr::capi {

namespace {

/// The answers as one block: the records, then their texts, so that one qvmsgerr_free releases
/// everything. nullptr for none.
qvmsgerr_answer* answersOut(std::span<const RememberedAnswer> answers) {
    if (answers.empty()) {
        return nullptr;
    }
    std::size_t size = answers.size() * sizeof(qvmsgerr_answer);
    for (const RememberedAnswer& a : answers) {
        size += a.MessageID.size() + 1 + a.Stored.size() + 1;
    }
    auto* block = static_cast<qvmsgerr_answer*>(std::malloc(size));
    if (block == nullptr) {
        throw RunTimeError(err::OutOfMemory);
    }
    char* texts = reinterpret_cast<char*>(block + answers.size());
    const auto place = [&](const std::string& s) {
        char* at = texts;
        std::memcpy(at, s.c_str(), s.size() + 1);
        texts += s.size() + 1;
        return at;
    };
    for (std::size_t i = 0; i < answers.size(); ++i) {
        block[i].message_id = place(answers[i].MessageID);
        block[i].stored = place(answers[i].Stored);
        block[i].button = answers[i].ButtonNumber;
    }
    return block;
}

/// The user's handle for the length of one script call.
class UserHandle {
public:
    explicit UserHandle(headless::ScriptedUser& user)
        : id_(addHandle(Kind::User, std::shared_ptr<void>(&user, [](void*) {}))) {}
    ~UserHandle() {
        passOver({[this] { removeHandle(id_, Kind::User); }});
    }
    UserHandle(const UserHandle&) = delete;
    UserHandle& operator=(const UserHandle&) = delete;
    qvmsgerr_user* get() const { return handleOf<qvmsgerr_user>(id_); }

private:
    std::uintptr_t id_;
};

template <class F> qvmsgerr_status act(const char* name, qvmsgerr_user* user, F&& f) {
    return guarded(name, [&] { f(*object<headless::ScriptedUser>(user, Kind::User)); });
}

} // namespace

} // namespace qvMsgErr::capi

using namespace qvMsgErr;
using namespace qvMsgErr::capi;

extern "C" {

qvmsgerr_status qvmsgerr_remembered_answers(qvmsgerr_answer** answers, size_t* count) {
    return guarded(__func__, [&] {
        qvmsgerr_answer*& result = out(answers, "answers");
        size_t& n = out(count, "count");
        const std::vector<RememberedAnswer> all = RememberedAnswers();
        result = answersOut(all);
        n = all.size();
    });
}
qvmsgerr_status qvmsgerr_find_remembered_answer(const char* message_id, qvmsgerr_answer** answer) {
    return guarded(__func__, [&] {
        qvmsgerr_answer*& result = out(answer, "answer");
        const auto found = FindRememberedAnswer(textIn(message_id, "message_id"));
        result = found ? answersOut({&*found, 1}) : nullptr;
    });
}
qvmsgerr_status qvmsgerr_forget_answer(const char* message_id, int* forgotten) {
    return guarded(__func__, [&] {
        int& result = out(forgotten, "forgotten");
        result = ForgetAnswer(textIn(message_id, "message_id")) ? 1 : 0;
    });
}
qvmsgerr_status qvmsgerr_forget_all_answers(int32_t* count) {
    return guarded(__func__, [&] {
        int32_t& result = out(count, "count");
        result = ForgetAllAnswers();
    });
}
qvmsgerr_status qvmsgerr_button_set(int32_t buttons, int32_t set[3], int32_t* count) {
    return guarded(__func__, [&] {
        int32_t& n = out(count, "count");
        int32_t& first = out(set, "set");
        const std::vector<qvButtonNumbers> shown = ButtonSet(buttons);
        for (std::size_t i = 0; i < shown.size() && i < 3; ++i) {
            (&first)[i] = shown[i];
        }
        n = static_cast<int32_t>(shown.size());
    });
}

qvmsgerr_status qvmsgerr_use_headless_desktop(qvmsgerr_script script,
                                              qvmsgerr_system_answer system_answer, void* context) {
    return guarded(__func__, [&] {
        auto desktop = std::make_shared<headless::HeadlessDesktop>();
        // Nobody can read the record through this interface; a long run must not keep it.
        desktop->keepRecord(false);
        if (script != nullptr) {
            desktop->onModal([script, context](headless::ScriptedUser& user) {
                const UserHandle handle(user);
                if (const qvmsgerr_status status = script(handle.get(), context);
                    status != QVMSGERR_OK) {
                    throw lastErrorOf(status);
                }
            });
        }
        if (system_answer != nullptr) {
            desktop->onSystemMessageBox([system_answer,
                                         context](const headless::SystemMessageBoxCall& call) {
                return system_answer(call.prompt.c_str(), call.title.c_str(), call.flags, context);
            });
        }
        setThreadDesktop(std::move(desktop));
    });
}
qvmsgerr_status qvmsgerr_use_default_desktop(void) {
    return guarded(__func__, [] { setThreadDesktop(nullptr); });
}

qvmsgerr_status qvmsgerr_user_window(qvmsgerr_user* user, char** name) {
    return act(__func__, user, [&](headless::ScriptedUser& u) {
        char*& result = out(name, "name");
        result = textOut(u.windowName());
    });
}
qvmsgerr_status qvmsgerr_user_text(qvmsgerr_user* user, const char* control, int32_t index,
                                   char** text) {
    return act(__func__, user, [&](headless::ScriptedUser& u) {
        char*& result = out(text, "text");
        platform::Control& c = u.control(textIn(control, "control"), int16In(index));
        const bool area = c.kind() == platform::ControlKind::TextBox ||
                          c.kind() == platform::ControlKind::RichText;
        result = textOut(area ? c.text() : c.caption());
    });
}
qvmsgerr_status qvmsgerr_user_count(qvmsgerr_user* user, const char* control, int32_t* count) {
    return act(__func__, user, [&](headless::ScriptedUser& u) {
        int32_t& result = out(count, "count");
        result = static_cast<int32_t>(u.window().elements(textIn(control, "control")).size());
    });
}
qvmsgerr_status qvmsgerr_user_click(qvmsgerr_user* user, const char* control, int32_t index) {
    return act(__func__, user, [&](headless::ScriptedUser& u) {
        u.click(textIn(control, "control"), int16In(index));
    });
}
qvmsgerr_status qvmsgerr_user_tick(qvmsgerr_user* user, const char* control, int ticked) {
    return act(__func__, user,
               [&](headless::ScriptedUser& u) { u.tick(textIn(control, "control"), ticked != 0); });
}
qvmsgerr_status qvmsgerr_user_type(qvmsgerr_user* user, const char* control, const char* text) {
    return act(__func__, user, [&](headless::ScriptedUser& u) {
        u.type(textIn(control, "control"), textIn(text, "text"));
    });
}
qvmsgerr_status qvmsgerr_user_key(qvmsgerr_user* user, int32_t key, int32_t shift) {
    return act(__func__, user,
               [&](headless::ScriptedUser& u) { u.keyDown(int16In(key), int16In(shift)); });
}
qvmsgerr_status qvmsgerr_user_advance_seconds(qvmsgerr_user* user, int32_t seconds) {
    return act(__func__, user, [&](headless::ScriptedUser& u) { u.advanceSeconds(seconds); });
}
qvmsgerr_status qvmsgerr_user_close(qvmsgerr_user* user) {
    return act(__func__, user, [](headless::ScriptedUser& u) { u.close(); });
}

} // extern "C"

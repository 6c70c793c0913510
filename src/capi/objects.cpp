// clsMesgBox and clsError behind handles: each option is one row of a table, read and written
// through the same few functions, so a binding reaches every option with one call each way.
#include "capi/handles.h"

#include <qvMsgErr/HostForm.h>
#include <qvMsgErr/clsError.h>
#include <qvMsgErr/clsMesgBox.h>

#include <optional>
#include <span>
#include <variant>

namespace qvMsgErr::capi {

namespace {

// The value of an option as the caller handed it; asking it for the other kind raises 13.
using Value = std::variant<std::string, int32_t, float>;

const std::string& text(const Value& v) {
    return std::get<std::string>(v);
}
int32_t number(const Value& v) {
    return std::get<int32_t>(v);
}
bool flag(const Value& v) {
    return number(v) != 0;
}
Value of(bool b) {
    return int32_t{b ? 1 : 0};
}

template <class T> struct Property {
    int32_t id;
    void (*set)(T&, const Value&);
    Value (*get)(const T&); ///< nullptr: the option cannot be read
};

using Box = clsMesgBox;
// clang-format off
const Property<Box> kMsgBoxProperties[] = {
    {QVMSGERR_USE_SOUNDS, [](Box& b, const Value& v) { b.UseSounds = flag(v); },
     [](const Box& b) { return of(b.UseSounds); }},
    {QVMSGERR_TIMER_COUNTDOWN_CAPTION, [](Box& b, const Value& v) { b.TimerCountDownCaption = text(v); },
     [](const Box& b) { return Value{b.TimerCountDownCaption}; }},
    {QVMSGERR_TIME_OUT_OCCURED, [](Box& b, const Value& v) { b.TimeOutOccured = flag(v); },
     [](const Box& b) { return of(b.TimeOutOccured); }},
    {QVMSGERR_REG_ROOT, [](Box& b, const Value& v) { b.Reg_Root(text(v)); },
     [](const Box& b) { return Value{b.Reg_Root()}; }},
    {QVMSGERR_BACK_COLOR, [](Box& b, const Value& v) { b.BackColor(number(v)); }, nullptr},
    {QVMSGERR_DONT_SHOW_IS_VALID_FOR_CANCEL,
     [](Box& b, const Value& v) { b.DontShowIsValidForCancel(flag(v)); },
     [](const Box& b) { return of(b.DontShowIsValidForCancel()); }},
    {QVMSGERR_CMD_DESCRIPTIONS, [](Box& b, const Value& v) { b.CmdDescriptions(flag(v)); },
     [](const Box& b) { return of(b.CmdDescriptions()); }},
    {QVMSGERR_MSGBOX_TYPE,
     [](Box& b, const Value& v) { b.MsgBoxType(static_cast<QVMsgBoxType>(number(v))); }, nullptr},
    {QVMSGERR_DEFAULT_BUTTON_OK, [](Box& b, const Value& v) { b.DefaultButtonOK(text(v)); }, nullptr},
    {QVMSGERR_DEFAULT_BUTTON_CANCEL, [](Box& b, const Value& v) { b.DefaultButtonCancel(text(v)); }, nullptr},
    {QVMSGERR_DEFAULT_BUTTON_ABORT, [](Box& b, const Value& v) { b.DefaultButtonAbort(text(v)); }, nullptr},
    {QVMSGERR_DEFAULT_BUTTON_RETRY, [](Box& b, const Value& v) { b.DefaultButtonRetry(text(v)); }, nullptr},
    {QVMSGERR_DEFAULT_BUTTON_IGNORE, [](Box& b, const Value& v) { b.DefaultButtonIgnore(text(v)); }, nullptr},
    {QVMSGERR_DEFAULT_BUTTON_YES, [](Box& b, const Value& v) { b.DefaultButtonYes(text(v)); }, nullptr},
    {QVMSGERR_DEFAULT_BUTTON_NO, [](Box& b, const Value& v) { b.DefaultButtonNo(text(v)); }, nullptr},
    {QVMSGERR_DEFAULT_BUTTON_HELP, [](Box& b, const Value& v) { b.DefaultButtonHelp(text(v)); }, nullptr},
    {QVMSGERR_DEFAULT_BUTTON_DETAILS, [](Box& b, const Value& v) { b.DefaultButtonDetails(text(v)); }, nullptr},
    {QVMSGERR_BUTTON_OK, [](Box& b, const Value& v) { b.ButtonOK(text(v)); }, nullptr},
    {QVMSGERR_BUTTON_CANCEL, [](Box& b, const Value& v) { b.ButtonCancel(text(v)); }, nullptr},
    {QVMSGERR_BUTTON_ABORT, [](Box& b, const Value& v) { b.ButtonAbort(text(v)); }, nullptr},
    {QVMSGERR_BUTTON_RETRY, [](Box& b, const Value& v) { b.ButtonRetry(text(v)); }, nullptr},
    {QVMSGERR_BUTTON_IGNORE, [](Box& b, const Value& v) { b.ButtonIgnore(text(v)); }, nullptr},
    {QVMSGERR_BUTTON_YES, [](Box& b, const Value& v) { b.ButtonYes(text(v)); }, nullptr},
    {QVMSGERR_BUTTON_NO, [](Box& b, const Value& v) { b.ButtonNo(text(v)); }, nullptr},
    {QVMSGERR_BUTTON_HELP, [](Box& b, const Value& v) { b.ButtonHelp(text(v)); }, nullptr},
    {QVMSGERR_BUTTON_DETAILS, [](Box& b, const Value& v) { b.ButtonDetails(text(v)); }, nullptr},
    {QVMSGERR_DESC_OK, [](Box& b, const Value& v) { b.DescOK(text(v)); }, nullptr},
    {QVMSGERR_DESC_CANCEL, [](Box& b, const Value& v) { b.DescCancel(text(v)); }, nullptr},
    {QVMSGERR_DESC_ABORT, [](Box& b, const Value& v) { b.DescAbort(text(v)); }, nullptr},
    {QVMSGERR_DESC_RETRY, [](Box& b, const Value& v) { b.DescRetry(text(v)); }, nullptr},
    {QVMSGERR_DESC_IGNORE, [](Box& b, const Value& v) { b.DescIgnore(text(v)); }, nullptr},
    {QVMSGERR_DESC_YES, [](Box& b, const Value& v) { b.DescYes(text(v)); }, nullptr},
    {QVMSGERR_DESC_NO, [](Box& b, const Value& v) { b.DescNo(text(v)); }, nullptr},
    {QVMSGERR_FORM_POSITION, [](Box& b, const Value& v) { b.FormPosition(flag(v)); }, nullptr},
    {QVMSGERR_FORM_LEFT, [](Box& b, const Value& v) { b.FormLeft(std::get<float>(v)); }, nullptr},
    {QVMSGERR_FORM_TOP, [](Box& b, const Value& v) { b.FormTop(std::get<float>(v)); }, nullptr},
    {QVMSGERR_TIMER_USE, [](Box& b, const Value& v) { b.TimerUse(flag(v)); }, nullptr},
    {QVMSGERR_TIMER_SECONDS, [](Box& b, const Value& v) { b.TimerSeconds(number(v)); }, nullptr},
    {QVMSGERR_DONT_SHOW_AGAIN, [](Box& b, const Value& v) { b.DontShowAgain(flag(v)); },
     [](const Box& b) { return of(b.DontShowAgain()); }},
    {QVMSGERR_DONT_SHOW_AGAIN_TICKED, [](Box& b, const Value& v) { b.DontShowAgainTicked(flag(v)); },
     [](const Box& b) { return of(b.DontShowAgainTicked()); }},
    {QVMSGERR_DONT_SHOW_IS_MANUAL, [](Box& b, const Value& v) { b.DontShowIsManual(flag(v)); },
     [](const Box& b) { return of(b.DontShowIsManual()); }},
    {QVMSGERR_DONT_SHOW_AGAIN_PROMPT, [](Box& b, const Value& v) { b.DontShowAgainPrompt(text(v)); },
     nullptr},
    {QVMSGERR_DETAILS_BUTTON, [](Box& b, const Value& v) { b.DetailsButton(flag(v)); }, nullptr},
    {QVMSGERR_DETAILS_STRING, [](Box& b, const Value& v) { b.DetailsString(text(v)); },
     [](const Box& b) { return Value{b.DetailsString()}; }},
    {QVMSGERR_DONT_SHOW_FORCE_BUTTON,
     [](Box& b, const Value& v) { b.DontShowForceButton(static_cast<qvButtonNumbers>(number(v))); },
     [](const Box& b) { return Value{int32_t{b.DontShowForceButton()}}; }},
};

using Err = clsError;
const Property<Err> kErrorProperties[] = {
    {QVMSGERR_ERROR_LAST_NUMBER, [](Err& e, const Value& v) { e.LastNumber = number(v); },
     [](const Err& e) { return Value{e.LastNumber}; }},
    {QVMSGERR_ERROR_LAST_DESCRIPTION, [](Err& e, const Value& v) { e.LastDescription = text(v); },
     [](const Err& e) { return Value{e.LastDescription}; }},
    {QVMSGERR_ERROR_LAST_SOURCE, [](Err& e, const Value& v) { e.LastSource = text(v); },
     [](const Err& e) { return Value{e.LastSource}; }},
    {QVMSGERR_ERROR_ABORT_PENDING, nullptr, [](const Err& e) { return of(e.AbortPending()); }},
    {QVMSGERR_ERROR_SUPPORT_EMAIL, [](Err& e, const Value& v) { e.SupportEmail(text(v)); },
     [](const Err& e) { return Value{e.SupportEmail()}; }},
    {QVMSGERR_ERROR_LAST_ERROR_OCCURED, [](Err& e, const Value& v) { e.LastErrorOccured(flag(v)); },
     [](const Err& e) { return of(e.LastErrorOccured()); }},
    {QVMSGERR_ERROR_DESCRIPTION, [](Err& e, const Value& v) { e.Description(text(v)); },
     [](const Err& e) { return Value{e.Description()}; }},
    {QVMSGERR_ERROR_NUMBER, [](Err& e, const Value& v) { e.Number(number(v)); },
     [](const Err& e) { return Value{e.Number()}; }},
    {QVMSGERR_ERROR_DETAILS, [](Err& e, const Value& v) { e.Details(text(v)); },
     [](const Err& e) { return Value{e.Details()}; }},
    {QVMSGERR_ERROR_APP_NAME, [](Err& e, const Value& v) { e.AppName(text(v)); },
     [](const Err& e) { return Value{e.AppName()}; }},
    {QVMSGERR_ERROR_USER_NAME, [](Err& e, const Value& v) { e.UserName(text(v)); },
     [](const Err& e) { return Value{e.UserName()}; }},
    {QVMSGERR_ERROR_APPEARANCE, [](Err& e, const Value& v) { e.Appearance(text(v)); },
     [](const Err& e) { return Value{e.Appearance()}; }},
    {QVMSGERR_ERROR_SOLUTION, nullptr, [](const Err& e) { return Value{e.Solution()}; }},
    {QVMSGERR_ERROR_ACTIVITY, [](Err& e, const Value& v) { e.Activity(text(v)); },
     [](const Err& e) { return Value{e.Activity()}; }},
    {QVMSGERR_ERROR_WRITE_DEBUG_LOG, [](Err& e, const Value& v) { e.WriteDebugLog = flag(v); },
     [](const Err& e) { return of(e.WriteDebugLog); }},
};
// clang-format on

template <class T> constexpr Kind kindOf() {
    return std::is_same_v<T, clsMesgBox> ? Kind::MsgBox : Kind::Error;
}

template <class T> std::span<const Property<T>> properties() {
    if constexpr (std::is_same_v<T, clsMesgBox>) {
        return kMsgBoxProperties;
    } else {
        return kErrorProperties;
    }
}

/// The row of `id`; 438 for an option the object does not have, or not that way round.
template <class T> const Property<T>& property(int32_t id, bool write) {
    for (const Property<T>& p : properties<T>()) {
        if (p.id == id && (write ? p.set != nullptr : p.get != nullptr)) {
            return p;
        }
    }
    throw RunTimeError(err::NotSupported, "Object doesn't support this property or method: " +
                                              std::string(write ? "no writable" : "no readable") +
                                              " option " + std::to_string(id));
}

template <class T> void setOption(const void* handle, int32_t id, const Value& value) {
    const auto target = object<T>(handle, kindOf<T>());
    property<T>(id, true).set(*target, value);
}

template <class T> Value getOption(const void* handle, int32_t id) {
    const auto target = object<T>(handle, kindOf<T>());
    return property<T>(id, false).get(*target);
}

template <class T, class Handle> void create(Handle** handle) {
    Handle*& result = out(handle, "the handle's place");
    result = handleOf<Handle>(addHandle(kindOf<T>(), std::make_shared<T>()));
}

} // namespace

} // namespace qvMsgErr::capi

using namespace qvMsgErr;
using namespace qvMsgErr::capi;

extern "C" {

qvmsgerr_status qvmsgerr_msgbox_create(qvmsgerr_msgbox** box) {
    return guarded(__func__, [&] { create<clsMesgBox>(box); });
}
qvmsgerr_status qvmsgerr_msgbox_destroy(qvmsgerr_msgbox* box) {
    return guarded(__func__, [&] {
        if (box != nullptr) {
            removeHandle(reinterpret_cast<std::uintptr_t>(box), Kind::MsgBox);
        }
    });
}
qvmsgerr_status qvmsgerr_msgbox_set_text(qvmsgerr_msgbox* box, int32_t property,
                                         const char* value) {
    return guarded(__func__,
                   [&] { setOption<clsMesgBox>(box, property, Value{textIn(value, "value")}); });
}
qvmsgerr_status qvmsgerr_msgbox_set_int(qvmsgerr_msgbox* box, int32_t property, int32_t value) {
    return guarded(__func__, [&] { setOption<clsMesgBox>(box, property, Value{value}); });
}
qvmsgerr_status qvmsgerr_msgbox_set_float(qvmsgerr_msgbox* box, int32_t property, float value) {
    return guarded(__func__, [&] { setOption<clsMesgBox>(box, property, Value{value}); });
}
qvmsgerr_status qvmsgerr_msgbox_get_text(qvmsgerr_msgbox* box, int32_t property, char** value) {
    return guarded(__func__, [&] {
        char*& result = out(value, "value");
        result = textOut(text(getOption<clsMesgBox>(box, property)));
    });
}
qvmsgerr_status qvmsgerr_msgbox_get_int(qvmsgerr_msgbox* box, int32_t property, int32_t* value) {
    return guarded(__func__, [&] {
        int32_t& result = out(value, "value");
        result = number(getOption<clsMesgBox>(box, property));
    });
}

qvmsgerr_status qvmsgerr_msgbox_show(qvmsgerr_msgbox* box, const char* prompt, int32_t buttons,
                                     const char* title, const char* help_file, int32_t context,
                                     const char* message_id, const qvmsgerr_form* parent,
                                     int32_t* answer) {
    return guarded(__func__, [&] {
        const auto target = object<clsMesgBox>(box, Kind::MsgBox);
        int32_t& result = out(answer, "answer");
        const std::string promptText = textIn(prompt, "prompt"), titleText = textIn(title, "title"),
                          helpText = textIn(help_file, "help_file"),
                          id = textIn(message_id, "message_id");
        std::optional<FixedForm> form;
        if (parent != nullptr) {
            form.emplace(parent->left, parent->top, parent->width, parent->height);
        }
        result = target->msgBox(promptText, buttons, titleText, helpText, context, id,
                                form ? &*form : nullptr);
    });
}
qvmsgerr_status qvmsgerr_msgbox_button_name(qvmsgerr_msgbox* box, int32_t answer, int lower_case,
                                            char** name) {
    return guarded(__func__, [&] {
        const auto target = object<clsMesgBox>(box, Kind::MsgBox);
        char*& result = out(name, "name");
        result = textOut(
            target->ResolveButtonNameText(static_cast<qvButtonNumbers>(answer), lower_case != 0));
    });
}
qvmsgerr_status qvmsgerr_msgbox_remembered_value(qvmsgerr_msgbox* box, const char* message_id,
                                                 int32_t* answer) {
    return guarded(__func__, [&] {
        const auto target = object<clsMesgBox>(box, Kind::MsgBox);
        int32_t& result = out(answer, "answer");
        result = target->GetDontShowIDValue(textIn(message_id, "message_id"));
    });
}

qvmsgerr_status qvmsgerr_error_create(qvmsgerr_error** error) {
    return guarded(__func__, [&] { create<clsError>(error); });
}
qvmsgerr_status qvmsgerr_error_destroy(qvmsgerr_error* error) {
    return guarded(__func__, [&] {
        if (error != nullptr) {
            removeHandle(reinterpret_cast<std::uintptr_t>(error), Kind::Error);
        }
    });
}
qvmsgerr_status qvmsgerr_error_set_text(qvmsgerr_error* error, int32_t property,
                                        const char* value) {
    return guarded(__func__,
                   [&] { setOption<clsError>(error, property, Value{textIn(value, "value")}); });
}
qvmsgerr_status qvmsgerr_error_set_int(qvmsgerr_error* error, int32_t property, int32_t value) {
    return guarded(__func__, [&] { setOption<clsError>(error, property, Value{value}); });
}
qvmsgerr_status qvmsgerr_error_get_text(qvmsgerr_error* error, int32_t property, char** value) {
    return guarded(__func__, [&] {
        char*& result = out(value, "value");
        result = textOut(text(getOption<clsError>(error, property)));
    });
}
qvmsgerr_status qvmsgerr_error_get_int(qvmsgerr_error* error, int32_t property, int32_t* value) {
    return guarded(__func__, [&] {
        int32_t& result = out(value, "value");
        result = number(getOption<clsError>(error, property));
    });
}
qvmsgerr_status qvmsgerr_error_show(qvmsgerr_error* error, int modal, const char* description,
                                    int32_t number, const char* details, const char* solution,
                                    const char* activity, int32_t* response) {
    return guarded(__func__, [&] {
        const auto target = object<clsError>(error, Kind::Error);
        int32_t& result = out(response, "response");
        std::string descriptionText = textIn(description, "description"),
                    detailsText = textIn(details, "details"),
                    solutionText = textIn(solution, "solution"),
                    activityText = textIn(activity, "activity");
        result =
            target->Show(modal != 0, std::move(descriptionText), number, std::move(detailsText),
                         std::move(solutionText), std::move(activityText));
    });
}
qvmsgerr_status qvmsgerr_error_on_abort(qvmsgerr_error* error, void (*callback)(void* context),
                                        void* context) {
    return guarded(__func__, [&] {
        const auto target = object<clsError>(error, Kind::Error);
        if (callback == nullptr) {
            throw RunTimeError(err::InvalidCall,
                               "Invalid procedure call or argument: callback is NULL");
        }
        target->Abort.connect([callback, context] { callback(context); });
    });
}

} // extern "C"

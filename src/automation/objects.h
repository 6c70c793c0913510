// The two creatable classes of the automation server and the argument conversions their members
// share.
#pragma once

#include "automation/dispatch_object.h"

#include <qvMsgErr/HostForm.h>

#include <memory>
#include <string>
#include <type_traits>

namespace qvMsgErr::automation {

inline bool fromVariantBool(VARIANT_BOOL b) {
    return b != VARIANT_FALSE;
}
inline std::string text(BSTR b) {
    return toUtf8(b);
}
template <class T> T same(T value) {
    return value;
}

/// A new qvMsgErr.clsMesgBox / qvMsgErr.clsError, with one reference for the caller.
IUnknown* newMesgBox();
IUnknown* newError();

/// The value of a by-reference argument; a client that hands no place for it gets error 5.
template <class T> const T& deref(const T* argument) {
    if (argument == nullptr) {
        throw RunTimeError(err::InvalidCall);
    }
    return *argument;
}

/// An optional argument as text, a number or a Boolean: `fallback` when it was left out, else its
/// value converted as the client's language converts it (13 when it cannot be: an array, an
/// object, Null, a text that is no number; 6 for a number out of range).
std::string optionalText(const VARIANT* argument, const std::string& fallback);
int32_t optionalLong(const VARIANT* argument, int32_t fallback);
bool optionalBool(const VARIANT* argument, bool fallback);
/// Writes `value` back into a by-reference argument: the client's variable when it handed one.
void writeBack(VARIANT* argument, const std::string& value);
/// A text as a Variant holding a String.
VARIANT textVariant(const std::string& value);

/// The host object handed as ParentForm: nothing when it was left out or is Nothing; a form when
/// it answers Left, Top, Width and Height in numbers (a window of the host); any other object
/// otherwise. A value that is no object raises 13.
std::unique_ptr<HostObject> hostObject(const VARIANT* argument);

} // namespace qvMsgErr::automation

// The members of one kind differ only in their names: each is written once here.
#define QV_VARIABLE(Name, Type, toAuto, fromAuto)                                                  \
    HRESULT STDMETHODCALLTYPE get_##Name(std::add_pointer_t<Type> value) override {                \
        return get(value, [&] { return toAuto(target_.Name); });                                   \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE put_##Name(Type value) override {                                    \
        return let([&] { target_.Name = fromAuto(value); });                                       \
    }
#define QV_LET(Name, Type, fromAuto)                                                               \
    HRESULT STDMETHODCALLTYPE put_##Name(Type vData) override {                                    \
        return let([&] { target_.Name(fromAuto(vData)); });                                        \
    }
/// A property write whose value comes by reference.
#define QV_LET_BY_REFERENCE(Name, Type, fromAuto)                                                  \
    HRESULT STDMETHODCALLTYPE put_##Name(std::add_pointer_t<Type> vData) override {                \
        return let([&] { target_.Name(fromAuto(deref(vData))); });                                 \
    }
#define QV_GET(Name, Type, toAuto)                                                                 \
    HRESULT STDMETHODCALLTYPE get_##Name(std::add_pointer_t<Type> value) override {                \
        return get(value, [&] { return toAuto(target_.Name()); });                                 \
    }
#define QV_LET_GET(Name, Type, toAuto, fromAuto)                                                   \
    QV_LET(Name, Type, fromAuto) QV_GET(Name, Type, toAuto)

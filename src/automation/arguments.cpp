#include "automation/objects.h"

#include <array>
#include <optional>

namespace qvMsgErr::automation {

namespace {

// A Variant released when it goes out of scope.
struct OwnedVariant {
    VARIANT v;
    OwnedVariant() { VariantInit(&v); }
    ~OwnedVariant() { VariantClear(&v); }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;
};

bool leftOut(const VARIANT* argument) {
    return argument == nullptr ||
           (V_VT(argument) == VT_ERROR && V_ERROR(argument) == DISP_E_PARAMNOTFOUND);
}

// The argument's value, with any reference the client's language wraps it in resolved.
void valueOf(const VARIANT* argument, OwnedVariant& out) {
    if (FAILED(VariantCopyInd(&out.v, const_cast<VARIANT*>(argument)))) {
        throw RunTimeError(err::TypeMismatch);
    }
}

std::optional<double> numberProperty(IDispatch* object, const wchar_t* name) {
    DISPID id = 0;
    auto* n = const_cast<LPOLESTR>(name);
    if (FAILED(object->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id))) {
        return std::nullopt;
    }
    DISPPARAMS none{};
    OwnedVariant value;
    if (FAILED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                              &value.v, nullptr, nullptr)) ||
        FAILED(VariantChangeType(&value.v, &value.v, 0, VT_R8))) {
        return std::nullopt;
    }
    return V_R8(&value.v);
}

// Whether the client gave the argument; if so `out` holds its value as `kind`.
bool given(const VARIANT* argument, VARTYPE kind, OwnedVariant& out) {
    if (leftOut(argument)) {
        return false;
    }
    valueOf(argument, out);
    const HRESULT hr = VariantChangeType(&out.v, &out.v, 0, kind);
    if (hr == DISP_E_OVERFLOW) {
        throw RunTimeError(err::Overflow);
    }
    if (FAILED(hr)) {
        throw RunTimeError(err::TypeMismatch);
    }
    return true;
}

} // namespace

std::string optionalText(const VARIANT* argument, const std::string& fallback) {
    OwnedVariant value;
    return given(argument, VT_BSTR, value) ? toUtf8(V_BSTR(&value.v)) : fallback;
}

int32_t optionalLong(const VARIANT* argument, int32_t fallback) {
    OwnedVariant value;
    return given(argument, VT_I4, value) ? V_I4(&value.v) : fallback;
}

bool optionalBool(const VARIANT* argument, bool fallback) {
    OwnedVariant value;
    return given(argument, VT_BOOL, value) ? V_BOOL(&value.v) != VARIANT_FALSE : fallback;
}

void writeBack(VARIANT* argument, const std::string& value) {
    if (argument == nullptr) {
        return;
    }
    VARIANT* place = argument;
    if (V_VT(argument) == (VT_VARIANT | VT_BYREF)) {
        place = V_VARIANTREF(argument);
    } else if (V_VT(argument) == (VT_BSTR | VT_BYREF)) {
        BSTR fresh = toBstr(value);
        SysFreeString(*V_BSTRREF(argument));
        *V_BSTRREF(argument) = fresh;
        return;
    } else if (V_ISBYREF(argument)) {
        return; // a variable of another kind keeps its value
    }
    if (leftOut(place)) {
        return;
    }
    BSTR fresh = toBstr(value);
    VariantClear(place);
    V_VT(place) = VT_BSTR;
    V_BSTR(place) = fresh;
}

VARIANT textVariant(const std::string& value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = toBstr(value);
    return v;
}

std::unique_ptr<HostObject> hostObject(const VARIANT* argument) {
    if (leftOut(argument)) {
        return nullptr;
    }
    OwnedVariant value;
    valueOf(argument, value);
    if (V_VT(&value.v) == VT_EMPTY) {
        return nullptr;
    }
    if (V_VT(&value.v) != VT_DISPATCH && V_VT(&value.v) != VT_UNKNOWN) {
        throw RunTimeError(err::TypeMismatch);
    }
    IDispatch* object = nullptr;
    if (V_UNKNOWN(&value.v) == nullptr) {
        return nullptr; // Nothing
    }
    if (FAILED(V_UNKNOWN(&value.v)->QueryInterface(IID_IDispatch,
                                                   reinterpret_cast<void**>(&object)))) {
        return std::make_unique<HostObject>();
    }
    std::array<std::optional<double>, 4> geometry{
        numberProperty(object, L"Left"), numberProperty(object, L"Top"),
        numberProperty(object, L"Width"), numberProperty(object, L"Height")};
    object->Release();
    for (const auto& g : geometry) {
        if (!g) {
            return std::make_unique<HostObject>();
        }
    }
    return std::make_unique<FixedForm>(
        static_cast<float>(*geometry[0]), static_cast<float>(*geometry[1]),
        static_cast<float>(*geometry[2]), static_cast<float>(*geometry[3]));
}

} // namespace qvMsgErr::automation

// What every automation object of the library shares: reference counting that keeps the server
// loaded, IDispatch answered by the type library (no member is dispatched by hand), rich error
// information, and the conversions between automation types and the library's.
#pragma once

#include <windows.h>

#include "automation/qvMsgErr_automation.h" // generated from qvMsgErr.idl

#include "support/failure.h"

#include <qvMsgErr/RunTimeError.h>

#include <atomic>
#include <string>

namespace qvMsgErr::automation {

/// Objects and server locks alive in this process; the server may unload when it is 0.
std::atomic<long>& liveCount();

/// The library's type library, loaded from the DLL's own resource once per process.
ITypeLib* typeLibrary();
/// The type information of `guid` (an interface or a class), kept for the process: not to be
/// released by the caller.
ITypeInfo* typeInfoOf(REFGUID guid);

/// An identifier of <qvMsgErr/identifiers.h> (ASCII) as the system's wide text, and as a GUID.
std::wstring wide(const char* ascii);
GUID guidOf(const char* text);

std::string toUtf8(const wchar_t* text, size_t length);
inline std::string toUtf8(BSTR text) {
    return toUtf8(text, SysStringLen(text));
}
/// A new BSTR; raises 7 when there is no memory for it.
BSTR toBstr(const std::string& utf8);
inline VARIANT_BOOL toVariantBool(bool b) {
    return b ? VARIANT_TRUE : VARIANT_FALSE;
}

/// The HRESULT under which error `number` reaches an automation client: the runtime's own
/// numbers in the control facility (as scripting hosts decode them), the components' own range
/// (vbObjectError + n) as it is.
HRESULT hresultOf(int32_t number);
/// Makes `e` the thread's error information, described as coming from interface `iid`, and
/// returns its HRESULT.
HRESULT raise(REFIID iid, const RunTimeError& e);

/// Hands `object` to a client's `out` with a reference of the client's own; `missing` when there
/// is none.
template <class T> HRESULT handOut(T* object, T** out, HRESULT missing) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = object;
    if (object == nullptr) {
        return missing;
    }
    object->AddRef();
    return S_OK;
}

/// QueryInterface of an object with one interface, `Interface` (the iid `own`), besides IUnknown.
template <class Interface>
HRESULT queryOne(Interface* self, REFIID riid, const IID& own, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    const bool answers = riid == IID_IUnknown || riid == own;
    return handOut(answers ? self : nullptr, reinterpret_cast<Interface**>(out), E_NOINTERFACE);
}

/// Runs one member; any error becomes the thread's error information and the member's HRESULT.
template <class F> HRESULT guarded(REFIID iid, F&& member) noexcept;

/// IUnknown, IDispatch and ISupportErrorInfo for an object whose default interface is
/// `Interface`; the object answers any further interfaces through queryOther.
template <class Interface> class DispatchObject : public Interface, public ISupportErrorInfo {
public:
    DispatchObject(const IID& iid) : iid_(iid) { ++liveCount(); }
    virtual ~DispatchObject() { --liveCount(); }
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || answersTo(riid)) {
            *out = static_cast<Interface*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *out = static_cast<ISupportErrorInfo*>(this);
        } else {
            *out = queryOther(riid);
        }
        if (*out == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (index != 0) {
            return info == nullptr ? E_POINTER : (*info = nullptr, DISP_E_BADINDEX);
        }
        return handOut(typeInfoOf(iid_), info, TYPE_E_ELEMENTNOTFOUND);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        ITypeInfo* info = typeInfoOf(iid_);
        return info == nullptr ? E_UNEXPECTED : DispGetIDsOfNames(info, names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID reserved, LCID, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        if (reserved != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        ITypeInfo* info = typeInfoOf(iid_);
        if (info == nullptr) {
            return E_UNEXPECTED;
        }
        return DispInvoke(static_cast<Interface*>(this), info, id, flags, params, result, exception,
                          argumentError);
    }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return answersTo(riid) ? S_OK : S_FALSE;
    }

protected:
    /// Further identifiers of the default interface (an earlier one).
    virtual bool answersTo(REFIID riid) const { return riid == iid_; }
    /// Interfaces beyond the default one and ISupportErrorInfo.
    virtual void* queryOther(REFIID) { return nullptr; }
    /// A member that returns nothing (a property write).
    template <class F> HRESULT let(F&& member) { return guarded(iid_, std::forward<F>(member)); }
    /// A member that returns a value into the client's `value`.
    template <class T, class F> HRESULT get(T* value, F&& member) {
        if (value == nullptr) {
            return E_POINTER;
        }
        return guarded(iid_, [&] { *value = member(); });
    }

private:
    const IID& iid_;
    std::atomic<ULONG> references_{1};
};

template <class F> HRESULT guarded(REFIID iid, F&& member) noexcept {
    try {
        std::forward<F>(member)();
        return S_OK;
    } catch (...) {
        return raise(iid, toRunTimeError(std::current_exception()));
    }
}

} // namespace qvMsgErr::automation

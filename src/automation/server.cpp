// The entry points through which the system creates the library's objects and registers it:
// class factories for qvMsgErr.clsMesgBox and qvMsgErr.clsError, and the server's registration
// in the current user's classes (or the machine's, when run elevated).
#include "automation/objects.h"
#include "automation/registration.h"

#include <cwctype>
#include <string>

namespace qvMsgErr::automation {

namespace {

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(IUnknown* (*create)()) : create_(create) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        return queryOne<IClassFactory>(this, riid, IID_IClassFactory, out);
    }
    // The two factories live as long as the DLL; a reference held by a client keeps it loaded.
    ULONG STDMETHODCALLTYPE AddRef() override {
        ++liveCount();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        --liveCount();
        return 1;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        HRESULT asked = E_NOINTERFACE;
        const HRESULT made = guarded(riid, [&] {
            IUnknown* object = create_();
            asked = object->QueryInterface(riid, out);
            object->Release();
        });
        return FAILED(made) ? made : asked;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? ++liveCount() : --liveCount();
        return S_OK;
    }

private:
    IUnknown* (*create_)();
};

ClassFactory mesgBoxFactory(&newMesgBox);
ClassFactory errorFactory(&newError);

// Whether this process may write the machine's classes.
bool elevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool ok = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return ok && elevation.TokenIsElevated != 0;
}

} // namespace

} // namespace qvMsgErr::automation

using namespace qvMsgErr::automation;

extern "C" {

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the system's own signature
HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (clsid == CLSID_clsMesgBox) {
        return mesgBoxFactory.QueryInterface(riid, out);
    }
    if (clsid == CLSID_clsError) {
        return errorFactory.QueryInterface(riid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return liveCount() == 0 ? S_OK : S_FALSE;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
    return registerServer(elevated() ? Scope::Machine : Scope::User);
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return unregisterServer(elevated() ? Scope::Machine : Scope::User);
}

// regsvr32 /i:user (or /i:machine) chooses where; /u with it removes from there.
HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR commandLine) {
    std::wstring where = commandLine == nullptr ? L"" : commandLine;
    for (wchar_t& c : where) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    Scope scope = elevated() ? Scope::Machine : Scope::User;
    if (where == L"user") {
        scope = Scope::User;
    } else if (where == L"machine") {
        scope = Scope::Machine;
    } else if (!where.empty()) {
        return E_INVALIDARG;
    }
    return install ? registerServer(scope) : unregisterServer(scope);
}

} // extern "C"

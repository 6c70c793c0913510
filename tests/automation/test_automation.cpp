// qvMsgErr.dll as an automation server, driven as a late-binding client drives it: objects
// created by name, members called by name through IDispatch with the Variants a script hands,
// messages answered by clicks on the real windows, the Abort event through a connection point,
// and the registration it writes and removes.
#include "win32/win32_user.h"

#include "automation/qvMsgErr_automation.h"
#include "table.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace qvMsgErr::win32test {
namespace {

// A Variant owned by the test.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    Var(long n) : Var() { V_VT(&v) = VT_I4, V_I4(&v) = n; }
    Var(double d) : Var() { V_VT(&v) = VT_R8, V_R8(&v) = d; }
    Var(bool b) : Var() { V_VT(&v) = VT_BOOL, V_BOOL(&v) = b ? VARIANT_TRUE : VARIANT_FALSE; }
    Var(const wchar_t* s) : Var() { V_VT(&v) = VT_BSTR, V_BSTR(&v) = SysAllocString(s); }
    Var(VARTYPE kind, IUnknown* unknown) : Var() { V_VT(&v) = kind, V_UNKNOWN(&v) = unknown; }
    Var(const Var& o) : Var() { VariantCopy(&v, const_cast<VARIANT*>(&o.v)); }
    Var& operator=(const Var& o) { return VariantCopy(&v, const_cast<VARIANT*>(&o.v)), *this; }
    ~Var() { VariantClear(&v); }
    std::wstring text() const { // "" for what has no text
        Var t;
        VariantChangeType(&t.v, const_cast<VARIANT*>(&v), VARIANT_ALPHABOOL, VT_BSTR);
        return V_VT(&t.v) == VT_BSTR ? std::wstring(V_BSTR(&t.v), SysStringLen(V_BSTR(&t.v))) : L"";
    }
};

// What a call gave back: the HRESULT (DISP_E_EXCEPTION's own code where there was one), the
// value, and the error's source.
struct Outcome {
    HRESULT hr;
    Var value;
    std::wstring source;
};

Outcome call(IDispatch* object, const wchar_t* name, WORD kind, std::vector<Var> args = {}) {
    Outcome out{S_OK, {}, {}};
    DISPID id = 0;
    auto* n = const_cast<LPOLESTR>(name);
    out.hr = object->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(out.hr)) {
        return out;
    }
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) {
        reversed.push_back(it->v);
    }
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), kind == DISPATCH_PROPERTYPUT ? &put : nullptr,
                      static_cast<UINT>(reversed.size()), kind == DISPATCH_PROPERTYPUT ? 1U : 0U};
    EXCEPINFO error{};
    UINT argument = 0;
    out.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, &out.value.v, &error,
                            &argument);
    if (out.hr == DISP_E_EXCEPTION) {
        out.hr = error.scode;
        out.source = error.bstrSource ? error.bstrSource : L"";
        SysFreeString(error.bstrDescription), SysFreeString(error.bstrSource);
        SysFreeString(error.bstrHelpFile);
    }
    return out;
}

Var get(IDispatch* o, const wchar_t* name) {
    return call(o, name, DISPATCH_PROPERTYGET).value;
}
HRESULT put(IDispatch* o, const wchar_t* name, Var value) {
    return call(o, name, DISPATCH_PROPERTYPUT, {value}).hr;
}

template <class T> T* entry(const char* name) {
    return reinterpret_cast<T*>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"qvMsgErr.dll"), name)));
}

class Automation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        library_ = LoadLibraryW(L"qvMsgErr.dll");
        ASSERT_EQ(entry<HRESULT STDAPICALLTYPE()>("DllRegisterServer")(), S_OK);
    }
    static void TearDownTestSuite() {
        entry<HRESULT STDAPICALLTYPE()>("DllUnregisterServer")();
        FreeLibrary(library_);
        CoUninitialize();
    }
    void TearDown() override {
        for (IDispatch* o : made_) {
            o->Release();
        }
    }
    IDispatch* make(const wchar_t* progId) {
        CLSID clsid{};
        IDispatch* object = nullptr;
        EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&object)),
                  S_OK);
        made_.push_back(object);
        return object;
    }
    IDispatch* box() { return make(L"qvMsgErr.clsMesgBox"); }
    IDispatch* error() { return make(L"qvMsgErr.clsError"); }

    static inline HMODULE library_ = nullptr;
    std::vector<IDispatch*> made_;
};

// A Variant written as the table writes it: "long 42", "text Ledger", "null", "array" …
Var parsed(const std::string& field) {
    const std::string kind = field.substr(0, field.find(' '));
    const std::string value = field.size() > kind.size() ? field.substr(kind.size() + 1) : "";
    if (kind == "long" || kind == "double") {
        return kind == "long" ? Var(std::stol(value)) : Var(std::stod(value));
    }
    if (kind == "bool" || kind == "text") {
        return kind == "bool" ? Var(value == "true") : Var(win32::wide(value).c_str());
    }
    Var v;
    V_VT(&v.v) = kind == "null" ? VT_NULL : kind == "array" ? VT_ARRAY | VT_VARIANT : VT_EMPTY;
    if (kind == "array") {
        V_ARRAY(&v.v) = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    }
    return v;
}

std::string hex(uint32_t n) {
    std::ostringstream out;
    out << "0x" << std::uppercase << std::hex << n;
    return out.str();
}

// Each row of data/calls.txt is one call, in order, on the same two objects.
TEST_F(Automation, CallsAsAScriptMakesThem) {
    std::map<std::string, IDispatch*> objects{{"box", box()}, {"error", error()}};
    for (const auto& row : qvtest::readTable("calls.txt")) {
        const std::wstring member = win32::wide(row.at(1));
        const std::string& how = row.at(2);
        SCOPED_TRACE(row.at(0) + " " + row.at(1) + " " + how + " " + row.at(3));
        std::vector<Var> args;
        std::istringstream fields(row.at(3) == "-" ? "" : row.at(3));
        for (std::string field; std::getline(fields, field, ';');) {
            args.push_back(parsed(field));
        }
        std::string gives;
        if (how == "id") {
            DISPID id = 0;
            auto* name = const_cast<LPOLESTR>(member.c_str());
            objects[row.at(0)]->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
            gives = hex(id);
        } else {
            const WORD kind = how == "get"   ? DISPATCH_PROPERTYGET
                              : how == "put" ? DISPATCH_PROPERTYPUT
                                             : DISPATCH_METHOD;
            const Outcome out = call(objects[row.at(0)], member.c_str(), kind, args);
            gives = FAILED(out.hr)
                        ? hex(out.hr) + (out.source.empty() ? "" : " ") + win32::narrow(out.source)
                    : V_VT(&out.value.v) != VT_EMPTY ? win32::narrow(out.value.text())
                                                     : "ok";
        }
        // A call without its required arguments is "bad count" to one system, "not optional"
        // to another.
        EXPECT_EQ(gives == "0x8002000F" ? "0x8002000E" : gives, row.at(4));
    }
}

// Clicks the control of `form` captioned `caption`.
void clickCaption(HWND form, const std::wstring& caption) {
    HWND control = captioned(form, caption);
    ASSERT_NE(control, nullptr) << "no control captioned " << win32::narrow(caption);
    SendMessageW(control, BM_CLICK, 0, 0);
}

constexpr wchar_t kForm[] = L"qvMsgErrForm";

std::wstring textValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value;
    RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

// A message answered on the real window: the ticked box stores the answer under Reg_Root, the
// trimmed MessageID is written back into the script's variable, and the next call for it
// answers at once.
TEST_F(Automation, MessageAnsweredByAClickIsRememberedInTheRegistry) {
    IDispatch* o = box();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\qvMsgErr Tests");
    put(o, L"Reg_Root", Var(L"Software\\qvMsgErr Tests"));
    put(o, L"MsgBoxType", Var(2L));
    put(o, L"DontShowAgain", Var(true));
    Var id(L"  Ledger.Save  ");
    Var idByReference(VT_VARIANT | VT_BYREF, nullptr);
    V_VARIANTREF(&idByReference.v) = &id.v;
    IDispatch* nothing = nullptr;
    Outcome answer;
    whileShown(
        kForm,
        [](HWND form) {
            clickCaption(form, L"Don't show this message again");
            clickCaption(form, L"&No");
        },
        [&] {
            answer = call(o, L"msgBox", DISPATCH_METHOD,
                          {Var(L"Save the changes?"), Var(L"4"), Var(L"Ledger"), Var(L""), Var(-1L),
                           idByReference, Var(VT_DISPATCH, nothing)});
        });
    V_VT(&idByReference.v) = VT_EMPTY; // it only referred to id
    EXPECT_EQ(answer.hr, S_OK);
    EXPECT_EQ(answer.value.text(), L"7");
    EXPECT_EQ(id.text(), L"Ledger.Save");
    EXPECT_EQ(textValue(HKEY_CURRENT_USER, L"Software\\qvMsgErr Tests\\MessageBox\\ShowMessage",
                        L"Ledger.Save"),
              L"7");
    EXPECT_EQ(call(o, L"GetDontShowIDValue", DISPATCH_METHOD, {Var(L"Ledger.Save")}).value.text(),
              L"7");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\qvMsgErr Tests");
}

// A sink of the Abort event: counts the calls and reads AbortPending when it is called.
class AbortSink final : public IDispatch {
public:
    explicit AbortSink(IDispatch* source) : source_(source) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        *out = riid == IID_IUnknown || riid == IID_IDispatch ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        calls.push_back(std::to_wstring(id) + L" " + get(source_, L"AbortPending").text());
        return S_OK;
    }
    std::vector<std::wstring> calls;

private:
    IDispatch* source_;
};

// A confirmed "Close all" reaches every sink, connected under either identifier of the event
// interface, before Show returns; a disconnected sink hears nothing.
TEST_F(Automation, CloseAllRaisesAbortInEveryConnectedSink) {
    IDispatch* o = error();
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(
        o->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)),
        S_OK);
    IID earlier{};
    IIDFromString(L"{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B024}", &earlier);
    AbortSink current(o), old(o), gone(o);
    std::vector<std::pair<IConnectionPoint*, DWORD>> connections;
    for (auto [iid, sink] : {std::pair{DIID___clsError, &current}, std::pair{earlier, &old},
                             std::pair{DIID___clsError, &gone}}) {
        IConnectionPoint* point = nullptr;
        ASSERT_EQ(container->FindConnectionPoint(iid, &point), S_OK);
        DWORD cookie = 0;
        ASSERT_EQ(point->Advise(sink, &cookie), S_OK);
        connections.emplace_back(point, cookie);
    }
    container->Release();
    EXPECT_EQ(connections[2].first->Unadvise(connections[2].second), S_OK);
    EXPECT_EQ(connections[2].first->Unadvise(connections[2].second), CONNECT_E_NOCONNECTION);
    Outcome shown;
    whileShown(
        kForm,
        [](HWND form) {
            whileShown(
                L"#32770",
                [](HWND confirm) { SendMessageW(GetDlgItem(confirm, IDYES), BM_CLICK, 0, 0); },
                [&] { clickCaption(form, L"Close &all"); });
        },
        [&] {
            shown = call(o, L"Show", DISPATCH_METHOD, {Var(true), Var(L"Disk full"), Var(61L)});
            EXPECT_EQ(current.calls, std::vector<std::wstring>{L"1 True"}) << "before Show returns";
        });
    EXPECT_EQ(shown.hr, S_OK);
    EXPECT_EQ(old.calls, std::vector<std::wstring>{L"1 True"});
    EXPECT_TRUE(gone.calls.empty());
    for (auto [point, cookie] : connections) {
        point->Unadvise(cookie);
        point->Release();
    }
}

// Reference counting keeps the server loaded while any object lives; the earlier identifier of
// _clsError is the same interface.
TEST_F(Automation, ServerUnloadsOnlyWhenNoObjectIsAlive) {
    auto canUnload = entry<HRESULT STDAPICALLTYPE()>("DllCanUnloadNow");
    EXPECT_EQ(canUnload(), S_OK);
    IDispatch* o = error();
    IID earlier{};
    IIDFromString(L"{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B022}", &earlier);
    IUnknown* same = nullptr;
    ASSERT_EQ(o->QueryInterface(earlier, reinterpret_cast<void**>(&same)), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    same->Release();
    made_.clear();
    o->Release();
    EXPECT_EQ(canUnload(), S_OK);
}

// A key and everything below it, as text; with `ours`, of its subkeys only those named by the
// library's GUIDs or names.
std::wstring dump(HKEY root, const std::wstring& path, bool ours = false) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return {};
    }
    std::wstring out = ours ? L"" : path + L"\n";
    wchar_t name[256];
    BYTE data[2048];
    DWORD length = 256, size = sizeof data;
    for (DWORD i = 0; !ours && RegEnumValueW(key, i, name, &length, nullptr, nullptr, data,
                                             &size) == ERROR_SUCCESS;
         ++i, length = 256, size = sizeof data) {
        out += std::wstring(name, length) + L"=" +
               std::wstring(reinterpret_cast<wchar_t*>(data), size / sizeof(wchar_t)) + L"\n";
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;
         RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 256) {
        const std::wstring n(name, length);
        if (!ours || n.starts_with(L"{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B") ||
            n.starts_with(L"qvMsgErr.")) {
            subkeys.push_back(n);
        }
    }
    RegCloseKey(key);
    for (const auto& subkey : subkeys) {
        out += dump(root, path + L"\\" + subkey);
    }
    return out;
}

// Per user and per machine: unregistering what was never registered changes nothing,
// registering twice writes the keys once, and unregistering removes exactly them.
TEST_F(Automation, RegisteringTwiceAndUnregisteringLeaveTheRegistryAsItWas) {
    auto install = entry<HRESULT STDAPICALLTYPE(BOOL, LPCWSTR)>("DllInstall");
    // The user's classes whole; of the machine's (thousands of keys) those of the library.
    const auto registry = [] {
        std::wstring all = dump(HKEY_CURRENT_USER, L"Software\\Classes");
        for (const wchar_t* container : {L"", L"\\CLSID", L"\\TypeLib", L"\\Interface"}) {
            all += dump(HKEY_LOCAL_MACHINE, L"Software\\Classes" + std::wstring(container), true);
        }
        return all;
    };
    wchar_t dll[MAX_PATH] = {};
    GetModuleFileNameW(library_, dll, MAX_PATH);
    const std::wstring clsid = L"Software\\Classes\\CLSID\\{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B010}";
    for (const wchar_t* scope : {L"user", L"machine"}) {
        SCOPED_TRACE(win32::narrow(scope));
        const HKEY root = scope == std::wstring(L"user") ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        ASSERT_EQ(install(FALSE, scope), S_OK);
        const std::wstring before = registry();
        EXPECT_EQ(install(FALSE, scope), S_OK);
        EXPECT_EQ(registry(), before) << "unregistered when never registered";
        ASSERT_EQ(install(TRUE, scope), S_OK);
        const std::wstring once = registry();
        EXPECT_EQ(textValue(root, clsid + L"\\InprocServer32", nullptr), dll);
        EXPECT_EQ(textValue(root, clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(textValue(root, L"Software\\Classes\\qvMsgErr.clsError\\CLSID", nullptr),
                  L"{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B020}");
        EXPECT_EQ(install(TRUE, scope), S_OK);
        EXPECT_EQ(registry(), once) << "registered twice";
        ASSERT_EQ(install(FALSE, scope), S_OK);
        EXPECT_EQ(registry(), before) << "registered and unregistered";
    }
    EXPECT_EQ(entry<HRESULT STDAPICALLTYPE()>("DllRegisterServer")(), S_OK); // as the suite had it
}

} // namespace
} // namespace qvMsgErr::win32test

// qvMsgErr.dll as an automation server, driven as a late-binding client drives it: objects
// created by name, members called by name through IDispatch with the Variants a script hands,
// messages answered by clicks on the real windows, the Abort event through a connection point,
// and the registration it writes and removes.
#include "win32/win32_user.h"

#include "automation/qvMsgErr_automation.h"

#include <qvMsgErr/identifiers.h>

#include <gtest/gtest.h>
#include <olectl.h>

#include <map>
#include <string>
#include <vector>

namespace qvMsgErr::win32test {
namespace {

namespace dispError = ids::dispError;
namespace dispMesgBox = ids::dispMesgBox;

// A Variant owned by the test.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    Var(long n) : Var() { V_VT(&v) = VT_I4, V_I4(&v) = n; }
    Var(double d) : Var() { V_VT(&v) = VT_R8, V_R8(&v) = d; }
    Var(bool b) : Var() { V_VT(&v) = VT_BOOL, V_BOOL(&v) = b ? VARIANT_TRUE : VARIANT_FALSE; }
    Var(const wchar_t* s) : Var() { V_VT(&v) = VT_BSTR, V_BSTR(&v) = SysAllocString(s); }
    Var(VARTYPE kind, IUnknown* unknown) : Var() { V_VT(&v) = kind, V_UNKNOWN(&v) = unknown; }
    static Var null() { return Var(VT_NULL, nullptr); }
    static Var array() {
        Var a;
        V_VT(&a.v) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(&a.v) = SafeArrayCreateVector(VT_VARIANT, 0, 2);
        return a;
    }
    Var(const Var& o) : Var() { VariantCopy(&v, const_cast<VARIANT*>(&o.v)); }
    Var& operator=(const Var& o) { return VariantCopy(&v, const_cast<VARIANT*>(&o.v)), *this; }
    ~Var() { VariantClear(&v); }
    std::wstring text() const {
        Var t;
        return SUCCEEDED(
                   VariantChangeType(&t.v, const_cast<VARIANT*>(&v), VARIANT_ALPHABOOL, VT_BSTR))
                   ? std::wstring(V_BSTR(&t.v), SysStringLen(V_BSTR(&t.v)))
                   : L"<" + std::to_wstring(V_VT(&v)) + L">";
    }
};

// What a call gave back: the HRESULT (DISP_E_EXCEPTION's own code where there was one), the
// value, and the error's description and source.
struct Outcome {
    HRESULT hr;
    Var value;
    std::wstring description, source;
};

Outcome call(IDispatch* object, const wchar_t* name, WORD kind, std::vector<Var> args = {}) {
    Outcome out{S_OK, {}, {}, {}};
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
        out.description = error.bstrDescription ? error.bstrDescription : L"";
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

// The type library gives every member the dispatch id the library's identifiers name.
TEST_F(Automation, EveryMemberAnswersToItsName) {
#define QV_BOX(name)                                                                               \
    { L## #name, dispMesgBox::name, true }
#define QV_ERROR(name)                                                                             \
    { L## #name, dispError::name, false }
    const struct {
        const wchar_t* name;
        DISPID id;
        bool box;
    } members[] = {QV_BOX(UseSounds),
                   QV_BOX(TimerCountDownCaption),
                   QV_BOX(TimeOutOccured),
                   QV_BOX(Reg_Root),
                   QV_BOX(BackColor),
                   QV_BOX(DontShowIsValidForCancel),
                   QV_BOX(CmdDescriptions),
                   QV_BOX(MsgBoxType),
                   QV_BOX(DefaultButtonOK),
                   QV_BOX(DefaultButtonCancel),
                   QV_BOX(DefaultButtonAbort),
                   QV_BOX(DefaultButtonRetry),
                   QV_BOX(DefaultButtonIgnore),
                   QV_BOX(DefaultButtonYes),
                   QV_BOX(DefaultButtonNo),
                   QV_BOX(DefaultButtonHelp),
                   QV_BOX(DefaultButtonDetails),
                   QV_BOX(ButtonOK),
                   QV_BOX(ButtonCancel),
                   QV_BOX(ButtonAbort),
                   QV_BOX(ButtonRetry),
                   QV_BOX(ButtonIgnore),
                   QV_BOX(ButtonYes),
                   QV_BOX(ButtonNo),
                   QV_BOX(ButtonHelp),
                   QV_BOX(ButtonDetails),
                   QV_BOX(DescOK),
                   QV_BOX(DescCancel),
                   QV_BOX(DescAbort),
                   QV_BOX(DescRetry),
                   QV_BOX(DescIgnore),
                   QV_BOX(DescYes),
                   QV_BOX(DescNo),
                   QV_BOX(FormPosition),
                   QV_BOX(FormLeft),
                   QV_BOX(FormTop),
                   QV_BOX(TimerUse),
                   QV_BOX(TimerSeconds),
                   QV_BOX(DontShowAgain),
                   QV_BOX(DontShowAgainTicked),
                   QV_BOX(DontShowIsManual),
                   QV_BOX(DontShowAgainPrompt),
                   QV_BOX(DetailsButton),
                   QV_BOX(DetailsString),
                   QV_BOX(msgBox),
                   QV_BOX(ResolveButtonNameText),
                   QV_BOX(DontShowForceButton),
                   QV_BOX(GetDontShowIDValue),
                   QV_ERROR(LastNumber),
                   QV_ERROR(LastDescription),
                   QV_ERROR(LastSource),
                   QV_ERROR(AbortPending),
                   QV_ERROR(SupportEmail),
                   QV_ERROR(LastErrorOccured),
                   QV_ERROR(Show),
                   QV_ERROR(Description),
                   QV_ERROR(Number),
                   QV_ERROR(Details),
                   QV_ERROR(AppName),
                   QV_ERROR(UserName),
                   QV_ERROR(Appearance),
                   QV_ERROR(Solution),
                   QV_ERROR(Activity),
                   QV_ERROR(WriteDebugLog)};
#undef QV_BOX
#undef QV_ERROR
    IDispatch* objects[] = {error(), box()};
    for (const auto& m : members) {
        DISPID id = 0;
        auto* name = const_cast<LPOLESTR>(m.name);
        EXPECT_EQ(objects[m.box]->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK) << m.name;
        EXPECT_EQ(id, m.id) << m.name;
    }
}

// Each row: a member, the Variant a script writes, and what reading it back gives as text.
TEST_F(Automation, PropertiesTakeEveryKindOfValueAScriptHands) {
    const struct {
        bool box;
        const wchar_t* name;
        Var written;
        const wchar_t* read;
    } rows[] = {
        {true, L"UseSounds", Var(false), L"False"},
        {true, L"TimerCountDownCaption", Var(42L), L"42"},
        {true, L"TimeOutOccured", Var(-1L), L"True"},
        {true, L"Reg_Root", Var(L"Software\\qvMsgErr Tests"), L"Software\\qvMsgErr Tests"},
        {true, L"DontShowIsValidForCancel", Var(1.0), L"True"},
        {true, L"CmdDescriptions", Var(L"True"), L"True"},
        {true, L"DontShowAgain", Var(L"0"), L"False"},
        {true, L"DontShowAgainTicked", Var(true), L"True"},
        {true, L"DetailsString", Var(L"Gr\u00f6\u00dfe \U0001F600"), L"Gr\u00f6\u00dfe \U0001F600"},
        {true, L"DontShowForceButton", Var(6.4), L"6"},
        {false, L"LastNumber", Var(L"75"), L"75"},
        {false, L"LastErrorOccured", Var(true), L"True"},
        {false, L"SupportEmail", Var(L"help@ledger.example"), L"help@ledger.example"},
        {false, L"Number", Var(2.5), L"2"},
        {false, L"Activity", Var(7L), L"7"},
        {false, L"Appearance", Var(L""), L"Standard"},
        {false, L"WriteDebugLog", Var(L"False"), L"False"},
    };
    for (const auto& row : rows) {
        IDispatch* o = row.box ? box() : error();
        EXPECT_EQ(put(o, row.name, row.written), S_OK) << row.name;
        EXPECT_EQ(get(o, row.name).text(), row.read) << row.name;
    }
}

// Each row: a member, how it is called, the arguments, and the error the script sees (Invoke's
// own, or the number the member raised, with its source).
TEST_F(Automation, WrongArgumentsAreAutomationErrorsNeverCrashes) {
    const HRESULT typeMismatch = MAKE_HRESULT(1, FACILITY_CONTROL, 13);
    const struct {
        const wchar_t* name;
        WORD kind;
        std::vector<Var> args;
        HRESULT hr;
        const wchar_t* source;
    } rows[] = {
        {L"TimerSeconds", DISPATCH_PROPERTYPUT, {Var(L"ten")}, DISP_E_TYPEMISMATCH, L""},
        {L"TimerSeconds", DISPATCH_PROPERTYPUT, {Var(1e20)}, DISP_E_OVERFLOW, L""},
        {L"DescOK", DISPATCH_PROPERTYPUT, {Var::array()}, DISP_E_TYPEMISMATCH, L""},
        {L"DescOK", DISPATCH_PROPERTYPUT, {Var::null()}, DISP_E_TYPEMISMATCH, L""},
        {L"FormLeft", DISPATCH_PROPERTYPUT, {Var()}, S_OK, L""},
        {L"ButtonOK", DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND, L""},
        {L"Frobnicate", DISPATCH_METHOD, {}, DISP_E_UNKNOWNNAME, L""},
        {L"msgBox", DISPATCH_METHOD, {}, DISP_E_BADPARAMCOUNT, L""}, // or "not optional"
        {L"msgBox", DISPATCH_METHOD, std::vector<Var>(8, Var(1L)), DISP_E_BADPARAMCOUNT, L""},
        {L"msgBox", DISPATCH_METHOD, {Var(L"?"), Var(L"four")}, typeMismatch, L"qvMsgErr"},
        {L"msgBox", DISPATCH_METHOD, {Var(L"?"), Var(0L), Var::array()}, typeMismatch, L"qvMsgErr"},
        {L"msgBox",
         DISPATCH_METHOD,
         {Var(L"?"), Var(0L), Var(L"t"), Var(L""), Var(-1L), Var(L""), Var(5L)},
         typeMismatch,
         L"qvMsgErr"},
        {L"GetDontShowIDValue",
         DISPATCH_METHOD,
         {Var(L"never stored")},
         typeMismatch,
         L"GetDontShowIDValue&qvMsgErr"},
    };
    IDispatch* o = box();
    for (const auto& row : rows) {
        const Outcome out = call(o, row.name, row.kind, row.args);
        const bool notOptional =
            row.hr == DISP_E_BADPARAMCOUNT && out.hr == DISP_E_PARAMNOTOPTIONAL;
        EXPECT_EQ(notOptional ? row.hr : out.hr, row.hr) << row.name << " " << row.args.size();
        EXPECT_EQ(out.source, row.source) << row.name;
    }
}

// Clicks the control of `form` captioned `caption`.
void clickCaption(HWND form, const std::wstring& caption) {
    HWND control = captioned(form, caption);
    ASSERT_NE(control, nullptr) << "no control captioned " << win32::narrow(caption);
    SendMessageW(control, BM_CLICK, 0, 0);
}

constexpr wchar_t kForm[] = L"qvMsgErrForm";

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
    EXPECT_EQ(get(o, L"DontShowAgainTicked").text(), L"True");
    wchar_t stored[16] = {};
    DWORD size = sizeof stored;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\qvMsgErr Tests\\MessageBox\\ShowMessage",
                           L"Ledger.Save", RRF_RT_REG_SZ, nullptr, stored, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(stored, L"7");
    EXPECT_EQ(call(o, L"GetDontShowIDValue", DISPATCH_METHOD, {Var(L"Ledger.Save")}).value.text(),
              L"7");
    put(o, L"DontShowAgain", Var(true));
    EXPECT_EQ(
        call(o, L"msgBox", DISPATCH_METHOD,
             {Var(L"Save?"), Var(4L), Var(L"Ledger"), Var(L""), Var(-1L), Var(L"Ledger.Save")})
            .value.text(),
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

// Reference counting keeps the server loaded while any object or lock lives; the earlier
// identifier of _clsError is the same interface.
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
    for (const BOOL lock : {TRUE, FALSE}) {
        IClassFactory* factory = nullptr;
        ASSERT_EQ(CoGetClassObject(CLSID_clsMesgBox, CLSCTX_INPROC_SERVER, nullptr,
                                   IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
        EXPECT_EQ(canUnload(), S_FALSE) << "a factory held";
        factory->LockServer(lock);
        factory->Release();
        EXPECT_EQ(canUnload(), lock ? S_FALSE : S_OK) << "locked " << lock;
    }
}

// A key and everything below it, as text.
std::wstring dump(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return {};
    }
    std::wstring out = path + L"\n";
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256, type = 0;
        BYTE data[2048];
        DWORD size = sizeof data;
        if (RegEnumValueW(key, i, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS) {
            break;
        }
        out += std::wstring(name, length) + L"=" +
               std::wstring(reinterpret_cast<wchar_t*>(data), size / sizeof(wchar_t)) + L"\n";
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        subkeys.emplace_back(name, length);
    }
    RegCloseKey(key);
    for (const auto& subkey : subkeys) {
        out += dump(root, path + L"\\" + subkey);
    }
    return out;
}

std::wstring textValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value;
    RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

// Per user and per machine: unregistering what was never registered changes nothing,
// registering twice writes the keys once, and unregistering removes exactly them.
TEST_F(Automation, RegisteringTwiceAndUnregisteringLeaveTheRegistryAsItWas) {
    auto install = entry<HRESULT STDAPICALLTYPE(BOOL, LPCWSTR)>("DllInstall");
    // The user's classes whole; of the machine's (thousands of keys) every key named by the
    // library's GUIDs or names.
    const auto registry = [] {
        std::wstring all = dump(HKEY_CURRENT_USER, L"Software\\Classes");
        for (const std::wstring container : {L"CLSID", L"TypeLib", L"Interface", L""}) {
            const std::wstring path = L"Software\\Classes\\" + container;
            HKEY key = nullptr;
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key);
            wchar_t name[256];
            for (DWORD i = 0, length = 256; RegEnumKeyExW(key, i, name, &length, nullptr, nullptr,
                                                          nullptr, nullptr) == ERROR_SUCCESS;
                 ++i, length = 256) {
                const std::wstring n(name, length);
                if (n.starts_with(L"{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B") ||
                    n.starts_with(L"qvMsgErr.")) {
                    all += dump(HKEY_LOCAL_MACHINE, path + L"\\" + n);
                }
            }
            RegCloseKey(key);
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

#include "automation/registration.h"

#include "automation/dispatch_object.h"
#include "platform/win32_module.h"

#include <qvMsgErr/identifiers.h>

#include <olectl.h>

#include <string>

// The per-user forms of the type library's registration (Windows Vista on); MinGW-w64's headers
// leave them out, its import library has them.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpDir);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid,
                                        SYSKIND kind);
}

namespace qvMsgErr::automation {

namespace {

struct ClassEntry {
    const ids::Registration& cls;
    const char* progId;
};
const ClassEntry kClasses[] = {{ids::kClsMesgBox, ids::kProgIdMesgBox},
                               {ids::kClsError, ids::kProgIdError}};

HKEY rootOf(Scope scope) {
    return scope == Scope::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}
const wchar_t* kClassesKey = L"Software\\Classes\\";

// Sets the value `name` (the key's default when empty) of `path` below the scope's classes.
bool setText(Scope scope, const std::wstring& path, const wchar_t* name,
             const std::wstring& value) {
    const std::wstring full = kClassesKey + path;
    return RegSetKeyValueW(
               rootOf(scope), full.c_str(), *name != L'\0' ? name : nullptr, REG_SZ, value.c_str(),
               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool writeClass(Scope scope, const ClassEntry& entry, const std::wstring& dll) {
    const std::wstring clsid = L"CLSID\\" + wide(entry.cls.guid);
    const std::wstring progId = wide(entry.progId);
    const std::wstring version =
        std::to_wstring(entry.cls.versionMajor) + L"." + std::to_wstring(entry.cls.versionMinor);
    return setText(scope, clsid, L"", wide(entry.cls.name)) &&
           setText(scope, clsid + L"\\InprocServer32", L"", dll) &&
           setText(scope, clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
           setText(scope, clsid + L"\\ProgID", L"", progId) &&
           setText(scope, clsid + L"\\VERSION", L"", version) &&
           setText(scope, clsid + L"\\TypeLib", L"", wide(ids::kLibrary.guid)) &&
           setText(scope, clsid + L"\\Programmable", L"", L"") &&
           setText(scope, progId, L"", wide(entry.cls.name)) &&
           setText(scope, progId + L"\\CLSID", L"", wide(entry.cls.guid));
}

void removeTree(Scope scope, const std::wstring& path) {
    const std::wstring full = kClassesKey + path;
    RegDeleteTreeW(rootOf(scope), full.c_str());
    RegDeleteKeyW(rootOf(scope), full.c_str());
}

// Removes `path` (below the scope's root) when it holds nothing at all: a container that
// registering had to make (a new user's profile may have no classes of its own yet).
void removeIfEmpty(Scope scope, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(rootOf(scope), path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    DWORD subkeys = 1, values = 1;
    const bool empty =
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subkeys == 0 && values == 0;
    RegCloseKey(key);
    if (empty) {
        RegDeleteKeyW(rootOf(scope), path);
    }
}

} // namespace

HRESULT registerServer(Scope scope) {
    const std::wstring dll = platform::libraryPath();
    ITypeLib* library = typeLibrary();
    if (dll.empty() || library == nullptr) {
        return SELFREG_E_TYPELIB;
    }
    for (const ClassEntry& entry : kClasses) {
        if (!writeClass(scope, entry, dll)) {
            unregisterServer(scope);
            return SELFREG_E_CLASS;
        }
    }
    std::wstring path = dll;
    const HRESULT typeLib = scope == Scope::User
                                ? RegisterTypeLibForUser(library, path.data(), nullptr)
                                : RegisterTypeLib(library, path.data(), nullptr);
    if (FAILED(typeLib)) {
        unregisterServer(scope);
        return SELFREG_E_TYPELIB;
    }
    return S_OK;
}

HRESULT unregisterServer(Scope scope) {
    for (const ClassEntry& entry : kClasses) {
        removeTree(scope, L"CLSID\\" + wide(entry.cls.guid));
        removeTree(scope, wide(entry.progId));
    }
    removeIfEmpty(scope, L"Software\\Classes\\CLSID");
    removeIfEmpty(scope, L"Software\\Classes");
    const GUID libid = guidOf(ids::kLibrary.guid);
    // Absent already is what was asked for.
    if (scope == Scope::User) {
        UnRegisterTypeLibForUser(libid, ids::kLibrary.versionMajor, ids::kLibrary.versionMinor,
                                 ids::kLibraryLocale, SYS_WIN64);
    } else {
        UnRegisterTypeLib(libid, ids::kLibrary.versionMajor, ids::kLibrary.versionMinor,
                          ids::kLibraryLocale, SYS_WIN64);
    }
    return S_OK;
}

} // namespace qvMsgErr::automation

#include "automation/dispatch_object.h"

#include "platform/utf16.h"
#include "platform/win32_module.h"

#include <mutex>
#include <utility>
#include <vector>

namespace qvMsgErr::automation {

std::atomic<long>& liveCount() {
    static std::atomic<long> count{0};
    return count;
}

ITypeLib* typeLibrary() {
    // Loaded once and kept for the life of the process: the type information handed out refers
    // to it, and a client may hold that longer than any object.
    static ITypeLib* library = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        if (FAILED(LoadTypeLibEx(platform::libraryPath().c_str(), REGKIND_NONE, &library))) {
            library = nullptr;
        }
    });
    return library;
}

ITypeInfo* typeInfoOf(REFGUID guid) {
    ITypeLib* library = typeLibrary();
    if (library == nullptr) {
        return nullptr;
    }
    static std::mutex lock;
    static std::vector<std::pair<GUID, ITypeInfo*>> known;
    const std::lock_guard guard(lock);
    for (const auto& [g, info] : known) {
        if (IsEqualGUID(g, guid)) {
            return info;
        }
    }
    ITypeInfo* info = nullptr;
    if (FAILED(library->GetTypeInfoOfGuid(guid, &info))) {
        return nullptr;
    }
    // A dual interface is described twice; calls go through its vtable half.
    HREFTYPE vtableHalf = 0;
    ITypeInfo* vtableInfo = nullptr;
    if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &vtableHalf)) &&
        SUCCEEDED(info->GetRefTypeInfo(vtableHalf, &vtableInfo))) {
        info->Release();
        info = vtableInfo;
    }
    known.emplace_back(guid, info);
    return info;
}

std::wstring wide(const char* ascii) {
    return {ascii, ascii + std::char_traits<char>::length(ascii)};
}

GUID guidOf(const char* text) {
    GUID guid{};
    IIDFromString(wide(text).c_str(), &guid);
    return guid;
}

std::string toUtf8(const wchar_t* text, size_t length) {
    if (text == nullptr) {
        return {};
    }
    // A script's text comes back exactly, even one with a lone surrogate.
    return platform::fromUtf16Escaped(
        std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

BSTR toBstr(const std::string& utf8) {
    const std::u16string wide = platform::toUtf16Escaped(utf8);
    BSTR b = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()), wide.size());
    if (b == nullptr) {
        throw RunTimeError(err::OutOfMemory);
    }
    return b;
}

HRESULT hresultOf(int32_t number) {
    if (number < 0) {
        return static_cast<HRESULT>(number);
    }
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number & 0xFFFF);
}

HRESULT raise(REFIID iid, const RunTimeError& e) {
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        const std::u16string description = platform::toUtf16Escaped(e.Description);
        const std::u16string source = platform::toUtf16Escaped(e.Source);
        const std::u16string helpFile = platform::toUtf16Escaped(e.HelpFile);
        create->SetGUID(iid);
        create->SetDescription(
            const_cast<LPOLESTR>(reinterpret_cast<LPCOLESTR>(description.c_str())));
        create->SetSource(const_cast<LPOLESTR>(reinterpret_cast<LPCOLESTR>(source.c_str())));
        create->SetHelpFile(const_cast<LPOLESTR>(reinterpret_cast<LPCOLESTR>(helpFile.c_str())));
        create->SetHelpContext(static_cast<DWORD>(e.HelpContext));
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return hresultOf(e.Number);
}

} // namespace qvMsgErr::automation

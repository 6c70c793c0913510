// Files and the process on Windows (see files.h): the wide-character API with UTF-8 names.
#include "platform/files.h"

#include "platform/utf16.h"
#include "platform/win32_module.h"

#include <qvMsgErr/RunTimeError.h>

#include <windows.h>

#include <algorithm>
#include <string_view>

namespace qvMsgErr::platform {

namespace {

/// `path` as a wide file name; nullopt when it is no UTF-8 or holds a NUL.
std::optional<std::wstring> widePath(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    const auto wide = toUtf16(path);
    if (!wide) {
        return std::nullopt;
    }
    return std::wstring(wide->begin(), wide->end());
}

std::string narrow(const wchar_t* text, std::size_t size) {
    return fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text), size));
}

/// Closes the handle on every path out.
class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { close(); }
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    bool close() {
        const bool ok = !valid() || ::CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

bool writeAll(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

/// The attributes of `path` itself (a link is not followed), or INVALID_FILE_ATTRIBUTES.
DWORD attributesOf(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str());
}

} // namespace

void replaceFile(const std::string& path, const std::string& bytes) {
    const auto wide = widePath(path);
    if (!wide) {
        throw RunTimeError(err::PathFileAccess);
    }
    const DWORD existing = attributesOf(*wide);
    // A directory is never replaced, nor a file its owner made read-only (Windows refuses to
    // replace one; Wine would not, so it is said here).
    if (existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        throw RunTimeError(err::PathFileAccess);
    }
    // A new file beside the target, made with CREATE_NEW so that nothing planted at its name is
    // written through; where none can be made, nothing is written.
    std::wstring temp;
    HANDLE made = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; attempt < 100 && made == INVALID_HANDLE_VALUE; ++attempt) {
        temp = *wide + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" +
               std::to_wstring(::GetTickCount64() + attempt) + L".tmp";
        made = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (made == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            throw RunTimeError(err::PathFileAccess);
        }
    }
    Handle file(made);
    if (!file.valid()) {
        throw RunTimeError(err::PathFileAccess);
    }
    const bool written = writeAll(file.get(), bytes) && ::FlushFileBuffers(file.get()) != 0;
    if (!file.close() || !written ||
        !::MoveFileExW(temp.c_str(), wide->c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temp.c_str());
        throw RunTimeError(err::PathFileAccess);
    }
}

bool appendToFile(const std::string& path, const std::string& line) {
    const auto wide = widePath(path);
    if (!wide) {
        return false;
    }
    // FILE_APPEND_DATA: every write goes to the end; FILE_FLAG_OPEN_REPARSE_POINT: never through
    // a link at the log's name.
    Handle file(::CreateFileW(wide->c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid() || ::GetFileType(file.get()) != FILE_TYPE_DISK) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        return false;
    }
    // The lock keeps a long line, which may take several writes, in one piece.
    OVERLAPPED whole{};
    if (!::LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        return false;
    }
    LARGE_INTEGER end{};
    const bool known = ::GetFileSizeEx(file.get(), &end) != 0;
    const bool written = known && writeAll(file.get(), line);
    if (!written && known) {
        // A line written in part (a full disk) is taken back.
        Handle again(::CreateFileW(wide->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (again.valid() && ::SetFilePointerEx(again.get(), end, nullptr, FILE_BEGIN)) {
            ::SetEndOfFile(again.get());
        }
    }
    ::UnlockFileEx(file.get(), 0, MAXDWORD, MAXDWORD, &whole);
    return written;
}

bool isRegularFile(const std::string& path) {
    const auto wide = widePath(path);
    if (!wide) {
        return false;
    }
    const DWORD attributes = attributesOf(*wide);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

std::string fileVersion(const std::string& path) {
    const auto wide = widePath(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!wide || !::GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data)) {
        return "-";
    }
    const auto join = [](DWORD high, DWORD low) {
        return std::to_string((static_cast<unsigned long long>(high) << 32) | low);
    };
    return join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime) + "/" +
           join(data.nFileSizeHigh, data.nFileSizeLow);
}

HMODULE libraryModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&libraryModule), &module);
    return module;
}

std::wstring modulePath(HMODULE module) {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size =
            ::GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
        if (size == 0) {
            return {};
        }
        if (size < name.size()) {
            name.resize(size);
            return name;
        }
        name.resize(name.size() * 2);
    }
}

std::string libraryDirectory() {
    const std::wstring name = libraryPath();
    const auto slash = name.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : narrow(name.data(), slash);
}

std::string programName() {
    std::wstring name(MAX_PATH, L'\0');
    const DWORD size = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    name.resize(size);
    const auto slash = name.find_last_of(L"\\/");
    std::wstring base = slash == std::wstring::npos ? name : name.substr(slash + 1);
    if (base.size() > 4 && ::_wcsicmp(base.c_str() + base.size() - 4, L".exe") == 0) {
        base.resize(base.size() - 4);
    }
    return narrow(base.data(), base.size());
}

std::tm localTime(std::time_t time) {
    std::tm local{};
    ::localtime_s(&local, &time);
    return local;
}

} // namespace qvMsgErr::platform

// The registry store alone (Windows): what other programs see of what it writes and what it reads
// of theirs (UTF-16 names and texts, kinds it does not write), long texts, names it must refuse,
// a key the user may not write, and the sandbox that keeps tests out of the user's registry.
#include "store_fixtures.h"

#include "support/modRegistry.h"

#include <windows.h>
// windows.h after the store's headers: it makes REG_SZ, HKEY_CURRENT_USER … macros of its own.
#include <sddl.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {
// The registry's own handle of HKEY_CURRENT_USER, named before the store's HKEY is in scope.
::HKEY const kNativeUser = HKEY_CURRENT_USER;
} // namespace

using namespace qvMsgErr;
using namespace storetest;
using namespace std::string_literals;
namespace rr = qvMsgErr::platform::regresult;
namespace plat = qvMsgErr::platform;

namespace {

constexpr plat::HKEY kUser = 0x80000001u; // the store's HKEY_CURRENT_USER
constexpr uint32_t kText = 1, kBytes = 3, kNumber = 4;

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                        static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                          out.data(), n);
    return out;
}

/// Removes the key that holds the tests' sandboxes once the last is gone (RegDeleteKeyW removes
/// no key that still has keys below it, so a test run beside this one keeps its own).
class SandboxParentRemoval : public ::testing::Environment {
public:
    void TearDown() override { ::RegDeleteKeyW(kNativeUser, wide(SandboxParent).c_str()); }
};
[[maybe_unused]] const auto* const kRemoval =
    ::testing::AddGlobalTestEnvironment(new SandboxParentRemoval);

/// A registry store in a sandbox of its own, as the thread's store, removed afterwards.
class RegistryAlone : public ThreadStoreTest {
protected:
    void SetUp() override { useStore(store); }
    void TearDown() override {
        ThreadStoreTest::TearDown();
        EXPECT_EQ(store->openHandles(), 0u) << "a key was left open";
        EXPECT_EQ(store->DeleteSandbox(), rr::Success);
        ::RegCloseKey(native);
    }

    /// The sandbox's HKEY_CURRENT_USER\`path` as another program opens it (created if missing).
    ::HKEY raw(const std::string& path, REGSAM access = KEY_ALL_ACCESS) {
        ::RegCloseKey(native);
        native = nullptr;
        const std::wstring full =
            wide(store->sandbox() + "\\HKEY_CURRENT_USER" + (path.empty() ? "" : "\\" + path));
        EXPECT_EQ(::RegCreateKeyExW(kNativeUser, full.c_str(), 0, nullptr, 0, access, nullptr,
                                    &native, nullptr),
                  ERROR_SUCCESS);
        return native;
    }

    /// The names of the values of `key` as the registry lists them.
    static std::vector<std::wstring> rawNames(::HKEY key) {
        std::vector<std::wstring> names;
        for (DWORD i = 0;; ++i) {
            wchar_t name[16384];
            DWORD length = 16384;
            if (::RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                return names;
            }
            names.emplace_back(name, length);
        }
    }

    std::shared_ptr<WindowsRegistry> store = std::make_shared<WindowsRegistry>(freshSandbox());
    ::HKEY native = nullptr;
};

TEST_F(RegistryAlone, AnotherProgramReadsUtf16NamesAndTextsAndItsWritesReadBackAsUtf8) {
    // "Grüße" in the key path, "Ärger 😀" as the name, "naïve – ✓" as the text.
    const std::string key = "App\\Gr\xc3\xbc\xc3\x9f"
                            "e";
    const std::string name = "\xc3\x84rger \xf0\x9f\x98\x80";
    const std::string text = "na\xc3\xafve \xe2\x80\x93 \xe2\x9c\x93";
    ASSERT_EQ(put(*store, key, name, kText, text), rr::Success);

    ::HKEY k = raw(key, KEY_READ);
    DWORD type = 0;
    wchar_t data[64] = {};
    DWORD size = sizeof data;
    ASSERT_EQ(::RegQueryValueExW(k, wide(name).c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    // The text in UTF-16 with its terminating NUL, as every reader of the registry expects.
    EXPECT_EQ(std::wstring(data, size / sizeof(wchar_t)), wide(text) + L'\0');

    // And what another program writes reads back as UTF-8, with one NUL after a text.
    k = raw(key);
    const std::wstring theirs = L"\u00e9t\u00e9 \U0001F600";
    ASSERT_EQ(::RegSetValueExW(k, L"Z\u00fcrich", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(theirs.c_str()),
                               static_cast<DWORD>((theirs.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    const Read got = get(*store, key, "Z\xc3\xbcrich");
    EXPECT_EQ(got.result, rr::Success);
    EXPECT_EQ(got.bytes, "\xc3\xa9t\xc3\xa9 \xf0\x9f\x98\x80\0"s);
    EXPECT_EQ(list(*store, key), (Names{"Z\xc3\xbcrich", name}));
}

TEST_F(RegistryAlone, TextsOfAMebibyteWithEveryByteComeBackExactly) {
    // Every byte value, NULs and bytes that are no UTF-8 included, over and over; and a mebibyte
    // of well-formed text with characters of one to four bytes.
    std::string everyByte(1 << 20, '\0');
    for (std::size_t i = 0; i < everyByte.size(); ++i) {
        everyByte[i] = static_cast<char>(i * 7 % 256);
    }
    std::string characters;
    while (characters.size() < (1u << 20)) {
        characters += "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\n";
    }
    for (const std::string* text : {&everyByte, &characters}) {
        ASSERT_EQ(put(*store, "Long", "Text", kText, *text), rr::Success);
        const Read got = get(*store, "Long", "Text");
        EXPECT_EQ(got.result, rr::Success);
        EXPECT_EQ(got.kind, kText);
        EXPECT_TRUE(got.bytes == *text + '\0') << "the text came back changed";
    }
    ASSERT_EQ(put(*store, "Long", "Bytes", kBytes, everyByte), rr::Success);
    EXPECT_TRUE(get(*store, "Long", "Bytes").bytes == everyByte);
    // Through the settings layer too.
    ASSERT_TRUE(SetRegSetting("Big", characters, Section, true));
    EXPECT_TRUE(GetRegSetting("Big", "", Section, true) == characters);
}

TEST_F(RegistryAlone, NamesThatTheRegistryCannotHoldAreRefusedAndNothingIsWritten) {
    const struct {
        const char* what;
        std::string key, name;
        int32_t result;
    } rows[] = {
        {"a value name with a NUL", "App", "Na\0me"s, rr::InvalidParameter},
        {"a key path with a NUL", "A\0pp"s, "Name", rr::InvalidParameter},
        {"a value name that is no UTF-8", "App", "Na\xffme", rr::NoUnicodeTranslation},
        {"a value name with a UTF-16 surrogate", "App", "\xed\xa0\x80", rr::NoUnicodeTranslation},
        {"an overlong form", "App", "\xc0\xaf", rr::NoUnicodeTranslation},
        {"a cut-off sequence", "App", "Name\xe2\x82", rr::NoUnicodeTranslation},
        {"a key path that is no UTF-8", "App\\\xfe", "Name", rr::NoUnicodeTranslation},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(put(*store, row.key, row.name, kText, "x"), row.result);
        EXPECT_EQ(get(*store, row.key, row.name).result, row.result);
        plat::HKEY key = 0;
        if (store->RegOpenKeyExA(kUser, row.key, plat::KEY_WRITE_ALL, key) == rr::Success) {
            EXPECT_EQ(store->RegDeleteValueA(key, row.name), row.result);
            uint32_t kind = 0, size = 0;
            EXPECT_EQ(store->RegQueryValueExA(key, row.name, kind, nullptr, size), row.result);
            store->RegCloseKey(key);
        }
        // Nothing was written under another name: the key holds no value at all.
        EXPECT_TRUE(rawNames(raw("App", KEY_READ)).empty());
    }
    // Through the settings layer: not stored, the default read, nothing thrown.
    EXPECT_NO_THROW({
        EXPECT_FALSE(SetRegSetting("Id\xff", "6", Section, true));
        EXPECT_EQ(GetRegSetting("Id\xff", "default", Section, true), "default");
        EXPECT_FALSE(SetRegSetting("Id", "6", "Section\xff", true));
    });
}

TEST_F(RegistryAlone, ValuesOfKindsItNeverWritesAreDeliveredAsTheyAre) {
    ::HKEY k = raw("Software\\Tests\\" + Section);
    const uint64_t big = 0x0123456789ABCDEFull;
    const std::wstring multi = L"one\0two\0\0"s;
    const std::wstring expand = L"%TEMP%\\x";
    ASSERT_EQ(::RegSetValueExW(k, L"Quad", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&big), 8),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(k, L"Multi", 0, REG_MULTI_SZ,
                               reinterpret_cast<const BYTE*>(multi.data()),
                               static_cast<DWORD>(multi.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(k, L"Expand", 0, REG_EXPAND_SZ,
                               reinterpret_cast<const BYTE*>(expand.c_str()),
                               static_cast<DWORD>((expand.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(k, L"Short", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\x2a"), 1),
              ERROR_SUCCESS);
    // Odd-sized text: the last byte is no character.
    ASSERT_EQ(::RegSetValueExW(k, L"Odd", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"ab"), 3),
              ERROR_SUCCESS);

    // name: the kind, the bytes delivered, and what the settings layer reads of it
    const std::map<std::string, std::tuple<uint32_t, std::string, std::string>> expected = {
        {"Quad", {REG_QWORD, "\xef\xcd\xab\x89\x67\x45\x23\x01", "fallback"}},
        {"Multi", {REG_MULTI_SZ, "one\0two\0\0"s, "fallback"}},
        {"Expand", {REG_EXPAND_SZ, "%TEMP%\\x\0"s, "fallback"}},
        // A number of fewer than four bytes is still a number; an odd byte is no character.
        {"Short", {kNumber, "\x2a", "42"}},
        {"Odd", {kText, "a\0"s, "a"}},
    };
    for (const auto& [name, delivered] : expected) {
        SCOPED_TRACE(name);
        const Read got = get(*store, "Software\\Tests\\" + Section, name);
        EXPECT_EQ(got.result, rr::Success);
        EXPECT_EQ(std::tie(got.kind, got.bytes),
                  std::tie(std::get<0>(delivered), std::get<1>(delivered)));
        EXPECT_NO_THROW(
            EXPECT_EQ(GetRegSetting(name, "fallback", Section, true), std::get<2>(delivered)));
    }
    // Listed all the same, and cleared with the rest.
    EXPECT_EQ(list(*store, "Software\\Tests\\" + Section),
              (Names{"Expand", "Multi", "Odd", "Quad", "Short"}));
    int32_t removed = 0;
    EXPECT_EQ(store->DeleteValues(kUser, "Software\\Tests\\" + Section, removed), rr::Success);
    EXPECT_EQ(removed, 5);
}

/// Sets the security of `key` (opened with WRITE_DAC) to the SDDL `sddl`.
void secure(::HKEY key, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd,
                                                                       nullptr));
    EXPECT_EQ(::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
    ::LocalFree(sd);
}

TEST_F(RegistryAlone, AKeyTheUserMayOnlyReadKeepsItsValuesAndRefusesWrites) {
    ASSERT_TRUE(SetRegSetting("Id", "6", Section, true));
    // Everyone (the user too) may read the key and nothing else; its owner may still change
    // that, which is how the test gives the key back.
    ::HKEY k = raw("Software\\Tests\\" + Section, KEY_READ | WRITE_DAC);
    secure(k, L"D:P(A;;KR;;;WD)");

    EXPECT_NO_THROW({
        EXPECT_FALSE(SetRegSetting("Id", "7", Section, true));
        EXPECT_EQ(GetRegSetting("Id", "default", Section, true), "6");
    });
    plat::HKEY key = 0;
    EXPECT_EQ(
        store->RegCreateKeyExA(kUser, "Software\\Tests\\" + Section, plat::KEY_WRITE_ALL, key),
        rr::AccessDenied);
    EXPECT_EQ(key, 0u);
    EXPECT_EQ(store->RegOpenKeyExA(kUser, "Software\\Tests\\" + Section, KEY_READ, key),
              rr::Success);
    const uint8_t byte = 1;
    EXPECT_EQ(store->RegSetValueExA(key, "Id", kBytes, &byte, 1), rr::AccessDenied);
    store->RegCloseKey(key);
    int32_t removed = 0;
    EXPECT_EQ(store->DeleteValues(kUser, "Software\\Tests\\" + Section, removed), rr::AccessDenied);
    EXPECT_EQ(removed, 0);

    secure(k, L"D:P(A;;KA;;;WD)");
    EXPECT_TRUE(SetRegSetting("Id", "7", Section, true));
}

TEST_F(RegistryAlone, TheSandboxHoldsEveryHiveAndTheEnvironmentChoosesIt) {
    ASSERT_EQ(put(*store, "App", "v", kText, "user"), rr::Success);
    ASSERT_EQ(put(*store, "App", "v", kText, "machine", HKLM), rr::Success);
    ::HKEY machine = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(kNativeUser,
                              wide(store->sandbox() + "\\HKEY_LOCAL_MACHINE\\App").c_str(), 0,
                              KEY_READ, &machine),
              ERROR_SUCCESS);
    EXPECT_EQ(rawNames(machine), std::vector<std::wstring>{L"v"});
    ::RegCloseKey(machine);

    // QVMSGERR_REGISTRY names the sandbox of the default store; unset, it is the user's registry.
    {
        const ScopedEnv chosen("QVMSGERR_REGISTRY", "\\" + store->sandbox() + "\\");
        auto chosenStore = plat::makeDefaultRegistry();
        EXPECT_EQ(dynamic_cast<WindowsRegistry&>(*chosenStore).sandbox(), store->sandbox());
        EXPECT_EQ(get(*chosenStore, "App", "v").bytes, "user\0"s);
    }
    {
        const ScopedEnv unset("QVMSGERR_REGISTRY", std::nullopt);
        EXPECT_EQ(WindowsRegistry::defaultSandbox(), "");
    }

    // Deleting the sandbox takes everything in it.
    EXPECT_EQ(store->DeleteSandbox(), rr::Success);
    EXPECT_EQ(get(*store, "App", "v").result, rr::FileNotFound);
    EXPECT_EQ(get(*store, "App", "v", HKLM).result, rr::FileNotFound);
}

TEST_F(RegistryAlone, HandlesAreTheStoresOwnAndClosingOneLeavesTheOthers) {
    plat::HKEY a = 0, b = 0;
    ASSERT_EQ(store->RegCreateKeyExA(kUser, "App", plat::KEY_WRITE_ALL, a), rr::Success);
    ASSERT_EQ(store->RegOpenKeyExA(kUser, "App", KEY_READ, b), rr::Success);
    EXPECT_NE(a, b);
    EXPECT_LT(a, 0x80000000u);
    EXPECT_EQ(store->openHandles(), 2u);
    EXPECT_EQ(store->RegCloseKey(a), rr::Success);
    EXPECT_EQ(store->RegCloseKey(a), rr::InvalidHandle);
    uint32_t kind = 0, size = 0;
    EXPECT_EQ(store->RegQueryValueExA(b, "missing", kind, nullptr, size), rr::FileNotFound);
    EXPECT_EQ(store->RegCloseKey(b), rr::Success);
    // An object that goes closes what was left open.
    {
        WindowsRegistry other(store->sandbox());
        ASSERT_EQ(other.RegOpenKeyExA(kUser, "App", KEY_READ, a), rr::Success);
        EXPECT_EQ(other.openHandles(), 1u);
    }
}

} // namespace

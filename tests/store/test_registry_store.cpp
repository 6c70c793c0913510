// The stores: the registry operations under the same rules for the in-memory store and the
// platform's store (the SQLite store on Linux, the registry store on Windows). Each store alone is
// tested in test_sqlite_store.cpp and test_windows_registry.cpp.
#include "store_fixtures.h"
#include "table.h"

#include <tuple>
#include <vector>

using namespace qvMsgErr;
using namespace qvMsgErr::platform;
using namespace storetest;
using namespace std::string_literals;
namespace rr = qvMsgErr::platform::regresult;

namespace {

using RegistryStore = BothStores;

TEST_P(RegistryStore, NamesAKeyOrValueCaseInsensitivelyInAsciiOnly) {
    // The registry folds every letter, as Windows does (see platform/winreg/windows_registry.h).
    const std::size_t same = GetParam() == std::string("Registry") ? 6 : 5;
    int n = 0;
    for (const auto& row : readTable("key-spellings.txt")) {
        SCOPED_TRACE(row.at(0));
        const std::string text = "text " + std::to_string(++n); // tells this case from earlier ones
        ASSERT_EQ(put(*store, row.at(1), row.at(2), REG_SZ, text), rr::Success);
        const Read got = get(*store, row.at(3), row.at(4));
        EXPECT_EQ(std::tie(got.result, got.bytes), row.at(same) == "yes"
                                                       ? std::tuple(rr::Success, text + '\0')
                                                       : std::tuple(rr::FileNotFound, ""s));
    }
}

TEST_P(RegistryStore, ListsValuesInFoldedOrderUnderTheirFirstSpelling) {
    // "Zebra" sorts after "_x" only once folded; "\xc3\x84rger" (Ärger) after every ASCII name.
    for (const std::string name :
         {"Zebra", "b", "SaveOnClose", "\xc3\x84rger", "_x", "apple", ""}) {
        ASSERT_EQ(put(*store, "App", name, REG_SZ, name), rr::Success);
    }
    // Set again under other spellings: the data changes, the spelling does not.
    ASSERT_EQ(put(*store, "APP", "SAVEONCLOSE", REG_SZ, "again"), rr::Success);
    ASSERT_EQ(put(*store, "app", "zebra", REG_SZ, "again"), rr::Success);
    // Neighbouring keys and another hive have values of their own.
    ASSERT_EQ(put(*store, "App\\Sub", "inner", REG_SZ, "x"), rr::Success);
    ASSERT_EQ(put(*store, "Ap", "near", REG_SZ, "x"), rr::Success);
    ASSERT_EQ(put(*store, "App", "machine", REG_SZ, "x", HKLM), rr::Success);

    EXPECT_EQ(list(*store, "App"),
              (Names{"", "_x", "apple", "b", "SaveOnClose", "Zebra", "\xc3\x84rger"}));
    EXPECT_EQ(get(*store, "App", "SaveOnClose").bytes, "again\0"s);
    EXPECT_EQ(list(*store, "App", HKLM), Names{"machine"});

    // Cleared at once: every spelling of the key, and nothing but the key itself.
    int32_t removed = 0;
    EXPECT_EQ(store->DeleteValues(HKEY_CURRENT_USER, "APP", removed), rr::Success);
    EXPECT_EQ(removed, 7);
    EXPECT_TRUE(list(*store, "App").empty());
    EXPECT_EQ(list(*store, "App\\Sub"), Names{"inner"});
    EXPECT_EQ(list(*store, "Ap"), Names{"near"});
    EXPECT_EQ(store->ReadValues(HKEY_CURRENT_USER, "Missing", [](StoredValue&) {}),
              rr::FileNotFound);
    EXPECT_EQ(store->DeleteValues(HKEY_CURRENT_USER, "Missing", removed), rr::FileNotFound);
}

// Forgetting each value as it is listed (what clearing a memory does) must reach every value,
// and an index asked out of turn still counts from the first.
TEST_P(RegistryStore, ListingWhileDeletingMissesNothing) {
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        ASSERT_EQ(put(*store, "List", name, REG_SZ, name), rr::Success);
    }
    HKEY key = 0;
    ASSERT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "List", KEY_WRITE_ALL, key), rr::Success);
    std::string name;
    ASSERT_EQ(store->RegEnumValueA(key, 3, name), rr::Success);
    EXPECT_EQ(name, "d");
    Names seen;
    for (uint32_t index = 0; store->RegEnumValueA(key, index, name) == rr::Success; ++index) {
        seen.push_back(name);
        EXPECT_EQ(store->RegDeleteValueA(key, name), rr::Success);
    }
    store->RegCloseKey(key);
    EXPECT_EQ(seen, (Names{"a", "b", "c", "d", "e"}));
    EXPECT_TRUE(list(*store, "List").empty());
}

// Creating a key creates its parents; a key and a hive serve as the root of a path.
TEST_P(RegistryStore, KeysNestAndAnOpenKeyServesAsRoot) {
    HKEY key = 0;
    EXPECT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "A", KEY_READ, key), rr::FileNotFound);
    EXPECT_EQ(key, 0u);
    ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, "A\\B", KEY_WRITE_ALL, key), rr::Success);
    ASSERT_EQ(put(*store, "C", "v", REG_SZ, "below", key), rr::Success);
    EXPECT_EQ(store->RegCloseKey(key), rr::Success);
    EXPECT_EQ(get(*store, "a\\b\\c", "v").bytes, "below\0"s);
    EXPECT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "A", KEY_READ, key), rr::Success);
    EXPECT_EQ(store->RegCloseKey(key), rr::Success);
    EXPECT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "A\\C", KEY_READ, key), rr::FileNotFound);
    const uint8_t byte = 9;
    EXPECT_EQ(store->RegSetValueExA(HKEY_CURRENT_USER, "top", REG_BINARY, &byte, 1), rr::Success);
    EXPECT_EQ(get(*store, "", "top").bytes, "\x09");
}

TEST_P(RegistryStore, RefusalsHaveTheirOwnResults) {
    ASSERT_EQ(put(*store, "App", "v", REG_SZ, "12345"), rr::Success);
    HKEY readOnly = 0, noRights = 0, writable = 0, closed = 0;
    ASSERT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "App", KEY_READ, readOnly), rr::Success);
    ASSERT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "App", 0, noRights), rr::Success);
    ASSERT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "App", KEY_WRITE_ALL, writable), rr::Success);
    ASSERT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "App", KEY_READ, closed), rr::Success);
    ASSERT_EQ(store->RegCloseKey(closed), rr::Success);
    // A buffer too small for the text and its NUL: the size needed is reported.
    uint8_t buffer[5] = {};
    uint32_t kind = 0, size = sizeof buffer;
    EXPECT_EQ(store->RegQueryValueExA(readOnly, "v", kind, buffer, size), rr::MoreData);
    EXPECT_EQ(std::pair(size, kind), std::pair(6u, REG_SZ));
    // A buffer large enough gets the text and its NUL, whatever the buffer held before.
    std::string large(8, '?');
    size = 8;
    EXPECT_EQ(store->RegQueryValueExA(readOnly, "v", kind, reinterpret_cast<uint8_t*>(large.data()),
                                      size),
              rr::Success);
    EXPECT_EQ(large.substr(0, size), "12345\0"s);
    // What the handle was opened for is checked, and so is data against its size.
    const uint8_t byte = 1;
    EXPECT_EQ(store->RegSetValueExA(readOnly, "v", REG_BINARY, &byte, 1), rr::AccessDenied);
    EXPECT_EQ(store->RegQueryValueExA(noRights, "v", kind, nullptr, size), rr::AccessDenied);
    std::string name = "untouched";
    EXPECT_EQ(store->RegEnumValueA(noRights, 0, name), rr::AccessDenied);
    EXPECT_EQ(name, "untouched");
    EXPECT_EQ(store->RegDeleteValueA(readOnly, "v"), rr::AccessDenied);
    EXPECT_EQ(store->RegSetValueExA(writable, "v", REG_BINARY, nullptr, 4), rr::InvalidParameter);
    EXPECT_EQ(store->RegSetValueExA(writable, "v", REG_BINARY, nullptr, 0), rr::Success);
    for (HKEY bad : {HKEY{0}, closed, HKEY{0x12345}}) {
        SCOPED_TRACE(bad);
        HKEY out = 99;
        EXPECT_EQ(store->RegQueryValueExA(bad, "v", kind, nullptr, size), rr::InvalidHandle);
        EXPECT_EQ(store->RegSetValueExA(bad, "v", REG_BINARY, &byte, 1), rr::InvalidHandle);
        EXPECT_EQ(store->RegCloseKey(bad), rr::InvalidHandle);
        EXPECT_EQ(store->RegOpenKeyExA(bad, "Sub", KEY_READ, out), rr::InvalidHandle);
        EXPECT_EQ(out, 0u);
        EXPECT_EQ(store->RegCreateKeyExA(bad, "Sub", KEY_WRITE_ALL, out), rr::InvalidHandle);
    }
    for (HKEY key : {readOnly, noRights, writable}) {
        store->RegCloseKey(key);
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, RegistryStore, ::testing::Values("Memory", kPlatformStore),
                         [](const auto& info) { return std::string(info.param); });

} // namespace

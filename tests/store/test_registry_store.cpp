// The five registry operations: the same rules for the SQLite store and the in-memory store.
#include "store_fixtures.h"

#include <tuple>

#include <sys/stat.h>

using namespace qvMsgErr::platform;
using namespace storetest;
using namespace std::string_literals;
namespace rr = qvMsgErr::platform::regresult;

namespace {

constexpr HKEY HKLM = 0x80000002u;

struct Read {
    int32_t result = -1;
    uint32_t kind = 0;
    std::string bytes;
};

/// What a reader sees that first asks for the size, then reads into a buffer that large.
Read get(Registry& store, const std::string& path, const std::string& name,
         HKEY root = HKEY_CURRENT_USER) {
    Read read;
    HKEY key = 0;
    uint32_t size = 0;
    read.result = store.RegOpenKeyExA(root, path, KEY_READ, key);
    if (read.result == rr::Success) {
        read.result = store.RegQueryValueExA(key, name, read.kind, nullptr, size);
    }
    if (read.result == rr::Success) {
        read.bytes.assign(size, '?');
        read.result = store.RegQueryValueExA(key, name, read.kind,
                                             reinterpret_cast<uint8_t*>(read.bytes.data()), size);
        read.bytes.resize(size);
    }
    store.RegCloseKey(key);
    return read;
}

using RegistryStore = BothStores;

TEST_P(RegistryStore, KeepsKindAndExactBytes) {
    const std::tuple<const char*, uint32_t, std::string> values[] = {
        {"plain text", REG_SZ, "Hello"},
        {"empty text", REG_SZ, ""},
        {"NULs inside text", REG_SZ, "a\0b\0\0c"s},
        {"bytes that are no UTF-8", REG_SZ, "\xff\xfe\x80\xc3("},
        {"UTF-8 text", REG_SZ, "Gr\xc3\xbc\xc3\x9f\x65 \xe2\x82\xac"},
        {"1 MiB of text", REG_SZ, std::string(1 << 20, 'x') + "end"},
        {"bytes", REG_BINARY, "\0\x01\xff\x7f"s},
        {"no bytes", REG_BINARY, ""},
        {"number", REG_DWORD, "\x05\0\0\0"s},
        {"a kind the layer does not read", 7, "a\0b\0\0"s},
    };
    for (const auto& [what, kind, bytes] : values) {
        SCOPED_TRACE(what);
        ASSERT_EQ(put(*store, "Software\\Kinds", what, kind, bytes), rr::Success);
        const Read read = get(*store, "Software\\Kinds", what);
        ASSERT_EQ(read.result, rr::Success);
        EXPECT_EQ(read.kind, kind);
        // Text comes back with one terminating NUL after its stored bytes.
        EXPECT_TRUE(read.bytes == (kind == REG_SZ ? bytes + '\0' : bytes))
            << "size " << read.bytes.size();
    }
    // A second write, spelt differently and shorter, replaces both value and kind.
    ASSERT_EQ(put(*store, "SOFTWARE\\kinds", "Plain Text", REG_DWORD, "\x07\0\0\0"s), rr::Success);
    const Read read = get(*store, "Software\\Kinds", "plain text");
    EXPECT_EQ(read.kind, REG_DWORD);
    EXPECT_EQ(read.bytes, "\x07\0\0\0"s);
}

TEST_P(RegistryStore, NamesAKeyOrValueCaseInsensitivelyInAsciiOnly) {
    // written and read as key path|value name, whether both name the same value
    const std::tuple<std::string, std::string, bool> spellings[] = {
        {"Software\\App|Value", "SOFTWARE\\app|VALUE", true},
        // A leading, trailing or doubled backslash names the same key.
        {"Software\\App|Value", "\\Software\\App|Value", true},
        {"\\Software\\App|Value", "Software\\App|Value", true},
        {"Software\\App|Value", "Software\\\\App\\|Value", true},
        {"Software\\App|", "Software\\App|", true},
        // Other bytes are compared exactly.
        {"Software\\App|\xc3\x84", "Software\\App|\xc3\xa4", false},
        {"Software\\\xc3\x84pp|Value", "Software\\\xc3\xa4pp|Value", false},
        {"Software\\App|Value", "Software\\App|Value ", false},
        {"Software\\App|Value", "Software\\Ap|pValue", false},
    };
    int n = 0;
    for (const auto& [written, read, same] : spellings) {
        SCOPED_TRACE(written + " / " + read);
        const auto w = written.find('|'), r = read.find('|');
        const std::string text = "text " + std::to_string(++n); // tells this case from earlier ones
        ASSERT_EQ(put(*store, written.substr(0, w), written.substr(w + 1), REG_SZ, text),
                  rr::Success);
        const Read got = get(*store, read.substr(0, r), read.substr(r + 1));
        EXPECT_EQ(got.result, same ? rr::Success : rr::FileNotFound);
        if (same) {
            EXPECT_EQ(got.bytes, text + '\0');
        }
    }
}

TEST_P(RegistryStore, HivesAreSeparateAndAbsentValuesAreNotFound) {
    ASSERT_EQ(put(*store, "Shared\\Path", "v", REG_SZ, "user"), rr::Success);
    EXPECT_EQ(get(*store, "Shared\\Path", "v", HKLM).result, rr::FileNotFound);
    ASSERT_EQ(put(*store, "Shared\\Path", "v", REG_SZ, "machine", HKLM), rr::Success);
    EXPECT_EQ(get(*store, "Shared\\Path", "v").bytes, "user\0"s);
    EXPECT_EQ(get(*store, "Shared\\Path", "v", HKLM).bytes, "machine\0"s);
    EXPECT_EQ(get(*store, "Shared\\Path", "missing").result, rr::FileNotFound);
    EXPECT_EQ(get(*store, "Other", "v").result, rr::FileNotFound);
}

TEST_P(RegistryStore, CreatingAKeyCreatesItsParents) {
    HKEY key = 0;
    EXPECT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "A", KEY_READ, key), rr::FileNotFound);
    EXPECT_EQ(key, 0u);
    ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, "A\\B\\C", KEY_WRITE_ALL, key),
              rr::Success);
    EXPECT_NE(key, 0u);
    EXPECT_EQ(store->RegCloseKey(key), rr::Success);
    for (const char* path : {"A", "a\\b", "A\\B\\C", ""}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, path, KEY_READ, key), rr::Success);
        EXPECT_EQ(store->RegCloseKey(key), rr::Success);
    }
    EXPECT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "A\\C", KEY_READ, key), rr::FileNotFound);
}

TEST_P(RegistryStore, AnOpenKeyServesAsRootAndHiveAsKey) {
    HKEY app = 0;
    ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\App", KEY_WRITE_ALL, app),
              rr::Success);
    ASSERT_EQ(put(*store, "Sub", "v", REG_SZ, "below", app), rr::Success);
    store->RegCloseKey(app);
    EXPECT_EQ(get(*store, "software\\app\\sub", "v").bytes, "below\0"s);
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
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(kind, REG_SZ);
    // What the handle was opened for is checked, and so is data against its size.
    const uint8_t byte = 1;
    EXPECT_EQ(store->RegSetValueExA(readOnly, "v", REG_BINARY, &byte, 1), rr::AccessDenied);
    EXPECT_EQ(store->RegQueryValueExA(noRights, "v", kind, nullptr, size), rr::AccessDenied);
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

INSTANTIATE_TEST_SUITE_P(Stores, RegistryStore, ::testing::Values("Memory", "Sqlite"),
                         [](const auto& info) { return std::string(info.param); });

// ---- the SQLite store alone -------------------------------------------------------------------

TEST(SqliteStore, ValuesOutliveTheObjectAndSurviveReopening) {
    ScratchDir dir;
    const std::string path = dir.file("a/b/registry.db");
    {
        SqliteRegistry store(path);
        ASSERT_EQ(put(store, "App", "v", REG_SZ, "42"), rr::Success);
    }
    SqliteRegistry again(path);
    EXPECT_EQ(get(again, "APP", "V").bytes, "42\0"s);
}

TEST(SqliteStore, ReadingNeverCreatesTheFileOrItsDirectory) {
    ScratchDir dir;
    const std::string path = dir.file("not/yet/registry.db");
    SqliteRegistry store(path);
    HKEY key = 0;
    EXPECT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, "App", KEY_READ, key), rr::FileNotFound);
    uint32_t kind = 0, size = 0;
    EXPECT_EQ(store.RegQueryValueExA(HKEY_CURRENT_USER, "v", kind, nullptr, size),
              rr::FileNotFound);
    EXPECT_FALSE(std::filesystem::exists(dir.file("not")));
    // The first write makes the directories, private to the user.
    ASSERT_EQ(store.RegCreateKeyExA(HKEY_CURRENT_USER, "App", KEY_WRITE_ALL, key), rr::Success);
    EXPECT_TRUE(std::filesystem::exists(path));
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("not/yet").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(SqliteStore, DefaultPathFollowsTheEnvironment) {
    // In a child process, so that the other tests keep their environment.
    inChildProcess([] {
        const char* const names[] = {"QVMSGERR_REGISTRY", "XDG_CONFIG_HOME", "HOME"};
        const char* const cases[][4] = {
            // $QVMSGERR_REGISTRY, $XDG_CONFIG_HOME, $HOME, the path
            {"/x/mine.db", "/cfg", "/home/u", "/x/mine.db"},
            {"", "/cfg", "/home/u", "/cfg/qvMsgErr/registry.db"},
            {nullptr, "/cfg", "/home/u", "/cfg/qvMsgErr/registry.db"},
            {nullptr, "relative/cfg", "/home/u", "/home/u/.config/qvMsgErr/registry.db"},
            {nullptr, "", "/home/u", "/home/u/.config/qvMsgErr/registry.db"},
            {nullptr, nullptr, "/home/u", "/home/u/.config/qvMsgErr/registry.db"},
        };
        for (const auto& c : cases) {
            for (int i = 0; i < 3; ++i) {
                c[i] ? ::setenv(names[i], c[i], 1) : ::unsetenv(names[i]);
            }
            EXPECT_EQ(SqliteRegistry::defaultPath(), c[3]);
            const auto made = makeDefaultRegistry();
            const auto* sqlite = dynamic_cast<const SqliteRegistry*>(made.get());
            EXPECT_TRUE(sqlite != nullptr && sqlite->path() == c[3]);
        }
    });
}

} // namespace

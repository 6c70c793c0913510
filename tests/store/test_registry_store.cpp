// The five registry operations, the same rules for the SQLite store and the in-memory store.
#include "store_fixtures.h"

#include <sys/stat.h>

using namespace qvMsgErr::platform;
using namespace storetest;
namespace rr = qvMsgErr::platform::regresult;

namespace {

constexpr HKEY HKLM = 0x80000002u;

struct Read {
    int32_t result = -1;
    uint32_t kind = 0;
    std::string bytes;
};

class RegistryStore : public ::testing::TestWithParam<StoreKind> {
protected:
    void SetUp() override { store = GetParam().make(dir); }

    int32_t put(HKEY root, const std::string& path, const std::string& name, uint32_t kind,
                const std::string& bytes) {
        HKEY key = 0;
        int32_t r = store->RegCreateKeyExA(root, path, KEY_WRITE_ALL, key);
        if (r == rr::Success) {
            r = store->RegSetValueExA(key, name, kind,
                                      reinterpret_cast<const uint8_t*>(bytes.data()),
                                      static_cast<uint32_t>(bytes.size()));
        }
        store->RegCloseKey(key);
        return r;
    }

    Read get(HKEY root, const std::string& path, const std::string& name) {
        Read read;
        HKEY key = 0;
        read.result = store->RegOpenKeyExA(root, path, KEY_READ, key);
        if (read.result == rr::Success) {
            uint32_t size = 0;
            read.result = store->RegQueryValueExA(key, name, read.kind, nullptr, size);
            if (read.result == rr::Success) {
                read.bytes.assign(size, '?');
                read.result = store->RegQueryValueExA(
                    key, name, read.kind, reinterpret_cast<uint8_t*>(read.bytes.data()), size);
                read.bytes.resize(size);
            }
        }
        store->RegCloseKey(key);
        return read;
    }

    ScratchDir dir;
    std::shared_ptr<Registry> store;
};

struct Stored {
    const char* what;
    uint32_t kind;
    std::string bytes;
};

std::string mebibyteOfText() {
    std::string text(1 << 20, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>('a' + i % 26);
    }
    return text;
}

const Stored storedValues[] = {
    {"plain text", REG_SZ, "Hello"},
    {"empty text", REG_SZ, ""},
    {"NULs inside text", REG_SZ, std::string("a\0b\0\0c", 6)},
    {"bytes that are no UTF-8", REG_SZ, "\xff\xfe\x80\xc3("},
    {"UTF-8 text", REG_SZ, "Gr\xc3\xbc\xc3\x9f\x65 \xe2\x82\xac"},
    {"1 MiB of text", REG_SZ, mebibyteOfText()},
    {"bytes", REG_BINARY, std::string("\0\x01\xff\x7f", 4)},
    {"no bytes", REG_BINARY, ""},
    {"number", REG_DWORD, std::string("\x05\0\0\0", 4)},
    {"a kind the layer does not read", 7, std::string("a\0b\0\0", 5)},
};

TEST_P(RegistryStore, KeepsKindAndExactBytes) {
    for (const Stored& v : storedValues) {
        SCOPED_TRACE(v.what);
        ASSERT_EQ(put(HKEY_CURRENT_USER, "Software\\Kinds", v.what, v.kind, v.bytes), rr::Success);
        const Read read = get(HKEY_CURRENT_USER, "Software\\Kinds", v.what);
        ASSERT_EQ(read.result, rr::Success);
        EXPECT_EQ(read.kind, v.kind);
        // Text comes back with one terminating NUL after its stored bytes.
        const std::string expected = v.kind == REG_SZ ? v.bytes + std::string(1, '\0') : v.bytes;
        EXPECT_TRUE(read.bytes == expected) << "size " << read.bytes.size();
    }
}

TEST_P(RegistryStore, ASecondWriteReplacesValueAndKind) {
    ASSERT_EQ(put(HKEY_CURRENT_USER, "App", "v", REG_SZ, "a much longer first text"), rr::Success);
    ASSERT_EQ(put(HKEY_CURRENT_USER, "App", "V", REG_DWORD, std::string("\x07\0\0\0", 4)),
              rr::Success);
    const Read read = get(HKEY_CURRENT_USER, "App", "v");
    EXPECT_EQ(read.kind, REG_DWORD);
    EXPECT_EQ(read.bytes, std::string("\x07\0\0\0", 4));
}

struct Spelling {
    const char* written;
    const char* read;
    bool same;
};

TEST_P(RegistryStore, NamesAKeyOrValueCaseInsensitivelyInAsciiOnly) {
    const Spelling spellings[] = {
        {"Software\\App|Value", "SOFTWARE\\app|VALUE", true},
        {"Software\\App|Value", "software\\APP|value", true},
        // A leading, trailing or doubled backslash names the same key.
        {"Software\\App|Value", "\\Software\\App|Value", true},
        {"\\Software\\App|Value", "Software\\App|Value", true},
        {"Software\\App|Value", "Software\\\\App\\|Value", true},
        {"Software\\App|Value", "\\\\Software\\App|Value", true},
        // Other bytes are compared exactly.
        {"Software\\App|\xc3\x84", "Software\\App|\xc3\xa4", false},
        {"Software\\\xc3\x84pp|Value", "Software\\\xc3\xa4pp|Value", false},
        {"Software\\App|Value", "Software\\App|Value ", false},
        {"Software\\App|Value", "Software\\Ap|pValue", false},
        {"Software\\App|", "Software\\App|", true},
    };
    int n = 0;
    for (const Spelling& s : spellings) {
        SCOPED_TRACE(std::string(s.written) + " / " + s.read);
        ScratchDir fresh;
        store = GetParam().make(fresh);
        const std::string written = s.written, read = s.read;
        const auto w = written.find('|'), r = read.find('|');
        const std::string text = "text " + std::to_string(++n);
        ASSERT_EQ(put(HKEY_CURRENT_USER, written.substr(0, w), written.substr(w + 1), REG_SZ, text),
                  rr::Success);
        const Read got = get(HKEY_CURRENT_USER, read.substr(0, r), read.substr(r + 1));
        if (s.same) {
            EXPECT_EQ(got.result, rr::Success);
            EXPECT_EQ(got.bytes, text + std::string(1, '\0'));
        } else {
            EXPECT_EQ(got.result, rr::FileNotFound);
        }
    }
}

TEST_P(RegistryStore, EachHiveIsItsOwnNamespace) {
    ASSERT_EQ(put(HKEY_CURRENT_USER, "Shared\\Path", "v", REG_SZ, "user"), rr::Success);
    EXPECT_EQ(get(HKLM, "Shared\\Path", "v").result, rr::FileNotFound);
    ASSERT_EQ(put(HKLM, "Shared\\Path", "v", REG_SZ, "machine"), rr::Success);
    EXPECT_EQ(get(HKEY_CURRENT_USER, "Shared\\Path", "v").bytes, std::string("user\0", 5));
    EXPECT_EQ(get(HKLM, "Shared\\Path", "v").bytes, std::string("machine\0", 8));
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
        HKEY opened = 0;
        EXPECT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, path, KEY_READ, opened), rr::Success);
        EXPECT_EQ(store->RegCloseKey(opened), rr::Success);
    }
    HKEY sibling = 0;
    EXPECT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "A\\C", KEY_READ, sibling), rr::FileNotFound);
}

TEST_P(RegistryStore, AbsentValueIsNotFound) {
    ASSERT_EQ(put(HKEY_CURRENT_USER, "App", "there", REG_SZ, "x"), rr::Success);
    EXPECT_EQ(get(HKEY_CURRENT_USER, "App", "missing").result, rr::FileNotFound);
    EXPECT_EQ(get(HKEY_CURRENT_USER, "Other", "there").result, rr::FileNotFound);
}

TEST_P(RegistryStore, TooSmallABufferReportsTheSizeNeeded) {
    ASSERT_EQ(put(HKEY_CURRENT_USER, "App", "v", REG_SZ, "12345"), rr::Success);
    HKEY key = 0;
    ASSERT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "App", KEY_READ, key), rr::Success);
    uint8_t buffer[5] = {};
    uint32_t kind = 0, size = sizeof buffer;
    EXPECT_EQ(store->RegQueryValueExA(key, "v", kind, buffer, size), rr::MoreData);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(kind, REG_SZ);
    store->RegCloseKey(key);
}

TEST_P(RegistryStore, UnknownAndClosedHandlesAreInvalid) {
    HKEY key = 0;
    ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, "App", KEY_WRITE_ALL, key), rr::Success);
    ASSERT_EQ(store->RegCloseKey(key), rr::Success);
    const uint8_t byte = 1;
    for (HKEY bad : {HKEY{0}, key, HKEY{0x12345}}) {
        SCOPED_TRACE(bad);
        uint32_t kind = 0, size = 0;
        HKEY out = 99;
        EXPECT_EQ(store->RegQueryValueExA(bad, "v", kind, nullptr, size), rr::InvalidHandle);
        EXPECT_EQ(store->RegSetValueExA(bad, "v", REG_BINARY, &byte, 1), rr::InvalidHandle);
        EXPECT_EQ(store->RegCloseKey(bad), rr::InvalidHandle);
        EXPECT_EQ(store->RegOpenKeyExA(bad, "Sub", KEY_READ, out), rr::InvalidHandle);
        EXPECT_EQ(out, 0u);
        EXPECT_EQ(store->RegCreateKeyExA(bad, "Sub", KEY_WRITE_ALL, out), rr::InvalidHandle);
    }
}

TEST_P(RegistryStore, AnOpenKeyServesAsRootAndHiveAsKey) {
    HKEY app = 0, sub = 0;
    ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\App", KEY_WRITE_ALL, app),
              rr::Success);
    ASSERT_EQ(store->RegCreateKeyExA(app, "Sub", KEY_WRITE_ALL, sub), rr::Success);
    const std::string text = "below";
    ASSERT_EQ(
        store->RegSetValueExA(sub, "v", REG_SZ, reinterpret_cast<const uint8_t*>(text.data()), 5),
        rr::Success);
    store->RegCloseKey(sub);
    store->RegCloseKey(app);
    EXPECT_EQ(get(HKEY_CURRENT_USER, "software\\app\\sub", "v").bytes, std::string("below\0", 6));
    // Values directly in the hive.
    const uint8_t byte = 9;
    EXPECT_EQ(store->RegSetValueExA(HKEY_CURRENT_USER, "top", REG_BINARY, &byte, 1), rr::Success);
    EXPECT_EQ(get(HKEY_CURRENT_USER, "", "top").bytes, "\x09");
}

TEST_P(RegistryStore, AccessRightsOfTheHandleAreChecked) {
    ASSERT_EQ(put(HKEY_CURRENT_USER, "App", "v", REG_SZ, "x"), rr::Success);
    HKEY readOnly = 0, noRights = 0;
    ASSERT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "App", KEY_READ, readOnly), rr::Success);
    ASSERT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "App", 0, noRights), rr::Success);
    const uint8_t byte = 1;
    uint32_t kind = 0, size = 0;
    EXPECT_EQ(store->RegSetValueExA(readOnly, "v", REG_BINARY, &byte, 1), rr::AccessDenied);
    EXPECT_EQ(store->RegQueryValueExA(noRights, "v", kind, nullptr, size), rr::AccessDenied);
    EXPECT_EQ(store->RegQueryValueExA(readOnly, "v", kind, nullptr, size), rr::Success);
    store->RegCloseKey(readOnly);
    store->RegCloseKey(noRights);
}

TEST_P(RegistryStore, NullDataWithASizeIsRefused) {
    HKEY key = 0;
    ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, "App", KEY_WRITE_ALL, key), rr::Success);
    EXPECT_EQ(store->RegSetValueExA(key, "v", REG_BINARY, nullptr, 4), rr::InvalidParameter);
    EXPECT_EQ(store->RegSetValueExA(key, "v", REG_BINARY, nullptr, 0), rr::Success);
    store->RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(BothStores, RegistryStore, ::testing::Values(MemoryStore, SqliteStore),
                         storeName);

// ---- the SQLite store alone -------------------------------------------------------------------

TEST(SqliteStore, ValuesOutliveTheObjectAndSurviveReopening) {
    ScratchDir dir;
    const std::string path = dir.file("a/b/registry.db");
    {
        SqliteRegistry store(path);
        HKEY key = 0;
        ASSERT_EQ(store.RegCreateKeyExA(HKEY_CURRENT_USER, "App", KEY_WRITE_ALL, key), rr::Success);
        ASSERT_EQ(store.RegSetValueExA(key, "v", REG_SZ, reinterpret_cast<const uint8_t*>("42"), 2),
                  rr::Success);
    }
    SqliteRegistry again(path);
    HKEY key = 0;
    ASSERT_EQ(again.RegOpenKeyExA(HKEY_CURRENT_USER, "APP", KEY_READ, key), rr::Success);
    uint8_t buffer[8] = {};
    uint32_t kind = 0, size = sizeof buffer;
    ASSERT_EQ(again.RegQueryValueExA(key, "V", kind, buffer, size), rr::Success);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), std::string("42\0", 3));
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

class DefaultPath : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"QVMSGERR_REGISTRY", "XDG_CONFIG_HOME", "HOME"}) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

TEST_F(DefaultPath, FollowsTheEnvironment) {
    struct Case {
        const char* registry;
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/x/mine.db", "/cfg", "/home/u", "/x/mine.db"},
        {"", "/cfg", "/home/u", "/cfg/qvMsgErr/registry.db"},
        {nullptr, "/cfg", "/home/u", "/cfg/qvMsgErr/registry.db"},
        {nullptr, "relative/cfg", "/home/u", "/home/u/.config/qvMsgErr/registry.db"},
        {nullptr, "", "/home/u", "/home/u/.config/qvMsgErr/registry.db"},
        {nullptr, nullptr, "/home/u", "/home/u/.config/qvMsgErr/registry.db"},
    };
    auto set = [](const char* name, const char* value) {
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    };
    for (const Case& c : cases) {
        set("QVMSGERR_REGISTRY", c.registry);
        set("XDG_CONFIG_HOME", c.xdg);
        set("HOME", c.home);
        EXPECT_EQ(SqliteRegistry::defaultPath(), c.expected);
    }
    set("QVMSGERR_REGISTRY", "/x/factory.db");
    auto made = makeDefaultRegistry();
    auto* sqlite = dynamic_cast<SqliteRegistry*>(made.get());
    ASSERT_NE(sqlite, nullptr);
    EXPECT_EQ(sqlite->path(), "/x/factory.db");
}

} // namespace

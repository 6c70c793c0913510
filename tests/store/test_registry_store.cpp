// The stores: the registry operations under the same rules for the SQLite store and the
// in-memory store; then the SQLite store alone: its file and default path, files of the first
// release and of a newer one, and what happens when things go wrong. An unusable file or directory
// gives results, never exceptions, prints nothing and leaves a file that is not ours exactly as it
// was; several processes write at once, and a writer is killed in the middle of its writes.
#include "store_fixtures.h"
#include "table.h"

#include "support/modRegistry.h"

#include <sqlite3.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace qvMsgErr;
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

/// What a reader sees of one value: the result, its kind and its bytes.
Read get(Registry& store, const std::string& path, const std::string& name,
         HKEY root = HKEY_CURRENT_USER) {
    Read read;
    read.result = store.ReadValue(root, path, name, read.kind, read.bytes);
    return read;
}

using Names = std::vector<std::string>;

/// The value names of the key at `path`, in the order the store lists them.
Names list(Registry& store, const std::string& path, HKEY root = HKEY_CURRENT_USER) {
    Names names;
    EXPECT_EQ(store.ReadValues(root, path, [&names](StoredValue& v) { names.push_back(v.name); }),
              rr::Success);
    return names;
}

using RegistryStore = BothStores;

TEST_P(RegistryStore, NamesAKeyOrValueCaseInsensitivelyInAsciiOnly) {
    int n = 0;
    for (const auto& row : readTable("key-spellings.txt")) {
        SCOPED_TRACE(row.at(0));
        const std::string text = "text " + std::to_string(++n); // tells this case from earlier ones
        ASSERT_EQ(put(*store, row.at(1), row.at(2), REG_SZ, text), rr::Success);
        const Read got = get(*store, row.at(3), row.at(4));
        EXPECT_EQ(std::tie(got.result, got.bytes), row.at(5) == "yes"
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

INSTANTIATE_TEST_SUITE_P(Stores, RegistryStore, ::testing::Values("Memory", "Sqlite"),
                         [](const auto& info) { return std::string(info.param); });

// ---- the SQLite store alone -------------------------------------------------------------------

// Only a write makes the file and its directories, the user's alone whatever the umask; an
// existing store keeps its mode, and its values outlive the object.
TEST(SqliteStore, OnlyAWriteCreatesThePrivateFileAndItsValuesOutliveTheObject) {
    const auto mode = [](const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st.st_mode & 07777;
    };
    for (const mode_t mask : {0000, 0022}) {
        SCOPED_TRACE(mask);
        ScratchDir dir;
        const std::string path = dir.file("not/yet/registry.db");
        const mode_t old = ::umask(mask);
        {
            SqliteRegistry store(path);
            EXPECT_EQ(get(store, "App", "v").result, rr::FileNotFound);
            EXPECT_EQ(get(store, "", "v").result, rr::FileNotFound);
            std::string name;
            EXPECT_EQ(store.RegEnumValueA(HKEY_CURRENT_USER, 0, name), rr::NoMoreItems);
            EXPECT_EQ(store.RegDeleteValueA(HKEY_CURRENT_USER, "v"), rr::FileNotFound);
            EXPECT_FALSE(std::filesystem::exists(dir.file("not")));
            ASSERT_EQ(put(store, "App", "v", REG_SZ, "42"), rr::Success);
            EXPECT_EQ(std::pair(mode(dir.file("not/yet")), mode(path)), std::pair(0700u, 0600u));
        }
        ::chmod(path.c_str(), 0640);
        SqliteRegistry again(path);
        EXPECT_EQ(get(again, "APP", "V").bytes, "42\0"s);
        EXPECT_EQ(put(again, "App", "v", REG_SZ, "43"), rr::Success);
        ::umask(old);
        EXPECT_EQ(mode(path), 0640u) << "an existing store keeps its mode";
    }
}

/// Runs `statements` on the database at `path` as another program would, and returns the first
/// column of the last row they produced as text.
std::string sql(const std::string& path, const std::string& statements) {
    sqlite3* db = nullptr;
    std::string last;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const auto keep = [](void* out, int, char** columns, char**) {
        *static_cast<std::string*>(out) = columns[0] != nullptr ? columns[0] : "NULL";
        return 0;
    };
    EXPECT_EQ(sqlite3_exec(db, statements.c_str(), keep, &last, &error), SQLITE_OK)
        << (error != nullptr ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    return last;
}

TEST(SqliteStore, AFirstReleaseFileIsReadAsItIsAndUpgradedByTheFirstWrite) {
    // The first release always chose WAL; a copy may have been switched back.
    for (const std::string journal : {"WAL", "DELETE"}) {
        SCOPED_TRACE(journal);
        ScratchDir dir;
        const std::string path = dir.file("registry.db");
        // A store as the first release made it: names kept folded only, layout 1.
        sql(path, "PRAGMA journal_mode=" + journal + ";" +
                      readFile(QV_STORE_DATA "/first-release-store.sql"));
        const std::string before = readFile(path);
        {
            SqliteRegistry store(path);
            EXPECT_EQ(get(store, "App", "SaveOnClose").bytes, "6\0"s);
            EXPECT_EQ(list(store, "App"), (Names{"other", "saveonclose"}));
            EXPECT_EQ(store.RegDeleteValueA(HKEY_CURRENT_USER, "v"), rr::FileNotFound);
        }
        EXPECT_TRUE(readFile(path) == before) << "reading changed the file";
        {
            SqliteRegistry store(path);
            ASSERT_EQ(put(store, "App", "NewName", REG_SZ, "7"), rr::Success);
            // An old value written again learns the spelling it is written with.
            ASSERT_EQ(put(store, "App", "Other", REG_SZ, "8"), rr::Success);
        }
        EXPECT_EQ(sql(path, "PRAGMA user_version"), "2");
        SqliteRegistry store(path);
        EXPECT_EQ(list(store, "App"), (Names{"NewName", "Other", "saveonclose"}));
        EXPECT_EQ(
            std::pair(get(store, "app", "SAVEONCLOSE").bytes, get(store, "app", "other").bytes),
            std::pair("6\0"s, "8\0"s));
    }
}

TEST(SqliteStore, DefaultPathFollowsTheEnvironment) {
    // In a child process, so that the other tests keep their environment.
    inChildProcess([] {
        const char* const names[] = {"QVMSGERR_REGISTRY", "XDG_CONFIG_HOME", "HOME"};
        const std::string home = ::getpwuid(::getuid())->pw_dir;
        for (const auto& row : readTable("default-paths.txt")) {
            SCOPED_TRACE(row.at(0));
            for (int i = 0; i < 3; ++i) {
                row.at(i + 1) == "-" ? ::unsetenv(names[i])
                                     : ::setenv(names[i], row.at(i + 1).c_str(), 1);
            }
            const std::string path = row.at(4)[0] == '~' ? home + row.at(4).substr(1) : row.at(4);
            EXPECT_EQ(SqliteRegistry::defaultPath(), path);
            EXPECT_EQ(dynamic_cast<const SqliteRegistry&>(*makeDefaultRegistry()).path(), path);
        }
    });
}

// --- When things go wrong ----------------------------------------------------------------------

class Faults : public ThreadStoreTest {
protected:
    /// Writes and reads a value through the layer on the store at `path`: the write must fail,
    /// the read give `read`, and nothing may be thrown or printed. Creating a key in the store
    /// itself gives `result`.
    void expectQuietFailure(const std::string& path, int32_t result, const char* read = "default") {
        useStoreFile(path);
        const std::string printed = stderrOf(output.file("stderr.txt"), [&] {
            EXPECT_NO_THROW({
                EXPECT_FALSE(SetRegSetting("Id", "6", Section, true));
                EXPECT_EQ(GetRegSetting("Id", "default", Section, true), read);
            });
        });
        EXPECT_EQ(printed, "");
        useStore(nullptr);
        SqliteRegistry store(path);
        HKEY key = 0;
        EXPECT_EQ(store.RegCreateKeyExA(HKEY_CURRENT_USER, "Other", KEY_WRITE_ALL, key), result);
        EXPECT_EQ(key, 0u);
    }

    ScratchDir output; // for the captured standard error
};

TEST_F(Faults, AnUnusableDirectoryOrAReadOnlyStoreFailsQuietly) {
    writeFile(dir.file("plain-file"), "x");
    std::filesystem::create_directory(dir.file("locked"));
    std::filesystem::create_directory(dir.file("is-a-dir"));
    ::chmod(dir.file("locked").c_str(), 0500);
    // A store that can be read but not written.
    const std::string readOnly = dir.file("ro/registry.db");
    useStoreFile(readOnly);
    ASSERT_TRUE(SetRegSetting("Id", "6", Section, true));
    useStore(nullptr);
    ::chmod(readOnly.c_str(), 0400);
    ::chmod(dir.file("ro").c_str(), 0500);
    asUnprivileged({dir.path(), output.path()}, [&] {
        expectQuietFailure(readOnly, rr::AccessDenied, "6");
        for (const std::string& path :
             {dir.file("plain-file/qvMsgErr/registry.db"),
              std::string("/proc/qvmsgerr-no-such/registry.db"),
              dir.file("locked/qvMsgErr/registry.db"), dir.file("is-a-dir")}) {
            SCOPED_TRACE(path);
            expectQuietFailure(path, rr::AccessDenied);
        }
    });
}

TEST_F(Faults, AFileThatIsNotAHealthyStoreIsLeftAsItWas) {
    // A store of ours with one value in it, closed again, and someone else's database.
    put(*std::make_unique<SqliteRegistry>(dir.file("ours.db")), "Id", "v", REG_SZ, "3");
    const std::string ours = readFile(dir.file("ours.db"));
    std::string overwritten = ours;
    for (std::size_t i = 4096; i < overwritten.size(); ++i) {
        overwritten[i] = static_cast<char>(0xa5 ^ (i & 0xff));
    }
    sql(dir.file("theirs.db"), "CREATE TABLE t(x); INSERT INTO t VALUES('theirs');");
    writeFile(dir.file("newer.db"), ours);
    sql(dir.file("newer.db"), "PRAGMA user_version = 3");
    const std::pair<const char*, std::string> cases[] = {
        {"text", std::string(4000, 'x') + "no database\n"},
        {"a header and nothing sound",
         std::string("SQLite format 3\0", 16) + std::string(5000, '\xa5')},
        {"a store with its pages overwritten", overwritten},
        {"a store cut short", ours.substr(0, ours.size() / 2 + 100)},
        {"someone else's database", readFile(dir.file("theirs.db"))},
        {"a store of a newer layout", readFile(dir.file("newer.db"))},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        const std::string path = dir.file(std::string(what) + ".db");
        writeFile(path, bytes);
        expectQuietFailure(path, rr::BadDatabase);
        std::string name;
        EXPECT_EQ(SqliteRegistry(path).RegEnumValueA(HKEY_CURRENT_USER, 0, name), rr::BadDatabase);
        EXPECT_TRUE(readFile(path) == bytes) << "the file was changed";
    }
    // An empty file is a store without values, and a bad file is looked at afresh on every
    // call: once the user puts a sound file back, the same object works again.
    useStoreFile(dir.file("text.db"));
    EXPECT_FALSE(SetRegSetting("Id", "6", Section, true));
    writeFile(dir.file("text.db"), "");
    EXPECT_TRUE(SetRegSetting("Id", "6", Section, true));
    EXPECT_EQ(GetRegSetting("Id", "", Section, true), "6");
}

// --- Several writers -----------------------------------------------------------------------------

constexpr int Values = 30; // per writer

/// How many of `writer`'s values fail to be written (`write`) or to read back.
int failures(int writer, bool write) {
    int failed = 0;
    for (int n = 0; n < Values; ++n) {
        const std::string name = "Writer" + std::to_string(writer) + "_" + std::to_string(n);
        const std::string text = std::to_string(writer * 1000 + n);
        failed += write ? !SetRegSetting(name, text, Section, true)
                        : GetRegSetting(name, "", Section, true) != text;
    }
    return failed;
}

using Writers = ThreadStoreTest;

TEST_F(Writers, ProcessesWritingAtOnceAllLand) {
    // Each round starts without a store, so the processes also race to create it; the race is
    // short, hence several rounds.
    constexpr int Processes = 8;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const std::string path = dir.file("config" + std::to_string(round) + "/registry.db");
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        std::vector<pid_t> children;
        for (int writer = 0; writer < Processes; ++writer) {
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ::close(start[1]);
                char c;
                (void)::read(start[0], &c, 1); // returns once the parent closes its end: all go
                try {
                    useStoreFile(path);
                    ::_exit((failures(writer, true) != 0 ? 1 : 0) |
                            (failures(writer, false) != 0 ? 2 : 0));
                } catch (...) {
                    ::_exit(4);
                }
            }
            children.push_back(pid);
        }
        ::close(start[0]);
        ::close(start[1]);
        for (const pid_t pid : children) {
            // 1: a write failed, 2: a value read back wrong, 4: an exception.
            int status = -1;
            EXPECT_EQ(::waitpid(pid, &status, 0), pid);
            EXPECT_EQ(status, 0);
        }
        useStoreFile(path);
        for (int writer = 0; writer < Processes; ++writer) {
            EXPECT_EQ(failures(writer, false), 0) << "writer " << writer;
        }
        useStore(nullptr);
    }
}

} // namespace

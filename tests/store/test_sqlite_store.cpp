// The SQLite store alone: its file and default path, files of the first release and of a newer
// one, and what happens when things go wrong. An unusable file or directory gives results, never
// exceptions, prints nothing and leaves a file that is not ours exactly as it was; several
// processes write at once, and a writer is killed in the middle of its writes.
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

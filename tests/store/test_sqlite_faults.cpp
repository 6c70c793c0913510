// The SQLite store when its file or directory is unusable: results, never exceptions, nothing on
// the terminal, and a file that is not ours left exactly as it was.
#include "store_fixtures.h"

#include "support/modRegistry.h"

#include <sqlite3.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>

using namespace qvMsgErr;
using namespace qvMsgErr::platform;
using namespace storetest;
namespace rr = qvMsgErr::platform::regresult;

namespace {

class Faults : public ThreadStoreTest {
protected:
    /// Writes and reads a value through the layer on the store at `path`: the write must fail,
    /// the read give `read`, and nothing may be thrown or printed.
    void expectQuietFailure(const std::string& path, const char* read = "default") {
        useStoreFile(path);
        const std::string printed = stderrOf(output.file("stderr.txt"), [&] {
            EXPECT_NO_THROW({
                EXPECT_FALSE(SetRegSetting("Id", "6", Section, true));
                EXPECT_EQ(GetRegSetting("Id", "default", Section, true), read);
            });
        });
        EXPECT_EQ(printed, "");
        useStore(nullptr);
    }

    void asUnprivileged(const std::function<void()>& check) {
        qvtest::asUnprivileged({dir.path(), output.path()}, check);
    }

    ScratchDir output; // for the captured standard error
};

TEST_F(Faults, AnUnusableDirectoryFailsQuietly) {
    writeFile(dir.file("plain-file"), "x");
    std::filesystem::create_directory(dir.file("locked"));
    std::filesystem::create_directory(dir.file("is-a-dir"));
    ::chmod(dir.file("locked").c_str(), 0500);
    asUnprivileged([&] {
        for (const std::string& path :
             {dir.file("plain-file/qvMsgErr/registry.db"),
              std::string("/proc/qvmsgerr-no-such/registry.db"),
              dir.file("locked/qvMsgErr/registry.db"), dir.file("is-a-dir")}) {
            SCOPED_TRACE(path);
            expectQuietFailure(path);
            SqliteRegistry store(path);
            HKEY key = 0;
            EXPECT_EQ(store.RegCreateKeyExA(HKEY_CURRENT_USER, "App", KEY_WRITE_ALL, key),
                      rr::AccessDenied);
            EXPECT_EQ(key, 0u);
        }
    });
}

TEST_F(Faults, AReadOnlyStoreCanBeReadButNotWritten) {
    const std::string path = dir.file("registry.db");
    useStoreFile(path);
    ASSERT_TRUE(SetRegSetting("Id", "6", Section, true));
    useStore(nullptr);
    ::chmod(path.c_str(), 0400);
    ::chmod(dir.path().c_str(), 0500);
    asUnprivileged([&] { expectQuietFailure(path, "6"); });
}

TEST_F(Faults, AFileThatIsNotAHealthyStoreIsLeftAsItWas) {
    // A store of ours with one value in it, closed again, and someone else's database.
    {
        SqliteRegistry store(dir.file("ours.db"));
        put(store, "Software\\Tests\\" + Section, "Id", REG_SZ, "3");
    }
    const std::string ours = readFile(dir.file("ours.db"));
    std::string overwritten = ours;
    for (std::size_t i = 4096; i < overwritten.size(); ++i) {
        overwritten[i] = static_cast<char>(0xa5 ^ (i & 0xff));
    }
    sqlite3* db = nullptr;
    sqlite3_open(dir.file("theirs.db").c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES('theirs');", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    const std::pair<const char*, std::string> cases[] = {
        {"text", std::string(4000, 'x') + "no database\n"},
        {"zeros", std::string(8192, '\0')},
        {"a header and nothing sound",
         std::string("SQLite format 3\0", 16) + std::string(5000, '\xa5')},
        {"a store with its pages overwritten", overwritten},
        {"a store cut short", ours.substr(0, ours.size() / 2 + 100)},
        {"someone else's database", readFile(dir.file("theirs.db"))},
    };
    int n = 0;
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        const std::string path = dir.file("store" + std::to_string(++n) + ".db");
        writeFile(path, bytes);
        expectQuietFailure(path);

        SqliteRegistry store(path);
        HKEY key = 0;
        EXPECT_EQ(store.RegCreateKeyExA(HKEY_CURRENT_USER, "Other", KEY_WRITE_ALL, key),
                  rr::BadDatabase);
        EXPECT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, "Software", KEY_READ, key),
                  rr::BadDatabase);
        const uint8_t byte = 1;
        EXPECT_EQ(store.RegSetValueExA(HKEY_CURRENT_USER, "v", REG_BINARY, &byte, 1),
                  rr::BadDatabase);
        EXPECT_TRUE(readFile(path) == bytes) << "the file was changed";
    }
}

TEST_F(Faults, AnEmptyOrRepairedFileIsUsed) {
    const std::string empty = dir.file("empty.db");
    writeFile(empty, "");
    useStoreFile(empty);
    EXPECT_TRUE(SetRegSetting("Id", "6", Section, true));
    EXPECT_EQ(GetRegSetting("Id", "", Section, true), "6");
    // A bad file is looked at afresh on every call: once the user puts a sound file back, the
    // same object works again.
    const std::string path = dir.file("registry.db");
    writeFile(path, "garbage");
    useStoreFile(path);
    EXPECT_FALSE(SetRegSetting("Id", "6", Section, true));
    std::filesystem::remove(path);
    EXPECT_TRUE(SetRegSetting("Id", "6", Section, true));
    EXPECT_EQ(GetRegSetting("Id", "", Section, true), "6");
}

} // namespace

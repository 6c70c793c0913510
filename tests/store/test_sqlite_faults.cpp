// The SQLite store when its file or directory is unusable: results, never exceptions, nothing on
// the terminal, and a file that is not ours left exactly as it was.
#include "store_fixtures.h"

#include "support/apartment.h"
#include "support/modRegistry.h"

#include <sqlite3.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

using namespace qvMsgErr;
using namespace qvMsgErr::platform;
using namespace storetest;
namespace rr = qvMsgErr::platform::regresult;

namespace {

const std::string Section = "MessageBox\\ShowMessage";

class Faults : public ::testing::Test {
protected:
    void TearDown() override {
        setThreadRegistry(nullptr);
        apartment().regRoot.clear();
    }

    /// What the layer makes of the store at `path`: the result of a write, the text read back,
    /// and everything printed meanwhile.
    struct Outcome {
        bool stored = true;
        std::string read;
        std::string printed;
    };
    Outcome useLayer(const std::string& path) { return useLayer(path, dir); }
    Outcome useLayer(const std::string& path, const ScratchDir& scratch) {
        setThreadRegistry(std::make_shared<SqliteRegistry>(path));
        apartment().regRoot = "Software\\Faults";
        Outcome o;
        StderrCapture capture(scratch.file("stderr.txt"));
        EXPECT_NO_THROW({
            o.stored = SetRegSetting("Id", "6", Section, true);
            o.read = GetRegSetting("Id", "default", Section, true);
        });
        o.printed = capture.text();
        return o;
    }

    /// useLayer in a child process without root's privileges, so that permission bits bind
    /// even when the suite runs as root (as CI does). `owned` is handed to that user first.
    Outcome useLayerUnprivileged(const std::string& path, const ScratchDir& scratch,
                                 const std::vector<std::string>& owned) {
        if (::geteuid() != 0) {
            return useLayer(path, scratch);
        }
        constexpr uid_t kNobody = 65534;
        for (const auto& p : owned) {
            std::error_code ec;
            for (auto it = std::filesystem::recursive_directory_iterator(p, ec);
                 it != std::filesystem::recursive_directory_iterator(); ++it) {
                EXPECT_EQ(::lchown(it->path().c_str(), kNobody, kNobody), 0);
            }
            EXPECT_EQ(::lchown(p.c_str(), kNobody, kNobody), 0);
        }
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
                ::_exit(3);
            }
            const Outcome o = useLayer(path, scratch);
            const std::string report =
                std::string(o.stored ? "1" : "0") + '\n' + o.read + '\n' + o.printed;
            const bool sent = ::write(fds[1], report.data(), report.size()) ==
                              static_cast<ssize_t>(report.size());
            ::_exit(sent && !::testing::Test::HasFailure() ? 0 : 4);
        }
        ::close(fds[1]);
        std::string report;
        char buf[4096];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) {
            report.append(buf, static_cast<size_t>(n));
        }
        ::close(fds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
        Outcome o;
        const size_t first = report.find('\n'), second = report.find('\n', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            ADD_FAILURE() << "no report from the child";
            return o;
        }
        o.stored = report.substr(0, first) == "1";
        o.read = report.substr(first + 1, second - first - 1);
        o.printed = report.substr(second + 1);
        return o;
    }

    ScratchDir dir;
};

TEST_F(Faults, AnUnusableDirectoryFailsQuietly) {
    writeFile(dir.file("plain-file"), "x");
    struct Case {
        const char* what;
        std::string path;
        bool needsNonRoot;
    };
    const Case cases[] = {
        {"below a plain file", dir.file("plain-file/qvMsgErr/registry.db"), false},
        {"below /proc", "/proc/qvmsgerr-no-such/registry.db", false},
        {"a read-only directory", dir.file("locked/qvMsgErr/registry.db"), true},
        {"the path is a directory", dir.file("is-a-dir"), false},
    };
    std::filesystem::create_directory(dir.file("locked"));
    std::filesystem::create_directory(dir.file("is-a-dir"));
    ::chmod(dir.file("locked").c_str(), 0500);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsNonRoot) {
            ScratchDir elsewhere; // for the captured output
            const Outcome o =
                useLayerUnprivileged(c.path, elsewhere, {dir.path(), elsewhere.path()});
            EXPECT_FALSE(o.stored);
            EXPECT_EQ(o.read, "default");
            EXPECT_EQ(o.printed, "");
            continue;
        }
        const Outcome o = useLayer(c.path);
        EXPECT_FALSE(o.stored);
        EXPECT_EQ(o.read, "default");
        EXPECT_EQ(o.printed, "");

        SqliteRegistry store(c.path);
        HKEY key = 0;
        EXPECT_EQ(store.RegCreateKeyExA(HKEY_CURRENT_USER, "App", KEY_WRITE_ALL, key),
                  rr::AccessDenied);
        EXPECT_EQ(key, 0u);
    }
    ::chmod(dir.file("locked").c_str(), 0700);
}

TEST_F(Faults, AReadOnlyStoreCanBeReadButNotWritten) {
    const std::string path = dir.file("registry.db");
    setThreadRegistry(std::make_shared<SqliteRegistry>(path));
    apartment().regRoot = "Software\\Faults";
    ASSERT_TRUE(SetRegSetting("Id", "6", Section, true));
    setThreadRegistry(nullptr);
    ::chmod(path.c_str(), 0400);
    ::chmod(dir.path().c_str(), 0500);
    ScratchDir elsewhere; // for the captured output
    const Outcome o = useLayerUnprivileged(path, elsewhere, {dir.path(), elsewhere.path()});
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_FALSE(o.stored);
    EXPECT_EQ(o.read, "6");
    EXPECT_EQ(o.printed, "");
}

/// A store of ours with one value in it, closed again.
std::string madeStore(const std::string& path) {
    {
        SqliteRegistry store(path);
        HKEY key = 0;
        store.RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Faults\\MessageBox\\ShowMessage",
                              KEY_WRITE_ALL, key);
        store.RegSetValueExA(key, "Id", REG_SZ, reinterpret_cast<const uint8_t*>("3"), 1);
    }
    return readFile(path);
}

std::string foreignDatabase(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES('theirs');", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    return readFile(path);
}

TEST_F(Faults, AFileThatIsNotAHealthyStoreIsLeftAsItWas) {
    struct Case {
        const char* what;
        std::function<std::string(const std::string& path)> make;
    };
    const Case cases[] = {
        {"text",
         [](const std::string&) {
             std::string text;
             for (int i = 0; i < 200; ++i) {
                 text += "this is no database\n";
             }
             return text;
         }},
        {"zeros", [](const std::string&) { return std::string(8192, '\0'); }},
        {"a header and nothing sound",
         [](const std::string&) {
             return std::string("SQLite format 3\0", 16) + std::string(5000, '\xa5');
         }},
        {"a store with its pages overwritten",
         [](const std::string& path) {
             std::string bytes = madeStore(path);
             for (std::size_t i = 4096; i < bytes.size(); ++i) {
                 bytes[i] = static_cast<char>(0xa5 ^ (i & 0xff));
             }
             return bytes;
         }},
        {"a store cut short",
         [](const std::string& path) {
             std::string bytes = madeStore(path);
             bytes.resize(bytes.size() / 2 + 100);
             return bytes;
         }},
        {"someone else's database", foreignDatabase},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("store" + std::to_string(++n) + ".db");
        const std::string bytes = c.make(path);
        writeFile(path, bytes);

        const Outcome o = useLayer(path);
        EXPECT_FALSE(o.stored);
        EXPECT_EQ(o.read, "default");
        EXPECT_EQ(o.printed, "");
        setThreadRegistry(nullptr);

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

TEST_F(Faults, AnEmptyFileBecomesAStore) {
    const std::string path = dir.file("empty.db");
    writeFile(path, "");
    const Outcome o = useLayer(path);
    EXPECT_TRUE(o.stored);
    EXPECT_EQ(o.read, "6");
}

TEST_F(Faults, AStoreThatWasRepairedIsUsedAgain) {
    // A bad file is looked at afresh on every call: once the user puts a sound file back, the
    // same object works again.
    const std::string path = dir.file("registry.db");
    writeFile(path, "garbage");
    auto store = std::make_shared<SqliteRegistry>(path);
    setThreadRegistry(store);
    EXPECT_FALSE(SetRegSetting("Id", "6", Section, true));
    std::filesystem::remove(path);
    EXPECT_TRUE(SetRegSetting("Id", "6", Section, true));
    EXPECT_EQ(GetRegSetting("Id", "", Section, true), "6");
}

} // namespace

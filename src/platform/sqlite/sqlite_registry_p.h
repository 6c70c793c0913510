// Inside the SQLite store: its helpers and its state, shared by the store's operations
// (sqlite_registry.cpp) and its file and connection handling (sqlite_connection.cpp).
#pragma once

#include "platform/sqlite/sqlite_registry.h"

#include "platform/sqlite/key_space.h"

#include <sqlite3.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvMsgErr::platform {

using namespace regresult;
using detail::KeyRef;

namespace sqlite {

/// Marks a database file as a store of ours ("qvME"); a file without it is never written to.
constexpr int64_t ApplicationId = 0x71764D45;
/// 1: the first release. 2: values keep the spelling of their name (column `spelling`).
constexpr int64_t SchemaVersion = 2;
/// What a write meets in a file whose layout is newer than ours; mapped to BadDatabase.
constexpr int UnknownLayout = SQLITE_FORMAT;
/// How long a call waits for another process's write before it gives up with IoFailed.
constexpr int BusyTimeoutMs = 10000;

// WITHOUT ROWID: a value is found with one b-tree probe on its full name. Paths and names are
// BLOBs folded to lower case by us, so any byte sequence is a valid name and comparison is memcmp.
// `spelling` is the name as first stored; NULL in rows written before it existed.
constexpr const char* CreateSchema = R"sql(
CREATE TABLE reg_keys(
    hive INTEGER NOT NULL,
    path BLOB NOT NULL,
    PRIMARY KEY(hive, path)) WITHOUT ROWID;
CREATE TABLE reg_values(
    hive INTEGER NOT NULL,
    path BLOB NOT NULL,
    name BLOB NOT NULL,
    kind INTEGER NOT NULL,
    data BLOB NOT NULL,
    spelling BLOB,
    PRIMARY KEY(hive, path, name)) WITHOUT ROWID;
)sql";

/// From layout 1 to 2, inside the transaction of the first write: the old rows keep NULL.
constexpr const char* UpgradeSchema = R"sql(
ALTER TABLE reg_values ADD COLUMN spelling BLOB;
PRAGMA user_version = 2;
)sql";

inline std::string schemaScript() {
    return std::string(CreateSchema) + "PRAGMA application_id = " + std::to_string(ApplicationId) +
           ";\nPRAGMA user_version = " + std::to_string(SchemaVersion) + ";\n";
}

// A connection must not be used across fork(): the child's copy is abandoned (closing it could
// checkpoint or drop locks on the parent's behalf) and the child opens its own.
inline std::atomic<unsigned> g_forkGeneration{0};

inline void watchForks() {
    static std::once_flag once;
    std::call_once(once,
                   [] { pthread_atfork(nullptr, nullptr, [] { g_forkGeneration.fetch_add(1); }); });
}

inline int32_t resultOf(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return Success;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
        return BadDatabase;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
        return AccessDenied;
    default:
        return IoFailed;
    }
}

inline int32_t resultOfErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOTDIR:
    case ENOENT:
    case EEXIST:
        return AccessDenied;
    default:
        return IoFailed;
    }
}

inline bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

/// Makes a missing store file empty, readable by the user only: remembered answers are nobody
/// else's business, and SQLite would make it 0644 less the umask. Its journal and WAL files take
/// the store file's mode. An empty file becomes a store on the first write.
inline int32_t makePrivateFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno == EEXIST ? Success : resultOfErrno(errno); // there already: SQLite decides
    }
    const bool ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    return ok ? Success : IoFailed;
}

/// Creates the directories above the file at `path` (mode 0700, as for any per-user config).
inline int32_t makeParentDirectories(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return Success;
    }
    const std::string dir = path.substr(0, slash);
    if (isDirectory(dir)) {
        return Success;
    }
    for (auto at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
        const std::string part = dir.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0) {
            const int error = errno;
            if (error != EEXIST) {
                return resultOfErrno(error);
            }
            if (!isDirectory(part)) {
                return AccessDenied;
            }
        }
        if (at == std::string::npos) {
            return Success;
        }
    }
}

class Statement {
public:
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(stmt_); }

    int prepare(sqlite3* db, const char* sql) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    }
    void finalize() {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
    /// Forgets the statement without touching its connection (see g_forkGeneration).
    void abandon() noexcept { stmt_ = nullptr; }
    sqlite3_stmt* get() const noexcept { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

inline void bindBytes(sqlite3_stmt* s, int column, const void* data, std::size_t size) {
    // A null pointer would bind NULL; an empty name or value is a zero-length BLOB.
    sqlite3_bind_blob64(s, column, data != nullptr ? data : "", size, SQLITE_STATIC);
}

/// Column `column` of the current row as bytes, into `out` (its buffer reused: a listing reads
/// a million rows through the same strings).
inline void readColumn(sqlite3_stmt* s, int column, std::string& out) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s, column));
    out.assign(bytes != nullptr ? bytes : "",
               static_cast<std::size_t>(sqlite3_column_bytes(s, column)));
}

/// Column `column` of the current row as bytes.
inline std::string columnText(sqlite3_stmt* s, int column) {
    std::string text;
    readColumn(s, column, text);
    return text;
}

/// Binds hive and path as parameters 1 and 2; `path` must outlive the step (SQLITE_STATIC).
/// A value's kind (column `kindColumn`) and its bytes (the next column) as a reader gets them:
/// a text with its terminating NUL.
inline void deliveredValue(sqlite3_stmt* s, int kindColumn, uint32_t& kind, std::string& bytes) {
    kind = static_cast<uint32_t>(sqlite3_column_int64(s, kindColumn));
    readColumn(s, kindColumn + 1, bytes);
    bytes.resize(detail::deliveredSize(kind, static_cast<uint32_t>(bytes.size())), '\0');
}

inline void bindKey(sqlite3_stmt* s, HKEY hive, const std::string& path) {
    sqlite3_bind_int64(s, 1, static_cast<sqlite3_int64>(hive));
    bindBytes(s, 2, path.data(), path.size());
}

/// Steps `s` once after `bind`; `read` sees the row if there is one. The statement is reset
/// before this returns, so nothing it handed out may be kept.
template <class Bind, class Read> int stepOnce(sqlite3_stmt* s, Bind&& bind, Read&& read) {
    bind(s);
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        read(s);
    }
    sqlite3_reset(s);
    return rc;
}

template <class Bind> int stepOnce(sqlite3_stmt* s, Bind&& bind) {
    return stepOnce(s, std::forward<Bind>(bind), [](sqlite3_stmt*) {});
}

inline bool succeeded(int rc) {
    return rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE;
}

/// Runs a one-row query and hands its first column to `read`.
template <class Read> int queryOne(sqlite3* db, const char* sql, Read&& read) {
    Statement s;
    int rc = s.prepare(db, sql);
    if (rc != SQLITE_OK) {
        return rc;
    }
    rc = sqlite3_step(s.get());
    if (rc == SQLITE_ROW) {
        read(s.get());
        return SQLITE_OK;
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

inline int queryInt(sqlite3* db, const char* sql, int64_t& out) {
    out = 0;
    return queryOne(db, sql, [&](sqlite3_stmt* s) { out = sqlite3_column_int64(s, 0); });
}

/// Runs `f` until it stops reporting busy, for at most the busy timeout. For the few statements
/// SQLite does not route through the busy handler (changing the journal mode).
template <class F> int retryWhileBusy(F&& f) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(BusyTimeoutMs);
    for (;;) {
        const int rc = f();
        if ((rc & 0xFF) != SQLITE_BUSY && (rc & 0xFF) != SQLITE_LOCKED) {
            return rc;
        }
        if (Clock::now() >= deadline) {
            return rc;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

/// `path` as an SQLite URI: the characters that mean something in a URI are escaped.
inline std::string uriOf(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || c == '?' || c == '#' || byte < 0x21 || byte >= 0x7f) {
            uri += '%';
            uri += hex[byte >> 4];
            uri += hex[byte & 0xF];
        } else {
            uri += c;
        }
    }
    return uri + "?immutable=1";
}

template <class F> int32_t guarded(F&& f) noexcept {
    try {
        return f();
    } catch (...) {
        return IoFailed;
    }
}

} // namespace sqlite

using namespace sqlite;

struct SqliteRegistry::Impl {
    explicit Impl(std::string p) : path(std::move(p)) { watchForks(); }
    ~Impl() {
        // A child of fork() that exits normally must not close (and so checkpoint) the parent's
        // connection.
        if (generation != g_forkGeneration.load()) {
            abandon();
        }
        disconnect();
    }

    std::string path;
    std::mutex mutex;
    detail::HandleTable handles;

    sqlite3* db = nullptr;
    unsigned generation = 0;
    /// This connection has read the whole file once (or made it): writing cannot touch a
    /// corrupt page that would then be overwritten.
    bool verified = false;
    /// Set up for writing: WAL journal chosen and the file verified. Reading alone changes
    /// nothing in the file, not even its journal mode.
    bool writable = false;
    /// Opened as an unchanging file because its directory cannot be written (see openFile).
    bool frozen = false;
    /// The schema version the layout-dependent statements (valueName, valuePut) were made for.
    int64_t layout = 0;
    Statement keyExists, keyInsert, valueGet, valuePut, valueName, valueNameAfter, valueDelete,
        valuesGet, valuesDelete, layoutGet, begin, commit, rollback;
    /// Where the last enumeration stopped, so that asking for the next index continues after
    /// the name listed last instead of counting every earlier name again.
    struct {
        HKEY key = 0;
        uint32_t next = 0;
        std::string folded;
    } listedLast;

    auto statements() {
        return std::array{&keyExists,      &keyInsert,   &valueGet,  &valuePut,     &valueName,
                          &valueNameAfter, &valueDelete, &valuesGet, &valuesDelete, &layoutGet,
                          &begin,          &commit,      &rollback};
    }

    int32_t connect(bool forWrite);
    /// The key behind `key` for reading, with the connection open: Success, or why not.
    /// Steps the lookup of value `name` of `ref`; `row` sees the kind and data when it exists.
    template <class Row>
    int lookUpValue(const detail::KeyRef& ref, const std::string& name, Row&& row) {
        const std::string folded = detail::foldCase(name);
        return stepOnce(
            valueGet.get(),
            [&](sqlite3_stmt* s) {
                bindKey(s, ref.hive, ref.path);
                bindBytes(s, 3, folded.data(), folded.size());
            },
            std::forward<Row>(row));
    }
    /// The key `path` below `root` (a hive or an open handle that grants `right`), with the
    /// connection open for reading: Success, or why not.
    int32_t reachKey(HKEY root, const std::string& path, uint32_t right, detail::KeyRef& ref) {
        detail::KeyRef base;
        if (const int32_t r = handles.use(root, right, base); r != Success) {
            return r;
        }
        auto key = handles.resolve(root, path);
        if (!key) {
            return InvalidHandle;
        }
        ref = std::move(*key);
        return connect(false);
    }
    /// Runs `use` with the key `path` below `root` under the lock, once it is reached (see
    /// reachKey); the store's failures come out as result codes, never as exceptions.
    template <class Use>
    int32_t onKey(HKEY root, const std::string& path, uint32_t right, Use&& use) {
        return guarded([&]() -> int32_t {
            std::lock_guard lock(mutex);
            KeyRef ref;
            if (const int32_t r = reachKey(root, path, right, ref); r != Success) {
                return r;
            }
            return use(ref);
        });
    }
    /// Success when the key exists, else FileNotFound (or why it cannot be told).
    int32_t keyResult(const detail::KeyRef& ref) {
        if (ref.path.empty()) {
            return Success; // the hive itself
        }
        bool present = false;
        if (const int rc = keyPresent(ref, present); !succeeded(rc)) {
            return fail(rc);
        }
        return present ? Success : FileNotFound;
    }
    int32_t reachForReading(HKEY key, detail::KeyRef& ref) {
        if (const int32_t r = handles.use(key, detail::KEY_QUERY_VALUE, ref); r != Success) {
            return r;
        }
        return connect(false);
    }
    int32_t openFile(bool forWrite);
    int32_t openConnection(bool forWrite, bool asFrozen);
    int32_t inspect(int64_t& appId, int64_t& version, int64_t& objects);
    int32_t identify(bool forWrite);
    int32_t createSchema();
    int32_t verify();
    int32_t prepareWrites();
    int prepareLayout(int64_t version);
    int adoptLayout(bool upgrade);
    void disconnect();
    void abandon();

    /// The result code for a failed SQLite call; a connection to a bad file is dropped, so that
    /// the next call looks at the file afresh.
    int32_t fail(int rc) {
        const int32_t result = resultOf(rc);
        if (result == BadDatabase) {
            disconnect();
        }
        return result;
    }

    /// One write transaction around `body`, which returns an SQLite code. BEGIN IMMEDIATE takes
    /// the write lock first (waiting for other processes through the busy timeout), so the body
    /// never meets a lock it cannot wait for.
    /// A file of layout 1 is upgraded here, so that the upgrade lands with the write or not
    /// at all; another process may have upgraded it (or made it newer) since we looked.
    template <class Body> int write(Body&& body) {
        int rc = stepOnce(begin.get(), [](sqlite3_stmt*) {});
        if (rc != SQLITE_DONE) {
            return rc;
        }
        const int64_t before = layout;
        rc = adoptLayout(true);
        if (rc == SQLITE_OK) {
            rc = body();
        }
        if (succeeded(rc)) {
            rc = stepOnce(commit.get(), [](sqlite3_stmt*) {});
            if (rc == SQLITE_DONE) {
                return rc;
            }
        }
        stepOnce(rollback.get(), [](sqlite3_stmt*) {});
        // A rolled-back upgrade takes the spelling column with it; the old statements still fit
        // whatever the file holds now.
        if (layout != before && prepareLayout(before) != SQLITE_OK) {
            disconnect();
        }
        return rc;
    }

    int keyPresent(const KeyRef& key, bool& present) {
        present = false;
        return stepOnce(
            keyExists.get(), [&](sqlite3_stmt* s) { bindKey(s, key.hive, key.path); },
            [&](sqlite3_stmt*) { present = true; });
    }
};

} // namespace qvMsgErr::platform

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

namespace {

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

std::string schemaScript() {
    return std::string(CreateSchema) + "PRAGMA application_id = " + std::to_string(ApplicationId) +
           ";\nPRAGMA user_version = " + std::to_string(SchemaVersion) + ";\n";
}

// A connection must not be used across fork(): the child's copy is abandoned (closing it could
// checkpoint or drop locks on the parent's behalf) and the child opens its own.
std::atomic<unsigned> g_forkGeneration{0};

void watchForks() {
    static std::once_flag once;
    std::call_once(once,
                   [] { pthread_atfork(nullptr, nullptr, [] { g_forkGeneration.fetch_add(1); }); });
}

int32_t resultOf(int rc) {
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

int32_t resultOfErrno(int error) {
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

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

/// Makes a missing store file empty, readable by the user only: remembered answers are nobody
/// else's business, and SQLite would make it 0644 less the umask. Its journal and WAL files take
/// the store file's mode. An empty file becomes a store on the first write.
int32_t makePrivateFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno == EEXIST ? Success : resultOfErrno(errno); // there already: SQLite decides
    }
    const bool ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    return ok ? Success : IoFailed;
}

/// Creates the directories above the file at `path` (mode 0700, as for any per-user config).
int32_t makeParentDirectories(const std::string& path) {
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

void bindBytes(sqlite3_stmt* s, int column, const void* data, std::size_t size) {
    // A null pointer would bind NULL; an empty name or value is a zero-length BLOB.
    sqlite3_bind_blob64(s, column, data != nullptr ? data : "", size, SQLITE_STATIC);
}

/// Column `column` of the current row as bytes.
std::string columnText(sqlite3_stmt* s, int column) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s, column));
    return {bytes != nullptr ? bytes : "",
            static_cast<std::size_t>(sqlite3_column_bytes(s, column))};
}

/// Binds hive and path as parameters 1 and 2; `path` must outlive the step (SQLITE_STATIC).
void bindKey(sqlite3_stmt* s, HKEY hive, const std::string& path) {
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

bool succeeded(int rc) {
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

int queryInt(sqlite3* db, const char* sql, int64_t& out) {
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
std::string uriOf(const std::string& path) {
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

} // namespace

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

int32_t SqliteRegistry::Impl::connect(bool forWrite) {
    if (db != nullptr && generation != g_forkGeneration.load()) {
        abandon();
    }
    if (db != nullptr && frozen && forWrite) {
        disconnect(); // perhaps the directory can be written now
    }
    if (db == nullptr) {
        return openFile(forWrite);
    }
    if (forWrite && !writable) {
        return prepareWrites();
    }
    return Success;
}

int32_t SqliteRegistry::Impl::openFile(bool forWrite) {
    if (path.empty()) {
        return AccessDenied; // no home directory to keep a store in
    }
    if (forWrite) {
        if (int32_t r = makeParentDirectories(path);
            r != Success || (r = makePrivateFile(path)) != Success) {
            return r;
        }
    } else {
        // Reading never creates anything: no file means nothing was ever stored.
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            return errno == ENOENT || errno == ENOTDIR ? FileNotFound : resultOfErrno(errno);
        }
    }
    const int32_t r = openConnection(forWrite, false);
    if (r == AccessDenied && !forWrite) {
        // A WAL database in a directory we cannot write has no shared-memory file to open; read
        // it as an unchanging file instead. Nobody can write there either, so nothing is missed.
        const int32_t frozenResult = openConnection(false, true);
        return frozenResult == IoFailed ? r : frozenResult;
    }
    return r;
}

int32_t SqliteRegistry::Impl::openConnection(bool forWrite, bool asFrozen) {
    int flags = SQLITE_OPEN_NOMUTEX;
    if (asFrozen) {
        flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
    } else {
        flags |= SQLITE_OPEN_READWRITE | (forWrite ? SQLITE_OPEN_CREATE : 0);
    }
#ifdef SQLITE_OPEN_EXRESCODE
    flags |= SQLITE_OPEN_EXRESCODE;
#endif
    sqlite3* handle = nullptr;
    const int rc =
        sqlite3_open_v2(asFrozen ? uriOf(path).c_str() : path.c_str(), &handle, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(handle);
        return resultOf(rc);
    }
    db = handle;
    generation = g_forkGeneration.load();
    verified = false;
    writable = false;
    frozen = asFrozen;
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    const int32_t r = identify(forWrite);
    if (r != Success) {
        disconnect();
    }
    return r;
}

/// What the file at the connection is, read in one transaction: another process may be making
/// the store right now, and the application id and the tables must come from the same moment.
int32_t SqliteRegistry::Impl::inspect(int64_t& appId, int64_t& version, int64_t& objects) {
    int rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        rc = queryInt(db, "PRAGMA application_id", appId);
    }
    if (rc == SQLITE_OK) {
        rc = queryInt(db, "PRAGMA user_version", version);
    }
    if (rc == SQLITE_OK) {
        rc = queryInt(db, "SELECT count(*) FROM sqlite_master", objects);
    }
    sqlite3_exec(db, rc == SQLITE_OK ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
    return rc;
}

int32_t SqliteRegistry::Impl::identify(bool forWrite) {
    int64_t appId = 0;
    int64_t version = 0;
    int64_t objects = 0;
    if (const int rc = inspect(appId, version, objects); rc != SQLITE_OK) {
        return resultOf(rc);
    }
    if (appId == ApplicationId) {
        if (version < 1 || version > SchemaVersion) {
            return BadDatabase; // a layout we do not know: leave it to whoever made it
        }
    } else {
        if (appId != 0 || objects != 0) {
            return BadDatabase; // somebody else's database
        }
        if (!forWrite) {
            return FileNotFound; // an empty file: nothing stored yet
        }
        if (const int32_t r = createSchema(); r != Success) {
            return r;
        }
        version = SchemaVersion;
    }

    // FULL: the WAL is synced at every commit, so a write that returned success survives a
    // power loss, not only a killed process.
    if (const int rc2 = sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        rc2 != SQLITE_OK) {
        return resultOf(rc2);
    }

    const std::pair<Statement*, const char*> statements[] = {
        {&keyExists, "SELECT 1 FROM reg_keys WHERE hive = ?1 AND path = ?2"},
        {&keyInsert, "INSERT OR IGNORE INTO reg_keys(hive, path) VALUES(?1, ?2)"},
        {&valueGet,
         "SELECT kind, data FROM reg_values WHERE hive = ?1 AND path = ?2 AND name = ?3"},
        {&valueDelete, "DELETE FROM reg_values WHERE hive = ?1 AND path = ?2 AND name = ?3"},
        {&valuesDelete, "DELETE FROM reg_values WHERE hive = ?1 AND path = ?2"},
        {&layoutGet, "PRAGMA user_version"},
        {&begin, "BEGIN IMMEDIATE"},
        {&commit, "COMMIT"},
        {&rollback, "ROLLBACK"},
    };
    int prc = SQLITE_OK;
    for (const auto& [statement, sql] : statements) {
        if (prc == SQLITE_OK) {
            prc = statement->prepare(db, sql);
        }
    }
    if (prc == SQLITE_OK) {
        prc = prepareLayout(version);
    }
    if (prc != SQLITE_OK) {
        // Marked as ours but without our tables: damaged.
        return (prc & 0xFF) == SQLITE_ERROR ? BadDatabase : resultOf(prc);
    }
    return forWrite ? prepareWrites() : Success;
}

int32_t SqliteRegistry::Impl::prepareWrites() {
    // WAL: readers never wait for the writer, and a commit is one append and one fsync.
    const int rc = retryWhileBusy(
        [&] { return queryOne(db, "PRAGMA journal_mode=WAL", [](sqlite3_stmt*) {}); });
    if (rc != SQLITE_OK) {
        return fail(rc);
    }
    if (!verified) {
        if (const int32_t r = verify(); r != Success) {
            return r;
        }
    }
    writable = true;
    return Success;
}

int SqliteRegistry::Impl::prepareLayout(int64_t version) {
    // Layout 1 has no spelling: its names list folded. It is never written as it is (see write).
    const std::string listed = version >= 2 ? "coalesce(spelling, name)" : "name";
    const std::string select =
        "SELECT " + listed + ", name FROM reg_values WHERE hive = ?1 AND path = ?2 ";
    int rc = valueName.prepare(db, (select + "ORDER BY name LIMIT 1 OFFSET ?3").c_str());
    if (rc == SQLITE_OK) {
        rc = valueNameAfter.prepare(db, (select + "AND name > ?3 ORDER BY name LIMIT 1").c_str());
    }
    if (rc == SQLITE_OK) {
        rc = valuesGet.prepare(db, ("SELECT " + listed +
                                    ", kind, data FROM reg_values WHERE hive = ?1 AND path = ?2 "
                                    "ORDER BY name")
                                       .c_str());
    }
    if (rc == SQLITE_OK && version >= 2) {
        // A value set again under another spelling keeps its first one, like the platform
        // registry; a row from layout 1 takes the first spelling it is written with.
        rc = valuePut.prepare(db, "INSERT INTO reg_values(hive, path, name, kind, data, spelling) "
                                  "VALUES(?1, ?2, ?3, ?4, ?5, ?6) "
                                  "ON CONFLICT(hive, path, name) DO UPDATE SET "
                                  "kind = excluded.kind, data = excluded.data, "
                                  "spelling = coalesce(spelling, excluded.spelling)");
    } else {
        valuePut.finalize();
    }
    if (rc == SQLITE_OK) {
        layout = version;
    }
    return rc;
}

/// Reads the file's schema version and prepares the statements for it; with `upgrade` (inside a
/// write transaction) a file of layout 1 is first brought to the current one.
int SqliteRegistry::Impl::adoptLayout(bool upgrade) {
    int64_t version = 0;
    const int rc = stepOnce(
        layoutGet.get(), [](sqlite3_stmt*) {},
        [&](sqlite3_stmt* s) { version = sqlite3_column_int64(s, 0); });
    if (rc != SQLITE_ROW) {
        return rc == SQLITE_DONE ? SQLITE_CORRUPT : rc;
    }
    if (version < 1 || version > SchemaVersion) {
        return UnknownLayout; // made newer by someone else since we opened it: hands off
    }
    if (upgrade && version < SchemaVersion) {
        if (const int urc = sqlite3_exec(db, UpgradeSchema, nullptr, nullptr, nullptr);
            urc != SQLITE_OK) {
            return urc;
        }
        version = SchemaVersion;
    }
    return version == layout ? SQLITE_OK : prepareLayout(version);
}

int32_t SqliteRegistry::Impl::createSchema() {
    int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        return resultOf(rc);
    }
    // Another process may have made the store while we waited for the lock.
    int64_t appId = 0;
    int64_t objects = 0;
    rc = queryInt(db, "PRAGMA application_id", appId);
    if (rc == SQLITE_OK) {
        rc = queryInt(db, "SELECT count(*) FROM sqlite_master", objects);
    }
    int32_t result = Success;
    if (rc != SQLITE_OK) {
        result = resultOf(rc);
    } else if (appId != ApplicationId) {
        if (appId != 0 || objects != 0) {
            result = BadDatabase;
        } else if (rc = sqlite3_exec(db, schemaScript().c_str(), nullptr, nullptr, nullptr);
                   rc != SQLITE_OK) {
            result = resultOf(rc);
        }
    }
    if (result == Success) {
        rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) {
            verified = true;
            return Success;
        }
        result = resultOf(rc);
    }
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return result;
}

int32_t SqliteRegistry::Impl::verify() {
    bool ok = false;
    const int rc = queryOne(db, "PRAGMA quick_check(1)", [&](sqlite3_stmt* s) {
        const auto* text = sqlite3_column_text(s, 0);
        ok = text != nullptr && std::strcmp(reinterpret_cast<const char*>(text), "ok") == 0;
    });
    if (rc != SQLITE_OK) {
        return fail(rc);
    }
    if (!ok) {
        disconnect();
        return BadDatabase;
    }
    verified = true;
    return Success;
}

void SqliteRegistry::Impl::disconnect() {
    for (Statement* s : statements()) {
        s->finalize();
    }
    sqlite3_close_v2(db);
    db = nullptr;
    verified = false;
    writable = false;
}

void SqliteRegistry::Impl::abandon() {
    for (Statement* s : statements()) {
        s->abandon();
    }
    db = nullptr;
    verified = false;
    writable = false;
}

SqliteRegistry::SqliteRegistry(std::string path) : impl_(std::make_unique<Impl>(std::move(path))) {}

SqliteRegistry::~SqliteRegistry() = default;

const std::string& SqliteRegistry::path() const noexcept {
    return impl_->path;
}

std::string SqliteRegistry::defaultPath() {
    if (const char* explicitPath = std::getenv("QVMSGERR_REGISTRY");
        explicitPath != nullptr && *explicitPath != '\0') {
        return explicitPath;
    }
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
        return std::string(config) + "/qvMsgErr/registry.db";
    }
    std::string home;
    // A relative HOME would put the store wherever the program happens to run: it is ignored
    // like an unset one, and the password database names the home directory.
    if (const char* env = std::getenv("HOME"); env != nullptr && *env == '/') {
        home = env;
    } else {
        struct passwd entry {};
        struct passwd* found = nullptr;
        char buffer[4096];
        if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
            found->pw_dir != nullptr && found->pw_dir[0] == '/') {
            home = found->pw_dir;
        }
    }
    if (home.empty()) {
        return {};
    }
    return home + "/.config/qvMsgErr/registry.db";
}

int32_t SqliteRegistry::RegOpenKeyExA(HKEY root, const std::string& path, uint32_t access,
                                      HKEY& out) {
    out = 0;
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        auto key = impl_->handles.resolve(root, path);
        if (!key) {
            return InvalidHandle;
        }
        if (!key->path.empty()) {
            if (const int32_t r = impl_->connect(false); r != Success) {
                return r;
            }
            bool present = false;
            if (const int rc = impl_->keyPresent(*key, present); !succeeded(rc)) {
                return impl_->fail(rc);
            }
            if (!present) {
                return FileNotFound;
            }
        }
        key->access = access;
        out = impl_->handles.open(std::move(*key));
        return Success;
    });
}

int32_t SqliteRegistry::RegCreateKeyExA(HKEY root, const std::string& path, uint32_t access,
                                        HKEY& out) {
    out = 0;
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        auto key = impl_->handles.resolve(root, path);
        if (!key) {
            return InvalidHandle;
        }
        if (!key->path.empty()) {
            // Most calls find the key already there; only a missing key costs a transaction.
            bool present = false;
            if (const int32_t r = impl_->connect(false); r == Success) {
                if (const int rc = impl_->keyPresent(*key, present); !succeeded(rc)) {
                    return impl_->fail(rc);
                }
            } else if (r != FileNotFound) {
                return r;
            }
            if (!present) {
                if (const int32_t r = impl_->connect(true); r != Success) {
                    return r;
                }
                const int rc = impl_->write([&] {
                    int step = SQLITE_DONE;
                    detail::forEachPrefix(key->path, [&](const std::string& prefix) {
                        if (step == SQLITE_DONE) {
                            step = stepOnce(impl_->keyInsert.get(), [&](sqlite3_stmt* s) {
                                bindKey(s, key->hive, prefix);
                            });
                        }
                    });
                    return step;
                });
                if (!succeeded(rc)) {
                    return impl_->fail(rc);
                }
            }
        }
        key->access = access;
        out = impl_->handles.open(std::move(*key));
        return Success;
    });
}

int32_t SqliteRegistry::RegQueryValueExA(HKEY key, const std::string& name, uint32_t& kind,
                                         uint8_t* data, uint32_t& size) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        detail::KeyRef ref;
        if (const int32_t r = impl_->reachForReading(key, ref); r != Success) {
            return r;
        }
        bool found = false;
        int32_t result = Success;
        const int rc = impl_->lookUpValue(ref, name, [&](sqlite3_stmt* s) {
            found = true;
            kind = static_cast<uint32_t>(sqlite3_column_int64(s, 0));
            const void* bytes = sqlite3_column_blob(s, 1);
            const auto stored = static_cast<uint32_t>(sqlite3_column_bytes(s, 1));
            const uint32_t delivered = detail::deliveredSize(kind, stored);
            if (data == nullptr) {
                size = delivered;
            } else if (size < delivered) {
                size = delivered;
                result = MoreData;
            } else {
                if (stored != 0) {
                    std::memcpy(data, bytes, stored);
                }
                if (delivered > stored) {
                    data[stored] = 0;
                }
                size = delivered;
            }
        });
        if (!succeeded(rc)) {
            return impl_->fail(rc);
        }
        return found ? result : FileNotFound;
    });
}

int32_t SqliteRegistry::ReadValue(HKEY root, const std::string& path, const std::string& name,
                                  uint32_t& kind, std::string& bytes) {
    // One indexed lookup: a value exists only in a key that exists, so an absent key reads as
    // an absent value, as the opening would have said.
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        detail::KeyRef ref;
        if (const int32_t r = impl_->reachKey(root, path, detail::KEY_QUERY_VALUE, ref);
            r != Success) {
            return r;
        }
        bool found = false;
        const int rc = impl_->lookUpValue(ref, name, [&](sqlite3_stmt* s) {
            found = true;
            kind = static_cast<uint32_t>(sqlite3_column_int64(s, 0));
            const auto* data = static_cast<const char*>(sqlite3_column_blob(s, 1));
            const auto stored = static_cast<uint32_t>(sqlite3_column_bytes(s, 1));
            bytes.assign(data != nullptr ? data : "", stored);
            bytes.resize(detail::deliveredSize(kind, stored), '\0');
        });
        if (!succeeded(rc)) {
            return impl_->fail(rc);
        }
        return found ? Success : FileNotFound;
    });
}

int32_t SqliteRegistry::RegSetValueExA(HKEY key, const std::string& name, uint32_t kind,
                                       const uint8_t* data, uint32_t size) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        detail::KeyRef ref;
        if (const int32_t r = impl_->handles.use(key, detail::KEY_SET_VALUE, ref); r != Success) {
            return r;
        }
        if (data == nullptr && size != 0) {
            return InvalidParameter;
        }
        if (const int32_t r = impl_->connect(true); r != Success) {
            return r;
        }
        const std::string folded = detail::foldCase(name);
        const int rc = impl_->write([&] {
            return stepOnce(impl_->valuePut.get(), [&](sqlite3_stmt* s) {
                bindKey(s, ref.hive, ref.path);
                bindBytes(s, 3, folded.data(), folded.size());
                sqlite3_bind_int64(s, 4, kind);
                bindBytes(s, 5, data, size);
                bindBytes(s, 6, name.data(), name.size());
            });
        });
        return succeeded(rc) ? Success : impl_->fail(rc);
    });
}

int32_t SqliteRegistry::RegEnumValueA(HKEY key, uint32_t index, std::string& name) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        detail::KeyRef ref;
        if (const int32_t r = impl_->reachForReading(key, ref); r != Success) {
            return r == FileNotFound ? NoMoreItems : r; // no store yet: no values anywhere
        }
        // Another process may have upgraded the file since: then its spellings can be listed.
        if (impl_->layout < SchemaVersion) {
            if (const int rc = impl_->adoptLayout(false); rc != SQLITE_OK) {
                return impl_->fail(rc);
            }
        }
        auto& last = impl_->listedLast;
        const bool continues = index > 0 && last.key == key && last.next == index;
        const std::string after = continues ? last.folded : std::string(); // bound while stepping
        bool found = false;
        const int rc = stepOnce(
            continues ? impl_->valueNameAfter.get() : impl_->valueName.get(),
            [&](sqlite3_stmt* s) {
                bindKey(s, ref.hive, ref.path);
                if (continues) {
                    bindBytes(s, 3, after.data(), after.size());
                } else {
                    sqlite3_bind_int64(s, 3, index);
                }
            },
            [&](sqlite3_stmt* s) {
                found = true;
                name = columnText(s, 0);
                last = {key, index + 1, columnText(s, 1)};
            });
        if (!succeeded(rc)) {
            return impl_->fail(rc);
        }
        return found ? Success : NoMoreItems;
    });
}

int32_t SqliteRegistry::RegDeleteValueA(HKEY key, const std::string& name) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        detail::KeyRef ref;
        if (const int32_t r = impl_->handles.use(key, detail::KEY_SET_VALUE, ref); r != Success) {
            return r;
        }
        const std::string folded = detail::foldCase(name);
        const auto bindName = [&](sqlite3_stmt* s) {
            bindKey(s, ref.hive, ref.path);
            bindBytes(s, 3, folded.data(), folded.size());
        };
        // An absent value costs no write lock, makes no file and upgrades nothing.
        if (const int32_t r = impl_->connect(false); r != Success) {
            return r;
        }
        bool present = false;
        if (const int rc =
                stepOnce(impl_->valueGet.get(), bindName, [&](sqlite3_stmt*) { present = true; });
            !succeeded(rc)) {
            return impl_->fail(rc);
        }
        if (!present) {
            return FileNotFound;
        }
        if (const int32_t r = impl_->connect(true); r != Success) {
            return r;
        }
        bool removed = false;
        const int rc = impl_->write([&] {
            const int step = stepOnce(impl_->valueDelete.get(), bindName);
            removed = sqlite3_changes(impl_->db) != 0;
            return step;
        });
        if (!succeeded(rc)) {
            return impl_->fail(rc);
        }
        return removed ? Success : FileNotFound; // another process removed it meanwhile
    });
}

int32_t SqliteRegistry::ReadValues(HKEY root, const std::string& path,
                                   const std::function<void(StoredValue&)>& each) {
    // One statement is one read transaction: a writer meanwhile changes nothing it sees.
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        detail::KeyRef ref;
        if (const int32_t r = impl_->reachKey(root, path, detail::KEY_QUERY_VALUE, ref);
            r != Success) {
            return r;
        }
        sqlite3_stmt* s = impl_->valuesGet.get();
        bindKey(s, ref.hive, ref.path);
        // Reset on every way out, a throwing `each` included, so that the snapshot ends.
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> resetting(s, sqlite3_reset);
        int rc = SQLITE_OK;
        bool any = false;
        StoredValue value;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            any = true;
            value.name = columnText(s, 0);
            value.kind = static_cast<uint32_t>(sqlite3_column_int64(s, 1));
            value.bytes = columnText(s, 2);
            value.bytes.resize(detail::deliveredSize(value.kind, value.bytes.size()), '\0');
            each(value);
        }
        if (!succeeded(rc)) {
            return impl_->fail(rc);
        }
        return any ? Success : impl_->keyResult(ref);
    });
}

int32_t SqliteRegistry::DeleteValues(HKEY root, const std::string& path, int32_t& removed) {
    removed = 0;
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        detail::KeyRef ref;
        if (const int32_t r = impl_->reachKey(root, path, detail::KEY_SET_VALUE, ref);
            r != Success) {
            return r;
        }
        if (const int32_t r = impl_->keyResult(ref); r != Success) {
            return r;
        }
        if (const int32_t r = impl_->connect(true); r != Success) {
            return r;
        }
        // One transaction, one commit: clearing costs one fsync, not one a value.
        const int rc = impl_->write([&] {
            const int step = stepOnce(impl_->valuesDelete.get(),
                                      [&](sqlite3_stmt* s) { bindKey(s, ref.hive, ref.path); });
            removed = sqlite3_changes(impl_->db);
            return step;
        });
        return succeeded(rc) ? Success : impl_->fail(rc);
    });
}

int32_t SqliteRegistry::RegCloseKey(HKEY key) {
    return guarded([&]() -> int32_t {
        std::lock_guard lock(impl_->mutex);
        return impl_->handles.close(key) ? Success : InvalidHandle;
    });
}

std::shared_ptr<Registry> makeDefaultRegistry() {
    return std::make_shared<SqliteRegistry>(SqliteRegistry::defaultPath());
}

} // namespace qvMsgErr::platform

// The SQLite store's file and connection: where the file lives, opening it, telling our
// file from a stranger's, the layout, the first write's checks, and letting go of it.
#include "platform/sqlite/sqlite_registry_p.h"

namespace qvMsgErr::platform {

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

} // namespace qvMsgErr::platform

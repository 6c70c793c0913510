// Shared by the benchmarks: stores that hold many remembered answers, made quickly.
#pragma once

#include "platform/sqlite/sqlite_registry.h"
#include "support/apartment.h"
#include "support/modRegistry.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace qvbench {

using qvMsgErr::platform::HKEY_CURRENT_USER;
using qvMsgErr::platform::SqliteRegistry;

inline const std::string Root = "Software\\Bench";
inline const std::string Section = "MessageBox\\ShowMessage";

inline std::string valueName(int i) {
    return "Message " + std::to_string(i);
}

class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/qvbench-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path = pattern;
        }
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

inline ScratchFolder& scratch() {
    static ScratchFolder folder;
    return folder;
}

/// A store holding `count` remembered answers. The store writes its own file and layout with
/// the first value; the rest go straight into its table in one transaction, because a write
/// through the store is one fsync each and 100,000 of them would take minutes.
inline std::string storeWith(int count) {
    static std::map<int, std::string> made;
    if (auto it = made.find(count); it != made.end()) {
        return it->second;
    }
    const std::string path = scratch().path + "/store" + std::to_string(count) + ".db";
    qvMsgErr::setThreadRegistry(std::make_shared<SqliteRegistry>(path));
    qvMsgErr::apartment().regRoot = Root;
    qvMsgErr::SetRegSetting(valueName(0), "1", Section, true);
    qvMsgErr::setThreadRegistry(nullptr);

    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT OR REPLACE INTO reg_values(hive, path, name, kind, data) "
                       "VALUES(?1, ?2, ?3, 1, ?4)",
                       -1, &insert, nullptr);
    const std::string folded = "software\\bench\\messagebox\\showmessage";
    for (int i = 1; i < count; ++i) {
        std::string name = valueName(i);
        for (char& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const std::string data = std::to_string(1 + i % 7);
        sqlite3_bind_int64(insert, 1, static_cast<sqlite3_int64>(HKEY_CURRENT_USER));
        sqlite3_bind_blob(insert, 2, folded.data(), static_cast<int>(folded.size()), SQLITE_STATIC);
        sqlite3_bind_blob(insert, 3, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        sqlite3_bind_blob(insert, 4, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    made[count] = path;
    return path;
}

/// Names of present values, in an order that jumps all over the store.
inline std::vector<std::string> someNames(int count) {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pick(0, count - 1);
    std::vector<std::string> names;
    for (int i = 0; i < 4096; ++i) {
        names.push_back(valueName(pick(random)));
    }
    return names;
}

} // namespace qvbench

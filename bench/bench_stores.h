// Shared by the benchmarks: stores that hold many remembered answers, made quickly.
#pragma once

#include "platform/sqlite/sqlite_registry.h"
#include "support/apartment.h"
#include "support/modRegistry.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cctype>
#include <chrono>

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

/// Steps `sql` on the memory's key to its end, reading each row's columns; the rows seen.
inline std::size_t floorStep(sqlite3* db, const char* sql) {
    static const std::string key = "software\\bench\\messagebox\\showmessage";
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    sqlite3_bind_int64(s, 1, static_cast<sqlite3_int64>(HKEY_CURRENT_USER));
    sqlite3_bind_blob(s, 2, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    std::size_t rows = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
            benchmark::DoNotOptimize(sqlite3_column_blob(s, c));
            benchmark::DoNotOptimize(sqlite3_column_bytes(s, c));
        }
    }
    sqlite3_finalize(s);
    return rows;
}

/// The floor a store read is held against: one cached SELECT of the value, on the same file,
/// by a connection of its own.
class FloorRead {
public:
    explicit FloorRead(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        sqlite3_prepare_v3(
            db_, "SELECT data FROM reg_values WHERE hive = ?1 AND path = ?2 AND name = ?3", -1,
            SQLITE_PREPARE_PERSISTENT, &select_, nullptr);
    }
    ~FloorRead() {
        sqlite3_finalize(select_);
        sqlite3_close(db_);
    }
    FloorRead(const FloorRead&) = delete;
    FloorRead& operator=(const FloorRead&) = delete;

    /// The stored text's first byte for `name` (0 when absent).
    int read(std::string name) {
        static const std::string path = "software\\bench\\messagebox\\showmessage";
        for (char& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        sqlite3_bind_int64(select_, 1, static_cast<sqlite3_int64>(HKEY_CURRENT_USER));
        sqlite3_bind_blob(select_, 2, path.data(), static_cast<int>(path.size()), SQLITE_STATIC);
        sqlite3_bind_blob(select_, 3, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        int first = 0;
        if (sqlite3_step(select_) == SQLITE_ROW && sqlite3_column_bytes(select_, 0) > 0) {
            first = static_cast<const unsigned char*>(sqlite3_column_blob(select_, 0))[0];
        }
        sqlite3_reset(select_);
        return first;
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* select_ = nullptr;
};

/// The floors of a whole key: one SELECT of every name and value, one DELETE of them, on a
/// connection of its own.
inline std::size_t floorList(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    std::size_t rows =
        floorStep(db, "SELECT name, data FROM reg_values WHERE hive = ?1 AND path = ?2");
    sqlite3_close(db);
    return rows;
}

inline std::size_t floorClear(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    floorStep(db, "DELETE FROM reg_values WHERE hive = ?1 AND path = ?2");
    const auto rows = static_cast<std::size_t>(sqlite3_changes(db));
    sqlite3_close(db);
    return rows;
}

/// Which of `size` names the floor reads in iteration `i` when ours reads name `i % size`: one
/// half the list away. The name ours has just read would find its pages warm in every cache.
inline std::size_t floorIndex(std::size_t i, std::size_t size) {
    return (i + size / 2) % size;
}

/// Runs `ours` and `floor` alternately, one call each per iteration, so that both meet the same
/// machine; reports our time (manual time) and, as counters, the floor's time and the ratio,
/// which carries between machines where microseconds do not. Register with UseManualTime().
template <class Ours, class Floor>
void interleaved(benchmark::State& state, Ours&& ours, Floor&& floor) {
    using Clock = std::chrono::steady_clock;
    double ourTotal = 0, floorTotal = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        ours();
        const auto middle = Clock::now();
        floor();
        const auto end = Clock::now();
        const double ourTime = std::chrono::duration<double>(middle - start).count();
        ourTotal += ourTime;
        floorTotal += std::chrono::duration<double>(end - middle).count();
        state.SetIterationTime(ourTime);
    }
    if (state.iterations() > 0 && floorTotal > 0) {
        state.counters["floor_us"] = floorTotal / static_cast<double>(state.iterations()) * 1e6;
        state.counters["ratio"] = ourTotal / floorTotal;
    }
}

} // namespace qvbench

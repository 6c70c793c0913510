// The settings store on SQLite: one database file per user, every write committed when the call
// returns.
//
// Real:    the seven registry operations on the predefined hives (each its own namespace) and on
//          open handles used as roots; key paths and value names compared ASCII-case-insensitively,
//          a value listed in the spelling it was first stored with; kinds and bytes kept exactly;
//          durable writes (WAL, synchronous=FULL, one transaction per write, the write lock taken
//          up front); other processes waited for, never reported busy.
// Differs: key paths are normalised (empty components dropped, see docs/decisions.md); a text
//          value reads back with one NUL after its stored bytes; access rights are checked for
//          query (0x1) and set (0x2) only; values written by the first release list their names
//          folded to lower case.
// Missing: deleting or enumerating keys, security descriptors, volatile keys.
//
// Faults are result codes, never exceptions or output: AccessDenied when the directory or file
// cannot be created or written, BadDatabase when the file is not a store of ours, is corrupt or
// has a newer layout than this code knows (the file is then left exactly as it was), IoFailed for
// anything else. Nothing is opened or created before an operation needs it; reading never creates
// or changes a file, and the first write to a file of the first release upgrades its layout.
//
// An object belongs to one thread at a time (the apartment keeps one per thread); it keeps its
// connection open across calls. A child process made by fork() opens its own connection.
#pragma once

#include "platform/registry.h"

#include <memory>
#include <string>

namespace qvMsgErr::platform {

class SqliteRegistry final : public Registry {
public:
    /// The store in the database file at `path`.
    explicit SqliteRegistry(std::string path);
    ~SqliteRegistry() override;
    SqliteRegistry(const SqliteRegistry&) = delete;
    SqliteRegistry& operator=(const SqliteRegistry&) = delete;

    /// $QVMSGERR_REGISTRY, else $XDG_CONFIG_HOME/qvMsgErr/registry.db, else
    /// ~/.config/qvMsgErr/registry.db; empty when there is no home directory either.
    static std::string defaultPath();
    const std::string& path() const noexcept;

    int32_t RegOpenKeyExA(HKEY root, const std::string& path, uint32_t access, HKEY& out) override;
    int32_t RegCreateKeyExA(HKEY root, const std::string& path, uint32_t access,
                            HKEY& out) override;
    int32_t RegQueryValueExA(HKEY key, const std::string& name, uint32_t& kind, uint8_t* data,
                             uint32_t& size) override;
    int32_t RegSetValueExA(HKEY key, const std::string& name, uint32_t kind, const uint8_t* data,
                           uint32_t size) override;
    int32_t RegEnumValueA(HKEY key, uint32_t index, std::string& name) override;
    int32_t RegDeleteValueA(HKEY key, const std::string& name) override;
    int32_t RegCloseKey(HKEY key) override;
    int32_t ReadValue(HKEY root, const std::string& path, const std::string& name, uint32_t& kind,
                      std::string& bytes) override;
    int32_t ReadValues(HKEY root, const std::string& path,
                       const std::function<void(StoredValue&)>& each) override;
    int32_t DeleteValues(HKEY root, const std::string& path, int32_t& removed) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// The current user's store at `SqliteRegistry::defaultPath()`.
std::shared_ptr<Registry> makeDefaultRegistry();

} // namespace qvMsgErr::platform

// The settings store on the Windows registry: the default store of the Windows build.
//
// Real:    the seven registry operations on HKEY_CURRENT_USER (and the other hives as the user may
//          use them) through the wide-character API: names and texts are UTF-8 here and UTF-16 in
//          the registry, so that other programs read them as the same characters; kinds and bytes
//          kept exactly (a text's bytes that are no UTF-8 travel as unpaired surrogates
//          U+DC80-U+DCFF and come back as the same bytes); the registry's own result codes, its
//          own access checks and its own case-insensitive names (a value keeps the spelling it
//          was first stored with).
// Differs: key paths are normalised as in the other stores (empty components dropped); names
//          compare case-insensitively beyond ASCII too ("Ä" and "ä" are one name, as the registry
//          has it); a name that is no UTF-8 is refused with NoUnicodeTranslation and a name with
//          a NUL with InvalidParameter (the registry could only store a different name); values
//          are listed in the order of the other stores (names folded to ASCII lower case, compared
//          bytewise), not in the registry's; a write is as durable as the registry makes it (no
//          RegFlushKey a write).
// Missing: deleting or enumerating keys, security descriptors, volatile keys.
//
// With a sandbox (QVMSGERR_REGISTRY, or the constructor's argument) every hive is a key below
// HKEY_CURRENT_USER\<sandbox>, named as the hive ("HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" …):
// a store of its own, as a file other than the user's is on Linux, that tests and scripts may
// delete as a whole.
//
// Safe to share between threads; every open key is closed when the object goes.
#pragma once

#include "platform/registry.h"

#include <memory>
#include <string>

namespace qvMsgErr::platform {

class WindowsRegistry final : public Registry {
public:
    /// The user's registry: the hives as they are.
    WindowsRegistry();
    /// Every hive a key below HKEY_CURRENT_USER\`sandbox` (a backslash-separated key path); the
    /// user's registry when `sandbox` is empty.
    explicit WindowsRegistry(std::string sandbox);
    ~WindowsRegistry() override;
    WindowsRegistry(const WindowsRegistry&) = delete;
    WindowsRegistry& operator=(const WindowsRegistry&) = delete;

    /// $QVMSGERR_REGISTRY (a key path below HKEY_CURRENT_USER), else empty: the user's registry.
    static std::string defaultSandbox();
    /// The sandbox key below HKEY_CURRENT_USER, normalised; empty for the user's registry.
    const std::string& sandbox() const noexcept;
    /// Removes the sandbox key and everything below it (nothing for the user's registry); Success
    /// also when there was none.
    int32_t DeleteSandbox();
    /// Handles currently open (a test sees whether every opened key was closed again).
    std::size_t openHandles() const;

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

/// The current user's registry, or the sandbox $QVMSGERR_REGISTRY names.
std::shared_ptr<Registry> makeDefaultRegistry();

} // namespace qvMsgErr::platform

// The settings layer over the registry store: text values below Reg_Root & "\" & section.
#pragma once

#include "platform/registry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace qvMsgErr {

/// A value as read from the store: nothing, text, a 32-bit number or bytes.
using RegValue = std::variant<std::monostate, std::string, int32_t, std::vector<uint8_t>>;

/// The text stored under Reg_Root & "\" & `section` into `text` (empty when there is none); the
/// store's result code, FileNotFound when the key or the value is absent.
int32_t ReadRegSetting(const std::string& valueName, const std::string& section, bool escaped,
                       std::string& text, platform::HKEY root = platform::HKEY_CURRENT_USER);
std::string GetRegSetting(const std::string& valueName, const std::string& defaultValue,
                          const std::string& section, bool escaped,
                          platform::HKEY root = platform::HKEY_CURRENT_USER);
bool SetRegSetting(std::string valueName, const std::string& valueText, const std::string& section,
                   bool escaped, platform::HKEY root = platform::HKEY_CURRENT_USER);
int16_t MakeInteger(const std::string& text) noexcept;
RegValue Reg_QueryValue(platform::HKEY root, const std::string& keyPath,
                        const std::string& valueName, bool clean);
int32_t RegSetKeyValue(platform::HKEY root, const std::string& keyPath,
                       const std::string& valueName, const RegValue& value, int32_t kind,
                       bool create);
/// Every value under Reg_Root & "\" & `section`, its name and text as ReadRegSetting reads it,
/// handed to `each` (which may take them) in the store's order, read at once; the store's
/// result code (FileNotFound when the key is absent).
int32_t ReadRegSettings(const std::string& section, bool escaped,
                        const std::function<void(std::string& name, std::string& text)>& each,
                        platform::HKEY root = platform::HKEY_CURRENT_USER);
/// Removes every value under Reg_Root & "\" & `section` at once, durably; `removed` counts
/// them. The store's result code (FileNotFound when the key is absent).
int32_t DeleteRegSettings(const std::string& section, int32_t& removed,
                          platform::HKEY root = platform::HKEY_CURRENT_USER);
/// Removes one value of the key at `keyPath`; the store's result code (FileNotFound when the key
/// or the value is absent).
int32_t RegDeleteKeyValue(platform::HKEY root, const std::string& keyPath,
                          const std::string& valueName);
int32_t QueryValueEx(platform::HKEY key, const std::string& valueName, RegValue& out);
int32_t SetValueEx(platform::HKEY key, const std::string& valueName, int32_t kind,
                   const RegValue& value);
std::string Cleaned(std::string text);

} // namespace qvMsgErr

#include "support/modRegistry.h"

#include "support/apartment.h"
#include "support/failure.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

namespace qvMsgErr {

using platform::HKEY;
using platform::Registry;
namespace regresult = platform::regresult;

namespace {

constexpr std::string_view Nul("\0", 1);
constexpr std::string_view One("\x01", 1);
constexpr std::string_view EscapedOne("\x01\x02", 2);
constexpr std::string_view EscapedNul("\x01\x03", 2);

/// Every `from` replaced by `to`, scanning left to right without overlap.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::string_view::size_type start = 0;
    for (auto at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        out.append(text, start, at - start);
        out.append(to);
        start = at + from.size();
    }
    out.append(text, start);
    return out;
}

/// Closes the key when the procedure leaves, also when it leaves with an error; a handle of 0
/// (the open failed) is closed too, and the result of closing is of no interest.
class KeyHandle {
public:
    explicit KeyHandle(Registry& registry) : registry_(registry) {}
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    ~KeyHandle() {
        try {
            registry_.RegCloseKey(handle);
        } catch (...) {
        }
    }
    HKEY handle = 0;

private:
    Registry& registry_;
};

/// The text a stored value stands for. Byte data (only another program writes it) is taken as
/// the bytes of a text, without the NULs that pad or end it.
std::string textOf(const RegValue& value) {
    struct {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(const std::string& text) const { return text; }
        std::string operator()(int32_t number) const { return std::to_string(number); }
        std::string operator()(const std::vector<uint8_t>& bytes) const {
            return Cleaned(std::string(bytes.begin(), bytes.end()));
        }
    } visitor;
    return std::visit(visitor, value);
}

int32_t numberOf(const RegValue& value) {
    if (std::holds_alternative<std::monostate>(value)) {
        return 0;
    }
    if (const auto* number = std::get_if<int32_t>(&value)) {
        return *number;
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        int32_t number = 0;
        const char* end = text->data() + text->size();
        const auto [ptr, ec] = std::from_chars(text->data(), end, number);
        if (ec == std::errc() && ptr == end && !text->empty()) {
            return number;
        }
    }
    throw RunTimeError(err::TypeMismatch);
}

std::vector<uint8_t> bytesOf(const RegValue& value) {
    if (const auto* bytes = std::get_if<std::vector<uint8_t>>(&value)) {
        return *bytes;
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return {text->begin(), text->end()};
    }
    if (std::holds_alternative<std::monostate>(value)) {
        return {};
    }
    throw RunTimeError(err::TypeMismatch);
}

uint32_t byteCount(std::size_t size) {
    if (size > std::numeric_limits<uint32_t>::max()) {
        throw RunTimeError(err::Overflow);
    }
    return static_cast<uint32_t>(size);
}

// ---- MakeInteger ---------------------------------------------------------------------------

constexpr int16_t Largest = std::numeric_limits<int16_t>::max();
constexpr int16_t Smallest = std::numeric_limits<int16_t>::min();

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int digitValue(char c) {
    if (isDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 99;
}

int16_t clamped(bool negative, int64_t magnitude) {
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int16_t>(std::clamp<int64_t>(value, Smallest, Largest));
}

/// "&H1F", "0x1F", "&O17" after the sign; nullopt when the text does not start that way.
std::optional<int16_t> readPrefixed(std::string_view text, bool negative) {
    int base = 0;
    std::size_t at = 0;
    if (text.size() >= 2 && (text[0] == '&' || text[0] == '0')) {
        const char marker = static_cast<char>(text[1] | 0x20);
        const bool ampersand = text[0] == '&';
        if ((ampersand && marker == 'h') || (!ampersand && marker == 'x')) {
            base = 16;
        } else if (ampersand && marker == 'o') {
            base = 8;
        }
        at = 2;
    }
    if (base == 0 || at >= text.size() || digitValue(text[at]) >= base) {
        return std::nullopt;
    }
    // The digits name a magnitude: "&HFFFF" is 65535 and clamps, it does not wrap to -1.
    int64_t magnitude = 0;
    for (; at < text.size() && digitValue(text[at]) < base; ++at) {
        magnitude = std::min<int64_t>(magnitude * base + digitValue(text[at]), 1'000'000);
    }
    return clamped(negative, magnitude);
}

/// The longest beginning of `text` that reads as a decimal number ("12.5e1xyz" → 125), rounded
/// to the nearest integer with halves to the even neighbour and clamped. Worked on the digits
/// themselves, so that no binary fraction moves a half ("2.5000000000000000001" is 3).
int16_t readDecimal(std::string_view text, bool negative) {
    std::string digits;
    std::size_t at = 0;
    std::size_t integerDigits = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        digits += text[at];
        ++integerDigits;
    }
    if (at < text.size() && text[at] == '.') {
        for (++at; at < text.size() && isDigit(text[at]); ++at) {
            digits += text[at];
        }
    }
    if (digits.empty()) {
        return 0;
    }
    int64_t exponent = 0;
    if (at + 1 < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t e = at + 1;
        const bool negativeExponent = text[e] == '-';
        if (text[e] == '-' || text[e] == '+') {
            ++e;
        }
        if (e < text.size() && isDigit(text[e])) {
            for (; e < text.size() && isDigit(text[e]); ++e) {
                exponent = std::min<int64_t>(exponent * 10 + (text[e] - '0'), 1'000'000);
            }
            if (negativeExponent) {
                exponent = -exponent;
            }
        }
    }

    // value = 0.<digits> × 10^point
    const auto firstSignificant = digits.find_first_not_of('0');
    if (firstSignificant == std::string::npos) {
        return 0;
    }
    int64_t point =
        static_cast<int64_t>(integerDigits) + exponent - static_cast<int64_t>(firstSignificant);
    digits.erase(0, firstSignificant);
    if (point > 5) {
        return negative ? Smallest : Largest; // at least 100000
    }
    if (point < 0) {
        return 0; // below 0.1
    }
    int64_t magnitude = 0;
    for (int64_t i = 0; i < point; ++i) {
        const auto index = static_cast<std::size_t>(i);
        magnitude = magnitude * 10 + (index < digits.size() ? digits[index] - '0' : 0);
    }
    const auto fractionAt = static_cast<std::size_t>(point);
    if (fractionAt < digits.size()) {
        const char first = digits[fractionAt];
        const bool beyondHalf = digits.find_first_not_of('0', fractionAt + 1) != std::string::npos;
        if (first > '5' || (first == '5' && (beyondHalf || magnitude % 2 == 1))) {
            ++magnitude;
        }
    }
    return clamped(negative, magnitude);
}

int16_t readInteger(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    text.remove_prefix(at);
    if (auto prefixed = readPrefixed(text, negative)) {
        return *prefixed;
    }
    return readDecimal(text, negative);
}

/// A value as the store delivered it (`read` is the store's result) in its kind's form: a text
/// with its NUL, bytes with a NUL after them, a number. -1 for a kind the layer does not know.
int32_t valueOf(int32_t read, uint32_t kind, std::string bytes, RegValue& out) {
    if (read != regresult::Success) {
        return read;
    }
    switch (kind) {
    case platform::REG_SZ:
        out = std::move(bytes);
        return read;
    case platform::REG_BINARY: {
        std::vector<uint8_t> data(bytes.begin(), bytes.end());
        data.push_back(0);
        out = std::move(data);
        return read;
    }
    case platform::REG_DWORD: {
        // Read into a number's four bytes: a longer value does not fit them.
        int32_t number = 0;
        if (bytes.size() > sizeof number) {
            return regresult::MoreData;
        }
        std::memcpy(&number, bytes.data(), bytes.size());
        out = number;
        return read;
    }
    default:
        return -1;
    }
}

/// What a setting reads as: the value as text, with the escapes of NUL and 1 undone when
/// `escaped`.
std::string settingText(RegValue&& value, bool escaped) {
    auto* held = std::get_if<std::string>(&value);
    std::string text = held != nullptr ? std::move(*held) : textOf(value);
    // Both escapes begin with byte 1: a text without one has nothing to undo.
    if (escaped && text.find(One) != std::string::npos) {
        text = replaceAll(replaceAll(text, EscapedNul, Nul), EscapedOne, One);
    }
    return text;
}

/// The value at `keyPath`, cleaned when `clean`; nothing when it cannot be read. The store's
/// result: the opening's when the key did not open, else the reading's.
int32_t queryValue(HKEY root, const std::string& keyPath, const std::string& valueName, bool clean,
                   RegValue& value) {
    uint32_t kind = 0;
    std::string bytes;
    value = std::monostate{};
    const int32_t read = passOn("QueryValueEx&", [&] {
        return threadRegistry().ReadValue(root, keyPath, valueName, kind, bytes);
    });
    const int32_t result = valueOf(read, kind, std::move(bytes), value);
    if (clean) {
        if (auto* text = std::get_if<std::string>(&value)) {
            value = Cleaned(std::move(*text));
        }
    }
    return result;
}

} // namespace

int32_t ReadRegSetting(const std::string& valueName, const std::string& section, bool escaped,
                       std::string& text, HKEY root) {
    return passOn("GetRegSetting&", [&] {
        const std::string keyPath = apartment().regRoot + "\\" + section;
        RegValue value;
        const int32_t result = passOn(
            "Reg_QueryValue&", [&] { return queryValue(root, keyPath, valueName, true, value); });
        text = settingText(std::move(value), escaped);
        return result;
    });
}

int32_t ReadRegSettings(const std::string& section, bool escaped,
                        const std::function<void(std::string& name, std::string& text)>& each,
                        HKEY root) {
    return passOn("ReadRegSettings&", [&] {
        return threadRegistry().ReadValues(
            root, apartment().regRoot + "\\" + section, [&](platform::StoredValue& v) {
                RegValue value;
                if (v.kind == platform::REG_SZ) {
                    // A text, cleaned as every setting's text is (its terminating NUL too).
                    std::erase(v.bytes, '\0');
                    value = std::move(v.bytes);
                } else {
                    valueOf(regresult::Success, v.kind, std::move(v.bytes), value);
                }
                std::string text = settingText(std::move(value), escaped);
                each(v.name, text);
            });
    });
}

int32_t DeleteRegSettings(const std::string& section, int32_t& removed, HKEY root) {
    return passOn("DeleteRegSettings&", [&] {
        return threadRegistry().DeleteValues(root, apartment().regRoot + "\\" + section, removed);
    });
}

std::string GetRegSetting(const std::string& valueName, const std::string& defaultValue,
                          const std::string& section, bool escaped, HKEY root) {
    std::string text;
    ReadRegSetting(valueName, section, escaped, text, root);
    return text.empty() ? defaultValue : text;
}

bool SetRegSetting(std::string valueName, const std::string& valueText, const std::string& section,
                   bool escaped, HKEY root) {
    return passOn("SetRegSetting&", [&] {
        std::string text = valueText;
        if (escaped) {
            text = replaceAll(replaceAll(text, One, EscapedOne), Nul, EscapedNul);
        }
        const std::string keyPath = apartment().regRoot + "\\" + section;
        return RegSetKeyValue(root, keyPath, valueName, text, platform::REG_SZ, true) ==
               regresult::Success;
    });
}

int16_t MakeInteger(const std::string& text) noexcept {
    // A remembered answer is a button's number: up to four plain digits need none of the general
    // reading (signs, blanks, prefixes, fractions, overflow), and a listing reads a million.
    if (!text.empty() && text.size() <= 4 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        int value = 0;
        for (const char c : text) {
            value = value * 10 + (c - '0');
        }
        return static_cast<int16_t>(value);
    }
    return orResult<int16_t>(0, [&] { return readInteger(text); });
}

RegValue Reg_QueryValue(HKEY root, const std::string& keyPath, const std::string& valueName,
                        bool clean) {
    return passOn("Reg_QueryValue&", [&] {
        RegValue value;
        queryValue(root, keyPath, valueName, clean, value);
        return value;
    });
}

int32_t RegSetKeyValue(HKEY root, const std::string& keyPath, const std::string& valueName,
                       const RegValue& value, int32_t kind, bool create) {
    return passOn("RegSetKeyValue&", [&] {
        Registry& registry = threadRegistry();
        KeyHandle key(registry);
        const int32_t opened =
            create ? registry.RegCreateKeyExA(root, keyPath, platform::KEY_WRITE_ALL, key.handle)
                   : registry.RegOpenKeyExA(root, keyPath, platform::KEY_WRITE_ALL, key.handle);
        if (opened != regresult::Success) {
            return opened;
        }
        return SetValueEx(key.handle, valueName, kind, value);
    });
}

int32_t RegDeleteKeyValue(HKEY root, const std::string& keyPath, const std::string& valueName) {
    return passOn("RegDeleteKeyValue&", [&] {
        Registry& registry = threadRegistry();
        KeyHandle key(registry);
        const int32_t opened =
            registry.RegOpenKeyExA(root, keyPath, platform::KEY_WRITE_ALL, key.handle);
        if (opened != regresult::Success) {
            return opened;
        }
        return registry.RegDeleteValueA(key.handle, valueName);
    });
}

int32_t QueryValueEx(HKEY key, const std::string& valueName, RegValue& out) {
    return passOn("QueryValueEx&", [&]() -> int32_t {
        Registry& registry = threadRegistry();
        uint32_t kind = 0;
        uint32_t size = 0;
        int32_t result = registry.RegQueryValueExA(key, valueName, kind, nullptr, size);
        if (result != regresult::Success) {
            return result;
        }
        std::string bytes(size, '\0');
        result = registry.RegQueryValueExA(key, valueName, kind,
                                           reinterpret_cast<uint8_t*>(bytes.data()), size);
        bytes.resize(std::min<std::size_t>(size, bytes.size()));
        return valueOf(result, kind, std::move(bytes), out);
    });
}

int32_t SetValueEx(HKEY key, const std::string& valueName, int32_t kind, const RegValue& value) {
    return passOn("SetValueEx&", [&]() -> int32_t {
        Registry& registry = threadRegistry();
        switch (kind) {
        case platform::REG_SZ: {
            // Counted text without a terminating NUL.
            const std::string text = textOf(value);
            return registry.RegSetValueExA(key, valueName, platform::REG_SZ,
                                           reinterpret_cast<const uint8_t*>(text.data()),
                                           byteCount(text.size()));
        }
        case platform::REG_DWORD: {
            const int32_t number = numberOf(value);
            uint8_t bytes[4];
            std::memcpy(bytes, &number, sizeof bytes);
            return registry.RegSetValueExA(key, valueName, platform::REG_DWORD, bytes, 4);
        }
        case platform::REG_BINARY: {
            const std::vector<uint8_t> bytes = bytesOf(value);
            return registry.RegSetValueExA(key, valueName, platform::REG_BINARY, bytes.data(),
                                           byteCount(bytes.size()));
        }
        default:
            return regresult::InvalidParameter;
        }
    });
}

std::string Cleaned(std::string text) {
    return passOn("Cleaned&", [&] {
        text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
        return std::move(text);
    });
}

} // namespace qvMsgErr

#include "platform/utf16.h"

#include "platform/utf8.h"

namespace qvMsgErr::platform {

namespace {

void appendUnit(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

/// The code point at `i` of `utf8` when it starts a well-formed sequence (advancing `i`), else
/// nullopt (leaving `i`).
std::optional<char32_t> wellFormedAt(std::string_view utf8, std::size_t& i) {
    std::size_t next = i;
    const char32_t c = nextCodePoint(utf8, next);
    // nextCodePoint gives U+FFFD for an ill-formed sequence; a real U+FFFD is EF BF BD.
    if (c == kReplacementCharacter && utf8.substr(i, next - i) != "\xEF\xBF\xBD") {
        return std::nullopt;
    }
    i = next;
    return c;
}

template <class Unpaired> std::string decode(std::u16string_view utf16, Unpaired&& unpaired) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char32_t unit = utf16[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] < 0xE000) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit < 0xE000) {
            unpaired(out, unit);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

} // namespace

std::optional<std::u16string> toUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = wellFormedAt(utf8, i);
        if (!c) {
            return std::nullopt;
        }
        appendUnit(out, *c);
    }
    return out;
}

std::u16string toUtf16Replaced(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        appendUnit(out, nextCodePoint(utf8, i));
    }
    return out;
}

std::string fromUtf16(std::u16string_view utf16) {
    return decode(utf16,
                  [](std::string& out, char32_t) { appendUtf8(out, kReplacementCharacter); });
}

std::u16string toUtf16Escaped(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        if (const auto c = wellFormedAt(bytes, i)) {
            appendUnit(out, *c);
        } else {
            out += static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i]));
            ++i;
        }
    }
    return out;
}

std::string fromUtf16Escaped(std::u16string_view utf16) {
    return decode(utf16, [](std::string& out, char32_t unit) {
        if (unit >= 0xDC80 && unit <= 0xDCFF) {
            out += static_cast<char>(unit - 0xDC00);
        } else {
            appendUtf8(out, kReplacementCharacter);
        }
    });
}

} // namespace qvMsgErr::platform

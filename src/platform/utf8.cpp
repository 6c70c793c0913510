#include "platform/utf8.h"

namespace qvMsgErr::platform {

char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i++]);
    if (lead < 0x80) {
        return lead;
    }
    int trail = 0;
    char32_t cp = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the next byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        cp = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        cp = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        cp = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return kReplacementCharacter;
    }
    for (; trail > 0; --trail) {
        if (i >= s.size()) {
            return kReplacementCharacter;
        }
        const auto next = static_cast<unsigned char>(s[i]);
        if (next < low || next > high) {
            return kReplacementCharacter;
        }
        cp = (cp << 6) | (next & 0x3Fu);
        low = 0x80;
        high = 0xBF;
        ++i;
    }
    return cp;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t controlPicture(char32_t c) {
    if (c < 0x20) {
        return 0x2400 + c;
    }
    return c == 0x7F ? 0x2421 : c;
}

std::string withVisibleControls(std::string_view text) {
    constexpr char32_t kNewlinePicture = 0x2424;
    // NEL (C2 85), LINE SEPARATOR (E2 80 A8) and PARAGRAPH SEPARATOR (E2 80 A9).
    constexpr std::string_view kNel("\xC2\x85"), kLineSeparator("\xE2\x80\xA8"),
        kParagraphSeparator("\xE2\x80\xA9");
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::string_view rest = text.substr(i);
        if (byte < 0x20 || byte == 0x7F) {
            appendUtf8(out, controlPicture(byte));
            ++i;
        } else if (rest.starts_with(kNel)) {
            appendUtf8(out, kNewlinePicture);
            i += kNel.size();
        } else if (rest.starts_with(kLineSeparator) || rest.starts_with(kParagraphSeparator)) {
            appendUtf8(out, kNewlinePicture);
            i += kLineSeparator.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

} // namespace qvMsgErr::platform

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

} // namespace qvMsgErr::platform

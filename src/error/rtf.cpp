// The rich-text form of a saved report. Written by hand so that every byte of the document's text
// goes through one escaping routine: whatever the text holds, it can only ever become text.
#include "error/report.h"

#include "platform/utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <unordered_map>

namespace qvMsgErr::error {

namespace {

/// Word's largest left indent, 22 inches; readers reject or clip larger ones.
constexpr long kMaxIndent = 31680;

void appendNumber(std::string& out, long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

/// One UTF-16 unit as \uN with N signed, followed by the "?" that readers without Unicode show.
void appendUnit(std::string& out, char32_t unit) {
    out += "\\u";
    appendNumber(out, static_cast<int16_t>(static_cast<uint16_t>(unit)));
    out += '?';
}

/// A code point of text, other than tab and line breaks.
void appendCharacter(std::string& out, char32_t c) {
    if (c >= 0x20 && c < 0x7F) {
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
        }
        out += static_cast<char>(c);
        return;
    }
    c = platform::controlPicture(c);
    if (c >= 0x10000) {
        c -= 0x10000;
        appendUnit(out, 0xD800 + (c >> 10));
        appendUnit(out, 0xDC00 + (c & 0x3FF));
    } else {
        appendUnit(out, c);
    }
}

/// A font name ends at ";" in the font table and has no use for control characters: both go.
void appendFontName(std::string& out, std::string_view name) {
    for (std::size_t i = 0; i < name.size();) {
        const char32_t c = platform::nextCodePoint(name, i);
        if (c != ';' && c >= 0x20 && c != 0x7F) {
            appendCharacter(out, c);
        }
    }
}

long halfPoints(float points) {
    if (!std::isfinite(points)) {
        return 24;
    }
    return std::clamp(std::lround(std::clamp(points, 0.0f, 16384.0f) * 2), 1L, 32767L);
}

long twips(float value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    return std::clamp(std::lround(std::clamp(value, -65536.0f, 65536.0f)), -kMaxIndent, kMaxIndent);
}

/// The left indent of every paragraph: the first nonzero indent among the runs that touch it.
/// A line break belongs to the paragraph it ends; CR LF is one break, even across two runs.
std::vector<long> paragraphIndents(const platform::FormattedDocument& document) {
    std::vector<long> indents(1, 0);
    bool afterCr = false;
    for (const platform::TextRun& run : document) {
        const long indent = twips(run.leftIndent);
        for (const char c : run.text) {
            std::size_t owner = indents.size() - 1;
            bool ends = false;
            if (c == '\n' && afterCr) {
                owner = indents.size() - 2;
                afterCr = false;
            } else {
                ends = c == '\r' || c == '\n';
                afterCr = c == '\r';
            }
            if (indent != 0 && indents[owner] == 0) {
                indents[owner] = indent;
            }
            if (ends) {
                indents.push_back(0);
            }
        }
    }
    return indents;
}

} // namespace

std::string rtfDocument(const platform::FormattedDocument& document) {
    std::unordered_map<std::string_view, long> fontNumbers;
    std::vector<std::string_view> fonts;
    std::size_t textSize = 0;
    for (const platform::TextRun& run : document) {
        textSize += run.text.size();
        if (!run.text.empty() && fontNumbers.emplace(run.fontName, fonts.size()).second) {
            fonts.push_back(run.fontName);
        }
    }
    const platform::TextRun defaults;
    if (fonts.empty()) {
        fonts.push_back(defaults.fontName);
    }
    const std::vector<long> indents = paragraphIndents(document);

    std::string out;
    out.reserve(128 + textSize + textSize / 8 + 32 * fonts.size() + 24 * document.size());
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl";
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        out += "{\\f";
        appendNumber(out, static_cast<long>(i));
        out += "\\fnil\\fcharset0 ";
        appendFontName(out, fonts[i]);
        out += ";}";
    }
    out += "}\r\n";

    // Every control word written below is closed by a space, which readers swallow, so the text
    // after it can start with any character.
    std::size_t paragraph = 0;
    const auto beginParagraph = [&] {
        out += "\\pard";
        if (indents[paragraph] != 0) {
            out += "\\li";
            appendNumber(out, indents[paragraph]);
        }
        out += ' ';
    };
    beginParagraph();
    bool afterCr = false;
    for (const platform::TextRun& run : document) {
        if (run.text.empty()) {
            continue;
        }
        out += "\\f";
        appendNumber(out, fontNumbers.at(run.fontName));
        out += "\\fs";
        appendNumber(out, halfPoints(run.fontSize));
        out += run.bold ? "\\b " : "\\b0 ";
        const std::string_view text = run.text;
        for (std::size_t i = 0; i < text.size();) {
            const char c = text[i];
            if (c == '\n' && afterCr) {
                afterCr = false;
                ++i;
            } else if (c == '\r' || c == '\n') {
                afterCr = c == '\r';
                ++i;
                // Readers ignore CR and LF in RTF; they only keep the file readable.
                out += "\\par\r\n";
                ++paragraph;
                beginParagraph();
            } else if (c == '\t') {
                afterCr = false;
                ++i;
                out += "\\tab ";
            } else {
                afterCr = false;
                appendCharacter(out, platform::nextCodePoint(text, i));
            }
        }
    }
    out += '}';
    return out;
}

} // namespace qvMsgErr::error

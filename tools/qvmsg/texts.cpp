// What qvmsg does to the texts a script gives it before the library sees them: escapes, a width
// in characters, and a message read from standard input.
#include "cli.h"

#include <cerrno>

#include <unistd.h>

namespace qvmsg {

namespace {

bool continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

/// Characters (code points) in a well-formed `text`.
std::size_t characters(std::string_view text) {
    std::size_t n = 0;
    for (const char c : text) {
        n += continuation(c) ? 0 : 1;
    }
    return n;
}

} // namespace

std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '\\' && (next == 'n' || next == 't' || next == '\\')) {
            out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string brokenAt(const std::string& text, int32_t columns) {
    const auto width = static_cast<std::size_t>(columns);
    std::string out;
    std::size_t lineStart = 0;
    while (lineStart <= text.size()) {
        const std::size_t lineEnd = std::min(text.find('\n', lineStart), text.size());
        std::string_view line(text.data() + lineStart, lineEnd - lineStart);
        // Each piece ends at the last space that keeps it within the width; the space goes.
        while (characters(line) > width) {
            std::size_t cut = std::string_view::npos, count = 0;
            for (std::size_t i = 0; i < line.size() && count <= width; ++i) {
                if (line[i] == ' ') {
                    cut = i;
                }
                count += continuation(line[i]) ? 0 : 1;
            }
            if (cut == std::string_view::npos || cut == 0) {
                cut = line.find(' ', 1); // a word longer than the width: a line of its own
            }
            if (cut == std::string_view::npos) {
                break;
            }
            out.append(line.substr(0, cut)) += '\n';
            line.remove_prefix(cut + 1);
        }
        out.append(line);
        if (lineEnd == text.size()) {
            break;
        }
        out += '\n';
        lineStart = lineEnd + 1;
    }
    return out;
}

std::string wellFormed(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        bool valid = length != 0 && c < 0xF5 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = continuation(text[i + k]);
        }
        // Overlong three- and four-byte forms and UTF-16 surrogates are not UTF-8 either.
        const auto second = valid && length > 1 ? static_cast<unsigned char>(text[i + 1]) : 0;
        valid = valid && !(c == 0xE0 && second < 0xA0) && !(c == 0xED && second >= 0xA0) &&
                !(c == 0xF0 && second < 0x90) && !(c == 0xF4 && second >= 0x90);
        if (valid) {
            out.append(text, i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::string readMessage(int fd, bool& cut) {
    // One byte past the limit tells whether there is more; the rest is never read, so that an
    // endless writer (`yes | qvmsg -`) cannot keep qvmsg from showing its window.
    std::string text(kInputLimit + 1, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const ssize_t got = ::read(fd, text.data() + size, text.size() - size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw BadInput("cannot read the message from standard input");
        }
        if (got == 0) {
            break;
        }
        size += static_cast<std::size_t>(got);
    }
    text.resize(size);
    if (text.find('\0') != std::string::npos) {
        throw BadInput("standard input holds a NUL byte: the message must be text");
    }
    cut = size > kInputLimit;
    text = wellFormed(text);
    if (cut) {
        std::size_t end = kInputLimit;
        while (end > 0 && continuation(text[end])) {
            --end; // not inside a character
        }
        text.resize(end);
        text += "\xE2\x80\xA6"; // …
    }
    // As `$(…)` does: the line break that ends the last line is no part of the message.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        throw BadInput("the message on standard input is empty");
    }
    return text;
}

} // namespace qvmsg

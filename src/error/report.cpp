#include "error/report.h"

#include <qvMsgErr/RunTimeError.h>

#include "platform/utf8.h"
#include "support/failure.h"
#include "support/utilities.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>
#include <utility>

namespace qvMsgErr::error {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kBodyFont = "Times New Roman";
constexpr float kBodySize = 12;
constexpr const char* kHeadingFont = "Arial";
constexpr float kHeadingSize = 14;
/// Left indent of the details paragraphs, in twips.
constexpr float kDetailsIndent = 250;

bool isBreak(char c) {
    return c == '\r' || c == '\n';
}

/// Joins neighbouring spans of equal formatting and drops empty ones. Moves only, so it cannot
/// fail halfway.
template <class Spans> void mergeSpans(Spans& spans) noexcept {
    auto out = spans.begin();
    for (auto in = spans.begin(); in != spans.end(); ++in) {
        if (in->length == 0) {
            continue;
        }
        if (out != spans.begin() && std::prev(out)->format == in->format) {
            std::prev(out)->length += in->length;
        } else {
            if (out != in) {
                *out = std::move(*in);
            }
            ++out;
        }
    }
    spans.erase(out, spans.end());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// ComposingArea
// ---------------------------------------------------------------------------------------------

void ComposingArea::clear() {
    // Assigning fresh objects gives the memory of a large report back at once.
    text_ = std::string();
    spans_ = std::vector<Span>();
    selStart_ = selLength_ = 0;
    pending_ = Format{};
    havePending_ = false;
}

platform::FormattedDocument ComposingArea::document() const {
    platform::FormattedDocument runs;
    std::size_t offset = 0;
    const Format* previous = nullptr;
    for (const Span& span : spans_) {
        if (previous != nullptr && *previous == span.format) {
            runs.back().text.append(text_, offset, span.length);
        } else {
            platform::TextRun& run = runs.emplace_back();
            run.text = text_.substr(offset, span.length);
            run.fontName = span.format.fontName;
            run.fontSize = span.format.fontSize;
            run.bold = span.format.bold;
            run.leftIndent = span.format.leftIndent;
        }
        previous = &span.format;
        offset += span.length;
    }
    return runs;
}

void ComposingArea::select(std::size_t start, std::size_t length) {
    start = std::min(start, text_.size());
    length = std::min(length, text_.size() - start);
    // Formatting chosen for the insertion point belongs to that point: it is dropped when the
    // point moves or text gets selected, kept when the point is set where it already is.
    if (start != selStart_ || length != 0 || selLength_ != 0) {
        havePending_ = false;
    }
    selStart_ = start;
    selLength_ = length;
}

void ComposingArea::insert(const std::string& text) {
    const std::size_t start = selStart_;
    const std::size_t removed = selLength_;
    if (text.empty() && removed == 0) {
        return;
    }
    // Formatting is only ever pending with nothing selected (select() drops it otherwise).
    Format format = havePending_ ? pending_ : formatBefore(start);

    // Whatever can fail comes before the text changes: splitting a span alters no formatting, and
    // with the capacity reserved the span updates below only move elements.
    spans_.reserve(spans_.size() + 3);
    splitAt(start);
    splitAt(start + removed);
    text_.replace(start, removed, text);

    auto first = spans_.begin();
    for (std::size_t offset = 0; first != spans_.end() && offset < start; ++first) {
        offset += first->length;
    }
    auto last = first;
    for (std::size_t gone = 0; last != spans_.end() && gone < removed; ++last) {
        gone += last->length;
    }
    first = spans_.erase(first, last);
    if (!text.empty()) {
        spans_.insert(first, Span{text.size(), std::move(format)});
    }
    mergeSpans(spans_);

    selStart_ = start + text.size();
    selLength_ = 0;
    havePending_ = false;
}

void ComposingArea::setSelectionFont(const std::string& name, float size) {
    formatSelection([&](Format& f) {
        f.fontName = name;
        f.fontSize = size;
    });
}

void ComposingArea::setSelectionBold(bool bold) {
    formatSelection([bold](Format& f) { f.bold = bold; });
}

void ComposingArea::setSelectionIndent(float twips) {
    const auto indent = [twips](Format& f) { f.leftIndent = twips; };
    // An indent belongs to whole paragraphs, so the range grows to the paragraphs' ends.
    const std::size_t begin = paragraphStart(selStart_);
    const std::size_t end =
        selLength_ == 0 ? paragraphEnd(selStart_) : paragraphEnd(selStart_ + selLength_ - 1);
    if (selLength_ == 0) {
        formatSelection(indent);
    }
    formatRange(begin, end, indent);
}

template <class Change> void ComposingArea::formatSelection(Change change) {
    if (selLength_ == 0) {
        if (!havePending_) {
            pending_ = formatBefore(selStart_);
            havePending_ = true;
        }
        change(pending_);
        return;
    }
    formatRange(selStart_, selStart_ + selLength_, change);
}

template <class Change>
void ComposingArea::formatRange(std::size_t begin, std::size_t end, Change change) {
    if (begin >= end) {
        return;
    }
    splitAt(begin);
    splitAt(end);
    std::size_t offset = 0;
    for (Span& span : spans_) {
        if (offset >= begin && offset < end) {
            change(span.format);
        }
        offset += span.length;
    }
    mergeSpans(spans_);
}

void ComposingArea::splitAt(std::size_t offset) {
    std::size_t begin = 0;
    for (std::size_t i = 0; i < spans_.size(); ++i) {
        const std::size_t end = begin + spans_[i].length;
        if (offset <= begin) {
            return;
        }
        if (offset < end) {
            Span tail{end - offset, spans_[i].format};
            spans_.insert(spans_.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(tail));
            spans_[i].length = offset - begin;
            return;
        }
        begin = end;
    }
}

ComposingArea::Format ComposingArea::formatBefore(std::size_t offset) const {
    if (spans_.empty()) {
        return Format{};
    }
    // At the very start the first character lends its formatting, as in a rich-text control.
    std::size_t end = 0;
    for (const Span& span : spans_) {
        end += span.length;
        if (offset <= end) {
            return span.format;
        }
    }
    return spans_.back().format;
}

std::size_t ComposingArea::paragraphStart(std::size_t offset) const {
    offset = std::min(offset, text_.size());
    // The LF of a CR LF pair still belongs to the paragraph that its CR ends.
    if (offset > 0 && offset < text_.size() && text_[offset] == '\n' && text_[offset - 1] == '\r') {
        --offset;
    }
    while (offset > 0 && !isBreak(text_[offset - 1])) {
        --offset;
    }
    return offset;
}

std::size_t ComposingArea::paragraphEnd(std::size_t offset) const {
    const std::size_t breakAt = text_.find_first_of("\r\n", offset);
    if (breakAt == std::string::npos) {
        return text_.size();
    }
    std::size_t end = breakAt + 1;
    if (text_[breakAt] == '\r' && end < text_.size() && text_[end] == '\n') {
        ++end;
    }
    return end;
}

// ---------------------------------------------------------------------------------------------
// Composing procedures
// ---------------------------------------------------------------------------------------------

void InsertPrintText(ComposingArea& area, const std::string& TheText) {
    const std::size_t start = area.text().size();
    passOver({
        [&] { area.select(start, 0); },
        [&] { area.insert(TheText); },
        [&] { area.select(start, TheText.size()); },
    });
}

void SetPrintBodyFont(ComposingArea& area, bool Bold) {
    passOver({
        [&] { area.setSelectionFont(kBodyFont, kBodySize); },
        [&] { area.setSelectionBold(Bold); },
        [&] { area.select(area.text().size(), 0); },
    });
}

void SetPrintHeadingFont(ComposingArea& area, bool Bold) {
    passOver({
        [&] { area.setSelectionFont(kHeadingFont, kHeadingSize); },
        [&] {
            if (Bold) {
                area.setSelectionBold(true);
            }
        },
        [&] { area.select(area.text().size(), 0); },
    });
}

// ---------------------------------------------------------------------------------------------
// The report
// ---------------------------------------------------------------------------------------------

ReportValues reportValues(const ReportSource& source, const platform::Desktop& desktop) {
    ReportValues values;
    // TrimText shortens its argument too: the source stays as the dialog holds it.
    const auto trimmed = [](std::string text) { return TrimText(text); };
    passOver({
        [&] { values.date = desktop.dateTimeText(platform::DateFormat::LongDate); },
        [&] { values.time = desktop.dateTimeText(platform::DateFormat::ShortTime); },
        [&] {
            values.application = trimmed(source.appName);
            if (values.application.empty()) {
                values.application = desktop.productName();
            }
        },
        [&] { values.user = trimmed(source.userName); },
        [&] { values.activity = trimmed(source.activity); },
        [&] { values.description = trimmed(source.description); },
        [&] { values.details = trimmed(source.details); },
    });
    return values;
}

std::string GetReportText(const ReportValues& values) {
    const std::array<std::string_view, 23> parts = {
        "Error Report",
        " | ",
        "Date: ",
        values.date,
        " | ",
        "Time: ",
        values.time,
        " | ",
        "Application: ",
        values.application,
        " | ",
        "User: ",
        values.user,
        " | ",
        "Activity: ",
        values.activity,
        " | ",
        "Description: ",
        values.description,
        " | ",
        "Details: ",
        " | ",
        values.details,
    };
    std::size_t size = 0;
    for (const std::string_view part : parts) {
        size += part.size();
    }
    std::string text;
    text.reserve(size);
    for (const std::string_view part : parts) {
        text.append(part);
    }
    return text;
}

void BuildPrintReport(ComposingArea& area, const ReportValues& values) {
    static constexpr std::array<std::pair<const char*, std::string ReportValues::*>, 6> kFields = {{
        {"Date: ", &ReportValues::date},
        {"Time: ", &ReportValues::time},
        {"Application: ", &ReportValues::application},
        {"User: ", &ReportValues::user},
        {"Activity: ", &ReportValues::activity},
        {"Description: ", &ReportValues::description},
    }};
    passOver({
        [&] { area.clear(); },
        [&] { InsertPrintText(area, std::string("Error Report") + kCrLf + kCrLf); },
        [&] { SetPrintHeadingFont(area, true); },
    });
    for (const auto& field : kFields) {
        passOver({
            [&] { InsertPrintText(area, field.first); },
            [&] { SetPrintBodyFont(area, true); },
            [&] { InsertPrintText(area, values.*field.second + kCrLf + kCrLf); },
            [&] { SetPrintBodyFont(area, false); },
        });
    }
    passOver({
        [&] { InsertPrintText(area, std::string("Details: ") + kCrLf); },
        [&] { SetPrintBodyFont(area, true); },
        [&] { InsertPrintText(area, values.details); },
        [&] { area.setSelectionIndent(kDetailsIndent); },
        [&] { SetPrintBodyFont(area, false); },
    });
}

namespace {

/// The longest `mailto:` string handed to an opener: well under the 128 KiB that Linux allows one
/// argument, and under the 32,767 characters of a Windows command line, with room for the
/// opener to pass it on to the mail program inside a longer command.
constexpr std::size_t kMailtoLimit = 32000;
/// The application's name in the subject is cut after this many bytes; a subject is one header
/// line, and a name of a megabyte says nothing a shorter one does not.
constexpr std::size_t kSubjectNameLimit = 256;
constexpr std::string_view kEllipsis = "\u2026";
constexpr std::string_view kShortenedNote =
    "\r\n\r\n[This report was shortened to fit an e-mail. Use \"Save\" in the error dialog to "
    "write the whole report to a file and attach it.]";

bool isAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

/// A local part of dot-separated atoms and a host name of letter-digit-hyphen labels: nothing
/// that a `mailto:` would have to encode, so the address reaches the mail program as it was set.
bool isPlainAddress(std::string_view address) {
    const auto at = address.find('@');
    if (at == std::string_view::npos || address.size() > 254) {
        return false;
    }
    const std::string_view local = address.substr(0, at), domain = address.substr(at + 1);
    // Dot-separated parts of at most `longest` characters that `isPart` accepts.
    const auto dotted = [](std::string_view text, std::size_t longest, auto isPart) {
        if (text.empty() || text.front() == '.' || text.back() == '.' ||
            text.find("..") != std::string_view::npos) {
            return false;
        }
        for (std::size_t start = 0; start <= text.size();) {
            const auto end = std::min(text.find('.', start), text.size());
            const std::string_view part = text.substr(start, end - start);
            if (part.size() > longest || !std::all_of(part.begin(), part.end(), isPart)) {
                return false;
            }
            start = end + 1;
        }
        return true;
    };
    const auto atomChar = [](char c) {
        return isAsciiAlnum(c) || std::string_view("!$'*+-=_~").find(c) != std::string_view::npos;
    };
    const auto labelChar = [](char c) { return isAsciiAlnum(c) || c == '-'; };
    // A host name's labels neither begin nor end with a hyphen.
    return dotted(local, 64, atomChar) && dotted(domain, 63, labelChar) && domain.front() != '-' &&
           domain.back() != '-' && domain.find(".-") == std::string_view::npos &&
           domain.find("-.") == std::string_view::npos;
}

/// Valid UTF-8 for a header value: ill-formed bytes become U+FFFD, control characters spaces (a
/// subject is one line).
std::string subjectText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = platform::nextCodePoint(text, i);
        platform::appendUtf8(out, c < 0x20 || c == 0x7F ? U' ' : c);
    }
    return out;
}

/// Valid UTF-8 for a mail body: ill-formed bytes become U+FFFD, every line break CR LF (as mail
/// requires), other control characters but the tab their visible pictures.
std::string bodyText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = platform::nextCodePoint(text, i);
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i < text.size() && text[i] == '\n') {
                ++i;
            }
        } else {
            platform::appendUtf8(out, c == '\t' ? c : platform::controlPicture(c));
        }
    }
    return out;
}

/// Appends `text` percent-encoded as a `mailto:` header value: the unreserved characters of URIs
/// stay, every other byte becomes %XX. A character (a CR LF counts as one) that would take `out`
/// past `limit` bytes is not appended, nor anything after it. False when `text` did not fit.
bool appendEncoded(std::string& out, std::string_view text, std::size_t limit) {
    constexpr char kHex[] = "0123456789ABCDEF";
    const auto plain = [](char c) {
        return isAsciiAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
    };
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i + 1;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
        if (text[i] == '\r' && end < text.size() && text[end] == '\n') {
            ++end;
        }
        std::size_t size = 0;
        for (std::size_t k = i; k < end; ++k) {
            size += plain(text[k]) ? 1 : 3;
        }
        if (out.size() + size > limit) {
            return false;
        }
        for (; i < end; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if (plain(text[i])) {
                out += text[i];
            } else {
                out += '%';
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
            }
        }
    }
    return true;
}

/// The beginning of valid UTF-8 `text`, at most `limit` bytes, ending on a whole character.
std::string_view cutAt(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80) {
        --limit;
    }
    return text.substr(0, limit);
}

} // namespace

std::string mailtoAddress(const std::string& supportEmail, const std::string& appName,
                          const std::string& reportText) {
    // The report is text to the mail program, never part of the link's structure: a "&cc=" or a
    // "#" in it must not add a recipient or cut the report off.
    if (!isPlainAddress(supportEmail)) {
        throw RunTimeError(err::InvalidCall);
    }
    constexpr std::size_t kUnlimited = std::string::npos;
    std::string address = "mailto:" + supportEmail + "?subject=";
    const std::string name = subjectText(appName);
    std::string subject = " ";
    subject.append(cutAt(name, kSubjectNameLimit));
    if (subject.size() - 1 < name.size()) {
        subject.append(kEllipsis);
    }
    subject.append(" error report ");
    appendEncoded(address, subject, kUnlimited);
    address.append("&body=");

    const std::string body = bodyText(reportText);
    const std::size_t bodyStart = address.size();
    if (!appendEncoded(address, body, kMailtoLimit)) {
        std::string note;
        appendEncoded(note, kShortenedNote, kUnlimited);
        address.resize(bodyStart);
        appendEncoded(address, body, kMailtoLimit - note.size());
        address.append(note);
    }
    return address;
}

std::string plainText(const platform::FormattedDocument& document) {
    std::size_t size = 0;
    for (const platform::TextRun& run : document) {
        size += run.text.size();
    }
    std::string text;
    text.reserve(size);
    for (const platform::TextRun& run : document) {
        text.append(run.text);
    }
    return text;
}

} // namespace qvMsgErr::error

// The headless desktop's text metrics and its virtual clock.
#include "platform/headless/headless_p.h"

#include "platform/utf8.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace qvMsgErr::headless::detail {

namespace {

/// Where each code point of `text` starts, then its size (a stray byte counts as one).
std::vector<std::size_t> codePointStarts(const std::string& text) {
    std::vector<std::size_t> starts;
    starts.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size();) {
        starts.push_back(i);
        platform::nextCodePoint(text, i);
    }
    starts.push_back(text.size());
    return starts;
}

std::size_t codePointCount(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        platform::nextCodePoint(text, i);
    }
    return count;
}

std::vector<std::string> hardLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

void wrapInto(const std::string& line, std::size_t perLine, std::vector<std::string>& out) {
    // Code points are addressed by where they start, not copied one by one: a mebibyte word
    // would otherwise be a million strings.
    const auto at = codePointStarts(line);
    const std::size_t count = at.size() - 1;
    const auto space = [&](std::size_t i) { return at[i + 1] - at[i] == 1 && line[at[i]] == ' '; };
    const auto piece = [&](std::size_t from, std::size_t to) {
        return line.substr(at[from], at[to] - at[from]);
    };
    std::size_t start = 0;
    while (count - start > perLine) {
        // The break goes at the last space that leaves at most perLine characters before it;
        // a space right after a full line counts, since the space itself is not shown.
        std::size_t breakAt = 0;
        for (std::size_t i = start + perLine; i > start; --i) {
            if (space(i)) {
                breakAt = i;
                break;
            }
        }
        if (breakAt == 0) {
            out.push_back(piece(start, start + perLine));
            start += perLine;
            continue;
        }
        std::size_t end = breakAt;
        while (end > start && space(end - 1)) {
            --end;
        }
        out.push_back(piece(start, end));
        start = breakAt;
        while (start < count && space(start)) {
            ++start;
        }
    }
    if (start < count) {
        out.push_back(piece(start, count));
    }
}

} // namespace

std::vector<std::string> labelLines(const std::string& caption, bool wordWrap, float width,
                                    float scale) {
    auto lines = hardLines(caption);
    if (!wordWrap) {
        return lines;
    }
    const auto perLine = std::max<std::size_t>(
        1, static_cast<std::size_t>(std::max(0.0f, width) / (kCharWidth * scale)));
    std::vector<std::string> wrapped;
    for (const auto& line : lines) {
        const std::size_t before = wrapped.size();
        wrapInto(line, perLine, wrapped);
        if (wrapped.size() == before) {
            wrapped.emplace_back();
        }
    }
    return wrapped;
}

TextSize labelSize(const std::string& caption, bool wordWrap, float width, float scale) {
    const auto lines = labelLines(caption, wordWrap, width, scale);
    std::size_t longest = 0;
    for (const auto& line : lines) {
        longest = std::max(longest, codePointCount(line));
    }
    return {wordWrap ? width : static_cast<float>(longest) * kCharWidth * scale,
            static_cast<float>(lines.size()) * kLineHeight * scale};
}

namespace {

constexpr Millis kMillisPerDay = 86'400'000;

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12; the day may be out of range).
std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    std::int64_t year;
    int month, day; // 1-based
};

Civil civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const auto day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const auto month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2), month, day};
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

} // namespace

Millis clockFrom(const std::tm& local) {
    std::int64_t year = 1900 + static_cast<std::int64_t>(local.tm_year);
    std::int64_t month = local.tm_mon;
    year += floorDiv(month, 12);
    month -= floorDiv(month, 12) * 12;
    const std::int64_t days = daysFromCivil(year, month + 1, local.tm_mday);
    const std::int64_t seconds = static_cast<std::int64_t>(local.tm_hour) * 3600 +
                                 static_cast<std::int64_t>(local.tm_min) * 60 + local.tm_sec;
    return days * kMillisPerDay + seconds * 1000;
}

std::string dateTimeText(Millis clock, platform::DateFormat format) {
    static constexpr std::array<const char*, 7> kWeekdays = {
        "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    static constexpr std::array<const char*, 12> kMonths = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};

    const std::int64_t days = floorDiv(clock, kMillisPerDay);
    const std::int64_t secondOfDay = (clock - days * kMillisPerDay) / 1000;
    const Civil date = civilFromDays(days);
    const int hour = static_cast<int>(secondOfDay / 3600);
    const int minute = static_cast<int>(secondOfDay / 60 % 60);
    const int second = static_cast<int>(secondOfDay % 60);

    char buffer[96];
    switch (format) {
    case platform::DateFormat::GeneralDate: {
        const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
        std::snprintf(buffer, sizeof buffer, "%d/%d/%lld %d:%02d:%02d %s", date.month, date.day,
                      static_cast<long long>(date.year), hour12, minute, second,
                      hour < 12 ? "AM" : "PM");
        break;
    }
    case platform::DateFormat::LongDate: {
        // 1970-01-01 was a Thursday.
        const auto weekday = static_cast<std::size_t>(days + 4 - floorDiv(days + 4, 7) * 7);
        std::snprintf(buffer, sizeof buffer, "%s, %s %d, %lld", kWeekdays[weekday],
                      kMonths[static_cast<std::size_t>(date.month - 1)], date.day,
                      static_cast<long long>(date.year));
        break;
    }
    case platform::DateFormat::ShortTime:
        std::snprintf(buffer, sizeof buffer, "%02d:%02d", hour, minute);
        break;
    }
    return buffer;
}

} // namespace qvMsgErr::headless::detail

// The error report: the composing area and its procedures, the e-mailed text and the formatted
// report, and the RTF writer (escaping, structure and formatting on the raw bytes).
#include "error/report.h"

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/headless.h>

#include "pinned_clock.h"
#include "table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <tuple>

namespace qvMsgErr::error {
namespace {

using namespace std::string_literals;

// --- The composing area and the report -----------------------------------------------------------

/// The area as "run|run|@start+length", a run as "A14 b li250:text" (font initial, size, bold,
/// indent); CR LF shows as "/".
std::string show(const ComposingArea& area) {
    std::ostringstream s;
    for (const platform::TextRun& r : area.document()) {
        s << r.fontName.substr(0, 1) << r.fontSize << (r.bold ? " b" : "");
        if (r.leftIndent != 0) {
            s << " li" << r.leftIndent;
        }
        s << ':' << std::regex_replace(r.text, std::regex("\r\n"), "/") << '|';
    }
    s << '@' << area.selectionStart() << '+' << area.selectionLength();
    return s.str();
}

/// Runs `steps` on `area`, separated by "|": "+text" inserts (with "/" for CR LF), "@s,l"
/// selects, "B1"/"B0" sets bold, "A" the font Arial 14, "I<twips>" the indent, "C" clears;
/// "Ptext", "H1"/"H0" and "T1"/"T0" call InsertPrintText, SetPrintHeadingFont and
/// SetPrintBodyFont.
void run(ComposingArea& area, const std::string& steps) {
    using Arg = const std::string&;
    const std::map<char, std::function<void(Arg)>> actions = {
        {'+', [&](Arg a) { area.insert(std::regex_replace(a, std::regex("/"), "\r\n")); }},
        {'@', [&](Arg a) { area.select(std::stoul(a), std::stoul(a.substr(a.find(',') + 1))); }},
        {'B', [&](Arg a) { area.setSelectionBold(a == "1"); }},
        {'A', [&](Arg) { area.setSelectionFont("Arial", 14); }},
        {'I', [&](Arg a) { area.setSelectionIndent(std::stof(a)); }},
        {'C', [&](Arg) { area.clear(); }},
        {'P', [&](Arg a) { InsertPrintText(area, a); }},
        {'H', [&](Arg a) { SetPrintHeadingFont(area, a == "1"); }},
        {'T', [&](Arg a) { SetPrintBodyFont(area, a == "1"); }},
    };
    std::istringstream in(steps);
    for (std::string step; std::getline(in, step, '|');) {
        actions.at(step[0])(step.substr(1));
    }
}

/// Rows of "name | steps | the area shown after them", steps as run() reads them.
TEST(ComposingArea, RunsAndSelection) {
    for (const auto& row : qvtest::readTable("composing-area.txt")) {
        ComposingArea area;
        run(area, row.at(1));
        EXPECT_EQ(show(area), row.at(2)) << row.at(0);
    }
}

class Report : public ::testing::Test {
protected:
    void SetUp() override { qvtest::pinClock(desktop); }
    headless::HeadlessDesktop desktop;
    ReportSource source{"  App  \r\n", " user ", "act\r\n", "desc\0"s,
                        "  line 1\r\nline 2 \r\n\r\n"};
};

/// The subject and body of a `mailto:` link to `to` that follows the encoding rules byte for
/// byte: "mailto:", the address, "?subject=", "&body=", and between them only unreserved
/// characters and %XX with upper-case hex digits. Fails the test otherwise.
std::pair<std::string, std::string> parseMailto(const std::string& link, const std::string& to) {
    const std::string head = "mailto:" + to + "?subject=";
    const auto body = link.find("&body=");
    if (!link.starts_with(head) || body == std::string::npos) {
        ADD_FAILURE() << "not a mailto to " << to << ": " << link.substr(0, 300);
        return {};
    }
    const auto decoded = [&](std::size_t from, std::size_t end) {
        std::string out;
        for (std::size_t i = from; i < end; ++i) {
            const char c = link[i];
            if (c == '%' && i + 2 < end && std::isxdigit(link[i + 1]) &&
                std::isxdigit(link[i + 2]) && !std::islower(link[i + 1]) &&
                !std::islower(link[i + 2])) {
                out += static_cast<char>(std::stoi(link.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' ||
                       c == '_' || c == '~') {
                out += c;
            } else {
                ADD_FAILURE() << "'" << c << "' at " << i << " is neither unreserved nor %XX";
                return out;
            }
        }
        return out;
    };
    return {decoded(head.size(), body), decoded(body + 6, link.size())};
}

TEST_F(Report, TheEmailCarriesExactlyTheReportToExactlyTheAddress) {
    // Hostile texts in every field stay text: the same single recipient, no other header, the
    // report whole (the rows use CR LF, which the body keeps) unless too long for an opener.
    const std::string hostile[] = {
        "x&cc=someone@example.org&bcc=b@example.org&attach=/etc/passwd",
        "cut # here ? subject=Hi & body=Bye %41%0D%0A %zz",
        "line\r\nBcc: c@example.org\r\n\r\nbody & = ? # %",
        std::string(1 << 20, '&'),
    };
    for (const std::string& text : hostile) {
        for (std::string ReportSource::*field :
             {&ReportSource::appName, &ReportSource::userName, &ReportSource::activity,
              &ReportSource::description, &ReportSource::details}) {
            ReportSource s = source;
            s.*field = text;
            const ReportValues values = reportValues(s, desktop);
            const std::string report = GetReportText(values);
            const std::string link = mailtoAddress("help@example.com", values.application, report);
            EXPECT_LE(link.size(), 32000U);
            const auto [subject, body] = parseMailto(link, "help@example.com");
            if (field != &ReportSource::appName) {
                EXPECT_EQ(subject, " App error report ");
            } else if (text.size() < 256) {
                EXPECT_EQ(subject, " " + std::regex_replace(text, std::regex("[\r\n]"), " ") +
                                       " error report ");
            }
            if (report.size() < 10000) {
                EXPECT_EQ(body, report);
            }
        }
    }
}

TEST_F(Report, TheEmailBodyIsMailText) {
    // Line breaks become CR LF, control characters visible, bytes that are not UTF-8 U+FFFD.
    const std::string link =
        mailtoAddress("a@b.org", "A\r\nB\x01\xff", "1\n2\r3\r\n4\t\x01\x7f\xff.");
    EXPECT_EQ(parseMailto(link, "a@b.org"),
              std::pair(" A  B \uFFFD error report "s, "1\r\n2\r\n3\r\n4\t\u2401\u2421\uFFFD."s));
    // A long name is cut on a whole character.
    const std::string name = std::string(255, 'n') + "\u00e9" + std::string(1000, 'n');
    EXPECT_EQ(parseMailto(mailtoAddress("a@b.org", name, "r"), "a@b.org").first,
              " " + std::string(255, 'n') + "\u2026 error report ");
}

TEST_F(Report, AnEmailTooLongForAnOpenerCarriesTheBeginningAndANote) {
    // Every alignment of the limit against two-byte characters and CR LF pairs: the cut never
    // splits either.
    std::string units;
    for (int i = 0; i < 20000; ++i) {
        units += "\u00e9\r\n";
    }
    for (std::size_t shift = 0; shift < 12; ++shift) {
        const std::string text = std::string(shift, 'x') + units;
        const std::string link = mailtoAddress("a@b.org", "App", text);
        EXPECT_LE(link.size(), 32000U);
        EXPECT_GE(link.size(), 31990U);
        const std::string body = parseMailto(link, "a@b.org").second;
        const auto note = body.find("\r\n\r\n[This report was shortened");
        ASSERT_NE(note, std::string::npos);
        EXPECT_NE(body.find("\"Save\"", note), std::string::npos);
        const std::string kept = body.substr(0, note);
        EXPECT_TRUE(text.starts_with(kept));
        EXPECT_TRUE(kept.ends_with("\n") || kept.ends_with("\u00e9") || kept.ends_with("x"))
            << shift;
    }
}

TEST_F(Report, TheEmailGoesOnlyToAPlainAddress) {
    for (const auto& row : qvtest::readTable("email-addresses.txt")) {
        std::string outcome = "accepted";
        try {
            mailtoAddress(row.at(0), "App", "r");
        } catch (const RunTimeError& e) {
            outcome = e.Number == 5 ? "refused" : "error " + std::to_string(e.Number);
        }
        EXPECT_EQ(outcome, row.at(1)) << row.at(0);
    }
}

TEST_F(Report, FormattedReportRuns) {
    ComposingArea area;
    area.insert("left over");
    BuildPrintReport(area, reportValues(source, desktop));
    BuildPrintReport(area, reportValues(source, desktop)); // composed afresh each time
    EXPECT_EQ(show(area), qvtest::expectedText("expected.txt", "formatted report"));
    EXPECT_EQ(plainText(area.document()), area.text());

    source.details = "";
    BuildPrintReport(area, reportValues(source, desktop));
    EXPECT_NE(show(area).find("T12:desc//|T12 b:Details: /|@"), std::string::npos) << show(area);
}

// --- The RTF writer ------------------------------------------------------------------------------

platform::FormattedDocument plain(std::string text) {
    return {platform::TextRun{std::move(text)}};
}

TEST(RtfDocument, LeavesOnlyPrintableAsciiAndEscapes) {
    for (const auto& row : qvtest::readTable("rtf-hostile.txt")) {
        const std::string& name = row.at(0);
        const std::string rtf = rtfDocument(plain(row.at(1)));
        EXPECT_NE(rtf.find(row.at(2)), std::string::npos) << name << ": " << rtf;
        EXPECT_TRUE(
            std::all_of(rtf.begin(), rtf.end(),
                        [](char c) { return (c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n'; }))
            << name << ": " << rtf;
    }
}

TEST(RtfDocument, WritesEachFontOnceWithSizesBoldAndParagraphIndents) {
    // CR at the end of one run and LF at the start of the next are one break, and that LF
    // belongs to the paragraph "in": so the three last paragraphs are indented. A font name
    // cannot end its table entry, and an unused one is not listed.
    const platform::FormattedDocument doc = {{"Head\r\n", "Arial", 14, true, 0},
                                             {"x", "Times New Roman", 10.5f, false, 0},
                                             {"y\r\n", "Arial", 14, false, 0},
                                             {"", "Unused;}{\\evil", 12, false, 0},
                                             {"in\r", "Odd;}{\\rtf1 \xC3\xA9", 12, true, 0},
                                             {"\nz\nlast", "Arial", 12, false, 250}};
    EXPECT_EQ(rtfDocument(doc), qvtest::expectedText("expected.txt", "fonts and paragraphs"));
    EXPECT_EQ(rtfDocument({}), qvtest::expectedText("expected.txt", "empty document"));
}

} // namespace
} // namespace qvMsgErr::error

// The RTF writer: escaping, structure and formatting, read back by a strict reader of our own and
// by LibreOffice.
#include "error/report.h"

#include "scratch.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace qvMsgErr::error {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string utf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
        s += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    } else {
        s += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
              static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    return s;
}

/// What a strict reader sees in our RTF: the body text (paragraph ends as CR LF) and the font
/// names. Any control word outside the writer's vocabulary, a raw byte outside printable ASCII,
/// or a group that closes the document early fails the test: that is what injection would take.
struct Reading {
    std::string text;
    std::vector<std::string> fonts;
};

void readRtf(const std::string& rtf, Reading& r) {
    static const std::set<std::string> kWords = {"rtf", "ansi", "ansicpg",  "deff", "uc", "fonttbl",
                                                 "f",   "fnil", "fcharset", "pard", "li", "fs",
                                                 "b",   "par",  "tab",      "u"};
    int depth = 0;
    char16_t high = 0;
    std::string* target = nullptr; // where text goes at this depth: body or font name
    const auto put = [&](const std::string& s) {
        ASSERT_NE(target, nullptr) << "text at group depth " << depth;
        *target += s;
    };
    for (std::size_t i = 0; i < rtf.size();) {
        const char c = rtf[i++];
        ASSERT_TRUE(depth > 0 || i == 1) << "text after the document's end at " << i;
        if (c == '{' || c == '}') {
            depth += c == '{' ? 1 : -1;
            if (c == '{' && depth == 3) {
                r.fonts.emplace_back();
            }
            target = depth == 1 ? &r.text : depth == 3 ? &r.fonts.back() : nullptr;
        } else if (c == '\\' && std::isalpha(static_cast<unsigned char>(rtf[i]))) {
            std::size_t end = i;
            while (std::isalpha(static_cast<unsigned char>(rtf[end]))) {
                ++end;
            }
            const std::string word = rtf.substr(i, end - i);
            const std::size_t digits = rtf.find_first_not_of("-0123456789", end);
            ASSERT_NE(digits, std::string::npos);
            const int value = digits > end ? std::stoi(rtf.substr(end, digits - end)) : 1;
            i = digits + (rtf[digits] == ' ');
            ASSERT_TRUE(kWords.count(word)) << "control word \\" << word;
            if (word == "par" || word == "tab") {
                put(word == "par" ? "\r\n" : "\t");
            } else if (word == "u") {
                ASSERT_EQ(rtf[i++], '?');
                const auto unit = static_cast<char16_t>(value);
                if (unit >= 0xD800 && unit < 0xDC00) {
                    high = unit;
                } else {
                    put(utf8(high ? 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00) : unit));
                    high = 0;
                }
            }
        } else if (c == '\\') {
            ASSERT_NE(std::string("\\{}").find(rtf[i]), std::string::npos) << "symbol " << rtf[i];
            put(std::string(1, rtf[i++]));
        } else if (c != '\r' && c != '\n' && !(depth == 3 && c == ';')) {
            ASSERT_TRUE(c >= 0x20 && c < 0x7F) << "raw byte " << int(c);
            put(std::string(1, c));
        }
    }
    EXPECT_EQ(depth, 0);
}

Reading readRtf(const std::string& rtf) {
    Reading r;
    readRtf(rtf, r);
    return r;
}

/// Equality that stays cheap for megabyte texts (gtest would diff them line by line).
::testing::AssertionResult sameText(const std::string& actual, const std::string& expected) {
    const auto [a, e] =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (a == actual.end() && e == expected.end()) {
        return ::testing::AssertionSuccess();
    }
    const auto at = static_cast<std::size_t>(a - actual.begin());
    const std::size_t from = at < 20 ? 0 : at - 20;
    return ::testing::AssertionFailure()
           << "texts differ at byte " << at << ": "
           << ::testing::PrintToString(actual.substr(from, 40)) << " instead of "
           << ::testing::PrintToString(expected.substr(from, 40));
}

platform::FormattedDocument plain(std::string text) {
    platform::FormattedDocument doc(1);
    doc[0].text = std::move(text);
    return doc;
}

const std::string kFffd = "\xEF\xBF\xBD";

struct Hostile {
    const char* name;
    std::string text, readBack, rtfFragment;
};

/// Texts that try to escape their run; the text a reader gets back; a piece of the RTF.
const std::vector<Hostile> kHostile = {
    {"syntax", "\\par}{\\rtf1 \\b x}", "\\par}{\\rtf1 \\b x}", "\\\\par\\}\\{\\\\rtf1 \\\\b x\\}"},
    {"latin", "caf\xC3\xA9 \xC2\xA9", "caf\xC3\xA9 \xC2\xA9", "caf\\u233? \\u169?"},
    {"bmpHigh", "\xEF\xBC\xA1\xE2\x82\xAC", "\xEF\xBC\xA1\xE2\x82\xAC", "\\u-223?\\u8364?"},
    {"emoji", "\xF0\x9F\x98\x80!", "\xF0\x9F\x98\x80!", "\\u-10179?\\u-8704?!"},
    {"rtl", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD8\xB3\xD9\x84\xD8\xA7\xD9\x85",
     "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD8\xB3\xD9\x84\xD8\xA7\xD9\x85", "\\u1513?\\u1500?"},
    {"controls", "a\0b\x01\x1F\x7F"s, "a\xE2\x90\x80"s + "b\xE2\x90\x81\xE2\x90\x9F\xE2\x90\xA1",
     "a\\u9216?b\\u9217?\\u9247?\\u9249?"},
    {"invalid", "\xFF(\xC3(\xE2\x82(\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80",
     kFffd + "(" + kFffd + "(" + kFffd + "(" + kFffd + kFffd + kFffd + kFffd + kFffd + kFffd +
         kFffd + kFffd + kFffd,
     "\\u-3?(\\u-3?(\\u-3?("},
    {"breaks", "a\r\nb\rc\nd\r\r\n\te", "a\r\nb\r\nc\r\nd\r\n\r\n\te",
     "a\\par\r\n\\pard b\\par\r\n\\pard c"},
};

void PrintTo(const Hostile& h, std::ostream* os) {
    *os << h.name;
}

class RtfEscaping : public ::testing::TestWithParam<Hostile> {};

TEST_P(RtfEscaping, ReadsBackAsTheTextItWas) {
    const std::string rtf = rtfDocument(plain(GetParam().text));
    EXPECT_NE(rtf.find(GetParam().rtfFragment), std::string::npos) << rtf;
    EXPECT_EQ(readRtf(rtf).text, GetParam().readBack);
}

INSTANTIATE_TEST_SUITE_P(Texts, RtfEscaping, ::testing::ValuesIn(kHostile),
                         [](const auto& info) { return info.param.name; });

TEST(RtfDocument, WritesEachFontOnceWithSizesBoldAndParagraphIndents) {
    platform::FormattedDocument doc(5);
    doc[0] = {"Head\r\n", "Arial", 14, true, 0};
    doc[1] = {"x", "Times New Roman", 10.5f, false, 0};
    doc[2] = {"y\r\n", "Arial", 14, false, 0};
    doc[3] = {"", "Unused;}{\\evil", 12, false, 0};
    doc[4] = {"in\r", "Odd;}{\\rtf1 \xC3\xA9", 12, true, 0};
    doc.push_back({"\nz\nlast", "Arial", 12, false, 250});
    const std::string rtf = rtfDocument(doc);
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fnil\\fcharset0 "
                        "Arial;}{\\f1\\fnil\\fcharset0 Times New Roman;}{\\f2\\fnil\\fcharset0 "
                        "Odd\\}\\{\\\\rtf1 \\u233?;}}",
                        0),
              0u)
        << rtf;
    // CR at the end of one run and LF at the start of the next are one break, and that LF
    // belongs to the paragraph "in": so the three last paragraphs are indented.
    for (const char* piece : {"\\pard \\f0\\fs28\\b Head\\par", "\\pard \\f1\\fs21\\b0 x\\f0\\fs28",
                              "\\pard\\li250 \\f2\\fs24\\b in\\par\r\n\\pard\\li250 \\f0\\fs24\\b0 "
                              "z\\par\r\n\\pard\\li250 last}"}) {
        EXPECT_NE(rtf.find(piece), std::string::npos) << piece << "\n" << rtf;
    }
    const Reading read = readRtf(rtf);
    EXPECT_EQ(read.fonts,
              (std::vector<std::string>{"Arial", "Times New Roman", "Odd}{\\rtf1 \xC3\xA9"}));
    EXPECT_EQ(read.text, "Head\r\nxy\r\nin\r\nz\r\nlast");
    EXPECT_EQ(readRtf(rtfDocument({})).fonts, std::vector<std::string>{"Times New Roman"});
}

std::string hugeText() {
    std::string text;
    const std::string pieces[] = {"ab c ", "\xFF", "\xC3\xA9", "\xF0\x9F\x98\x80",
                                  "\\{}",  "\t",   "\r\n"};
    for (std::size_t i = 0; text.size() < (1u << 20); ++i) {
        text += pieces[i % 7];
    }
    return text;
}

TEST(RtfDocument, OneMebibyteOfMixedTextReadsBack) {
    const std::string text = hugeText();
    std::string expected;
    for (std::size_t i = 0; i < text.size(); ++i) {
        expected += text[i] == '\xFF' ? kFffd : std::string(1, text[i]);
    }
    EXPECT_TRUE(sameText(readRtf(rtfDocument(plain(text))).text, expected));
}

// ---------------------------------------------------------------------------------------------
// LibreOffice as the reader: one start for every document, since each start costs seconds.
// ---------------------------------------------------------------------------------------------

/// What LibreOffice's text export makes of a text: LF after every paragraph, the empty
/// paragraph after a final break dropped, a byte-order mark in front.
std::string asExported(const std::string& text) {
    std::string out = "\xEF\xBB\xBF";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        out += text[i] == '\r' ? '\n' : text[i];
    }
    if (out.back() != '\n') {
        out += '\n';
    }
    return out;
}

using qvtest::readFile;

TEST(RtfDocument, LibreOfficeReadsBackEveryText) {
    if (std::system("command -v soffice >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "soffice not found: install libreoffice-writer-nogui for this check";
    }
    const char* base = std::getenv("QVMSGERR_TEST_OUTPUT");
    const fs::path dir = fs::path(base ? base : ::testing::TempDir()) /
                         ("rtf-roundtrip-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    std::vector<std::pair<std::string, std::string>> cases;
    for (const Hostile& h : kHostile) {
        cases.emplace_back(h.name, h.readBack);
        std::ofstream(dir / (std::string(h.name) + ".rtf"), std::ios::binary)
            << rtfDocument(plain(h.text));
    }
    std::string huge = hugeText();
    std::ofstream(dir / "huge.rtf", std::ios::binary) << rtfDocument(plain(huge));
    cases.emplace_back("huge", huge);
    for (std::size_t at; (at = cases.back().second.find('\xFF')) != std::string::npos;) {
        cases.back().second.replace(at, 1, kFffd);
    }
    ReportValues values{"Friday, January 2, 2026", "03:04", "App \xC3\xA9", "", "{\\b act}", "desc",
                        "line 1\r\n\tline 2\r\n"};
    ComposingArea area;
    BuildPrintReport(area, values);
    std::ofstream(dir / "report.rtf", std::ios::binary) << rtfDocument(area.document());
    cases.emplace_back("report", area.text());

    const std::string command = "cd '" + dir.string() +
                                "' && soffice -env:UserInstallation=file://" + dir.string() +
                                "/profile --headless --convert-to 'txt:Text (encoded):UTF8' "
                                "--outdir out *.rtf >convert.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << readFile(dir / "convert.log");
    for (const auto& [name, text] : cases) {
        EXPECT_TRUE(sameText(readFile(dir / "out" / (name + ".txt")), asExported(text))) << name;
    }
    fs::remove_all(dir);
}

} // namespace
} // namespace qvMsgErr::error

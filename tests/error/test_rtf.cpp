// The RTF writer: escaping, structure and formatting on the raw bytes, and every hostile text read
// back by LibreOffice.
#include "error/report.h"

#include "scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qvMsgErr::error {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

/// Where two texts first differ, npos when they are equal: gtest would diff megabytes line by line.
std::size_t firstDifference(const std::string& a, const std::string& b) {
    const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    return a == b ? std::string::npos : static_cast<std::size_t>(at);
}

platform::FormattedDocument plain(std::string text) {
    platform::FormattedDocument doc(1);
    doc[0].text = std::move(text);
    return doc;
}

const std::string kFffd = "\xEF\xBF\xBD";
/// The document around a plain run, up to its first character and after its last.
const std::string kPlainStart = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fnil"
                                "\\fcharset0 Times New Roman;}}\r\n\\pard \\f0\\fs24\\b0 ";

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

TEST_P(RtfEscaping, LeavesOnlyPrintableAsciiAndEscapes) {
    const std::string rtf = rtfDocument(plain(GetParam().text));
    EXPECT_NE(rtf.find(GetParam().rtfFragment), std::string::npos) << rtf;
    EXPECT_TRUE(std::all_of(rtf.begin(), rtf.end(), [](char c) {
        return (c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n';
    })) << rtf;
}

INSTANTIATE_TEST_SUITE_P(Texts, RtfEscaping, ::testing::ValuesIn(kHostile),
                         [](const auto& info) { return info.param.name; });

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
    EXPECT_EQ(
        rtfDocument(doc),
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
        "{\\f1\\fnil\\fcharset0 Times New Roman;}{\\f2\\fnil\\fcharset0 Odd\\}\\{\\\\rtf1 "
        "\\u233?;}}\r\n\\pard \\f0\\fs28\\b Head\\par\r\n\\pard \\f1\\fs21\\b0 x\\f0\\fs28\\b0 "
        "y\\par\r\n\\pard\\li250 \\f2\\fs24\\b in\\par\r\n\\pard\\li250 \\f0\\fs24\\b0 "
        "z\\par\r\n\\pard\\li250 last}");
    EXPECT_EQ(rtfDocument({}), kPlainStart.substr(0, kPlainStart.find("\\f0\\fs")) + "}");
}

/// A mebibyte of every kind of character, in whole rounds of the pieces.
const std::string kRound = "ab c \xFF\xC3\xA9\xF0\x9F\x98\x80\\{}\t\r\n";
const std::size_t kRounds = (1u << 20) / kRound.size() + 1;

std::string repeated(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    while (times-- > 0) {
        out += piece;
    }
    return out;
}

TEST(RtfDocument, OneMebibyteOfMixedText) {
    EXPECT_EQ(firstDifference(rtfDocument(plain(repeated(kRound, kRounds))),
                              kPlainStart +
                                  repeated("ab c \\u-3?\\u233?\\u-10179?\\u-8704?\\\\\\{\\}\\tab "
                                           "\\par\r\n\\pard ",
                                           kRounds) +
                                  "}"),
              std::string::npos);
}

// --- LibreOffice as the reader: one start for all documents, as each costs seconds ---------------

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
    const qvtest::ScratchDir scratch;
    const fs::path dir = scratch.path();
    fs::create_directory(dir / "out");
    std::vector<std::pair<std::string, std::string>> cases;
    const auto write = [&](const std::string& name, const platform::FormattedDocument& doc,
                           const std::string& readBack) {
        std::ofstream(dir / (name + ".rtf"), std::ios::binary) << rtfDocument(doc);
        cases.emplace_back(name, readBack);
    };
    for (const Hostile& h : kHostile) {
        write(h.name, plain(h.text), h.readBack);
    }
    std::string round = kRound;
    round.replace(round.find('\xFF'), 1, kFffd);
    write("huge", plain(repeated(kRound, kRounds)), repeated(round, kRounds));
    ComposingArea area;
    BuildPrintReport(area, {"Friday, January 2, 2026", "03:04", "App \xC3\xA9", "", "{\\b act}",
                            "desc", "line 1\r\n\tline 2\r\n"});
    write("report", area.document(), area.text());

    const std::string command = "cd '" + dir.string() +
                                "' && soffice -env:UserInstallation=file://" + dir.string() +
                                "/profile --headless --convert-to 'txt:Text (encoded):UTF8' "
                                "--outdir out *.rtf >convert.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << readFile(dir / "convert.log");
    for (const auto& [name, text] : cases) {
        EXPECT_EQ(firstDifference(readFile(dir / "out" / (name + ".txt")), asExported(text)),
                  std::string::npos)
            << name;
    }
}

} // namespace
} // namespace qvMsgErr::error

// The composing area, the composing procedures and the two forms of the error report.
#include "error/report.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace qvMsgErr::error {
namespace {

using namespace std::string_literals;

/// The area as "run|run|@start+length", a run as "A14 b li250:text" (font initial, size, bold,
/// indent); CR LF shows as "/".
std::string show(const ComposingArea& area) {
    std::ostringstream s;
    for (const platform::TextRun& r : area.document()) {
        s << r.fontName.substr(0, 1) << r.fontSize << (r.bold ? " b" : "");
        if (r.leftIndent != 0) {
            s << " li" << r.leftIndent;
        }
        s << ':';
        for (std::size_t i = 0; i < r.text.size(); ++i) {
            const bool crlf = r.text.compare(i, 2, "\r\n") == 0;
            s << (crlf ? '/' : r.text[i]);
            i += crlf;
        }
        s << '|';
    }
    s << '@' << area.selectionStart() << '+' << area.selectionLength();
    return s.str();
}

/// Runs `steps` on `area`, separated by "|": "+text" inserts (with "/" for CR LF), "@s,l"
/// selects, "B1"/"B0" sets bold, "A" the font Arial 14, "I<twips>" the indent, "C" clears;
/// "Ptext", "H1"/"H0" and "T1"/"T0" call InsertPrintText, SetPrintHeadingFont and
/// SetPrintBodyFont.
void run(ComposingArea& area, const std::string& steps) {
    std::istringstream in(steps);
    for (std::string step; std::getline(in, step, '|');) {
        const std::string arg = step.substr(1);
        switch (step[0]) {
        case '+': {
            std::string text;
            for (const char c : arg) {
                text += c == '/' ? "\r\n" : std::string(1, c);
            }
            area.insert(text);
            break;
        }
        case '@':
            area.select(std::stoul(arg), std::stoul(arg.substr(arg.find(',') + 1)));
            break;
        case 'B':
            area.setSelectionBold(arg == "1");
            break;
        case 'A':
            area.setSelectionFont("Arial", 14);
            break;
        case 'I':
            area.setSelectionIndent(std::stof(arg));
            break;
        case 'C':
            area.clear();
            break;
        case 'P':
            InsertPrintText(area, arg);
            break;
        case 'H':
            SetPrintHeadingFont(area, arg == "1");
            break;
        case 'T':
            SetPrintBodyFont(area, arg == "1");
            break;
        default:
            FAIL() << "unknown step " << step;
        }
    }
}

struct AreaCase {
    const char* name;
    const char* steps;
    const char* shown;
};

void PrintTo(const AreaCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<AreaCase> kAreaCases = {
    {"EmptyAreaGivesDefaultFormat", "+abc", "T12:abc|@3+0"},
    {"InsertionTakesTheFormatBeforeIt", "+ab|@0,2|B1|@2,0|+c", "T12 b:abc|@3+0"},
    {"AtTheStartTheFirstCharacterLendsItsFormat", "+ab|@0,2|A|@0,0|+x", "A14:xab|@1+0"},
    // Setting the insertion point where it already is keeps the format chosen for it.
    {"FormatAtTheInsertionPointGoesToTheNextText", "+ab|B1|@2,0|+c|+d", "T12:ab|T12 b:cd|@4+0"},
    {"FormatAtTheInsertionPointIsDroppedWhenItMoves", "+ab|B1|@0,0|@2,0|+c", "T12:abc|@3+0"},
    {"ReplacingTheSelection", "+hello|@1,3|+X", "T12:hXo|@2+0"},
    {"FormattingTheMiddleSplitsTheRun", "+abc|@1,1|A", "T12:a|A14:b|T12:c|@1+1"},
    {"EqualNeighboursMergeAgain", "+abc|@1,1|B1|B0", "T12:abc|@1+1"},
    {"IndentCoversTheParagraphsTouched", "+one/two/three/four|@6,6|I250",
     "T12:one/|T12 li250:two/three/|T12:four|@6+6"},
    {"IndentAtTheInsertionPoint", "+a/bc|@4,0|I100|+x", "T12:a/|T12 li100:bxc|@5+0"},
    {"IndentFromInsideALineBreak", "+ab/cd|@3,0|I100", "T12 li100:ab/|T12:cd|@3+0"},
    {"SelectionIsClampedToTheText", "+abc|@10,5|+d|@1,99", "T12:abcd|@1+3"},
    {"ClearForgetsTextAndFormat", "+ab|@0,2|B1|@2,0|A|C|+z", "T12:z|@1+0"},
    // The composing procedures.
    {"InsertPrintTextAppendsAndSelectsIt", "+abc|@0,1|Pde", "T12:abcde|@3+2"},
    {"HeadingFontWithoutBoldKeepsBold", "+xy|@0,2|B1|H0", "A14 b:xy|@2+0"},
    {"HeadingFontWithoutBoldLeavesPlainText", "+xy|@0,2|H0", "A14:xy|@2+0"},
    {"BodyFontSetsBoldBothWays", "+xy|@0,1|A|B1|T0|@1,1|T1", "T12:x|T12 b:y|@2+0"},
};

class ComposingAreaModel : public ::testing::TestWithParam<AreaCase> {};

TEST_P(ComposingAreaModel, RunsAndSelection) {
    ComposingArea area;
    run(area, GetParam().steps);
    EXPECT_EQ(show(area), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Steps, ComposingAreaModel, ::testing::ValuesIn(kAreaCases),
                         [](const auto& info) { return info.param.name; });

class Report : public ::testing::Test {
protected:
    headless::HeadlessDesktop desktop;
    ReportSource source{"  App  \r\n", " user ", "act\r\n", "desc\0"s,
                        "  line 1\r\nline 2 \r\n\r\n"};
};

TEST_F(Report, TrimmedValuesGoUnescapedIntoTheEmail) {
    const ReportSource before = source;
    EXPECT_EQ(
        mailtoAddress("help@example.com", "App", GetReportText(reportValues(source, desktop))),
        "mailto:help@example.com?subject= App error report &body=Error Report | "
        "Date: Friday, January 2, 2026 | Time: 03:04 | Application: App | User: user | "
        "Activity: act | Description: desc | Details:  | line 1\r\nline 2");
    EXPECT_EQ(std::tie(source.appName, source.activity, source.details),
              std::tie(before.appName, before.activity, before.details));
    for (const std::string& app : {""s, "   "s, " \r\n\0"s}) {
        source.appName = app;
        EXPECT_EQ(reportValues(source, desktop).application, kProductName);
    }
}

TEST_F(Report, FormattedReportRuns) {
    ComposingArea area;
    area.insert("left over");
    BuildPrintReport(area, reportValues(source, desktop));
    BuildPrintReport(area, reportValues(source, desktop)); // composed afresh each time
    EXPECT_EQ(show(area), "A14 b:Error Report//|T12 b:Date: |T12:Friday, January 2, 2026//|"
                          "T12 b:Time: |T12:03:04//|T12 b:Application: |T12:App//|T12 b:User: |"
                          "T12:user//|T12 b:Activity: |T12:act//|T12 b:Description: |"
                          "T12:desc//|T12 b:Details: /|T12 li250:line 1/line 2|@161+0");
    EXPECT_EQ(plainText(area.document()), area.text());

    source.details = "";
    BuildPrintReport(area, reportValues(source, desktop));
    EXPECT_NE(show(area).find("T12:desc//|T12 b:Details: /|@"), std::string::npos) << show(area);
}

} // namespace
} // namespace qvMsgErr::error

// The composing area, the composing procedures and the two forms of the error report.
#include "error/report.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <sstream>

namespace qvMsgErr::error {
namespace {

using namespace std::string_literals;
using Runs = std::vector<std::string>;

/// A run as "A14 b li250:text" (T for Times New Roman, A for Arial); CR LF shows as "/".
Runs show(const platform::FormattedDocument& doc) {
    Runs runs;
    for (const platform::TextRun& r : doc) {
        std::ostringstream s;
        s << (r.fontName == "Times New Roman" ? "T"
              : r.fontName == "Arial"         ? "A"
                                              : r.fontName)
          << r.fontSize << (r.bold ? " b" : "");
        if (r.leftIndent != 0) {
            s << " li" << r.leftIndent;
        }
        s << ':';
        for (std::size_t i = 0; i < r.text.size(); ++i) {
            const bool crlf = r.text.compare(i, 2, "\r\n") == 0;
            s << (crlf ? '/' : r.text[i]);
            i += crlf;
        }
        runs.push_back(s.str());
    }
    return runs;
}

/// Runs `steps` on `area`, separated by "|": "+text" inserts (with "/" for CR LF), "@s,l"
/// selects, "B1"/"B0" sets bold, "A" the font Arial 14, "I<twips>" the indent, "C" clears;
/// "H1"/"H0" and "T1"/"T0" call SetPrintHeadingFont and SetPrintBodyFont.
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
    Runs runs;
    std::size_t selStart, selLength;
};

void PrintTo(const AreaCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<AreaCase> kAreaCases = {
    {"EmptyAreaGivesDefaultFormat", "+abc", {"T12:abc"}, 3, 0},
    {"InsertionTakesTheFormatBeforeIt", "+ab|@0,2|B1|@2,0|+c", {"T12 b:abc"}, 3, 0},
    {"AtTheStartTheFirstCharacterLendsItsFormat", "+ab|@0,2|A|@0,0|+x", {"A14:xab"}, 1, 0},
    // Setting the insertion point where it already is keeps the format chosen for it.
    {"FormatAtTheInsertionPointGoesToTheNextText",
     "+ab|B1|@2,0|+c|+d",
     {"T12:ab", "T12 b:cd"},
     4,
     0},
    {"FormatAtTheInsertionPointIsDroppedWhenItMoves", "+ab|B1|@0,0|@2,0|+c", {"T12:abc"}, 3, 0},
    {"ReplacingTheSelection", "+hello|@1,3|+X", {"T12:hXo"}, 2, 0},
    {"FormattingTheMiddleSplitsTheRun", "+abc|@1,1|A", {"T12:a", "A14:b", "T12:c"}, 1, 1},
    {"EqualNeighboursMergeAgain", "+abc|@1,1|B1|B0", {"T12:abc"}, 1, 1},
    {"IndentCoversTheWholeParagraphsTouched",
     "+one/two/three/four|@6,6|I250",
     {"T12:one/", "T12 li250:two/three/", "T12:four"},
     6,
     6},
    {"IndentWithNothingSelectedTakesTheParagraphAndTheNextText",
     "+a/bc|@4,0|I100|+x",
     {"T12:a/", "T12 li100:bxc"},
     5,
     0},
    {"IndentFromInsideALineBreakTakesTheParagraphItEnds",
     "+ab/cd|@3,0|I100",
     {"T12 li100:ab/", "T12:cd"},
     3,
     0},
    {"SelectionIsClampedToTheText", "+abc|@10,5|+d|@1,99", {"T12:abcd"}, 1, 3},
    {"ClearForgetsTextAndFormat", "+ab|@0,2|B1|@2,0|A|C|+z", {"T12:z"}, 1, 0},
    // The composing procedures: fonts for the selection, then the insertion point at the end.
    {"HeadingFontWithoutBoldKeepsBold", "+xy|@0,2|B1|H0", {"A14 b:xy"}, 2, 0},
    {"HeadingFontWithoutBoldLeavesPlainText", "+xy|@0,2|H0", {"A14:xy"}, 2, 0},
    {"HeadingFontWithBold", "+xy|@0,2|H1", {"A14 b:xy"}, 2, 0},
    {"BodyFontSetsBoldBothWays", "+xy|@0,1|A|B1|T0|@1,1|T1", {"T12:x", "T12 b:y"}, 2, 0},
};

class ComposingAreaModel : public ::testing::TestWithParam<AreaCase> {};

TEST_P(ComposingAreaModel, RunsAndSelection) {
    ComposingArea area;
    run(area, GetParam().steps);
    EXPECT_EQ(show(area.document()), GetParam().runs);
    EXPECT_EQ(area.selectionStart(), GetParam().selStart);
    EXPECT_EQ(area.selectionLength(), GetParam().selLength);
}

INSTANTIATE_TEST_SUITE_P(Steps, ComposingAreaModel, ::testing::ValuesIn(kAreaCases),
                         [](const auto& info) { return info.param.name; });

TEST(ComposingProcedures, InsertPrintTextAppendsAndSelectsWhatItAppended) {
    ComposingArea area;
    run(area, "+abc|@0,1");
    InsertPrintText(area, "de");
    EXPECT_EQ(area.text(), "abcde");
    EXPECT_EQ(area.selectionStart(), 3u);
    EXPECT_EQ(area.selectionLength(), 2u);
}

class Report : public ::testing::Test {
protected:
    headless::HeadlessDesktop desktop;
    ReportSource source{"  App  \r\n", " user ", "act\r\n", "desc\0"s,
                        "  line 1\r\nline 2 \r\n\r\n"};
    const std::string text = "Error Report | Date: Friday, January 2, 2026 | Time: 03:04 | "
                             "Application: App | User: user | Activity: act | Description: desc "
                             "| Details:  | line 1\r\nline 2";
};

TEST_F(Report, ValuesAreTrimmedCopiesAndTheOneLineTextJoinsThem) {
    const ReportSource before = source;
    const ReportValues values = reportValues(source, desktop);
    EXPECT_EQ(values.date, "Friday, January 2, 2026");
    EXPECT_EQ(values.time, "03:04");
    EXPECT_EQ(values.application, "App");
    EXPECT_EQ(values.details, "line 1\r\nline 2");
    EXPECT_EQ(source.details, before.details);
    EXPECT_EQ(source.appName, before.appName);
    EXPECT_EQ(GetReportText(values), text);
}

TEST_F(Report, EmailAddressCarriesTheReportUnescaped) {
    const std::string report = GetReportText(reportValues(source, desktop));
    EXPECT_EQ(mailtoAddress("help@example.com", "App", report),
              "mailto:help@example.com?subject= App error report &body=" + text);
    EXPECT_NE(mailtoAddress("a@b", "", report).find("?subject=  error report &body=Error Report"),
              std::string::npos);
}

TEST_F(Report, EmptyAppNameFallsBackToTheProductName) {
    for (const std::string& app : {""s, "   "s, " \r\n\0"s}) {
        source.appName = app;
        const ReportValues values = reportValues(source, desktop);
        EXPECT_EQ(values.application, kProductName);
        EXPECT_NE(GetReportText(values).find("| Application: qvMsgErr | User: "),
                  std::string::npos);
    }
}

TEST_F(Report, FormattedReportRunsAndPlainText) {
    ComposingArea area;
    area.insert("left over");
    BuildPrintReport(area, reportValues(source, desktop));
    BuildPrintReport(area, reportValues(source, desktop)); // composed afresh each time
    EXPECT_EQ(
        show(area.document()),
        (Runs{"A14 b:Error Report//", "T12 b:Date: ", "T12:Friday, January 2, 2026//",
              "T12 b:Time: ", "T12:03:04//", "T12 b:Application: ", "T12:App//",
              "T12 b:User: ", "T12:user//", "T12 b:Activity: ", "T12:act//",
              "T12 b:Description: ", "T12:desc//", "T12 b:Details: /", "T12 li250:line 1/line 2"}));
    EXPECT_EQ(plainText(area.document()),
              "Error Report\r\n\r\nDate: Friday, January 2, 2026\r\n\r\nTime: 03:04\r\n\r\n"
              "Application: App\r\n\r\nUser: user\r\n\r\nActivity: act\r\n\r\n"
              "Description: desc\r\n\r\nDetails: \r\nline 1\r\nline 2");

    source.details = "";
    BuildPrintReport(area, reportValues(source, desktop));
    EXPECT_EQ(show(area.document()).back(), "T12 b:Details: /");
}

} // namespace
} // namespace qvMsgErr::error

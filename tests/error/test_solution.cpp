// The suggested solutions: which numbers have one, and the exact bytes of the texts.
#include "error/solution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace qvMsgErr::error {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) {
        result.push_back(text.substr(start, at - start));
    }
    result.push_back(text.substr(start));
    return result;
}

TEST(GetSolutionText, NumbersWithASolution) {
    const std::string modal = GetSolutionText(400);
    const struct {
        int32_t number;
        std::size_t lineCount; // 0: no text
    } cases[] = {{0, 0},    {-70, 0}, {69, 0},        {70, 10},      {71, 0},  {74, 0},
                 {75, 8},   {76, 0},  {399, 0},       {400, 1},      {401, 1}, {402, 0},
                 {-400, 0}, {470, 0}, {INT32_MAX, 0}, {INT32_MIN, 0}};
    for (const auto& c : cases) {
        const std::string text = GetSolutionText(c.number);
        EXPECT_EQ(text.empty() ? 0 : lines(text).size(), c.lineCount) << c.number;
        if (c.number == 401) {
            EXPECT_EQ(text, modal);
        }
    }
}

TEST(GetSolutionText, ExactLinesWithTheirSpaces) {
    const std::vector<std::string> writeProtected = lines(GetSolutionText(70));
    const std::vector<std::string> pathAccess = lines(GetSolutionText(75));
    ASSERT_EQ(writeProtected.size(), 10u);
    ASSERT_EQ(pathAccess.size(), 8u);
    EXPECT_EQ(writeProtected[0], "An attempt was made to write to a write-protected disk or to "
                                 "access a locked file. ");
    EXPECT_EQ(writeProtected[1], "This error has the following causes and solutions: ");
    EXPECT_EQ(pathAccess[1], "This error has the following causes and solutions:");
    EXPECT_EQ(writeProtected[3], "   Open the file for Input or change the write-protection "
                                 "attribute of the file.");
    EXPECT_EQ(writeProtected[9],
              "   On 32-bit Microsoft Windows systems, a user must have the correct permissions "
              "for access to the system registry. Change your permissions or have them changed "
              "by the system administrator.");
    EXPECT_EQ(pathAccess[0], "During a file-access or disk-access operation the operating system "
                             "couldn't make a connection between the path and the file name.");
    EXPECT_EQ(pathAccess[7],
              "   Open the file in Input mode or change the read-only attribute of the file.");
    EXPECT_EQ(GetSolutionText(401),
              "There is a window open that must be closed before the software can open another "
              "window. This will generally be a message that is waiting for a response.");
    for (const int32_t number : {70, 75}) {
        const std::string text = GetSolutionText(number);
        const auto breaks = static_cast<std::ptrdiff_t>(lines(text).size() - 1);
        EXPECT_NE(text.substr(text.size() - 2), "\r\n");
        EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), breaks); // CR LF only
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), breaks);
    }
}

} // namespace
} // namespace qvMsgErr::error

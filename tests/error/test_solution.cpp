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

TEST(GetSolutionText, ExactLinesForEachNumber) {
    const std::string modal = "There is a window open that must be closed before the software "
                              "can open another window. This will generally be a message that is "
                              "waiting for a response.";
    const struct {
        int32_t number;
        std::size_t lineCount; // 0: no text
        std::string first, second, last;
    } cases[] = {
        {70, 10,
         "An attempt was made to write to a write-protected disk or to access a locked file. ",
         "This error has the following causes and solutions: ",
         "   On 32-bit Microsoft Windows systems, a user must have the correct permissions for "
         "access to the system registry. Change your permissions or have them changed by the "
         "system administrator."},
        {75, 8,
         "During a file-access or disk-access operation the operating system couldn't make a "
         "connection between the path and the file name.",
         "This error has the following causes and solutions:",
         "   Open the file in Input mode or change the read-only attribute of the file."},
        {400, 1, modal, "", modal},
        {401, 1, modal, "", modal},
    };
    for (const auto& c : cases) {
        const std::string text = GetSolutionText(c.number);
        const std::vector<std::string> got = lines(text);
        ASSERT_EQ(got.size(), c.lineCount) << c.number;
        EXPECT_EQ(got.front(), c.first) << c.number;
        EXPECT_EQ(got.size() > 1 ? got[1] : "", c.second) << c.number;
        EXPECT_EQ(got.back(), c.last) << c.number;
        // CR LF only, and none after the last line (lines() would count an empty one).
        EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), std::ssize(got) - 1) << c.number;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::ssize(got) - 1) << c.number;
    }
    for (const int32_t none : {0, -70, 69, 71, 74, 76, 399, 402, -400, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(GetSolutionText(none), "") << none;
    }
}

} // namespace
} // namespace qvMsgErr::error

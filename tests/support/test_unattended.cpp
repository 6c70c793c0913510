// The unattended rules: what answers a question nobody is there to answer, from answer files
// good and bad, and what the log says of it.
#include "support/unattended.h"

#include "raised.h"
#include "scratch.h"
#include "table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace qvMsgErr {
namespace {

using unattended::Question;

const Question kYesNoCancel{"message",
                            "SaveOnClose",
                            "Ledger",
                            "Save the changes?",
                            {{6, "Yes"}, {7, "No"}, {2, "Cancel"}, {6, "&Save"}},
                            2};
const Question kYesNo{"message", "Delete", "Ledger", "Delete 3 entries?", {{6, "Yes"}, {7, "No"}},
                      0};

/// Asks `question` with the answer file `file` (none named: nullopt) and checks the answer
/// (0: err::Unanswered) and that the log holds `logged` on the question's one line.
void expectAnswer(const Question& question, const std::optional<std::string>& file,
                  int32_t expected, const std::string& logged) {
    qvtest::ScratchDir dir;
    const std::string answers = dir.file("answers"), log = dir.file("log");
    if (file) {
        qvtest::writeFile(answers, *file);
    }
    qvtest::ScopedEnv named("QVMSGERR_ANSWERS", file ? std::optional(answers) : std::nullopt);
    qvtest::ScopedEnv logging("QVMSGERR_UNATTENDED_LOG", log);
    int32_t answer = 0;
    const RunTimeError e = testing::raised([&] { answer = unattended::answer(question); });
    EXPECT_EQ(answer, expected);
    EXPECT_EQ(e.Number, expected == 0 ? err::Unanswered : 0) << e.Description;
    const std::string text = qvtest::readFile(log);
    EXPECT_NE(text.find(logged), std::string::npos) << text;
    // One line for the question, answered or not.
    EXPECT_NE(text.find("\tmessage\t"), std::string::npos) << text;
    EXPECT_EQ(text.find("\tmessage\t"), text.rfind("\tmessage\t")) << text;
}

TEST(Unattended, AnswersOnlyWhatTheQuestionOffers) {
    for (const auto& row : qvtest::readTable("unattended-answers.txt")) {
        SCOPED_TRACE(row.at(0));
        const std::optional<std::string> file =
            row.at(1) == "-" ? std::nullopt : std::optional(row.at(1));
        expectAnswer(row.at(2) == "save" ? kYesNoCancel : kYesNo, file, std::stoi(row.at(3)),
                     row.at(4));
    }
    SCOPED_TRACE("ten MiB");
    expectAnswer(kYesNoCancel, std::string(10 << 20, '#'), 2,
                 "larger than 1 MiB; no answers read from it");
}

TEST(UnattendedFile, MissingOrNoFileAtAllIsSaidAndTheLogKeepsOneLineAnAnswer) {
    qvtest::ScratchDir dir;
    const std::string log = dir.file("log");
    qvtest::ScopedEnv logged("QVMSGERR_UNATTENDED_LOG", log);
    for (const std::string& named : {dir.file("missing"), dir.path()}) {
        qvtest::ScopedEnv file("QVMSGERR_ANSWERS", named);
        EXPECT_EQ(unattended::answer(kYesNoCancel), 2);
    }
    Question hostile = kYesNoCancel;
    hostile.prompt = "two\r\nlines\tand\x01" + std::string(1000, 'x');
    EXPECT_EQ(unattended::answer(hostile), 2);
    const std::string text = qvtest::readFile(log);
    EXPECT_NE(text.find("missing: No such file or directory"), std::string::npos) << text;
    EXPECT_NE(text.find(": not a regular file"), std::string::npos) << text;
    // Every answer on a line of its own: breaks and tabs in a text are escaped, long ones cut.
    EXPECT_NE(text.find("two\\r\\nlines\\tand\\x01xxx"), std::string::npos) << text;
    EXPECT_LT(text.size(), 1000U);
}

} // namespace
} // namespace qvMsgErr

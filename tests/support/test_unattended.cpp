// The unattended rules: what answers a question nobody is there to answer, from answer files
// good and bad, and what the log says of it.
#include "support/unattended.h"

#include "raised.h"
#include "scratch.h"

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

struct Row {
    const char* what;
    std::optional<std::string> file; ///< the answer file's bytes; nullopt: none is named
    const Question& question;
    int32_t answer;     ///< 0: err::Unanswered
    std::string logged; ///< what the log holds, in part
};

const std::string kTenMiB(10 << 20, '#');

const Row kRows[] = {
    {"no file: the close box", std::nullopt, kYesNoCancel, 2,
     "\tSave the changes?\tCancel\tclose box"},
    {"no file, no close answer", std::nullopt, kYesNo, 0, "no rule answers it"},
    {"empty file", "", kYesNoCancel, 2, "close box"},
    {"ten MiB", kTenMiB, kYesNoCancel, 2, "larger than 1 MiB; no answers read from it"},
    {"malformed lines", "garbage\nid = Yes\nfoo bar = No\nid SaveOnClose =\nid SaveOnClose = No\n",
     kYesNoCancel, 7, ":1: no \"=\""},
    {"unknown button", "id SaveOnClose = Maybe\n", kYesNoCancel, 2,
     ":1 answers \"Maybe\", which this message does not offer"},
    {"a button not offered", "id Delete = Cancel\n", kYesNo, 0, "does not offer"},
    {"CR LF and the case of an identity", "id saveonclose = no\r\n", kYesNoCancel, 7, ":1"},
    {"bytes that are not UTF-8", "prompt Delete \xFF* = Yes\nprompt Delete * = No\n", kYesNo, 7,
     ":2"},
    {"a caption names its button", "title Led* = save\n", kYesNoCancel, 6, "\tYes\t"},
    {"a number", "prompt * = 7\n", kYesNo, 7, "\tNo\t"},
    {"the first rule that answers", "prompt Save* = No\nid SaveOnClose = Yes\n", kYesNoCancel, 7,
     ":1"},
    {"the default rule", "id Other = Yes\ndefault = No\n", kYesNo, 7, ":2"},
    {"default close", "default = close\n", kYesNoCancel, 2, ":1"},
    {"default fail", "default = fail\n", kYesNoCancel, 0, "must not be answered"},
};

class Unattended : public ::testing::TestWithParam<Row> {};

TEST_P(Unattended, AnswersOnlyWhatTheQuestionOffers) {
    const Row& row = GetParam();
    qvtest::ScratchDir dir;
    const std::string answers = dir.file("answers"), log = dir.file("log");
    if (row.file) {
        qvtest::writeFile(answers, *row.file);
    }
    qvtest::ScopedEnv named("QVMSGERR_ANSWERS", row.file ? std::optional(answers) : std::nullopt);
    qvtest::ScopedEnv logged("QVMSGERR_UNATTENDED_LOG", log);
    int32_t answer = 0;
    const RunTimeError e = testing::raised([&] { answer = unattended::answer(row.question); });
    EXPECT_EQ(answer, row.answer);
    EXPECT_EQ(e.Number, row.answer == 0 ? err::Unanswered : 0) << e.Description;
    const std::string text = qvtest::readFile(log);
    EXPECT_NE(text.find(row.logged), std::string::npos) << text;
    // One line for the question, answered or not.
    EXPECT_EQ(text.find("\tmessage\t"), text.rfind("\tmessage\t")) << text;
    EXPECT_NE(text.find("\tmessage\t"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Files, Unattended, ::testing::ValuesIn(kRows), [](const auto& info) {
    std::string name;
    for (const char c : std::string(info.param.what)) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
});

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

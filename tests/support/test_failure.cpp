// The four failure conventions and the conversion of foreign exceptions.
#include "support/apartment.h"
#include "support/failure.h"

#include <gtest/gtest.h>

#include <any>
#include <functional>
#include <new>
#include <stdexcept>
#include <variant>
#include <vector>

using namespace qvMsgErr;

namespace {

struct Conversion {
    const char* what;
    std::function<void()> raise;
    int32_t number;
};

class ConversionTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(ConversionTest, ForeignExceptionBecomesRunTimeError) {
    const auto& c = GetParam();
    try {
        passOn("Outer&", c.raise);
        FAIL() << "nothing raised";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, c.number);
        EXPECT_EQ(e.Description, standardDescription(c.number)) << c.what;
        EXPECT_EQ(e.Source, std::string("Outer&") + RunTimeError::kDefaultSource);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Foreign, ConversionTest,
    ::testing::Values(
        Conversion{"bad_alloc", [] { throw std::bad_alloc(); }, err::OutOfMemory},
        Conversion{"out_of_range", [] { (void)std::vector<int>{}.at(3); },
                   err::SubscriptOutOfRange},
        Conversion{"overflow", [] { throw std::overflow_error("x"); }, err::Overflow},
        Conversion{"variant", [] { (void)std::get<int>(std::variant<int, float>(1.f)); },
                   err::TypeMismatch},
        Conversion{"any", [] { (void)std::any_cast<int>(std::any(1.0)); }, err::TypeMismatch},
        Conversion{"invalid_argument", [] { (void)std::stoi("x"); }, err::InvalidCall},
        Conversion{"unknown", [] { throw 42; }, err::InternalError}));

TEST(PassOn, BuildsTheTrailOutermostFirst) {
    try {
        passOn("MsgBox&", [] {
            passOn("ShowMessage&", [] { throw RunTimeError(9, "Subscript out of range", "src"); });
        });
        FAIL();
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Source, "MsgBox&ShowMessage&src");
        EXPECT_EQ(e.Number, 9);
        EXPECT_EQ(e.Description, "Subscript out of range");
    }
}

TEST(PassOn, KeepsHelpFieldsAndReturnsValues) {
    EXPECT_EQ(passOn("A&", [] { return 7; }), 7);
    try {
        passOn("A&", [] { throw RunTimeError(5, "d", "s", "help.chm", 12); });
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.HelpFile, "help.chm");
        EXPECT_EQ(e.HelpContext, 12);
    }
}

// A shared error object that answers from a list and remembers what it was shown.
class ScriptedPresenter : public ErrorPresenter {
public:
    explicit ScriptedPresenter(std::vector<int16_t> answers) : answers_(std::move(answers)) {}
    int16_t Show(bool modal, std::string description, int32_t number, std::string details,
                 std::string solution, std::string activity) override {
        shown.push_back({modal, description, number, details, solution, activity});
        if (next_ >= answers_.size()) {
            return 3;
        }
        return answers_[next_++];
    }
    struct Call {
        bool modal;
        std::string description;
        int32_t number;
        std::string details, solution, activity;
    };
    std::vector<Call> shown;

private:
    std::vector<int16_t> answers_;
    size_t next_ = 0;
};

struct Decision {
    const char* name;
    std::vector<int16_t> answers;
    std::vector<int> expectedRuns; // statements that completed, in order
    bool completed;
    size_t dialogs;
};

class ShowAndDecideTest : public ::testing::TestWithParam<Decision> {
protected:
    void TearDown() override { apartment().sharedError.reset(); }
};

TEST_P(ShowAndDecideTest, AnswerDecidesHowTheProcedureGoesOn) {
    const auto& d = GetParam();
    auto presenter = std::make_shared<ScriptedPresenter>(d.answers);
    apartment().sharedError = presenter;
    std::vector<int> runs;
    int failuresLeft = 2; // statement 2 fails twice, then succeeds
    const bool completed = showAndDecide("cmdButton_Click&", {
                                                                 [&] { runs.push_back(1); },
                                                                 [&] {
                                                                     if (failuresLeft-- > 0) {
                                                                         throw RunTimeError(380);
                                                                     }
                                                                     runs.push_back(2);
                                                                 },
                                                                 [&] { runs.push_back(3); },
                                                             });
    EXPECT_EQ(completed, d.completed);
    EXPECT_EQ(runs, d.expectedRuns);
    ASSERT_EQ(presenter->shown.size(), d.dialogs);
    const auto& call = presenter->shown.front();
    EXPECT_TRUE(call.modal);
    EXPECT_EQ(call.number, 380);
    EXPECT_EQ(call.description, "Invalid property value");
    EXPECT_EQ(call.details, "cmdButton_Click&");
    EXPECT_EQ(call.solution, "");
    EXPECT_EQ(call.activity, "");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ShowAndDecideTest,
    ::testing::Values(Decision{"TryAgainUntilItWorks", {4, 4}, {1, 2, 3}, true, 2},
                      Decision{"IgnoreGoesOn", {5}, {1, 3}, true, 1},
                      Decision{"TryAgainThenIgnore", {4, 5}, {1, 3}, true, 2},
                      Decision{"CloseLeaves", {3}, {1}, false, 1},
                      Decision{"AbortLeaves", {0}, {1}, false, 1}),
    [](const auto& info) { return info.param.name; });

TEST(ShowAndDecide, WithoutSharedErrorObjectLeavesQuietly) {
    apartment().sharedError.reset();
    std::vector<int> runs;
    EXPECT_FALSE(showAndDecide("X&", {[&] { runs.push_back(1); }, [] { throw RunTimeError(5); },
                                      [&] { runs.push_back(3); }}));
    EXPECT_EQ(runs, std::vector<int>{1});
}

TEST(PassOver, SkipsFailingStatementsOnly) {
    std::vector<int> runs;
    passOver({[&] { runs.push_back(1); }, [] { throw std::runtime_error("x"); },
              [&] { runs.push_back(3); }, [] { throw RunTimeError(91); }});
    EXPECT_EQ(runs, (std::vector<int>{1, 3}));
}

TEST(OrResult, FallbackOnAnyError) {
    EXPECT_EQ(orResult(false, [] { return true; }), true);
    EXPECT_EQ(orResult(false, []() -> bool { throw RunTimeError(75); }), false);
    EXPECT_EQ(orResult(int16_t{-1}, []() -> int16_t { throw std::bad_alloc(); }), -1);
}

TEST(StandardDescription, KnownAndUnknownNumbers) {
    EXPECT_EQ(standardDescription(5), "Invalid procedure call or argument");
    EXPECT_EQ(standardDescription(91), "Object variable or With block variable not set");
    EXPECT_EQ(standardDescription(32755), "Cancel was selected.");
    EXPECT_EQ(standardDescription(12345), "Application-defined or object-defined error");
}

} // namespace

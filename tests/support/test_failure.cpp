// The failure conventions and the conversion of foreign exceptions.
#include "raised.h"
#include "support/apartment.h"
#include "support/failure.h"

#include <gtest/gtest.h>

#include <any>
#include <functional>
#include <new>
#include <stdexcept>
#include <tuple>
#include <variant>
#include <vector>

using namespace qvMsgErr;

namespace {

using qvMsgErr::testing::raised;

TEST(PassOn, TurnsForeignExceptionsIntoRunTimeErrorsWithStandardDescriptions) {
    const std::tuple<const char*, std::function<void()>, int32_t> conversions[] = {
        {"bad_alloc", [] { throw std::bad_alloc(); }, err::OutOfMemory},
        {"out_of_range", [] { (void)std::vector<int>{}.at(3); }, err::SubscriptOutOfRange},
        {"overflow", [] { throw std::overflow_error("x"); }, err::Overflow},
        {"variant", [] { (void)std::get<int>(std::variant<int, float>(1.f)); }, err::TypeMismatch},
        {"any", [] { (void)std::any_cast<int>(std::any(1.0)); }, err::TypeMismatch},
        {"invalid_argument", [] { (void)std::stoi("x"); }, err::InvalidCall},
        {"unknown", [] { throw 42; }, err::InternalError},
    };
    for (const auto& [what, raise, number] : conversions) {
        SCOPED_TRACE(what);
        const RunTimeError e = raised([&] { passOn("Outer&", raise); });
        EXPECT_EQ(e.Number, number);
        EXPECT_EQ(e.Description, standardDescription(number));
        EXPECT_EQ(e.Source, std::string("Outer&") + RunTimeError::kDefaultSource);
    }
    EXPECT_EQ(standardDescription(32755), "Cancel was selected.");
    EXPECT_EQ(standardDescription(12345), "Application-defined or object-defined error");
}

// A shared error object that answers from a list (then 3) and remembers what it was shown.
struct ScriptedPresenter : ErrorPresenter {
    std::vector<int16_t> answers;
    std::vector<std::tuple<bool, std::string, int32_t, std::string, std::string, std::string>>
        shown;
    int16_t Show(bool modal, std::string description, int32_t number, std::string details,
                 std::string solution, std::string activity) override {
        shown.emplace_back(modal, description, number, details, solution, activity);
        return shown.size() <= answers.size() ? answers[shown.size() - 1] : int16_t{3};
    }
};

TEST(ShowAndDecide, TheAnswerDecidesHowTheProcedureGoesOn) {
    // the answers (none: no shared error object), the statements that completed, whether all did
    const std::tuple<const char*, std::vector<int16_t>, std::vector<int>, bool> decisions[] = {
        {"TryAgainUntilItWorks", {4, 4}, {1, 2, 3}, true}, {"IgnoreGoesOn", {5}, {1, 3}, true},
        {"TryAgainThenIgnore", {4, 5}, {1, 3}, true},      {"CloseLeaves", {3}, {1}, false},
        {"NoSharedErrorObjectLeaves", {}, {1}, false},
    };
    for (const auto& [name, answers, expectedRuns, completed] : decisions) {
        SCOPED_TRACE(name);
        auto presenter = std::make_shared<ScriptedPresenter>();
        presenter->answers = answers;
        apartment().sharedError = answers.empty() ? nullptr : presenter;
        std::vector<int> runs;
        int failuresLeft = 2; // statement 2 fails twice, then succeeds
        EXPECT_EQ(showAndDecide(
                      "cmdButton_Click&",
                      {[&] { runs.push_back(1); },
                       [&] { failuresLeft-- > 0 ? throw RunTimeError(380) : runs.push_back(2); },
                       [&] { runs.push_back(3); }}),
                  completed);
        EXPECT_EQ(runs, expectedRuns);
        EXPECT_EQ(presenter->shown,
                  decltype(presenter->shown)(answers.size(), {true, "Invalid property value", 380,
                                                              "cmdButton_Click&", "", ""}));
    }
    apartment().sharedError.reset();
}

TEST(OrResult, GivesTheFallbackOnAnyError) {
    EXPECT_TRUE(orResult(true, []() -> bool { throw RunTimeError(75); }));
    EXPECT_EQ(orResult(int16_t{-1}, []() -> int16_t { throw std::bad_alloc(); }), -1);
}

} // namespace

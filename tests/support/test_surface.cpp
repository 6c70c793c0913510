// The public enumerations and registration identifiers that late-bound hosts rely on.
#include <qvMsgErr/enums.h>
#include <qvMsgErr/identifiers.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>

using namespace qvMsgErr;

namespace {

TEST(Surface, EnumerationValuesAreTheStandardResultCodes) {
    const std::pair<int32_t, int32_t> buttons[] = {
        {qvButtonNone, 0},  {qvButtonOK, 1},     {qvButtonCancel, 2}, {qvButtonAbort, 3},
        {qvButtonRetry, 4}, {qvButtonIgnore, 5}, {qvButtonYes, 6},    {qvButtonNo, 7}};
    for (const auto& [member, value] : buttons) {
        EXPECT_EQ(member, value);
    }
    EXPECT_EQ(sizeof(qvButtonNumbers), 4u);
    EXPECT_EQ((std::pair{Standard + 0, Tessary2003 + 0}), (std::pair{0, 2}));
    EXPECT_EQ((std::pair{icnCritical + 0, icnInformation + 0}), (std::pair{1, 4}));
}

TEST(Surface, GuidsAreWellFormedAndDistinct) {
    const ids::Registration all[] = {ids::kLibrary,           ids::kClsMesgBox,
                                     ids::kIClsMesgBox,       ids::kClsError,
                                     ids::kIClsError,         ids::kIClsErrorEarlier,
                                     ids::kEventsClsError,    ids::kEventsClsErrorEarlier,
                                     ids::kEnumButtonNumbers, ids::kEnumMsgBoxType,
                                     ids::kEnumButtonIcon};
    const std::regex guid(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})");
    std::set<std::string> seen;
    for (const auto& r : all) {
        EXPECT_TRUE(std::regex_match(r.guid, guid)) << r.name;
        EXPECT_TRUE(seen.insert(r.guid).second) << r.name << " reuses a GUID";
    }
}

TEST(Surface, DispatchIdsAreUniqueWithinEachInterface) {
    namespace m = ids::dispMesgBox;
    const int32_t mesgBox[] = {m::UseSounds,
                               m::TimerCountDownCaption,
                               m::TimeOutOccured,
                               m::Reg_Root,
                               m::BackColor,
                               m::DontShowIsValidForCancel,
                               m::CmdDescriptions,
                               m::MsgBoxType,
                               m::DefaultButtonOK,
                               m::DefaultButtonCancel,
                               m::DefaultButtonAbort,
                               m::DefaultButtonRetry,
                               m::DefaultButtonIgnore,
                               m::DefaultButtonYes,
                               m::DefaultButtonNo,
                               m::DefaultButtonHelp,
                               m::DefaultButtonDetails,
                               m::ButtonOK,
                               m::ButtonCancel,
                               m::ButtonAbort,
                               m::ButtonRetry,
                               m::ButtonIgnore,
                               m::ButtonYes,
                               m::ButtonNo,
                               m::ButtonHelp,
                               m::ButtonDetails,
                               m::DescOK,
                               m::DescCancel,
                               m::DescAbort,
                               m::DescRetry,
                               m::DescIgnore,
                               m::DescYes,
                               m::DescNo,
                               m::FormPosition,
                               m::FormLeft,
                               m::FormTop,
                               m::TimerUse,
                               m::TimerSeconds,
                               m::DontShowAgain,
                               m::DontShowAgainTicked,
                               m::DontShowIsManual,
                               m::DontShowAgainPrompt,
                               m::DetailsButton,
                               m::DetailsString,
                               m::msgBox,
                               m::ResolveButtonNameText,
                               m::DontShowForceButton,
                               m::GetDontShowIDValue};
    EXPECT_EQ(std::set<int32_t>(std::begin(mesgBox), std::end(mesgBox)).size(), 48u);

    namespace e = ids::dispError;
    const int32_t error[] = {e::LastNumber,   e::LastDescription,  e::LastSource, e::AbortPending,
                             e::SupportEmail, e::LastErrorOccured, e::Show,       e::Description,
                             e::Number,       e::Details,          e::AppName,    e::UserName,
                             e::Appearance,   e::Solution,         e::Activity,   e::WriteDebugLog};
    EXPECT_EQ(std::set<int32_t>(std::begin(error), std::end(error)).size(), 16u);
    for (int32_t id : error) {
        EXPECT_NE(id, 0) << "no member is the default member";
    }
}

} // namespace

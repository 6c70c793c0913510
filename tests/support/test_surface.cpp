// The registration identifiers that late-bound hosts rely on.
#include <qvMsgErr/identifiers.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>

using namespace qvMsgErr;

namespace {

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
    {
        using namespace ids::dispMesgBox;
        std::set<int32_t> mesgBox = {
            UseSounds,           TimerCountDownCaption,    TimeOutOccured,     Reg_Root,
            BackColor,           DontShowIsValidForCancel, CmdDescriptions,    MsgBoxType,
            DefaultButtonOK,     DefaultButtonCancel,      DefaultButtonAbort, DefaultButtonRetry,
            DefaultButtonIgnore, DefaultButtonYes,         DefaultButtonNo,    DefaultButtonHelp,
            DefaultButtonDetails};
        mesgBox.insert({ButtonOK, ButtonCancel, ButtonAbort, ButtonRetry, ButtonIgnore, ButtonYes,
                        ButtonNo, ButtonHelp, ButtonDetails, DescOK, DescCancel, DescAbort,
                        DescRetry, DescIgnore, DescYes, DescNo});
        mesgBox.insert({FormPosition, FormLeft, FormTop, TimerUse, TimerSeconds, DontShowAgain,
                        DontShowAgainTicked, DontShowIsManual, DontShowAgainPrompt, DetailsButton,
                        DetailsString, msgBox, ResolveButtonNameText, DontShowForceButton,
                        GetDontShowIDValue});
        EXPECT_EQ(mesgBox.size(), 48u);
    }
    using namespace ids::dispError;
    const std::set<int32_t> error = {LastNumber,   LastDescription,  LastSource, AbortPending,
                                     SupportEmail, LastErrorOccured, Show,       Description,
                                     Number,       Details,          AppName,    UserName,
                                     Appearance,   Solution,         Activity,   WriteDebugLog};
    EXPECT_EQ(error.size(), 16u);
    EXPECT_EQ(error.count(0), 0u) << "no member is the default member";
}

} // namespace

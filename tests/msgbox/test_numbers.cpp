// The flag word and the number conversions, as tables.
#include "msgbox/numbers.h"
#include "raised.h"

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/enums.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace qvMsgErr;
using namespace qvMsgErr::msgbox;

TEST(FlagWord, IconLaterTestsWin) {
    const struct {
        int32_t buttons, icon;
    } cases[] = {{0, -1}, {16, 1},  {32, 2},     {48, 3},          {64, 4}, {80, 4},
                 {96, 4}, {112, 4}, {16 | 3, 1}, {0x4000 | 32, 2}, {8, -1}, {128, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(iconCode(c.buttons), c.icon) << c.buttons;
    }
    EXPECT_EQ(soundFor(-1), 0);
    EXPECT_EQ(soundFor(icnInformation), 64);
}

TEST(FlagWord, DefaultPositionNeedsEnoughButtons) {
    const struct {
        int32_t buttons;
        int16_t count, position;
    } cases[] = {{0, 3, 0},     {0x100, 1, 0}, {0x100, 2, 1}, {0x200, 2, 0}, {0x200, 3, 2},
                 {0x300, 2, 1}, {0x300, 3, 2}, {0x300, 4, 3}, {0x300, 5, 3}, {0x200, 5, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(defaultPosition(c.buttons, c.count), c.position)
            << c.buttons << " with " << c.count;
    }
}

TEST(Conversions, RoundToLongHalvesToEvenAndOverflows) {
    EXPECT_EQ(roundToLong(2.5), 2);
    EXPECT_EQ(roundToLong(3.5), 4);
    EXPECT_EQ(roundToLong(-2.5), -2);
    EXPECT_EQ(roundToLong(2147483647.0), 2147483647);
    for (double bad : {2147483647.5, -2147483649.0, 1e30, std::nan(""),
                       std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(qvMsgErr::testing::raised([&] { roundToLong(bad); }).Number, err::Overflow)
            << bad;
    }
}

TEST(Conversions, StrictInteger) {
    const struct {
        const char* text;
        int32_t value; // or the error number, negated
    } cases[] = {{"7", 7},         {" 7 ", 7},         {"-3", -3},     {"2.5", 2},
                 {"3.5", 4},       {"1e2", 100},       {"&H10", 16},   {"&o17", 15},
                 {"32767", 32767}, {"-32768", -32768}, {"", -13},      {"   ", -13},
                 {"abc", -13},     {"7x", -13},        {"0x10", -13},  {"32768", -6},
                 {"32767.5", -6},  {"1e400", -6},      {"&H8000", -6}, {"\t6\t", 6}};
    for (const auto& c : cases) {
        try {
            EXPECT_EQ(strictInteger(c.text), c.value) << '"' << c.text << '"';
        } catch (const RunTimeError& e) {
            EXPECT_EQ(-e.Number, c.value) << '"' << c.text << '"';
        }
    }
}

TEST(Conversions, TrimSpacesAndCheckBoxText) {
    EXPECT_EQ(trimSpaces("  Q1  "), "Q1");
    EXPECT_EQ(trimSpaces("\tQ1 "), "\tQ1");
    EXPECT_EQ(trimSpaces("   "), "");
    EXPECT_EQ(dontShowPrompt("   "), "Don't show this message again");
    EXPECT_EQ(dontShowPrompt(" Never "), " Never ");
}

} // namespace

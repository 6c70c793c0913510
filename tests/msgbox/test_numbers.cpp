// The icon of a flag word: -1 for a word without icon bits; where several are set, the later
// test wins (48 has the bits of 16 and 32, 112 those of all four).
#include "msgbox/numbers.h"

#include <gtest/gtest.h>

namespace {

using qvMsgErr::msgbox::iconCode;

TEST(FlagWord, IconLaterTestsWin) {
    const struct {
        int32_t buttons, icon;
    } cases[] = {{0, -1}, {8 | 128, -1}, {16 | 3, 1}, {0x4000 | 32, 2}, {48, 3}, {112, 4}};
    for (const auto& c : cases) {
        EXPECT_EQ(iconCode(c.buttons), c.icon) << c.buttons;
    }
}

} // namespace

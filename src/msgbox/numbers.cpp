#include "msgbox/numbers.h"

#include "support/modRegistry.h"
#include "support/texts.h"

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/enums.h>
#include <qvMsgErr/memory.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <regex>

namespace qvMsgErr::msgbox {

int32_t iconCode(int32_t Buttons) {
    int32_t icon = -1;
    if ((Buttons & 16) == 16) {
        icon = icnCritical;
    }
    if ((Buttons & 32) == 32) {
        icon = icnQuestion;
    }
    if ((Buttons & 48) == 48) {
        icon = icnExclamation;
    }
    if ((Buttons & 64) == 64) {
        icon = icnInformation;
    }
    return icon;
}

int32_t soundFor(int32_t iconCode) {
    return iconCode >= icnCritical && iconCode <= icnInformation ? iconCode * 16 : 0;
}

bool definesButtons(int32_t Buttons) {
    return (Buttons & 7) <= 5;
}

bool isButtonOfSet(int32_t Buttons, int32_t ButtonNumber) {
    const auto set = ButtonSet(Buttons);
    return std::find(set.begin(), set.end(), ButtonNumber) != set.end();
}

int16_t defaultPosition(int32_t Buttons, int16_t buttonCount) {
    int16_t position = 0;
    if ((Buttons & 0x100) == 0x100 && buttonCount >= 2) {
        position = 1;
    }
    if ((Buttons & 0x200) == 0x200 && buttonCount >= 3) {
        position = 2;
    }
    if ((Buttons & 0x300) == 0x300 && buttonCount >= 4) {
        position = 3;
    }
    return position;
}

std::string buttonName(int32_t ButtonNumber) {
    static constexpr const char* kNames[] = {"None",  "OK",     "Cancel", "Abort",
                                             "Retry", "Ignore", "Yes",    "No"};
    if (ButtonNumber < qvButtonNone || ButtonNumber > qvButtonNo) {
        return "Unknown";
    }
    return kNames[ButtonNumber];
}

int32_t roundToLong(double v) {
    const double r = std::nearbyint(v); // the default rounding mode sends halves to even
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())) {
        throw RunTimeError(err::Overflow);
    }
    return static_cast<int32_t>(r);
}

int16_t strictInteger(const std::string& text) {
    static const std::regex decimal(R"(\s*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?\s*)");
    static const std::regex prefixed(R"(\s*[-+]?&([hH][0-9a-fA-F]{1,8}|[oO][0-7]{1,11})\s*)");
    double value = 0;
    if (std::regex_match(text, decimal)) {
        value = std::nearbyint(std::strtod(text.c_str(), nullptr));
    } else if (std::regex_match(text, prefixed)) {
        const auto amp = text.find('&');
        const int base = (text[amp + 1] | 0x20) == 'h' ? 16 : 8;
        value = static_cast<double>(std::stoll(text.substr(amp + 2), nullptr, base));
        if (text.find('-') < amp) {
            value = -value;
        }
    } else {
        throw RunTimeError(err::TypeMismatch);
    }
    if (value < std::numeric_limits<int16_t>::min() ||
        value > std::numeric_limits<int16_t>::max()) {
        throw RunTimeError(err::Overflow);
    }
    // In range: the store's own reader gives the same number, rounded on the decimal digits.
    return MakeInteger(text);
}

std::string trimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string dontShowPrompt(const std::string& prompt, const platform::Desktop& desktop) {
    return trimSpaces(prompt).empty()
               ? desktop.translate(texts::kMessageBox, "Don't show this message again")
               : prompt;
}

} // namespace qvMsgErr::msgbox

namespace qvMsgErr {

std::vector<qvButtonNumbers> ButtonSet(int32_t Buttons) {
    switch (Buttons & 7) {
    case 0:
        return {qvButtonOK};
    case 1:
        return {qvButtonOK, qvButtonCancel};
    case 2:
        return {qvButtonAbort, qvButtonRetry, qvButtonIgnore};
    case 3:
        return {qvButtonYes, qvButtonNo, qvButtonCancel};
    case 4:
        return {qvButtonYes, qvButtonNo};
    case 5:
        return {qvButtonRetry, qvButtonCancel};
    default:
        return {};
    }
}

} // namespace qvMsgErr

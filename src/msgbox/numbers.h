// The flag word of msgBox and the small conversions around button numbers.
#pragma once

#include <qvMsgErr/platform.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace qvMsgErr::msgbox {

/// Centre value that means "no parent window".
inline constexpr int32_t kNoParentPosition = -99000;
/// Where the remembered answers live below Reg_Root.
inline constexpr const char* kMemorySection = "MessageBox\\ShowMessage";
/// Flag bit that adds a Help button after the set's buttons.
inline constexpr int32_t kHelpButton = 0x4000;
/// Button-table numbers of the two buttons that never answer.
inline constexpr int32_t kHelpResult = -1;
inline constexpr int32_t kDetailsResult = -2;

/// The icon the flag word asks for: -1 none, else 1 critical … 4 information. Later tests win,
/// so any word with bit 64 gives 4.
int32_t iconCode(int32_t Buttons);
/// The system sound of an icon code: 0, 16, 32, 48 or 64.
int32_t soundFor(int32_t iconCode);
/// Whether the button set of `Buttons` (bits 0-2) names any buttons: sets 6 and 7 do not.
bool definesButtons(int32_t Buttons);
/// Whether `ButtonNumber` is one of the buttons of the set in `Buttons`.
bool isButtonOfSet(int32_t Buttons, int32_t ButtonNumber);
/// The position of the default button among `buttonCount` buttons (Help and Details counted).
int16_t defaultPosition(int32_t Buttons, int16_t buttonCount);
/// "None", "OK", … "No", or "Unknown".
std::string buttonName(int32_t ButtonNumber);

/// `v` rounded to the nearest Long, halves to even; RunTimeError 6 when it does not fit.
int32_t roundToLong(double v);
/// The text as a 16-bit number the strict way: surrounding blanks allowed, anything else that
/// is not a number is RunTimeError 13; a number beyond -32768…32767 is RunTimeError 6.
int16_t strictInteger(const std::string& text);

/// `text` without leading and trailing spaces (only spaces: tabs and breaks stay).
std::string trimSpaces(std::string_view text);
/// The check box's text: `prompt`, or the built-in one in the user's language when `prompt` is
/// empty or blank.
std::string dontShowPrompt(const std::string& prompt, const platform::Desktop& desktop);

} // namespace qvMsgErr::msgbox

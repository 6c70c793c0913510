// The typed face of clsMesgBox: enumerations instead of flag numbers, a builder instead of seven
// positional arguments, the button enumeration as the answer.
//
//     using namespace qvMsgErr;
//     const Button answer = Message{"Save the changes?"}
//                               .buttons(Buttons::YesNoCancel)
//                               .icon(Icon::Question)
//                               .title("Ledger")
//                               .rememberAs("SaveOnClose")
//                               .show();
//
// Each builder call is one call (or two) on a clsMesgBox, listed beside it; `show` makes a
// clsMesgBox, makes those calls in order and then msgBox. Nothing else happens: a window, an
// answer and an error are those of the class. Options that are standing on a clsMesgBox (captions
// for every message, Reg_Root) belong to a box of the host's: `show(box)` runs the message on it.
// The Qt flavour, with QString, QColor and a QWidget* parent, is qvMsgErr::qt::Message
// (<qvMsgErr/qt.h>).
#pragma once

#include <qvMsgErr/HostForm.h>
#include <qvMsgErr/enums.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace qvMsgErr {

class clsMesgBox;

/// The answer to a message: the button pressed (or remembered). TryAgain and Continue come only
/// from the system message box (Style::Standard with Buttons::CancelTryAgainContinue); None from
/// a countdown that ends on Help or Details.
enum class Button : int32_t {
    None = qvButtonNone,
    OK = qvButtonOK,
    Cancel = qvButtonCancel,
    Abort = qvButtonAbort,
    Retry = qvButtonRetry,
    Ignore = qvButtonIgnore,
    Yes = qvButtonYes,
    No = qvButtonNo,
    TryAgain = 10,
    Continue = 11,
};

/// The set of answer buttons, in the order shown.
enum class Buttons : int32_t {
    OK = 0,
    OKCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5,
    CancelTryAgainContinue = 6, ///< the system message box only; the other styles refuse it (5)
};

enum class Icon : int32_t {
    None = 0,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64
};

/// Which button has the focus when the window opens, counting Help and Details.
enum class DefaultButton : int32_t { First = 0, Second = 0x100, Third = 0x200, Fourth = 0x300 };

/// Read by the system message box (Style::Standard) only.
enum class Modality : int32_t { Application = 0, System = 0x1000, Task = 0x2000 };

/// Options of the flag word; they add up. Help adds a Help button in every style; the others are
/// read by the system message box (Style::Standard) only.
enum class Option : int32_t {
    Help = 0x4000,
    Foreground = 0x10000,
    DefaultDesktopOnly = 0x20000,
    TopMost = 0x40000,
    RightAligned = 0x80000,
    RightToLeft = 0x100000,
};

/// The window: the system message box, the classic window or the 2003-style window.
enum class Style : int32_t {
    Standard = qvMsgErr::Standard,
    Classic = TessaryClassic,
    Tessary2003 = qvMsgErr::Tessary2003,
};

/// A typed flag word: one button set, icon, default button and modality, and any options.
/// `Buttons::YesNo | Icon::Question | DefaultButton::Second` is the word 4 | 32 | 0x100. A later
/// value of the same group replaces the earlier one (`flags | Icon::None` takes the icon away);
/// options add up.
class MessageFlags {
public:
    constexpr MessageFlags() = default;
    constexpr MessageFlags(Buttons v) : word_(static_cast<int32_t>(v)), group_(0x7) {}
    constexpr MessageFlags(Icon v) : word_(static_cast<int32_t>(v)), group_(0x70) {}
    constexpr MessageFlags(DefaultButton v) : word_(static_cast<int32_t>(v)), group_(0x300) {}
    constexpr MessageFlags(Modality v) : word_(static_cast<int32_t>(v)), group_(0x3000) {}
    constexpr MessageFlags(Option v) : word_(static_cast<int32_t>(v)) {}

    /// The flag word msgBox takes.
    constexpr int32_t word() const { return word_; }

    friend constexpr MessageFlags operator|(MessageFlags a, MessageFlags b) {
        a.word_ = (a.word_ & ~b.group_) | b.word_;
        a.group_ |= b.group_;
        return a;
    }
    friend constexpr bool operator==(MessageFlags a, MessageFlags b) { return a.word_ == b.word_; }

private:
    int32_t word_ = 0;
    int32_t group_ = 0; ///< the bits of the groups named so far
};

template <class E>
concept MessageFlag = std::is_same_v<E, Buttons> || std::is_same_v<E, Icon> ||
    std::is_same_v<E, DefaultButton> || std::is_same_v<E, Modality> || std::is_same_v<E, Option>;

constexpr MessageFlags operator|(MessageFlag auto a, MessageFlag auto b) {
    return MessageFlags(a) | MessageFlags(b);
}

/// A colour by its red, green and blue parts, or a system colour of the desktop's theme.
class Colour {
public:
    constexpr Colour(uint8_t red, uint8_t green, uint8_t blue)
        : bgr_(red | (green << 8) | (blue << 16)) {}
    /// 0xRRGGBB, as a web page writes it.
    static constexpr Colour rgb(uint32_t rrggbb) {
        return {static_cast<uint8_t>(rrggbb >> 16), static_cast<uint8_t>(rrggbb >> 8),
                static_cast<uint8_t>(rrggbb)};
    }
    /// The theme's colour number `index` (15 the button face, 5 the window background, …).
    static constexpr Colour system(uint8_t index) {
        return Colour(static_cast<int32_t>(0x80000000U | index));
    }
    /// The library's colour value: blue, green, red from the high byte down; the high bit names a
    /// system colour.
    constexpr int32_t bgr() const { return bgr_; }

private:
    constexpr explicit Colour(int32_t bgr) : bgr_(bgr) {}
    int32_t bgr_;
};

/// A point on the screen in pixels (converted with the desktop's pixels per inch when the
/// message shows) or in points (1/72 inch).
struct Pixels {
    double x = 0, y = 0;
};
struct Points {
    double x = 0, y = 0;
};

/// The builder under Message and qt::Message: `Text` is the string type of its texts, `Paint` of
/// its colours and `Parent` of the window it is centred on. Self is the builder itself, so that
/// calls chain.
template <class Self, class Text, class Paint, class Parent> class BasicMessage {
public:
    explicit BasicMessage(const Text& prompt);

    // --- the flag word ---------------------------------------------------------------------
    Self& buttons(Buttons set);                ///< the set in the flag word
    Self& icon(Icon icon);                     ///< the icon, and its sound
    Self& defaultButton(DefaultButton button); ///< focused when the window opens
    Self& modality(Modality modality);
    Self& option(Option option);     ///< adds one option
    Self& flags(MessageFlags flags); ///< the whole word at once: Buttons::YesNo | Icon::Question

    // --- msgBox's other arguments ----------------------------------------------------------
    Self& title(const Text& title); ///< "" is an empty title
    Self& applicationTitle();       ///< the application's own title (the default)
    Self& help(const Text& file, int32_t context = -1); ///< for the Help button and F1
    Self& id(const Text& messageID); ///< the identity the memory and answer files know it by
    Self& parent(Parent window);     ///< centred on this window (a form); see HostForm.h

    // --- options of the box ----------------------------------------------------------------
    Self& style(Style style);              ///< MsgBoxType; Standard by default
    Self& sound(bool on);                  ///< UseSounds (on by default)
    Self& backColour(const Paint& colour); ///< BackColor
    Self& position(Pixels topLeft);        ///< FormPosition, FormLeft, FormTop
    Self& position(Points topLeft);
    Self& countdown(int32_t seconds);         ///< TimerUse, TimerSeconds (Tessary2003 only)
    Self& countdownCaption(const Text& text); ///< TimerCountDownCaption ("Closing in")
    /// One button's caption for this message (ButtonOK … ButtonNo; "&" marks the access key).
    Self& caption(Button button, const Text& caption);
    Self& helpCaption(const Text& caption);    ///< ButtonHelp
    Self& detailsCaption(const Text& caption); ///< ButtonDetails
    /// A text beside an answer button (DescOK … DescNo, and CmdDescriptions).
    Self& description(Button button, const Text& text);
    /// A Details button that opens `text` below the message (DetailsButton, DetailsString).
    Self& details(const Text& text);

    // --- "Don't show this message again" ---------------------------------------------------
    /// Offers the box and answers from the memory first (id, DontShowAgain).
    Self& rememberAs(const Text& messageID);
    Self& rememberTicked(bool ticked = true);   ///< DontShowAgainTicked: the box starts ticked
    Self& rememberCancel(bool allowed = true);  ///< DontShowIsValidForCancel
    Self& rememberManually(bool manual = true); ///< DontShowIsManual: nothing is stored
    Self& rememberPrompt(const Text& text);     ///< DontShowAgainPrompt
    Self& rememberButton(Button answer);        ///< DontShowForceButton

    /// Shows the message on a clsMesgBox of its own and returns the answer. RunTimeError as
    /// msgBox raises it.
    Button show();
    /// Shows the message on the host's `box`: what this message does not set stays as the box
    /// has it, and what it sets stays set on the box as msgBox leaves it.
    Button show(clsMesgBox& box);

    /// After show: whether the countdown ended the message (TimeOutOccured), and whether the box
    /// was left ticked (DontShowAgainTicked).
    bool timedOut() const { return timedOut_; }
    bool ticked() const { return ticked_; }

private:
    Self& then(std::function<void(clsMesgBox&)> step);

    std::vector<std::function<void(clsMesgBox&)>> steps_;
    std::string prompt_, title_ = "~NO~TITLE~", helpFile_, id_;
    int32_t context_ = -1;
    MessageFlags flags_;
    std::shared_ptr<const HostObject> parent_;
    bool timedOut_ = false, ticked_ = false;
};

/// The message builder on UTF-8 std::string texts; a parent is any HostObject the host keeps
/// alive until show returns (FixedForm, a HostForm of its own).
class Message : public BasicMessage<Message, std::string, Colour, const HostObject*> {
public:
    using BasicMessage::BasicMessage;
    explicit Message(const char* prompt) : BasicMessage(std::string(prompt)) {}
};

extern template class BasicMessage<Message, std::string, Colour, const HostObject*>;

/// Sets Reg_Root, where the thread's remembered answers are kept (see clsMesgBox::Reg_Root).
void rememberUnder(const std::string& settingsPath);

/// The fixed English name of an answer, as ResolveButtonNameText gives it: "OK", "Cancel", …
/// ("Unknown" for TryAgain and Continue, which no window of the library shows).
std::string nameOf(Button button);

} // namespace qvMsgErr

// clsMesgBox: a message box with custom captions, descriptions beside the buttons, a Details
// section, a countdown, two window styles, a position and a colour, and a "Don't show this
// message again" box whose answer is remembered per message.
//
//     qvMsgErr::clsMesgBox box;
//     box.MsgBoxType(qvMsgErr::Tessary2003);
//     box.ButtonYes("&Save");
//     box.ButtonNo("&Discard");
//     box.DontShowAgain(true);
//     if (box.msgBox("Save the changes to Ledger.db?", 4 | 32, "Ledger", "", -1,
//                    "SaveOnClose") == qvMsgErr::qvButtonYes) {
//         save();
//     }
//
// Options marked one-shot go back to their defaults after every completed msgBox call; the
// others stay until the host changes them. A failing member raises qvMsgErr::RunTimeError with
// the chain of procedures in its Source ("MsgBox&ShowMessage&…"); writing Reg_Root shows the
// error dialog instead. Like every window of the library, the object belongs to the thread that
// created it.
#pragma once

#include <qvMsgErr/HostForm.h>
#include <qvMsgErr/enums.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qvMsgErr {

namespace windows {
class MessageWindow;
}
namespace automation {
class MesgBoxObject;
}

class clsMesgBox {
public:
    /// Makes a new shared error object for the thread's windows and sets every option to its
    /// default.
    clsMesgBox();
    /// Releases the thread's shared error object, even while other objects still exist.
    ~clsMesgBox();
    clsMesgBox(const clsMesgBox&) = delete;
    clsMesgBox& operator=(const clsMesgBox&) = delete;

    // Members in the order of the automation interface.

    bool UseSounds = true;             ///< one-shot: the icon's sound when the window shows
    std::string TimerCountDownCaption; ///< text before the seconds left ("Closing in")
    bool TimeOutOccured = false;       ///< the last message ended by its countdown

    /// The host's settings path in the store, shared by every object of the thread. A failure
    /// shows the error dialog; it never raises.
    void Reg_Root(const std::string& newAppRoot);
    std::string Reg_Root() const;
    /// The message window's back colour (BGR; the high bit names a system colour). Once written
    /// it is applied to every later message of this object.
    void BackColor(const int32_t& NewColor);
    /// One-shot: whether a Cancel answer may be remembered.
    void DontShowIsValidForCancel(bool vData);
    bool DontShowIsValidForCancel() const;
    /// One-shot: show each answer button's description beside it.
    void CmdDescriptions(bool vData);
    bool CmdDescriptions() const;
    /// Any value other than TessaryClassic and Tessary2003 gives the system message box.
    void MsgBoxType(QVMsgBoxType vData);

    // Standing captions, used for every message ("&" marks the access key).
    void DefaultButtonOK(std::string vData);
    void DefaultButtonCancel(std::string vData);
    void DefaultButtonAbort(std::string vData);
    void DefaultButtonRetry(std::string vData);
    void DefaultButtonIgnore(std::string vData);
    void DefaultButtonYes(std::string vData);
    void DefaultButtonNo(std::string vData);
    void DefaultButtonHelp(std::string vData);
    void DefaultButtonDetails(std::string vData);

    // One-shot captions for the next message; empty means the standing caption.
    void ButtonOK(std::string vData);
    void ButtonCancel(std::string vData);
    void ButtonAbort(std::string vData);
    void ButtonRetry(std::string vData);
    void ButtonIgnore(std::string vData);
    void ButtonYes(std::string vData);
    void ButtonNo(std::string vData);
    void ButtonHelp(std::string vData);
    void ButtonDetails(std::string vData);

    // Descriptions beside the answer buttons, kept for every message.
    void DescOK(std::string vData);
    void DescCancel(std::string vData);
    void DescAbort(std::string vData);
    void DescRetry(std::string vData);
    void DescIgnore(std::string vData);
    void DescYes(std::string vData);
    void DescNo(std::string vData);

    /// One-shot: place the window's top-left corner at FormLeft, FormTop (twips).
    void FormPosition(bool vData);
    void FormLeft(float vData);
    void FormTop(float vData);
    /// One-shot: the 2003-style window closes itself after TimerSeconds and answers its default
    /// button.
    void TimerUse(bool vData);
    void TimerSeconds(int32_t vData);
    /// One-shot: offer the "Don't show this message again" box and answer from the memory first.
    /// Needs a MessageID.
    void DontShowAgain(bool vData);
    bool DontShowAgain() const;
    /// The box starts ticked when true; after a message shown in a window, whether it was ticked.
    void DontShowAgainTicked(bool vData);
    bool DontShowAgainTicked() const;
    /// One-shot: the host remembers the choice itself; nothing is stored.
    void DontShowIsManual(bool vData);
    bool DontShowIsManual() const;
    /// One-shot: the box's text; empty or blank gives "Don't show this message again".
    void DontShowAgainPrompt(std::string vData);
    /// One-shot: add a Details button that opens DetailsString below the message.
    void DetailsButton(bool vData);
    void DetailsString(std::string vData);
    std::string DetailsString() const;

    /// Shows one message and returns the button chosen (qvButtonOK … qvButtonNo). `Buttons` is
    /// the standard flag word: button set (bits 0-2; sets 6 and 7 are refused with error 5),
    /// icon (16, 32, 48, 64), default button (0x100, 0x200, 0x300), Help button (0x4000).
    /// "~NO~TITLE~" shows the application's title. A remembered answer for `MessageID` returns at
    /// once without a window.
    int32_t msgBox(const std::string& Prompt, int32_t Buttons = 0,
                   const std::string& Title = "~NO~TITLE~", const std::string& HelpFile = {},
                   int32_t Context = -1, const std::string& MessageID = {},
                   const HostObject* ParentForm = nullptr);

    /// The fixed English name of a button number ("OK", "Cancel", … "Unknown").
    std::string ResolveButtonNameText(qvButtonNumbers ButtonNumber, bool LowerCase = false);

    /// One-shot: the answer to remember when the box is ticked, whatever the user pressed;
    /// qvButtonNone remembers the user's answer.
    void DontShowForceButton(const qvButtonNumbers& DefaultButton);
    qvButtonNumbers DontShowForceButton() const;

    /// The answer remembered for `MessageID` (used exactly as given). RunTimeError 13 when none
    /// is remembered or the stored text is not a number.
    int16_t GetDontShowIDValue(const std::string& MessageID);

    /// Marker of an omitted title.
    static constexpr const char* kNoTitle = "~NO~TITLE~";

private:
    friend class automation::MesgBoxObject;
    /// msgBox that hands back the trimmed MessageID, as a caller's variable passed by reference
    /// through the automation interface is.
    int32_t msgBoxInOut(const std::string& Prompt, int32_t Buttons, const std::string& Title,
                        const std::string& HelpFile, int32_t Context, std::string& MessageID,
                        const HostObject* ParentForm);

    // The per-message button table: up to five buttons (three of a set, Help, Details).
    struct ButtonTable {
        int16_t ButtonCount = 0;
        std::array<std::string, 6> ButtonCaptions;
        std::array<int32_t, 6> ButtonResults{};
        std::array<std::string, 6> ButtonDescriptions;
    };
    struct Captions {
        std::string OK, Cancel, Abort, Retry, Ignore, Yes, No, Help, Details;
        /// The captions the host wrote; the others are the library's own, shown in the user's
        /// language.
        std::vector<std::string Captions::*> hostWritten;
    };
    struct Descriptions {
        std::string OK, Cancel, Abort, Retry, Ignore, Yes, No;
    };

    void ResetProperties();
    int32_t ShowMessage(int32_t Style, const std::string& Prompt, int32_t Buttons,
                        const std::string& Title, const std::string& HelpFile, int32_t Context,
                        std::string& MessageID, int32_t CentreX, int32_t CentreY);
    int32_t composeAndShow(windows::MessageWindow& frm, const std::string& Prompt, int32_t Buttons,
                           const std::string& Title, const std::string& HelpFile, int32_t Context,
                           const std::string& MessageID, int32_t CentreX, int32_t CentreY);
    void SetupButtonNames(int32_t Buttons);
    bool IsValidButton(int32_t Buttons, int32_t ButtonNumber) const;
    void layoutButtons(windows::MessageWindow& frm, int32_t Buttons);
    float CalcMaxHeight(windows::MessageWindow& frm) const;
    void sizeWindow(windows::MessageWindow& frm) const;
    void placeWindow(windows::MessageWindow& frm, int32_t CentreX, int32_t CentreY) const;
    /// The position that answers the message when nobody is there to (the unattended rules).
    int16_t unattendedPosition(const windows::MessageWindow& frm, const std::string& Prompt,
                               const std::string& Title, const std::string& MessageID) const;
    int32_t rememberedAnswer(const std::string& MessageID) const;
    void rememberAnswer(const std::string& MessageID, int32_t Buttons, int32_t Answer) const;

    int32_t backColor_ = 0;
    bool backColorSet_ = false;
    bool dontShowIsValidForCancel_ = false;
    bool cmdDescriptions_ = false;
    int32_t msgBoxType_ = Standard;
    Captions defaultCaptions_;
    Captions captions_;
    Descriptions descriptions_;
    bool formPosition_ = false;
    float formLeft_ = 0, formTop_ = 0;
    bool timerUse_ = false;
    int32_t timerSeconds_ = 0;
    bool dontShowAgain_ = false;
    bool dontShowAgainTicked_ = false;
    bool dontShowIsManual_ = false;
    std::string dontShowAgainPrompt_;
    bool detailsButton_ = false;
    std::string detailsString_;
    qvButtonNumbers dontShowForceButton_ = qvButtonNone;

    ButtonTable table_;
    int16_t DefaultIndex = 0;
};

} // namespace qvMsgErr

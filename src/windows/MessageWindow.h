// The message windows: what the composition in clsMesgBox fills and reads, and the behaviour the
// classic and the 2003-style window share (button presses, Help, Details, keys, focus, icon).
//
// Use, in this order: construct (the window is created and loaded on the thread's desktop), set
// the public members and the controls, showModal() (returns once the window has hidden itself),
// read g_iButtonIndex and chkDontShow, unload().
#pragma once

#include "support/forms.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace qvMsgErr::windows {

/// The names under which a window's procedures appear as details in the error dialog.
struct ProcedureTrails {
    const char* MessageBackColor;
    const char* ToggleDetailsDisplay;
    const char* cmdButton_Click;
    const char* Form_Activate;
    const char* Form_KeyDown;
    const char* ShowIcon;
};

class MessageWindow : public LibraryForm {
public:
    std::string g_sHelpFile;
    /// Before the display: the default button's position. After it: the pressed button's
    /// position, or -1 when the countdown ran out.
    int16_t g_iButtonIndex = 0;
    bool CommandDescriptions = false;
    int32_t IconOffset = 0; ///< 0 none, 1 critical, 2 question, 3 exclamation, 4 information
    /// The position of the button that Escape and the close box answer with, or -1 when they
    /// answer nothing (the close box is then withdrawn and Escape does nothing).
    int16_t CloseIndex = -1;

    /// Applies one back colour to the window and its parts.
    virtual void MessageBackColor(const int32_t& NewColor) = 0;
    /// Draws picture `IconNumber` of imgIcons at imgIcon's corner.
    void ShowIcon(const int16_t& IconNumber);

    /// Shows the window modally; returns when it is hidden.
    void showModal() { window().showModal(); }

    void onEvent(platform::Event& event) override;

protected:
    MessageWindow(const platform::FormDesign& design, const ProcedureTrails& trails);

    const ProcedureTrails& trails() const { return trails_; }
    void cmdButton_Click(int16_t Index);
    /// Gives the focus to the default button; the classic window reports a failure, the 2003
    /// window passes over it.
    virtual void focusDefaultButton() = 0;
    virtual void Form_Activate();
    // Only the 2003 window reacts to these.
    virtual void cmdButton_MouseMove(int16_t /*Index*/) {}
    virtual void lblCmdDesc_Click(int16_t /*Index*/) {}
    virtual void Form_MouseMove() {}
    virtual void timerCountdown_Timer() {}

    /// The outer height without the details section; recorded on every activation.
    float m_sngCollapsedHeight = 0;

private:
    void ToggleDetailsDisplay(platform::Control& DetailsButton);
    void Form_KeyDown(int16_t KeyCode, int16_t Shift);
    void Form_Paint();
    /// The message as plain text, as Ctrl+C copies it: the title, the prompt, the details when
    /// there are any and the answer buttons, each part between dashed lines.
    std::string copiedText() const;

    ProcedureTrails trails_;
};

/// The classic window: the shared behaviour and nothing else.
class frmTessaryClassic final : public MessageWindow {
public:
    frmTessaryClassic();
    void MessageBackColor(const int32_t& NewColor) override;

private:
    void focusDefaultButton() override;
};

/// The 2003-style window: descriptions light up under the mouse, a click on a description presses
/// its button, and a countdown closes the window.
class frmTessary2003 final : public MessageWindow {
public:
    frmTessary2003();
    /// Seconds left; above 0 at activation starts the countdown. 2147483647 and -2147483648
    /// stand still.
    int32_t CountDownSeconds = 0;
    std::string CountDownCaption;

    void MessageBackColor(const int32_t& NewColor) override;

private:
    void focusDefaultButton() override;
    void Form_Activate() override;
    void cmdButton_MouseMove(int16_t Index) override;
    void lblCmdDesc_Click(int16_t Index) override;
    void Form_MouseMove() override;
    void timerCountdown_Timer() override;
    void MakeCountdownCaption();
};

/// Where the two windows' designs differ in the controls they share (twips, colours).
struct SharedDesign {
    float buttonLeft, buttonTop;
    float dontShowWidth;
    float descriptionLeft, descriptionTop;
    int32_t descriptionColor;
    float detailsTop;
    std::optional<int32_t> promptBack;  ///< the prompt and the check box with its label
    std::optional<int32_t> detailsBack; ///< the details text
};
/// Appends the controls both windows have, in their tab order.
void addSharedControls(platform::FormDesign& d, const SharedDesign& s);

const platform::FormDesign& frmTessaryClassicDesign();
const platform::FormDesign& frmTessary2003Design();

} // namespace qvMsgErr::windows

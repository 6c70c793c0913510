// The headless desktop: a simulated desktop with deterministic metrics, a scripted user and a
// record of every side effect. The library's own tests run on it; a host uses it to test its own
// dialog flows without a display.
//
// What it does:
//   [x] Windows from design tables, control arrays, every control property, containers (their
//       children move with them; a child of a hidden or disabled container counts as hidden or
//       disabled, while its own flag stays as set)
//   [x] Self-sizing labels with the metrics below, after every caption or word-wrap change; word
//       wrap at spaces, hard breaks at CR/LF
//   [x] Modal display: the scripted user's callback runs while the window is shown; a handler may
//       show another window modally from inside it (the callback runs again for that one)
//   [x] Events: click, got-focus, key-down (window first with key preview), mouse-move, paint,
//       activate, timer ticks on a virtual clock, close requests. Handlers' errors are dropped.
//   [x] Focus rules: focusing a control that is hidden, disabled, in a hidden or disabled
//       container, of a kind that takes no focus, or in a window that is not shown raises
//       RunTimeError 5; hiding or disabling the focused control leaves the window without focus
//   [x] Keys the desktop itself handles after the window and the focused control: Enter presses the
//       focused button, else (unless the focus is in a multi-line text box or rich-text area) the
//       default button; Escape the cancel button; Space the focused button or check box; Tab and
//       Shift+Tab move the focus in tab order; Alt alone with a letter or digit focuses and presses
//       the button or check box whose access key it is ("&&" is a literal ampersand; with Shift or
//       Ctrl added the key is left to the window, whose own handling would otherwise double it)
//   [x] Recorded only: beeps, system message boxes (answered by the script), topmost calls, help
//       requests, shell opens, printed documents
//   [x] Saved documents: recorded and written to the real file system
//   [ ] Pixels: pictures drawn on a window are recorded (list, number, point), never rasterised
//
// Window life:
//   - showing a window (modal or modeless) records it, then delivers Activate, gives the focus to
//     the first control in tab order that can take it when no control has it, and delivers Paint;
//     a window that opens centred is centred on the screen at its first show, on its size then,
//     unless the logic moved it before;
//   - Paint first clears the window's surface (what drawPicture drew), then delivers the event; it
//     comes on every show, when a modal window above it ends its display (after Activate), and
//     when the script asks (ScriptedUser::paint);
//   - Activate comes on every show, when a modal window above it ends its display, and when the
//     script asks (ScriptedUser::activate);
//   - a close request (the script's close, or the end of a modal script) delivers Close; unless the
//     handler cancels it the window hides (it stays loaded);
//   - showModeless while a modal display runs raises RunTimeError 401, as the runtime does;
//   - after unload every operation on the window or its controls raises RunTimeError 91, except
//     design, setHandler, hide and unload (no-ops), isVisible and isLoaded (false), handle,
//     hasControl (false) and the name, kind and index of a control; the control objects live on
//     until the window object is destroyed, so references to them never dangle;
//   - a window has at most one default button: setDefault(true) takes the flag from the others,
//     and a copy of element 0 is never the default; every other setting of element 0 is copied;
//   - timers tick only while their window is shown; a timer's interval starts afresh when it is
//     enabled, when its interval is set and when its window is shown; interval 0 never ticks;
//   - a check box's value set by the logic delivers no Click (only the user's click does);
//   - shapes take no events: a click or the mouse over a shape goes to the window.
//
// Metrics (all in twips):
//   - every character (code point) is 90 wide, every text line 195 high, whatever the font's
//     name, weight and size (the reference message font, 8 pt); setMessageFontSize makes the
//     message font larger or smaller, and every text then measures in proportion; a piece of
//     text that is not UTF-8 counts as the one replacement character a window shows for it;
//   - a label's text lines are split at CR LF, CR or LF; with word wrap on, a line breaks at the
//     last space that fits (floor(width / 90) characters per line, at least one), and a word
//     longer than a line breaks where the line is full; an empty caption measures 0 × 195;
//   - screen 1920 × 1080 pixels at 15 twips per pixel = 28800 × 16200;
//   - a window's outer size is its client size plus 120 in width and 465 in height (setting an
//     outer size smaller than that leaves a client size of 0); positions are not rounded;
//   - default colours: windows, buttons, labels, check boxes, frames and panels 0x8000000F (button
//     face), text boxes and rich-text areas 0x80000005 (window background); text 0x80000012
//     (button text), in text areas 0x80000008 (window text);
//   - dates and times are the real local time until setClock sets a virtual clock, which then
//     moves only when the script advances it; timers always tick on the virtual clock, which
//     starts at the real time; the locale's forms are "M/D/YYYY h:mm:ss AM" (general date),
//     "Weekday, Month D, YYYY" (long date) and "HH:MM" (short time);
//   - window handles are 1, 2, 3 … in order of creation;
//   - texts are English unless the host or a test gives a translator (setTranslator);
//   - the application title is "Host Application" until the host sets one; the component directory
//     is the directory of the loaded library file, the current directory the process's, until set.
#pragma once

#include <qvMsgErr/platform.h>

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qvMsgErr::headless {

inline constexpr float kCharWidth = 90;
inline constexpr float kLineHeight = 195;
inline constexpr float kScreenWidth = 28800;
inline constexpr float kScreenHeight = 16200;
inline constexpr float kBorderWidth = 120;  ///< outer width − client width
inline constexpr float kBorderHeight = 465; ///< outer height − client height

enum class EffectKind {
    ModalShown,       ///< window
    ModelessShown,    ///< window
    Hidden,           ///< window
    Unloaded,         ///< window
    CloseRequest,     ///< window; number 1 when the handler cancelled it
    Beep,             ///< number = sound type
    SystemMessageBox, ///< prompt, title, helpFile, flags, context; number = the scripted answer
    Topmost,          ///< window; flag = topmost or released
    Help,             ///< helpFile; number = command (1 context, 3 contents); context
    ShellOpen,        ///< text = the target, unchanged
    PrinterDialog,    ///< flags; flag = cancelled
    Print,            ///< text = printer; document; flag = failed (482 raised): the printer was
                      ///< set to fail, or no printer was named
    SaveDialog,       ///< title, flags; flag = cancelled; text = chosen path
    Save,             ///< text = path; bytes; flag = the file could not be written (75 raised)
    DrawPicture,      ///< window, helpFile = image list name; number = picture; x, y
    Copy,             ///< text = what went to the clipboard
};

/// One side effect, in the order the desktop saw them.
struct SideEffect {
    EffectKind kind;
    std::string window; ///< design name of the window concerned, if any
    std::string prompt, title, helpFile, text, bytes;
    int32_t flags = 0, context = 0, number = 0;
    bool flag = false;
    float x = 0, y = 0;
    platform::FormattedDocument document;
};

/// A call of the system message box, as the script sees it.
struct SystemMessageBoxCall {
    std::string prompt, title, helpFile;
    int32_t flags = 0, context = 0;
};

class HeadlessDesktop;

/// The user while a window is shown modally: reads every control and acts on the window.
/// Acting on a hidden or disabled control, or on a window that is no longer shown, throws
/// RunTimeError 5: a script that does so has a bug.
class ScriptedUser {
public:
    virtual ~ScriptedUser() = default;
    virtual platform::Window& window() = 0;
    /// Design name of the modal window ("frmTessary2003", "dlgError" …).
    virtual const std::string& windowName() const = 0;
    virtual platform::Control& control(const std::string& name, int16_t index = -1) = 0;

    /// Mouse click on a button, check box (toggles it), label or other control. A control that can
    /// take the focus takes it first (GotFocus); a click on a shape is the window's Click.
    virtual void click(const std::string& name, int16_t index = -1) = 0;
    /// A key press with a shift state (platform::kShift, kCtrl, kAlt added).
    virtual void keyDown(int16_t keyCode, int16_t shift = 0) = 0;
    /// Mouse over a control (its MouseMove event) or, with an empty name, over the window. A shape
    /// passes the mouse on to the window, with x and y turned into client coordinates.
    virtual void mouseMove(const std::string& name, int16_t index = -1, float x = 0, float y = 0,
                           int16_t button = 0, int16_t shift = 0) = 0;
    /// Sets a check box's value as a click would (0 or 1), with its Click event; nothing happens
    /// when it has that value already.
    virtual void tick(const std::string& name, bool ticked = true) = 0;
    /// Moves the keyboard focus as a click into the control would (GotFocus event).
    virtual void focus(const std::string& name, int16_t index = -1) = 0;
    /// Types into a text box or rich-text area, replacing its text. The control takes the focus
    /// first; should its GotFocus handler move the focus away, nothing is typed.
    virtual void type(const std::string& name, const std::string& text) = 0;
    /// The title bar's close box.
    virtual void close() = 0;
    /// Advances the virtual clock by whole seconds, firing due timer ticks in order.
    virtual void advanceSeconds(int32_t seconds) = 0;
    /// The window is uncovered: its surface is cleared and it receives Paint.
    virtual void paint() = 0;
    /// The user switches to another window of the application and back: Activate.
    virtual void activate() = 0;
    /// The window is still shown (its modal display has not ended).
    virtual bool shown() const = 0;
    virtual HeadlessDesktop& desktop() = 0;
};

/// Deterministic desktop for tests and hosts without a display. Not thread-safe: use one per
/// thread, as the library does.
class HeadlessDesktop : public platform::Desktop {
public:
    HeadlessDesktop();
    ~HeadlessDesktop() override;

    // --- scripting -------------------------------------------------------------------------
    /// Runs whenever a window is shown modally, after its activation and first paint, unless the
    /// window hid itself by then. An error the callback lets escape ends the modal display (the
    /// window hides) and comes out of showModal as a RunTimeError. When the callback returns with
    /// the window still
    /// shown, the desktop sends it a close request (as the title bar would) and records it; should
    /// the handler refuse to close, the window is hidden all the same so that a test never hangs.
    /// A window that refuses the close, or offers no close box, is hidden and showModal raises
    /// RunTimeError err::Unanswered: the script forgot to answer a question that has no close
    /// answer, and the desktop does not answer it instead.
    void onModal(std::function<void(ScriptedUser&)> script);
    /// Acts as the user on the newest window of design `windowName` that is shown without a
    /// modal display of its own (a modeless window). False when there is none.
    bool actOnModeless(const std::string& windowName,
                       const std::function<void(ScriptedUser&)>& script);
    /// Answers system message boxes. Without one the answer is the flag word's default button.
    void onSystemMessageBox(std::function<int32_t(const SystemMessageBoxCall&)> answer);
    /// Answers the printer dialog. Without one it is cancelled.
    void onPrinterDialog(std::function<platform::PrinterChoice(int32_t flags)> answer);
    /// Answers the save dialog. Without one it is cancelled.
    void onSaveDialog(
        std::function<platform::SaveDialogResult(const platform::SaveDialogSettings&)> answer);
    /// Makes printing fail with RunTimeError 482 (true) or succeed (false). Printing to an empty
    /// printer name always fails.
    void setPrinterFails(bool fails);

    // --- environment -----------------------------------------------------------------------
    void setApplicationTitle(std::string title);
    void setComponentDirectory(std::string dir);
    void setCurrentDirectory(std::string dir);
    /// Gives the desktop a language: `translate(context, text)` answers Desktop::translate from
    /// now on. Without one, every text stays as the library wrote it (English).
    void
    setTranslator(std::function<std::string(const std::string&, const std::string&)> translate);
    /// The message font's size in points (kReferenceFontSize until set): from then on, text
    /// measures that much larger or smaller than at 8 pt.
    void setMessageFontSize(float points);
    /// Sets the virtual clock (local time): from now on dates and times are read from it.
    void setClock(const std::tm& localTime);
    /// Advances the virtual clock by whole seconds, firing due ticks of enabled timers of shown
    /// windows in order of time, then of window creation.
    void advanceSeconds(int32_t seconds);

    // --- record ----------------------------------------------------------------------------
    /// Keeps every side effect (the default) or none: a process that answers messages
    /// unattended for days must not hold all of them.
    void keepRecord(bool keep);
    const std::vector<SideEffect>& sideEffects() const;
    /// What is drawn on a window now: the DrawPicture effects since its last paint began (empty
    /// for an unknown handle).
    std::vector<SideEffect> surface(platform::WindowHandle window) const;
    std::vector<SideEffect> sideEffects(EffectKind kind) const;
    void clearSideEffects();

    // --- platform::Desktop -----------------------------------------------------------------
    std::string name() const override { return "headless"; }
    /// A modal script or a system message box answer stands in for the user. Without either,
    /// the library answers by its unattended rules: an answer file, else the close box.
    bool hasUser() const override;
    std::unique_ptr<platform::Window> createWindow(const platform::FormDesign& design) override;
    int32_t systemMessageBox(const std::string& prompt, int32_t flags, const std::string& title,
                             const std::string& helpFile, int32_t context) override;
    void beep(int32_t soundType) override;
    bool setTopmost(platform::WindowHandle window, bool topmost) override;
    void showHelp(const std::string& helpFile, int32_t command, int32_t context) override;
    float screenWidth() const override { return kScreenWidth; }
    float screenHeight() const override { return kScreenHeight; }
    std::string applicationTitle() const override;
    std::string componentDirectory() const override;
    std::string currentDirectory() const override;
    std::string dateTimeText(platform::DateFormat format) const override;
    platform::PrinterChoice choosePrinter(int32_t flags) override;
    void printDocument(const platform::PrinterChoice& printer,
                       const platform::FormattedDocument& doc) override;
    platform::SaveDialogResult
    chooseSaveFile(const platform::SaveDialogSettings& settings) override;
    void saveFile(const std::string& path, const std::string& bytes) override;
    void shellOpen(const std::string& target) override;
    void copyText(const std::string& text) override;
    std::string translate(const std::string& context, const std::string& text) const override;
    platform::TextExtent measureCaption(const std::string& caption, const platform::Font& font,
                                        float wrapWidth) const override;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

/// The default answer of the system message box for a flag word: the button its default-button
/// bits (0x100, 0x200, 0x300) choose within its button set (set 6: Cancel 2, Try Again 10,
/// Continue 11; set 7 offers OK alone).
int32_t defaultSystemAnswer(int32_t flags);

} // namespace qvMsgErr::headless

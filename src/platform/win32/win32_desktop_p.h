// The native Windows desktop: one top-level window per form with the system's own controls.
//
// Implemented features:
//   [x] Windows made with CreateWindowExW, per-monitor DPI aware (the thread's awareness is set
//       when the desktop is made); twips from the window's DPI (1440 / dpi twips per pixel), and
//       everything placed and sized again when the window moves to a screen of another DPI
//   [x] Buttons, check boxes, labels, frames and text areas are the system's BUTTON, STATIC and
//       EDIT windows with their captions as window texts, so screen readers and the system's
//       keyboard handling know them; panels, shapes and pictures are drawn on the window's surface
//       (containers hold no windows of their own: a control is placed by its containers' offsets
//       and is shown and enabled only while they are)
//   [x] Fonts through GDI: an unnamed design font is the system's message font scaled by
//       size / 8 pt; labels size themselves and measureCaption measures in that font with DrawText
//   [x] Colours: BGR values, and system colour indexes through GetSysColor; a text's colour gives
//       way to black or white where it would not read on what is behind it (platform/contrast.h)
//   [x] Keys: the window sees a key first with key preview, then the control; setting keyCode to 0
//       swallows it. Then Tab and Shift+Tab walk the design's tab order, Enter presses the focused
//       button or else the default one, Escape the cancel button, Alt+access key its button or
//       check box. The close box (and Alt+F4) asks the logic with a Close event
//   [x] Modal display in a message loop of the window's own; the owner is disabled meanwhile
//   [x] The system message box is MessageBoxIndirectW with the whole flag word; its Help button
//       shows the help context; sounds are MessageBeep
//   [x] Help: HtmlHelpW of hhctrl.ocx (loaded when first needed) for .chm files, WinHelpW for
//       the others; the shell opens the file where neither is there
//   [x] Save dialog GetSaveFileNameW, print dialog PrintDlgW and printing with GDI, e-mail and
//       other targets through ShellExecuteW, the clipboard, the locale's dates and times
//   [x] The library's own texts from the catalogues, made into a table at build time
//       (win32_catalogues.cpp from translations/*.ts): the first of the user's preferred UI
//       languages that is English or has one; a right-to-left language lays every window out
//       right to left (WS_EX_LAYOUTRTL), symbols unmirrored. The system message box speaks the
//       system's language by itself
//   [x] Screen readers: a window whose design announces a text is an alert described by that
//       text and raised with EVENT_SYSTEM_ALERT when shown; text areas carry their names, a label
//       names or describes its control, decoration is not read out (win32_access.cpp),
//   [x] An empty text area shows the design's placeholder in grey
//       and the symbols drawn on the surface are graphics named by their meaning
//   [~] Long captions: labels and buttons show the first kShownCharacters characters of a
//       caption; caption() keeps every byte
#pragma once

#include <qvMsgErr/platform.h>

#include "platform/control_roster.h"
#include "platform/designed_control.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace qvMsgErr::win32 {

// ---------------------------------------------------------------------------------------------
// Conversions (win32_convert.cpp)
// ---------------------------------------------------------------------------------------------

/// UTF-8 as UTF-16; an ill-formed sequence becomes U+FFFD, NUL bytes are kept.
std::wstring wide(const std::string& text);
/// UTF-16 as UTF-8; a lone surrogate becomes U+FFFD.
std::string narrow(const std::wstring& text);
/// A window's text as UTF-8.
std::string windowText(HWND hwnd);
/// Line breaks as the system's controls want them: CR LF for a lone CR or LF.
std::wstring withCrLf(const std::wstring& text);

/// The most characters a label, button or title bar is given of its caption: more than any
/// screen shows, few enough that the system lays it out at once.
inline constexpr std::size_t kShownCharacters = 32768;
/// What a caption's window is given of it: the first kShownCharacters, an ellipsis after a cut.
std::wstring shownPart(const std::string& caption);

/// A BGR colour or a system colour index (high bit set) as a COLORREF.
COLORREF toColorRef(int32_t color);

/// The system's message font (the one message boxes use) at `dpi`.
LOGFONTW messageFont(UINT dpi);
/// A design's font at `dpi`: a named font as named; an unnamed one is the message font scaled by
/// the design's size over kReferenceFontSize.
HFONT makeFont(const platform::Font& font, UINT dpi);

/// The DPI of `hwnd` (of the primary screen for nullptr).
UINT dpiOf(HWND hwnd);
inline double twipsPerPixel(UINT dpi) {
    return 1440.0 / static_cast<double>(dpi);
}
int toPixels(float twips, UINT dpi);
float toTwips(int pixels, UINT dpi);

/// The shift state of the keyboard now: platform::kShift, kCtrl, kAlt.
int16_t shiftState();

/// The access key of a caption (the character after its first single "&", upper-cased), or 0.
wchar_t accessKey(const std::string& caption);

// ---------------------------------------------------------------------------------------------
// Controls (win32_control.cpp) and windows (win32_window*.cpp)
// ---------------------------------------------------------------------------------------------

class Win32Window;

using platform::isTextArea;

/// Whether a control kind is a window of its own; the others are drawn on the window's surface
/// or are never seen.
bool hasWindow(platform::ControlKind kind);

/// The subclass procedure of every control's window: its keys and mouse moves go to the logic
/// first (win32_window_events.cpp). `data` is the Win32Window.
LRESULT CALLBACK controlProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp, UINT_PTR id,
                             DWORD_PTR data);

class Win32Control final : public platform::DesignedControl<Win32Control, Win32Window> {
public:
    Win32Control(Win32Window& window, platform::ControlDesign design);
    ~Win32Control() override;

    std::string text() const override;
    void setText(const std::string& text) override;

    void setLeft(float v) override;
    void setTop(float v) override;
    void setWidth(float v) override;
    void setHeight(float v) override;

    void setVisible(bool v) override;
    void setEnabled(bool v) override;
    void setTabIndex(int16_t v) override;

    void setBackColor(int32_t c) override;
    void setForeColor(int32_t c) override;
    void setBorderColor(int32_t c) override;
    void setFillColor(int32_t c) override;
    void setFont(const platform::Font& f) override;

    int16_t value() const override;
    void setValue(int16_t v) override;
    void setWordWrap(bool v) override;

    void refresh() override;
    void setFocus() override;
    bool hasFocus() const override;

    // --- for the window ----------------------------------------------------------------------
    HWND hwnd() const { return hwnd_; }
    /// Makes the control's window (for the kinds that have one) and applies every setting.
    void create();
    /// Forgets the control's window and stops its timer (the window destroys its children).
    void detach();
    void storeDefault(bool v);
    /// Shown, enabled, and so is every container around it.
    bool reachable() const;
    /// Visible as far as its containers go: its own flag and every container's.
    bool shown() const;
    /// The client rectangle in pixels, its containers' offsets added.
    RECT clientRect() const;
    /// Places, shows, enables and fonts the control's window by its settings and the window's DPI.
    void apply();
    /// Starts (afresh when `restart`) or stops a timer as its settings and window ask.
    void syncTimer(bool restart);
    /// The colour behind the control: its own back colour, else its container's, else the
    /// window's; BGR.
    COLORREF behind() const;
    /// Colours the text a STATIC, check box, frame or edit draws; returns the brush behind it.
    HBRUSH colourText(HDC dc);
    /// Takes the check box's tick from its window into the stored value (after a click).
    void takeTick();
    /// Draws the design's placeholder over an empty text area, after the system painted it.
    void paintPlaceholder() const;

private:
    friend class platform::DesignedControl<Win32Control, Win32Window>;
    void applyCaption();
    void measure();
    void showScrollBar();

    int16_t value_ = 0;
    std::wstring textShown_; ///< text areas: what the control held after the last write
    HWND hwnd_ = nullptr;
    bool timerRunning_ = false;
    HBRUSH brush_ = nullptr;
    COLORREF brushColour_ = 0;
};

/// The styles of a window: a dialog's frame with a title bar and a close box, nothing to resize.
inline constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
inline constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

/// One drawing of an image-list picture on the window's surface.
struct SurfaceDrawing {
    platform::StockPicture picture;
    float x, y;
};

class Win32Window final : public platform::Window, public platform::ControlRoster<Win32Control> {
public:
    /// `rightToLeft`: laid out right to left, as a right-to-left language reads.
    /// `pictureNames`: what each stock picture means to a screen reader, in the user's language
    /// (indexed by platform::StockPicture).
    Win32Window(platform::FormDesign design, bool rightToLeft,
                std::array<std::string, 5> pictureNames = {});
    ~Win32Window() override;

    const platform::FormDesign& design() const override { return design_; }
    void setHandler(platform::FormHandler* handler) override { handler_ = handler; }

    platform::Control& control(const std::string& name, int16_t index = -1) override;
    bool hasControl(const std::string& name, int16_t index = -1) const override;
    platform::Control& addElement(const std::string& name, int16_t index) override;
    std::vector<int16_t> elements(const std::string& name) const override;

    std::string caption() const override;
    void setCaption(const std::string& text) override;
    float left() const override;
    float top() const override;
    float width() const override;
    float height() const override;
    void setLeft(float v) override;
    void setTop(float v) override;
    void setWidth(float v) override;
    void setHeight(float v) override;
    void move(float left, float top) override;
    void placeCentred(float left, float top) override;
    float scaleWidth() const override;
    float scaleHeight() const override;
    int32_t backColor() const override;
    void setBackColor(int32_t c) override;
    int32_t helpContextId() const override;
    void setHelpContextId(int32_t id) override;
    bool closeBox() const override;
    void setCloseBox(bool enabled) override;

    void showModal() override;
    void showModeless() override;
    void hide() override;
    void unload() override;
    bool isVisible() const override;
    bool isLoaded() const override { return loaded_; }
    platform::WindowHandle handle() const override { return handle_; }

    void drawPicture(const std::string& imageList, int16_t number, float x, float y) override;
    void setImageListBackColor(const std::string& imageList, int32_t c) override;

    // --- for the controls, the events and the desktop ----------------------------------------
    HWND hwnd() const { return hwnd_; }
    UINT dpi() const { return dpi_; }
    /// RunTimeError 91 once the window is unloaded.
    void checkLoaded() const;
    Win32Control* controlOf(HWND hwnd) const;
    /// The control the system knows by `id` (its place in creation order, from 1).
    Win32Control* controlById(UINT_PTR id) const;
    UINT_PTR idOf(const Win32Control* control) const;
    /// A font of the window at its DPI, made once.
    HFONT font(const platform::Font& font);
    void deliver(platform::Event& event);
    void deliver(platform::EventKind kind, const Win32Control* control);
    void makeDefault(Win32Control* button, bool on);
    /// Applies every control's settings again (a container moved, hid or changed its colour).
    void applyAll();
    /// Paints the surface and every control's window again.
    void redraw();
    /// The shape (shown) whose rectangle holds the middle of `rect`, topmost first; or nullptr.
    const Win32Control* shapeUnder(const RECT& rect) const;
    /// Puts the controls' windows into the design's stacking and tab order.
    void restack();
    bool setTopmost(bool on);
    /// Registered to the window's thread while loaded.
    static Win32Window* byHandle(platform::WindowHandle handle);

    // win32_window_events.cpp
    LRESULT windowMessage(UINT message, WPARAM wp, LPARAM lp);
    /// A key pressed on `receiver` (the window or a control's window); true when it was used.
    bool keyDown(HWND receiver, WPARAM key, bool system);
    void mouseMove(HWND receiver, WPARAM wp, LPARAM lp);
    /// A control's window took the focus.
    void focusArrived(HWND hwnd);

    // win32_access.cpp
    /// WM_GETOBJECT of the window or a control's window: the object a screen reader is handed
    /// where the design says more than the system knows, else 0 (the system's own).
    LRESULT accessibleObject(HWND receiver, WPARAM wp, LPARAM lp) const;
    /// Tells screen readers that a window that is an alert has come up.
    void announce() const;

private:
    void build();
    void applyClientSize();
    void centre();
    void noteActivation();
    void syncTimers(bool restart);
    void paint();
    void drawPictureAt(HDC dc, platform::StockPicture picture, int x, int y, int size) const;
    void moveFocus(bool backwards);
    bool pressCancel();
    bool pressAccessKey(wchar_t key);
    /// Clicks a button or check box as the user would; true when it was one that could be.
    bool press(Win32Control* control);
    void closeRequested();
    /// Shows the window (centred on its first display unless placed) and activates it.
    void show();
    void dpiChanged(UINT dpi, const RECT* suggested);
    Win32Control* hit(POINT client) const;
    std::vector<Win32Control*> tabChain() const;
    Win32Control& imageList(const std::string& name);

    platform::FormDesign design_;
    platform::FormHandler* handler_ = nullptr;
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    std::string caption_;
    float clientWidth_ = 0, clientHeight_ = 0;
    std::optional<int32_t> backColor_;
    int32_t helpContextId_ = 0;
    bool closeBox_ = true;
    bool loaded_ = true;
    bool positioned_ = false; ///< placed by the logic: no centring on show
    bool active_ = false;
    bool inPaint_ = false;
    int busy_ = 0; ///< handlers and modal loops on the stack
    platform::WindowHandle handle_ = 0;
    std::vector<SurfaceDrawing> painted_, pending_;
    std::array<std::string, 5> pictureNames_;
    std::map<std::tuple<std::string, float, bool>, HFONT> fonts_;
    Win32Control* pressedOn_ = nullptr;
    bool pressedWindow_ = false;
    HWND modalOwner_ = nullptr; ///< disabled while this window is shown modally
    HWND lastFocus_ = nullptr;  ///< the control window that had the focus when the window went
    bool restoring_ = false;    ///< giving the focus back on activation: no new GotFocus
};

// ---------------------------------------------------------------------------------------------
// The desktop (win32_desktop.cpp, win32_dialogs.cpp, win32_language.cpp)
// ---------------------------------------------------------------------------------------------

/// One text of a catalogue: `source` (English) in `context`, and its translation.
struct CatalogueText {
    const char* context;
    const char* source;
    const char* translation;
};
struct BuiltInCatalogue {
    const char* language; ///< "de", "he", …
    std::span<const CatalogueText> texts;
};
/// The catalogues of the library's own texts (win32_catalogues.cpp, made at build time).
std::span<const BuiltInCatalogue> builtInCatalogues();
/// The user's preferred UI languages, most preferred first ("de-DE", …).
std::vector<std::string> userLanguages();

class Win32Desktop final : public platform::Desktop {
public:
    /// Speaks the first of `languages` that is English or has a catalogue.
    explicit Win32Desktop(const std::vector<std::string>& languages = userLanguages());

    std::string name() const override { return "win32"; }
    std::unique_ptr<platform::Window> createWindow(const platform::FormDesign& design) override;
    int32_t systemMessageBox(const std::string& prompt, int32_t flags, const std::string& title,
                             const std::string& helpFile, int32_t context) override;
    void beep(int32_t soundType) override;
    bool setTopmost(platform::WindowHandle window, bool topmost) override;
    void showHelp(const std::string& helpFile, int32_t command, int32_t context) override;
    float screenWidth() const override;
    float screenHeight() const override;
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
    platform::TextExtent measureCaption(const std::string& caption, const platform::Font& font,
                                        float wrapWidth) const override;
    std::string translate(const std::string& context, const std::string& text) const override;

private:
    void chooseCatalogue(const std::vector<std::string>& languages);

    const BuiltInCatalogue* catalogue_ = nullptr; ///< none: English
    bool rightToLeft_ = false;
};

/// The window dialogs of the desktop belong to: the thread's active window, or none.
HWND dialogOwner();

/// The DLL (or program) this desktop was linked into: its windows' class is registered there.
HINSTANCE moduleInstance();

} // namespace qvMsgErr::win32

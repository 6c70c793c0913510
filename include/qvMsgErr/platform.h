// The desktop platform: windows built from design tables, standard controls, the system message
// box and the environment. The message windows and the error dialog are written against these
// interfaces only; the headless desktop (<qvMsgErr/headless.h>) and the Qt desktop
// (<qvMsgErr/qt.h>) realise them. A host may also implement a Desktop of its own.
//
// Units: twips (float) for every position and size, 1440 to the inch. Colours: 32-bit BGR with red
// in the low byte; a value with the high bit set (0x80000000 | index) is a system colour index.
// Every failing operation throws qvMsgErr::RunTimeError.
#pragma once

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/version.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qvMsgErr::platform {

// ---------------------------------------------------------------------------------------------
// Design tables
// ---------------------------------------------------------------------------------------------

enum class ControlKind {
    CommandButton,
    Label,
    CheckBox,
    Frame,     ///< container with a caption drawn in its border ("Details")
    Panel,     ///< container without caption or border
    TextBox,   ///< plain text, optionally multi-line with a vertical scroll bar
    RichText,  ///< rich-text area; the logic reads and writes its plain text
    Image,     ///< position marker, or a stock picture when `picture` is set
    Shape,     ///< filled rectangle with a border
    ImageList, ///< never shown; holds numbered pictures that a window draws
    Timer,     ///< never shown; ticks every `interval` ms while enabled
};

/// Pictures the desktops draw from their own artwork (the toolkit's message-box icons).
enum class StockPicture { None, Critical, Question, Exclamation, Information };

/// The message font size (points) at which the designs' twips are exact.
inline constexpr float kReferenceFontSize = 8;

/// A font of a design. Without a name it is the desktop's message font, and its size is what the
/// text has where that font is kReferenceFontSize: a desktop whose message font is larger scales
/// it by the same ratio, so that a heading stays a heading and the version stays small.
struct Font {
    std::string name; ///< empty: the desktop's message font
    float size = 0;   ///< points; 0: kReferenceFontSize
    bool bold = false;
};

/// Room a text takes, twips.
struct TextExtent {
    float width = 0, height = 0;
};

/// A caption as a control shows and a person reads it: "&x" as x (the access-key mark goes),
/// "&&" as "&".
std::string shownCaption(const std::string& caption);

/// Room a command button leaves around its caption (twips), its frame and margins on both sides
/// together: the layouts size buttons by it, and a desktop breaks a caption into lines where the
/// button is narrower than the caption and this room.
inline constexpr float kCaptionMarginX = 180, kCaptionMarginY = 120;

/// One picture of an image list: the key it is known by and the artwork it shows.
struct ListPicture {
    std::string key;
    StockPicture picture = StockPicture::None;
};

/// One control of a design table. Positions are relative to `container` (the window when empty).
struct ControlDesign {
    ControlKind kind = ControlKind::Label;
    std::string name;
    int16_t index = -1; ///< -1: a plain control; 0: element 0 of a control array
    std::string container;
    float left = 0, top = 0, width = 0, height = 0;
    int16_t tabIndex = -1; ///< -1: takes no part in the tab order
    std::string caption;   ///< caption of buttons, labels, check boxes, frames; text of text areas
    std::string placeholder; ///< text areas: the hint an empty area shows, no part of its text
    bool visible = true;
    bool enabled = true;
    std::optional<int32_t> backColor; ///< unset: the desktop's default
    std::optional<int32_t> foreColor;
    int32_t borderColor = 0;      ///< shapes
    int32_t fillColor = 0xFFFFFF; ///< shapes
    Font font;
    bool autoSize = false;                     ///< labels: size to the caption after every change
    bool wordWrap = false;                     ///< labels: keep the width, grow the height
    bool multiLine = false;                    ///< text boxes
    bool verticalScrollBar = false;            ///< text boxes and rich-text areas
    bool isDefault = false;                    ///< buttons: Enter presses it
    bool isCancel = false;                     ///< buttons: Escape presses it
    StockPicture picture = StockPicture::None; ///< images
    int32_t interval = 0;                      ///< timers, ms
    int32_t maskColor = 0xC0C0C0;              ///< image lists
    std::vector<ListPicture> pictures;         ///< image lists, numbered from 1
    // What screen readers hear: a name where the caption does not give one (text areas); for a
    // label, the control (same array index) it names or describes with its caption; and whether
    // a control is decoration that is not read out (a version number).
    std::string accessibleName;
    std::string labels;
    std::string describes;
    bool decorative = false;
};

/// A window as data: its client size, style and controls, like a form file.
struct FormDesign {
    std::string name; ///< "frmTessaryClassic", "dlgError", …
    std::string caption;
    float clientWidth = 0, clientHeight = 0; ///< twips
    bool keyPreview = false;                 ///< the window sees every key before the control
    /// A label or text area whose text screen readers announce, the window being an alert; empty:
    /// a window like any other.
    std::string announce;
    bool startCentered = true; ///< opens centred on the screen
    std::optional<int32_t> backColor;
    std::vector<ControlDesign> controls;

    /// The control called `name` (element `index` of an array), or nullptr.
    const ControlDesign* find(const std::string& name, int16_t index = -1) const;
};

// ---------------------------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------------------------

enum class EventKind {
    Click,     ///< control (and element index for arrays)
    GotFocus,  ///< control
    KeyDown,   ///< window (key preview) or control: keyCode, shift
    MouseMove, ///< window or control: button, shift, x, y
    Paint,     ///< window: draw what is not retained
    Activate,  ///< window: every activation
    Timer,     ///< timer control
    Close,     ///< window: the title bar's close box; set `cancel` to keep the window
};

/// Shift state bits of key and mouse events.
inline constexpr int16_t kShift = 1, kCtrl = 2, kAlt = 4;

struct Event {
    EventKind kind = EventKind::Click;
    std::string control; ///< empty for the window itself
    int16_t index = -1;  ///< element index for control arrays, else -1
    int16_t keyCode = 0; ///< virtual key code: 'A'..'Z', '0'..'9', 112 F1, 13 Enter, 27 Escape …
    int16_t shift = 0;
    int16_t button = 0;  ///< mouse buttons: 1 left, 2 right, 4 middle
    float x = 0, y = 0;  ///< twips, relative to the control
    bool cancel = false; ///< Close: the handler keeps the window open
};

/// Receives a window's events, one at a time, on the window's thread. Errors the handler lets
/// escape are its own business: the desktop catches and drops them so that the event loop lives.
class FormHandler {
public:
    virtual ~FormHandler() = default;
    virtual void onEvent(Event& event) = 0;
};

// ---------------------------------------------------------------------------------------------
// Windows and controls
// ---------------------------------------------------------------------------------------------

using WindowHandle = std::intptr_t; ///< 0: none

class Control {
public:
    virtual ~Control() = default;
    virtual ControlKind kind() const = 0;
    virtual const std::string& name() const = 0;
    virtual int16_t index() const = 0;

    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& text) = 0;
    virtual std::string tag() const = 0;
    virtual void setTag(const std::string& tag) = 0;
    /// Text of text boxes and rich-text areas (their caption for other kinds).
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;

    virtual float left() const = 0;
    virtual float top() const = 0;
    virtual float width() const = 0;
    virtual float height() const = 0;
    virtual void setLeft(float v) = 0;
    virtual void setTop(float v) = 0;
    virtual void setWidth(float v) = 0;
    virtual void setHeight(float v) = 0;

    /// The control's own flag; a control inside a hidden container keeps its flag.
    virtual bool visible() const = 0;
    virtual void setVisible(bool v) = 0;
    virtual bool enabled() const = 0; ///< timers: ticking
    virtual void setEnabled(bool v) = 0;
    virtual int16_t tabIndex() const = 0;
    virtual void setTabIndex(int16_t v) = 0;
    virtual bool isDefault() const = 0;
    virtual void setDefault(bool v) = 0;

    virtual int32_t backColor() const = 0;
    virtual void setBackColor(int32_t c) = 0;
    virtual int32_t foreColor() const = 0;
    virtual void setForeColor(int32_t c) = 0;
    virtual int32_t borderColor() const = 0; ///< shapes
    virtual void setBorderColor(int32_t c) = 0;
    virtual int32_t fillColor() const = 0; ///< shapes
    virtual void setFillColor(int32_t c) = 0;
    virtual Font font() const = 0;
    virtual void setFont(const Font& f) = 0;

    virtual int16_t value() const = 0; ///< check boxes: 0 or 1
    virtual void setValue(int16_t v) = 0;
    virtual bool wordWrap() const = 0; ///< labels
    virtual void setWordWrap(bool v) = 0;
    virtual bool autoSize() const = 0;
    virtual int32_t interval() const = 0; ///< timers, ms
    virtual void setInterval(int32_t ms) = 0;

    /// Makes a self-sizing label's new size readable at once (both desktops size eagerly).
    virtual void refresh() = 0;
    /// Moves the keyboard focus here; RunTimeError 5 when the control, its container or its
    /// window is hidden, or it is disabled.
    virtual void setFocus() = 0;
    virtual bool hasFocus() const = 0;
};

/// One loaded window. Created by Desktop::createWindow; destroyed by unload() or its destructor.
class Window {
public:
    virtual ~Window() = default;
    virtual const FormDesign& design() const = 0;
    virtual void setHandler(FormHandler* handler) = 0;

    /// The control `name` (element `index` of an array; -1 for a plain control).
    /// RunTimeError 438 for an unknown name, 9 for an element that is not loaded.
    virtual Control& control(const std::string& name, int16_t index = -1) = 0;
    virtual bool hasControl(const std::string& name, int16_t index = -1) const = 0;
    /// Loads element `index` of an array as a hidden copy of element 0 (RunTimeError 360 when it
    /// is loaded already, 9 when `name` is no array).
    virtual Control& addElement(const std::string& name, int16_t index) = 0;
    /// The loaded element indexes of an array, ascending.
    virtual std::vector<int16_t> elements(const std::string& name) const = 0;

    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& text) = 0;
    virtual float left() const = 0;
    virtual float top() const = 0;
    virtual float width() const = 0;  ///< outer
    virtual float height() const = 0; ///< outer
    virtual void setLeft(float v) = 0;
    virtual void setTop(float v) = 0;
    virtual void setWidth(float v) = 0;  ///< outer
    virtual void setHeight(float v) = 0; ///< outer
    virtual void move(float left, float top) = 0;
    /// Moves the window to (left, top), which centres it on a point (its owner's centre, the
    /// screen's) by its outer size: a desktop that learns the real frame only when the window
    /// shows moves it then, so that its centre, frame included, stays on that point.
    virtual void placeCentred(float left, float top) = 0;
    virtual float scaleWidth() const = 0; ///< inner (client)
    virtual float scaleHeight() const = 0;
    virtual int32_t backColor() const = 0;
    virtual void setBackColor(int32_t c) = 0;
    virtual int32_t helpContextId() const = 0;
    virtual void setHelpContextId(int32_t id) = 0;
    /// Offers or withdraws the title bar's close box. A window without one gets no Close event
    /// from the user; the desktop still delivers one when something else asks it to close.
    virtual bool closeBox() const = 0;
    virtual void setCloseBox(bool enabled) = 0;

    /// Shows the window and returns when it is hidden or unloaded; events arrive meanwhile.
    /// RunTimeError 400 when it is shown already.
    virtual void showModal() = 0;
    /// Shows the window and returns at once.
    virtual void showModeless() = 0;
    /// Hides the window; ends a modal display. The window stays loaded.
    virtual void hide() = 0;
    /// Destroys the controls and stops the timers; ends a modal display. Further calls are no-ops.
    virtual void unload() = 0;
    virtual bool isVisible() const = 0;
    virtual bool isLoaded() const = 0;
    virtual WindowHandle handle() const = 0;

    /// Draws picture `number` (from 1) of image list `imageList` at (x, y) of the client area, the
    /// list's mask colour left unpainted. Not retained: a later paint starts from a clean surface.
    /// RunTimeError 380 for a number outside the list.
    virtual void drawPicture(const std::string& imageList, int16_t number, float x, float y) = 0;
    /// Sets an image list's background colour.
    virtual void setImageListBackColor(const std::string& imageList, int32_t c) = 0;
};

// ---------------------------------------------------------------------------------------------
// Documents, dialogs and environment
// ---------------------------------------------------------------------------------------------

/// A run of formatted text; line breaks are CR LF inside `text`.
struct TextRun {
    std::string text;
    std::string fontName = "Times New Roman";
    float fontSize = 12;
    bool bold = false;
    float leftIndent = 0; ///< twips
};
using FormattedDocument = std::vector<TextRun>;

struct PrinterChoice {
    bool cancelled = true;
    std::string printer; ///< the printer's name; for Qt's PDF output, the output file
};

struct SaveDialogSettings {
    std::string title;
    std::string filter;      ///< "Text Files (*.txt)|*.txt|Rich Text Files (*.rtf)|*.rtf"
    int16_t filterIndex = 1; ///< from 1
    std::string initialDirectory;
    std::string fileName;
    std::string defaultExtension; ///< without dot
    int32_t flags = 0;            ///< 0x2 overwrite prompt, 0x4 hide read-only, 0x200, 0x800 …
};

struct SaveDialogResult {
    bool cancelled = true;
    std::string path;              ///< default extension added when the name had none
    bool extensionDiffers = false; ///< the chosen extension is not the default one
};

enum class DateFormat { GeneralDate, LongDate, ShortTime };

/// Sound types of the system beep: 0 default, 16 hand, 32 question, 48 exclamation, 64 asterisk.
enum BeepType : int32_t {
    BeepDefault = 0,
    BeepCritical = 16,
    BeepQuestion = 32,
    BeepExclamation = 48,
    BeepInformation = 64,
};

class Desktop {
public:
    virtual ~Desktop() = default;
    /// A short name for messages and documentation: "headless", "qt".
    virtual std::string name() const = 0;
    /// Whether someone answers this desktop's modal windows and system message boxes: a person,
    /// or a script acting as one. Where nobody does, the library never shows a question that
    /// would wait for ever or answer itself: it answers by its unattended rules and logs it.
    virtual bool hasUser() const { return true; }

    /// Creates the window of `design` and loads it: its controls exist and can be measured,
    /// nothing is visible yet.
    virtual std::unique_ptr<Window> createWindow(const FormDesign& design) = 0;

    /// The system message box: the whole flag word (button set, icon, default button, Help bit),
    /// returning a button number 1..7.
    virtual int32_t systemMessageBox(const std::string& prompt, int32_t flags,
                                     const std::string& title, const std::string& helpFile,
                                     int32_t context) = 0;
    virtual void beep(int32_t soundType) = 0;
    /// Places a window above all others (or releases it); true on success.
    virtual bool setTopmost(WindowHandle window, bool topmost) = 0;
    /// Help: command 1 shows `context`, command 3 the contents of `helpFile`.
    virtual void showHelp(const std::string& helpFile, int32_t command, int32_t context) = 0;

    virtual float screenWidth() const = 0; ///< twips
    virtual float screenHeight() const = 0;
    virtual std::string applicationTitle() const = 0;
    /// The directory of the loaded library file (for the error log); overridable for tests.
    virtual std::string componentDirectory() const = 0;
    virtual std::string currentDirectory() const = 0;
    struct VersionNumbers {
        int16_t major, minor, revision;
    };
    /// The library's version numbers and product name, as its version information gives them.
    virtual VersionNumbers version() const {
        return {kVersionMajor, kVersionMinor, kVersionRevision};
    }
    virtual std::string productName() const { return kProductName; }
    /// Current local date and time in one of the locale's forms.
    virtual std::string dateTimeText(DateFormat format) const = 0;

    virtual PrinterChoice choosePrinter(int32_t flags) = 0;
    /// Prints the document; RunTimeError 482 when the printer fails.
    virtual void printDocument(const PrinterChoice& printer, const FormattedDocument& doc) = 0;
    virtual SaveDialogResult chooseSaveFile(const SaveDialogSettings& settings) = 0;
    /// Writes a saved document's bytes, replacing the file; RunTimeError 75 when it cannot.
    virtual void saveFile(const std::string& path, const std::string& bytes) = 0;
    /// The shell's open action: hands `target` unchanged, as one argument, to the opener.
    virtual void shellOpen(const std::string& target) = 0;
    /// Puts `text` on the clipboard as plain text: what Ctrl+C copies of a window.
    virtual void copyText(const std::string& text) = 0;
    /// The library's own `text` (English, "&" marking the access key, "%1" standing for a value
    /// the caller puts in) in the user's language, from the catalogue of `context`: "MessageBox"
    /// or "ErrorDialog". Unchanged where the catalogue has no translation, and where the user's
    /// language is English. Texts a host gave never come here.
    virtual std::string translate(const std::string& context, const std::string& text) const {
        (void)context;
        return text;
    }

    /// The room `caption` takes in `font` as a button or a label shows it, "&" marking an access
    /// key: its widest line and the height of all its lines, without a control's margins. With
    /// `wrapWidth` above 0 the lines are broken to that width as a button breaks a caption too
    /// wide for it: at the last space that fits, a longer word where the line is full. The
    /// layouts grow a control that is smaller than this. A desktop that cannot measure answers
    /// 0 × 0, and its windows keep the sizes of their designs.
    virtual TextExtent measureCaption(const std::string& caption, const Font& font,
                                      float wrapWidth) const {
        (void)caption;
        (void)font;
        (void)wrapWidth;
        return {};
    }
};

} // namespace qvMsgErr::platform

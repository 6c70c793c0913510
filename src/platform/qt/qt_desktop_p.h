// The Qt 6 desktop: the library's windows as real dialogs.
//
// Implemented features:
//   [x] One QDialog per window: fixed size, close box, no minimise/maximise box; standard widgets
//       placed absolutely in twips (1440 / logical dpi twips per pixel, 15 at 96 dpi); Frame is a
//       QGroupBox, Panel a plain QWidget, both parent their children
//   [x] Control arrays grow by copying element 0's current settings, hidden
//   [x] Self-sizing labels measured with the label's own font (one line, or wrapped at the width)
//   [x] "&" marks the access key of buttons, check boxes and frames ("&&" is a literal "&");
//       labels show their caption literally, as a QLabel without buddy does
//   [x] Long texts: a caption shows what a screen can (visiblePart), a wrapping label breaks a
//       word wider than itself anywhere, a text area shows kAreaShows characters and a note, and
//       is read-only then; caption(), text() and reports keep every byte
//   [x] Colours: BGR values, and system colour indexes mapped onto the palette (systemColor)
//   [x] Readable text: the palette's text gives way to black or white where it does not read on
//       the colour behind it; a design without a colour of its own shows its greys in a dark
//       palette's shades (platform/contrast.h)
//   [x] Fonts by name, fractional point size and weight ("Times New Roman", 12 pt, bold); a
//       design's unnamed font is the application's message-box font, scaled by size / 8 pt
//   [x] measureCaption in that font, as a button draws its caption; a button breaks a caption
//       wider than itself and kCaptionMarginX into lines (buttonLines), as measureCaption does
//   [x] Modal display in the dialog's own event loop (hiding or unloading ends it); modeless
//       display (RunTimeError 401 while a modal dialog is up); unload. As on the headless
//       desktop, every later call on the window or its controls raises RunTimeError 91 except
//       design, setHandler, hide, unload, isVisible, isLoaded, handle, hasControl and a control's
//       name, kind and index; control objects live as long as the window object
//   [x] Timers tick while their window is shown; enabling, a new interval and showing the window
//       start the interval afresh
//   [x] Events: Click, GotFocus, KeyDown (window first with key preview; setting keyCode to 0
//       in the window's handler swallows the key), MouseMove (a shape lets the mouse through to
//       what lies beneath), Paint, Activate (also on show when the window system is late), Timer,
//       Close; exceptions escaping a handler are dropped
//   [x] Keys the dialog handles after the window and the control: Enter presses the focused
//       button, else the default one; Escape the cancel button; Alt+access key its button
//   [x] Pictures: the style's standard message-box icons, 32 × 32 (64 × 64 in large images), the
//       image list's mask colour knocked out
//   [x] System message box from the whole flag word, Help button that keeps the box open
//   [x] Sounds through libcanberra's event sounds when built with it, else QApplication::beep
//   [x] Printer dialog and printing through QTextDocument; save dialog; xdg-open; topmost flag
//   [x] Answers without a dialog where nobody can see one (offscreen, minimal):
//   QVMSGERR_PRINT_TO_PDF=file
//       prints to that PDF, QVMSGERR_SAVE_AS=path answers the save dialog (relative to its
//       initial directory), QVMSGERR_COMPONENT_DIR=dir sets the component directory
//   [~] Outer window size: the real frame where the window system reports one; on the offscreen
//       and minimal platforms a fixed frame of kFrameAllowance
//   [x] A centred window is centred by the frame the window system reports once it shows
//       (placeCentred, keepCentre), unless the user moved it
//   [x] The library's own texts from catalogues built in as resources (qt_translate.cpp): German,
//       French, Spanish, Hebrew; a right-to-left language mirrors every window (placedLeft)
//   [~] drawPicture outside a Paint event shows at the next repaint and then goes, as an
//       unretained drawing does
//   [~] Help: the help file is opened with the desktop's opener; a context cannot be addressed
//   [~] Printing: the printer dialog's page settings are kept only for the printer just chosen
#pragma once

#include <qvMsgErr/platform.h>
#include <qvMsgErr/qt.h>

#include "platform/control_roster.h"
#include "platform/designed_control.h"
#include "platform/pixel_scale.h"

#include <QColor>
#include <QDateTime>
#include <QDialog>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QMargins>
#include <QPalette>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class QPrinter;
class QTimer;
class QPainter;
class QPushButton;

namespace qvMsgErr::qt {

// ---------------------------------------------------------------------------------------------
// Conversions (qt_convert.cpp)
// ---------------------------------------------------------------------------------------------

/// Frame assumed around a window's client area where the window system reports none
/// (offscreen, minimal): 4 px left and right, 26 px title bar, 4 px bottom. The 30 px in all are
/// the 450 twips the message windows' layouts take a title bar and borders to be: their Details
/// section, placed that far above the collapsed outer height, then ends at the window's bottom
/// edge instead of a pixel below it.
inline const QMargins kFrameAllowance{4, 26, 4, 4};

/// The screen's twips per device-independent pixel: 1440 / logical dpi.
struct TwipScale {
    double x = 15, y = 15;
    static TwipScale ofPrimaryScreen();
};

/// The palette colour behind system colour index `index` (0 scroll bar … 30 menu bar);
/// `fallback` for an index the table does not know.
QColor systemColor(int index, const QPalette& palette, QPalette::ColorRole fallback);
/// A BGR colour or a system colour index (high bit set) as a QColor.
QColor toQColor(int32_t color, const QPalette& palette, QPalette::ColorRole fallback);

/// The virtual key code of a Qt key (0 when it has none): 'A'..'Z', '0'..'9', 112 F1 …
int16_t virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);
/// The Qt key of a virtual key code (Qt::Key_unknown when it has none).
int qtKeyOf(int16_t virtualKey);
int16_t shiftState(Qt::KeyboardModifiers modifiers);
int16_t mouseButtonState(Qt::MouseButtons buttons);

/// "Text (*.txt)|*.txt|All|*.*" as QFileDialog name filters: "Text (*.txt)", "All (*.*)".
QStringList nameFilters(const std::string& filter);

/// CR LF and CR as "\n" for Qt, and back to CR LF.
QString fromText(const std::string& text);
std::string toText(const QString& text);

// What widgets are given to lay out of a text (qt_text.cpp); the text itself is kept elsewhere.

/// What a caption shows in `fm`'s font: as much as a screen can show, an ellipsis where it is cut.
/// Wrapped, that is a screenful of lines; unwrapped, each line as wide as the screen.
QString visiblePart(const QString& text, const QFontMetricsF& fm, bool wrap);
/// What a label `width` pixels wide shows: visiblePart, and where it wraps, each word wider than
/// the label breakable after any character.
QString labelText(const QString& text, const QFontMetricsF& fm, bool wrap, qreal width);

/// `text` broken into lines no wider than `width` pixels in `fm`'s font, "&" marking access keys:
/// at the last space that fits, a longer word where the line is full.
QString buttonLines(const QString& text, const QFontMetricsF& fm, qreal width);

/// The most characters a text area shows; a note after them tells how many more there are.
constexpr qsizetype kAreaShows = 32768;
/// A text area with a longer word breaks every line where the width ends, not between words.
constexpr qsizetype kLongestWord = 1024;
struct AreaText {
    QString shown;
    bool whole;     ///< false: cut after kAreaShows characters
    bool longWords; ///< a word longer than kLongestWord characters is shown
};
AreaText areaText(const QString& text);

/// A design's font as the desktop shows it: a named font as named; an unnamed one is the
/// application's message-box font (QApplication::font("QMessageBox")), scaled by the design's
/// size over kReferenceFontSize.
QFont toQFont(const platform::Font& font);

/// Whether a sound can be played: a sound server (PULSE_SERVER, or a PulseAudio or PipeWire
/// socket in `runtimeDir`) or an ALSA playback device in `deviceDir` ("/dev/snd").
bool soundOutputAvailable(const std::string& runtimeDir, const std::string& deviceDir);

/// A command button that shares cached pictures with every button of its colours (qt_button.cpp).
QPushButton* makeButton(QWidget* parent);
/// The palette object of `palette`'s colours, the same object for the same colours: what styles
/// cache button pictures under is then shared (qt_button.cpp).
const QPalette& sharedPalette(const QPalette& palette);

/// Artwork of a stock picture, `size` × `size` device-independent pixels at `dpr`, with pixels
/// of `maskColor` (BGR; negative: none) transparent.
QImage stockPicture(platform::StockPicture picture, int size, int32_t maskColor, qreal dpr);

/// The date-time texts of dateTimeText for a given moment and locale.
std::string formatDateTime(platform::DateFormat format, const QDateTime& when,
                           const QLocale& locale);

// ---------------------------------------------------------------------------------------------
// Controls (qt_control*.cpp) and windows (qt_window*.cpp)
// ---------------------------------------------------------------------------------------------

class QtWindow;
class FormDialog;

class QtControl final : public platform::DesignedControl<QtControl, QtWindow> {
public:
    QtControl(QtWindow& window, platform::ControlDesign design);
    ~QtControl() override;

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
    QWidget* widget() const { return widget_; }
    /// Creates the widget (or timer) under `parent`; settings are applied by realise().
    void create(QWidget* parent);
    /// Puts the widget into its container and applies every setting.
    void realise(QWidget* parent);
    /// Forgets the widget and timer (the window deletes them).
    void detach();
    /// Every container around the control is visible and enabled.
    bool reachable() const;
    /// Sets the stored default flag only (the window keeps the flag exclusive).
    void storeDefault(bool v) { d_.isDefault = v; }
    /// Starts (afresh when `restart`) or stops a timer as its settings and window ask.
    void syncTimer(bool restart);
    /// Colours the widget; again when the window's colour changes, since a text without a
    /// background of its own must read on the window's.
    void applyColors();

    /// Places the widget by its settings; a container places its children again.
    void applyGeometry();

private:
    friend class platform::DesignedControl<QtControl, QtWindow>;
    void applyCaption();
    void applyFont();
    void measure();

    int16_t value_ = 0;     ///< check boxes, while no widget holds it
    std::string textAsSet_; ///< text areas: the bytes last written
    QString textShown_;     ///< text areas: what the widget held after that write
    QPointer<QWidget> widget_;
    QPointer<QTimer> timer_;
};

/// One drawing of an image-list picture on the window's surface.
struct SurfaceDrawing {
    platform::StockPicture picture;
    int32_t maskColor;
    float x, y;
};

/// While it lives, windows of the calling thread that open centred on the screen open centred on
/// `owner` instead (a qt::ErrorReport's parent); nullptr, or an owner whose widget is gone by
/// then, leaves them on the screen.
class CentredOn {
public:
    explicit CentredOn(const HostForm* owner);
    ~CentredOn();
    CentredOn(const CentredOn&) = delete;
    CentredOn& operator=(const CentredOn&) = delete;

private:
    const HostForm* previous_;
};

class QtWindow final : public platform::Window, public platform::ControlRoster<QtControl> {
public:
    explicit QtWindow(platform::FormDesign design);
    ~QtWindow() override;

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

    // --- for the controls, the dialog and the desktop ----------------------------------------
    const TwipScale& scale() const { return scale_; }
    bool rightToLeft() const { return rightToLeft_; }
    /// Where a control or picture `width` pixels wide and `left` pixels from its container's left
    /// edge goes: mirrored in a right-to-left window, whose design is drawn left to right.
    double placedLeft(double left, double width, const QWidget* container) const;
    /// Places the controls inside container `name` again (a right-to-left window's children hang
    /// on its right edge).
    void placeChildren(const std::string& name);
    /// RunTimeError 91 once the window is unloaded.
    void checkLoaded() const;
    FormDialog* dialog() const { return dialog_; }
    /// What screen readers announce of an alert (see FormDesign::announce), else nothing.
    std::optional<QString> announced() const;
    /// The pictures the last Paint drew on the surface, for screen readers.
    const std::vector<SurfaceDrawing>& drawnPictures() const { return painted_; }
    QtControl* controlOf(const QWidget* widget) const;
    /// Registers `widget` and its inner widgets as parts of `control` (events, mouse tracking).
    void adopt(QWidget* widget, QtControl* control);
    void deliver(platform::Event& event);
    void makeDefault(QtControl* button, bool on);
    void orderTabs();
    void restack();
    /// Events of the dialog and of every control widget, before Qt handles them.
    bool filter(QObject* watched, QEvent* event);
    void paintSurface(QWidget* surface);
    void closeRequested(QCloseEvent* event);
    void pressCancel();
    /// Called as the dialog paints: the frame may have become known since it was shown.
    void painting() { keepCentre(); }
    bool setTopmost(bool on);

    static QtWindow* byHandle(platform::WindowHandle handle);

private:
    /// Sets a window flag without hiding the dialog.
    void setWindowFlag(Qt::WindowType flag, bool on);
    QMargins frameMargins() const;
    /// Moves a centred window by half the difference between the frame its position was worked
    /// out for and the frame the window system reports now, unless the user has moved it.
    void keepCentre();
    QWidget* containerWidget(const std::string& name) const;
    void centre();
    void applyClientSize();
    void noteActivation();
    void syncTimers(bool restart);
    void controlMouse(QWidget* receiver, QEvent* event);
    bool controlKey(QWidget* receiver, QKeyEvent* event);
    void drawOn(QPainter& painter, const SurfaceDrawing& drawing) const;
    QtControl& imageList(const std::string& name);

    platform::FormDesign design_;
    platform::FormHandler* handler_ = nullptr;
    QPointer<FormDialog> dialog_;
    std::unordered_map<const QWidget*, QtControl*> byWidget_;
    TwipScale scale_;
    std::string caption_;
    float clientWidth_ = 0, clientHeight_ = 0;
    float left_ = 0, top_ = 0;
    QPoint placedAt_;                    ///< pixel position last applied, to notice a user's move
    bool positioned_ = false;            ///< left/top set by the logic: no centring on show
    bool centred_ = false;               ///< centred at its first display
    std::optional<QMargins> centredFor_; ///< the frame a centred position was worked out for
    std::optional<int32_t> backColor_;
    int32_t helpContextId_ = 0;
    bool loaded_ = true;
    bool active_ = false; ///< Activate delivered and no deactivation since
    int busy_ = 0;        ///< depth of handlers and modal loops on the stack
    platform::WindowHandle handle_;
    std::vector<SurfaceDrawing> painted_, pending_;
    bool inPaint_ = false;
    bool rightToLeft_ = false;
    QtControl* lastFocus_ = nullptr;
    const QWidget* pressedOn_ = nullptr; ///< control widget (or dialog) a left press began on
};

/// The QDialog of a window; forwards what it receives to its window while that is loaded.
class FormDialog final : public QDialog {
public:
    explicit FormDialog(QtWindow* owner);
    QtWindow* owner;
    void reject() override {} // Escape and the close box are the window's own business

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// ---------------------------------------------------------------------------------------------
// The desktop (qt_desktop.cpp)
// ---------------------------------------------------------------------------------------------

/// Makes screen readers hear the library's windows as their designs say (qt_access.cpp): alerts,
/// the descriptions of buttons, decoration left out. Once per process.
void installAccessibility();
/// Loads the catalogue of the user's language (QLocale::system()) unless one was chosen already
/// (qt_translate.cpp).
void chooseLanguage();
/// Whether the chosen catalogue's language is written right to left: windows made then mirror.
bool catalogueRightToLeft();
/// The library's own `text` from the catalogue of `context` (see Desktop::translate).
QString ownText(const char* context, const char* text);

/// The property that marks a widget as decoration for installAccessibility.
inline constexpr char kDecorative[] = "qvDecorative";
/// The property that marks a widget showing a stock picture, a graphic to screen readers.
inline constexpr char kPicture[] = "qvPicture";
/// What a stock picture tells a user ("Warning", ...) in the user's language, the name a screen
/// reader gives it.
QString meaningOf(platform::StockPicture picture);

class QtDesktop final : public platform::Desktop, public platform::PixelScale {
public:
    QtDesktop();
    ~QtDesktop() override;

    std::string name() const override { return "qt"; }
    std::unique_ptr<platform::Window> createWindow(const platform::FormDesign& design) override;
    int32_t systemMessageBox(const std::string& prompt, int32_t flags, const std::string& title,
                             const std::string& helpFile, int32_t context) override;
    void beep(int32_t soundType) override;
    bool setTopmost(platform::WindowHandle window, bool topmost) override;
    void showHelp(const std::string& helpFile, int32_t command, int32_t context) override;
    float screenWidth() const override;
    float screenHeight() const override;
    float twipsPerPixel() const override; // platform::PixelScale
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

private:
    struct Sound;
    std::unique_ptr<Sound> sound_;
    std::unique_ptr<QPrinter> chosenPrinter_; ///< the printer dialog's last choice
    std::string chosenName_;
};

/// The widget of a Qt desktop's control (nullptr for another desktop's, a timer, an image list,
/// or after unload); the dialog of a Qt desktop's window. For tests and host integration.
QWidget* widgetOf(platform::Control& control);
QDialog* dialogOf(platform::Window& window);

} // namespace qvMsgErr::qt

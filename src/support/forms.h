// The library's own windows. Each one is created on the thread's desktop and listed among the
// thread's loaded windows until it is unloaded, so that "Close all" in the error dialog reaches
// every one of them, whoever created it.
#pragma once

#include <qvMsgErr/platform.h>

#include <memory>
#include <string>
#include <vector>

namespace qvMsgErr {

/// The font of the library's dialogs: the desktop's message font, which the user chose to read
/// messages in. Their layouts are exact in twips at the reference size (Arial 8 pt measures the
/// same) and grow wherever a larger font needs more room.
inline const platform::Font kDialogFont{"", platform::kReferenceFontSize, false};

/// The size of a row or column of buttons that shows each of `captions` whole in `font`: `least`
/// (the design's size) where they fit, else as wide as the widest caption, margins included, but
/// no wider than `widest`, and as high as the tallest caption at that width, broken into lines
/// where it is wider. Buttons that belong together widen together, so that none looks like a
/// different kind of answer.
platform::TextExtent buttonRoom(const platform::Desktop& desktop,
                                const std::vector<std::string>& captions,
                                const platform::Font& font, platform::TextExtent least,
                                float widest);

/// The index of element 0 of a control array in a design table; a plain control has -1.
inline constexpr int16_t kArray = 0;

/// Appends a control to `design`, like a line of a form file, and returns it for its further
/// settings (the reference holds until the next control is added). Controls that show text get
/// kDialogFont; rich-text areas scroll vertically.
platform::ControlDesign& addControl(platform::FormDesign& design, platform::ControlKind kind,
                                    std::string name, int16_t index, float left, float top,
                                    float width, float height, int16_t tabIndex = -1);

/// Base of the library's forms: owns the window, hands its events to onEvent.
class LibraryForm : public platform::FormHandler {
public:
    /// Creates the window of `design`, its texts in the user's language from the desktop's
    /// catalogue `textContext` (see texts.h).
    LibraryForm(const platform::FormDesign& design, const char* textContext);
    ~LibraryForm() override;
    LibraryForm(const LibraryForm&) = delete;
    LibraryForm& operator=(const LibraryForm&) = delete;

    platform::Window& window() const { return *window_; }
    platform::Control& control(const std::string& name, int16_t index = -1) const {
        return window_->control(name, index);
    }
    /// The desktop the window lives on.
    platform::Desktop& desktop() const { return *desktop_; }
    /// Unloads the window (ending a modal display) and takes it off the thread's list.
    void unload();
    bool isLoaded() const { return window_->isLoaded(); }

    /// Keeps `form` alive after its creator lets go of it, for as long as its window is loaded:
    /// a modelessly shown form outlives the call that showed it.
    static void keepWhileLoaded(std::shared_ptr<LibraryForm> form);

private:
    std::shared_ptr<platform::Desktop> desktop_; ///< outlives the window
    std::unique_ptr<platform::Window> window_;
};

/// Unloads every form of the library loaded on this thread, newest first. A form whose unload
/// fails is passed over; the others are still unloaded.
void unloadAllForms();

/// Number of forms of the library loaded on this thread.
std::size_t loadedFormCount();

} // namespace qvMsgErr

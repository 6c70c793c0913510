#include "support/forms.h"

#include "support/apartment.h"
#include "support/failure.h"
#include "support/texts.h"

#include <algorithm>

namespace qvMsgErr {

namespace {

void forget(const LibraryForm* form) {
    auto& list = apartment().loadedForms;
    list.erase(std::remove(list.begin(), list.end(), form), list.end());
}

/// Lets go of kept forms whose windows are gone. Never called from inside a form's own event
/// handler, where destroying the form would pull the handler from under itself.
void pruneKeptForms() {
    auto& kept = apartment().keptForms;
    std::erase_if(kept, [](const std::shared_ptr<LibraryForm>& f) { return !f->isLoaded(); });
}

} // namespace

LibraryForm::LibraryForm(const platform::FormDesign& design, const char* textContext) {
    pruneKeptForms();
    threadDesktop();
    desktop_ = apartment().desktop;
    window_ = desktop_->createWindow(texts::translated(design, *desktop_, textContext));
    window_->setHandler(this);
    apartment().loadedForms.push_back(this);
}

LibraryForm::~LibraryForm() {
    forget(this);
    passOver({[&] { window_->setHandler(nullptr); }, [&] { window_->unload(); }});
}

void LibraryForm::unload() {
    forget(this);
    window_->unload();
}

void LibraryForm::keepWhileLoaded(std::shared_ptr<LibraryForm> form) {
    if (form && form->isLoaded()) {
        apartment().keptForms.push_back(std::move(form));
    }
}

namespace texts {

std::string withValue(std::string text, const std::string& value) {
    if (const auto at = text.find("%1"); at != std::string::npos) {
        text.replace(at, 2, value);
    }
    return text;
}

platform::FormDesign translated(platform::FormDesign design, const platform::Desktop& desktop,
                                const char* context) {
    const auto translate = [&](std::string& text) {
        if (!text.empty()) {
            text = desktop.translate(context, text);
        }
    };
    for (platform::ControlDesign& c : design.controls) {
        translate(c.caption);
        translate(c.placeholder);
        translate(c.accessibleName);
    }
    return design;
}

} // namespace texts

platform::ControlDesign& addControl(platform::FormDesign& design, platform::ControlKind kind,
                                    std::string name, int16_t index, float left, float top,
                                    float width, float height, int16_t tabIndex) {
    using platform::ControlKind;
    platform::ControlDesign& c = design.controls.emplace_back();
    c.kind = kind;
    c.name = std::move(name);
    c.index = index;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.tabIndex = tabIndex;
    switch (kind) {
    case ControlKind::RichText:
        c.verticalScrollBar = true;
        c.font = kDialogFont;
        break;
    case ControlKind::CommandButton:
    case ControlKind::Label:
    case ControlKind::CheckBox:
    case ControlKind::Frame:
    case ControlKind::TextBox:
        c.font = kDialogFont;
        break;
    default:
        break;
    }
    return c;
}

platform::TextExtent buttonRoom(const platform::Desktop& desktop,
                                const std::vector<std::string>& captions,
                                const platform::Font& font, platform::TextExtent least,
                                float widest) {
    using platform::kCaptionMarginX;
    float width = least.width;
    for (const std::string& caption : captions) {
        width = std::max(width, desktop.measureCaption(caption, font, 0).width + kCaptionMarginX);
    }
    width = std::max(least.width, std::min(width, widest));
    float height = least.height;
    for (const std::string& caption : captions) {
        height =
            std::max(height, desktop.measureCaption(caption, font, width - kCaptionMarginX).height +
                                 platform::kCaptionMarginY);
    }
    return {width, height};
}

void unloadAllForms() {
    // A copy: unloading takes each form off the list, and a form's unload may run code that
    // loads or unloads others.
    const std::vector<LibraryForm*> forms = apartment().loadedForms;
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        const auto& live = apartment().loadedForms;
        if (std::find(live.begin(), live.end(), *it) != live.end()) {
            passOver({[&] { (*it)->unload(); }});
        }
    }
}

std::size_t loadedFormCount() {
    return apartment().loadedForms.size();
}

} // namespace qvMsgErr

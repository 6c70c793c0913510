#include "platform/design.h"

#include <qvMsgErr/platform.h>

namespace qvMsgErr::platform {

std::string shownCaption(const std::string& caption) {
    std::string shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) {
            ++i; // the mark goes; the character after it, a second "&" too, stays
        }
        shown += caption[i];
    }
    return shown;
}

const ControlDesign* FormDesign::find(const std::string& controlName, int16_t index) const {
    for (const auto& c : controls) {
        if (c.name == controlName && c.index == index) {
            return &c;
        }
    }
    return nullptr;
}

int accessKey(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') {
            continue;
        }
        if (caption[i + 1] == '&') {
            ++i; // "&&" shows one ampersand
            continue;
        }
        const char c = caption[i + 1];
        if (c >= 'a' && c <= 'z') {
            return c - 'a' + 'A';
        }
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            return c;
        }
        return 0;
    }
    return 0;
}

// A design the window can be built from: named controls, each name once (or as one array),
// containers that are frames or panels and hold no loop.
void validateDesign(const FormDesign& design) {
    const auto& controls = design.controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const auto& c = controls[i];
        bool clash = c.name.empty();
        for (std::size_t j = 0; j < i && !clash; ++j) {
            clash = controls[j].name == c.name &&
                    (controls[j].index == c.index || (controls[j].index < 0) != (c.index < 0));
        }
        if (clash) {
            throw RunTimeError(err::InvalidCall, "The design of " + design.name +
                                                     " lists the control '" + c.name +
                                                     "' more than once or without a name");
        }
    }
    const auto container = [&](const std::string& name) -> const ControlDesign* {
        for (const auto& c : controls) {
            if (c.name == name && c.index <= 0) {
                return &c;
            }
        }
        return nullptr;
    };
    for (const auto& c : controls) {
        std::size_t depth = 0;
        for (const ControlDesign* at = &c; !at->container.empty();) {
            const ControlDesign* holder = container(at->container);
            if (!holder ||
                (holder->kind != ControlKind::Frame && holder->kind != ControlKind::Panel) ||
                ++depth > controls.size()) {
                throw RunTimeError(err::InvalidCall, "The container '" + at->container + "' of '" +
                                                         at->name + "' in " + design.name +
                                                         " is no frame or panel, or a loop");
            }
            at = holder;
        }
    }
}

const char* pictureMeaning(StockPicture picture) {
    static constexpr const char* kMeanings[] = {nullptr, "Error", "Question", "Warning",
                                                "Information"};
    return kMeanings[static_cast<int>(picture)];
}

} // namespace qvMsgErr::platform

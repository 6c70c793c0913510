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

} // namespace qvMsgErr::platform

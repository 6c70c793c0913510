#include <qvMsgErr/platform.h>

namespace qvMsgErr::platform {

const ControlDesign* FormDesign::find(const std::string& controlName, int16_t index) const {
    for (const auto& c : controls) {
        if (c.name == controlName && c.index == index) {
            return &c;
        }
    }
    return nullptr;
}

} // namespace qvMsgErr::platform

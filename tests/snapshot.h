// A window and the desktop's record as text, to compare two ways of showing the same thing: every
// control of the design (every loaded element of an array) with what a user sees of it.
#pragma once

#include <qvMsgErr/headless.h>

#include <sstream>
#include <string>

namespace qvtest {

inline std::string snapshot(qvMsgErr::platform::Window& w) {
    std::ostringstream out;
    out << w.caption() << " @" << w.left() << ',' << w.top() << ' ' << w.width() << 'x'
        << w.height() << " back " << w.backColor() << " close " << w.closeBox() << '\n';
    for (const auto& design : w.design().controls) {
        const auto indexes = design.index < 0 ? std::vector<int16_t>{-1} : w.elements(design.name);
        for (const int16_t i : indexes) {
            auto& c = w.control(design.name, i);
            out << design.name << '(' << i << ") \"" << c.caption() << "\" \"" << c.text() << "\" "
                << c.left() << ',' << c.top() << ' ' << c.width() << 'x' << c.height() << " v"
                << c.visible() << " e" << c.enabled() << " d" << c.isDefault() << " f"
                << c.hasFocus() << " back " << c.backColor() << " fore " << c.foreColor() << " val "
                << c.value() << " tag " << c.tag() << '\n';
        }
    }
    return out.str();
}

inline std::string snapshot(const qvMsgErr::headless::HeadlessDesktop& desktop) {
    std::ostringstream out;
    for (const auto& e : desktop.sideEffects()) {
        out << static_cast<int>(e.kind) << ' ' << e.window << " \"" << e.prompt << "\" \""
            << e.title << "\" \"" << e.helpFile << "\" \"" << e.text << "\" " << e.flags << ' '
            << e.context << ' ' << e.number << ' ' << e.flag << '\n';
    }
    return out.str();
}

} // namespace qvtest

// Building the message windows' design tables, one control at a time, like a form file.
#pragma once

#include "support/forms.h"

#include <cstdint>
#include <string>
#include <utility>

namespace qvMsgErr::windows::detail {

/// Element 0 of a control array; -1 is a plain control.
inline constexpr int16_t kArray = 0;

/// Appends a control to `design` and returns it for its further settings. Controls that show
/// text get the dialog font, which the fixed layouts are measured for.
inline platform::ControlDesign& addControl(platform::FormDesign& design, platform::ControlKind kind,
                                           std::string name, int16_t index, float left, float top,
                                           float width, float height, int16_t tabIndex = -1) {
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

} // namespace qvMsgErr::windows::detail

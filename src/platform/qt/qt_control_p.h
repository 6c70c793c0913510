// What the Qt desktop's controls and windows share: pixel rounding, the system colours they
// stand for, text areas and the shape widget.
#pragma once

#include "platform/qt/qt_desktop_p.h"

#include <QPainter>
#include <QWidget>

#include <cmath>

namespace qvMsgErr::qt {

using platform::isTextArea;
using platform::kButtonFace;
using platform::kButtonText;
using platform::kWindowBackground;
using platform::kWindowText;

inline int toPixels(float twips, double twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

/// A filled rectangle with a one-pixel border; the mouse passes through it.
class ShapeWidget final : public QWidget {
public:
    using QWidget::QWidget;
    QColor fill, border;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), fill);
        p.setPen(QPen(border, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

} // namespace qvMsgErr::qt

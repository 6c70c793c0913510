// A command button that paints with one palette object per set of colours. Styles cache the
// pictures of button panels under the palette's serial number, and Qt gives every widget whose
// colours differ from its parent's a palette of its own. Painting each coloured button with its
// own palette object would add a new set of cached pictures for every button of every window
// until the pixmap cache is full; a palette shared by all buttons of the same colours lets them
// share the cached pictures.
#include "platform/qt/qt_desktop_p.h"

#include <QPalette>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <cstddef>
#include <vector>

namespace qvMsgErr::qt {

// Only the GUI thread paints, so no lock is needed.
const QPalette& sharedPalette(const QPalette& palette) {
    // A window uses a handful of colour sets; a bound keeps a host that recolours buttons
    // endlessly from growing the list.
    constexpr std::size_t kMostSets = 32;
    static std::vector<QPalette> sets;
    for (const QPalette& set : sets) {
        if (set == palette) {
            return set;
        }
    }
    if (sets.size() == kMostSets) {
        sets.erase(sets.begin());
    }
    sets.push_back(palette);
    return sets.back();
}

namespace {

class Button final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.palette = sharedPalette(option.palette);
        painter.drawControl(QStyle::CE_PushButton, option);
    }
};

} // namespace

QPushButton* makeButton(QWidget* parent) {
    return new Button(parent);
}

} // namespace qvMsgErr::qt

// What the Qt desktop's widgets are given to lay out. Qt lays text out whole, about a microsecond
// a character, every time a widget is measured or painted, and a word longer than a line costs it
// the word's length again for each line it breaks the word into. A caption is cut to what a
// screen can show and a text area to a readable length, so that a window with a mebibyte of text
// still comes up at once; the text the library keeps and hands back is never changed.
#include "platform/qt/qt_desktop_p.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace qvMsgErr::qt {

namespace {

constexpr QChar kEllipsis(0x2026);
constexpr QChar kBreakHere(0x200B); // zero width space: a line may break here

/// How many lines, and characters of a line, a screen can show at most in `fm`'s font.
struct ScreenReach {
    qsizetype lines, columns;
};

ScreenReach screenReach(const QFontMetricsF& fm) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    // The virtual desktop: a window may span every screen beside the primary one.
    const QSize area = screen ? screen->virtualSize() : QSize(1920, 1080);
    qreal narrowest = fm.averageCharWidth();
    for (char16_t c = 0x21; c < 0x7F; ++c) {
        narrowest = std::min(narrowest, fm.horizontalAdvance(QChar(c)));
    }
    const auto fits = [](int length, qreal step) {
        return static_cast<qsizetype>(std::ceil(length / std::max<qreal>(1, step))) + 1;
    };
    return {fits(area.height(), fm.lineSpacing()), fits(area.width(), narrowest)};
}

/// `text` from `from` to before `end`, without a half character or a lone access-key marker at
/// the end.
QString cut(const QString& text, qsizetype from, qsizetype end) {
    while (end > from && (text[end - 1].isHighSurrogate() || text[end - 1] == QLatin1Char('&'))) {
        --end;
    }
    return text.sliced(from, end - from);
}

/// Whether a line may break before `text[i]`, which follows a character of the same word.
bool breakable(const QString& text, qsizetype i) {
    return !text[i].isLowSurrogate() && !text[i].isMark();
}

} // namespace

QString visiblePart(const QString& text, const QFontMetricsF& fm, bool wrap) {
    const ScreenReach reach = screenReach(fm);
    if (text.size() < std::min(reach.lines, reach.columns)) {
        return text; // too short to fill either way
    }
    // Wrapped, the whole text fills lines of the screen's width; unwrapped, each line does.
    const qsizetype budget = wrap ? reach.lines * reach.columns : reach.columns;
    QString shown;
    qsizetype lines = 1, used = 0, from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n')) {
            if (++lines > reach.lines) {
                // Right after a cut line nothing is left to show, and its ellipsis says enough.
                return i == from ? shown : shown + cut(text, from, i) + kEllipsis;
            }
            used = wrap ? used : 0;
        } else if (++used > budget) {
            shown += cut(text, from, i) + kEllipsis;
            from = wrap ? -1 : text.indexOf(QLatin1Char('\n'), i);
            if (from < 0) {
                return shown;
            }
            i = from - 1; // the rest of the line is skipped; its break counts next round
            used = 0;
        }
    }
    return shown + text.sliced(from);
}

QString labelText(const QString& text, const QFontMetricsF& fm, bool wrap, qreal width) {
    QString shown = visiblePart(text, fm, wrap);
    if (!wrap) {
        return shown;
    }
    // A wrapping label breaks only between words: a word wider than the label is given a place
    // to break wherever a line of it is full, instead of running out of sight. One break a line,
    // not one a character: each break starts a new run that Qt shapes on its own.
    QString broken;
    qsizetype copied = 0;
    qreal word = 0; // the width of the current word's piece on its line
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (shown[i].isSpace()) {
            word = 0;
            continue;
        }
        const qreal advance = fm.horizontalAdvance(shown[i]);
        if (word > 0 && word + advance > width && breakable(shown, i)) {
            broken += QStringView(shown).sliced(copied, i - copied);
            broken += kBreakHere;
            copied = i;
            word = 0;
        }
        word += advance;
    }
    if (copied == 0) {
        return shown;
    }
    return broken += QStringView(shown).sliced(copied);
}

AreaText areaText(const QString& text) {
    AreaText area{text, true, false};
    if (text.size() > kAreaShows) {
        area.shown = cut(text, 0, kAreaShows);
        area.shown += QStringLiteral("\n%1 %2 more characters are not shown here")
                          .arg(kEllipsis)
                          .arg(text.size() - area.shown.size());
        area.whole = false;
    }
    qsizetype run = 0;
    for (const QChar c : std::as_const(area.shown)) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > kLongestWord) {
            area.longWords = true;
            break;
        }
    }
    return area;
}

QString buttonLines(const QString& text, const QFontMetricsF& fm, qreal width) {
    // Widths are summed character by character, so that a long text costs its length once.
    const auto advance = [&](const QString& s, qsizetype i) {
        const bool mark = s[i] == QLatin1Char('&') && (i == 0 || s[i - 1] != QLatin1Char('&'));
        return mark ? 0.0 : fm.horizontalAdvance(s[i]);
    };
    QString out;
    qsizetype lineStart = 0, space = -1; // in `out`: where the line starts, its last space
    qreal used = 0;
    for (const QChar c : text) {
        out += c;
        used += advance(out, out.size() - 1);
        if (c == QLatin1Char('\n')) {
            lineStart = out.size();
            space = -1;
            used = 0;
        } else if (c == QLatin1Char(' ')) {
            space = out.size() - 1;
        } else if (used > width && out.size() - 1 > lineStart) {
            qsizetype at = space; // the line breaks at its last space ...
            if (space > lineStart) {
                out[space] = QLatin1Char('\n');
            } else {
                // ... or, in a word wider than the line, before this character, or before the
                // access-key mark that goes with it.
                at = out.size() - 1;
                if (at - 1 > lineStart && out[at - 1] == QLatin1Char('&')) {
                    --at;
                }
                out.insert(at, QLatin1Char('\n'));
            }
            lineStart = at + 1;
            space = -1;
            used = 0;
            for (qsizetype i = lineStart; i < out.size(); ++i) {
                used += advance(out, i);
            }
        }
    }
    return out;
}

platform::TextExtent QtDesktop::measureCaption(const std::string& caption,
                                               const platform::Font& font, float wrapWidth) const {
    const QFontMetricsF fm(toQFont(font));
    const TwipScale s = TwipScale::ofPrimaryScreen();
    // What a button would be given to show, measured as it draws it: "&x" as an underlined x.
    QString shown = visiblePart(fromText(caption), fm, false);
    if (wrapWidth > 0) {
        shown = buttonLines(shown, fm, wrapWidth / s.x);
    }
    const QSizeF size = fm.size(Qt::TextShowMnemonic, shown);
    return {static_cast<float>(std::ceil(size.width()) * s.x),
            static_cast<float>(std::ceil(std::max(size.height(), fm.height())) * s.y)};
}

} // namespace qvMsgErr::qt

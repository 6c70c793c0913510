// Units, colours, keys, filters, texts and pictures between the library's terms and Qt's.
#include "platform/qt/qt_desktop_p.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace qvMsgErr::qt {

TwipScale TwipScale::ofPrimaryScreen() {
    TwipScale s;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        if (screen->logicalDotsPerInchX() > 0) {
            s.x = 1440.0 / screen->logicalDotsPerInchX();
        }
        if (screen->logicalDotsPerInchY() > 0) {
            s.y = 1440.0 / screen->logicalDotsPerInchY();
        }
    }
    return s;
}

namespace {

struct PaletteEntry {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The system colours by index, as the palette offers them.
constexpr std::array<PaletteEntry, 31> kSystemColors{{
    {QPalette::Active, QPalette::Button},          // 0 scroll bar
    {QPalette::Active, QPalette::Dark},            // 1 desktop
    {QPalette::Active, QPalette::Highlight},       // 2 active caption
    {QPalette::Inactive, QPalette::Mid},           // 3 inactive caption
    {QPalette::Active, QPalette::Window},          // 4 menu
    {QPalette::Active, QPalette::Base},            // 5 window
    {QPalette::Active, QPalette::Shadow},          // 6 window frame
    {QPalette::Active, QPalette::WindowText},      // 7 menu text
    {QPalette::Active, QPalette::Text},            // 8 window text
    {QPalette::Active, QPalette::HighlightedText}, // 9 caption text
    {QPalette::Active, QPalette::Window},          // 10 active border
    {QPalette::Inactive, QPalette::Window},        // 11 inactive border
    {QPalette::Active, QPalette::Mid},             // 12 application workspace
    {QPalette::Active, QPalette::Highlight},       // 13 highlight
    {QPalette::Active, QPalette::HighlightedText}, // 14 highlighted text
    {QPalette::Active, QPalette::Button},          // 15 button face
    {QPalette::Active, QPalette::Dark},            // 16 button shadow
    {QPalette::Disabled, QPalette::WindowText},    // 17 grey text
    {QPalette::Active, QPalette::ButtonText},      // 18 button text
    {QPalette::Inactive, QPalette::WindowText},    // 19 inactive caption text
    {QPalette::Active, QPalette::Light},           // 20 button highlight
    {QPalette::Active, QPalette::Shadow},          // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},        // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},     // 23 tooltip text
    {QPalette::Active, QPalette::ToolTipBase},     // 24 tooltip background
    {QPalette::Active, QPalette::Window},          // 25 (unused by the platform)
    {QPalette::Active, QPalette::Link},            // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},       // 27 active caption gradient
    {QPalette::Inactive, QPalette::Mid},           // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},       // 29 menu highlight
    {QPalette::Active, QPalette::Window},          // 30 menu bar
}};

} // namespace

QColor systemColor(int index, const QPalette& palette, QPalette::ColorRole fallback) {
    if (index < 0 || index >= static_cast<int>(kSystemColors.size())) {
        return palette.color(QPalette::Active, fallback);
    }
    const auto& entry = kSystemColors[static_cast<std::size_t>(index)];
    return palette.color(entry.group, entry.role);
}

QColor toQColor(int32_t color, const QPalette& palette, QPalette::ColorRole fallback) {
    const auto bits = static_cast<uint32_t>(color);
    if (bits & 0x80000000u) {
        return systemColor(static_cast<int>(bits & 0x00FFFFFFu), palette, fallback);
    }
    return QColor(static_cast<int>(bits & 0xFF), static_cast<int>((bits >> 8) & 0xFF),
                  static_cast<int>((bits >> 16) & 0xFF));
}

int16_t virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
            return static_cast<int16_t>(96 + (qtKey - Qt::Key_0));
        }
        switch (qtKey) {
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return 107;
        case Qt::Key_Minus:
            return 109;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return 110;
        case Qt::Key_Slash:
            return 111;
        default:
            break;
        }
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return static_cast<int16_t>(qtKey); // the same codes as the virtual keys
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return static_cast<int16_t>(112 + (qtKey - Qt::Key_F1));
    }
    // Shifted symbols of a US keyboard report the key they are on, as the virtual codes do.
    static const QHash<int, int16_t> keys{
        {Qt::Key_Backspace, 8},
        {Qt::Key_Tab, 9},
        {Qt::Key_Backtab, 9},
        {Qt::Key_Clear, 12},
        {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13},
        {Qt::Key_Shift, 16},
        {Qt::Key_Control, 17},
        {Qt::Key_Alt, 18},
        {Qt::Key_Pause, 19},
        {Qt::Key_CapsLock, 20},
        {Qt::Key_Escape, 27},
        {Qt::Key_Space, 32},
        {Qt::Key_PageUp, 33},
        {Qt::Key_PageDown, 34},
        {Qt::Key_End, 35},
        {Qt::Key_Home, 36},
        {Qt::Key_Left, 37},
        {Qt::Key_Up, 38},
        {Qt::Key_Right, 39},
        {Qt::Key_Down, 40},
        {Qt::Key_Select, 41},
        {Qt::Key_Print, 44},
        {Qt::Key_Insert, 45},
        {Qt::Key_Delete, 46},
        {Qt::Key_Help, 47},
        {Qt::Key_Meta, 91},
        {Qt::Key_Menu, 93},
        {Qt::Key_NumLock, 144},
        {Qt::Key_ScrollLock, 145},
        {Qt::Key_Exclam, '1'},
        {Qt::Key_At, '2'},
        {Qt::Key_NumberSign, '3'},
        {Qt::Key_Dollar, '4'},
        {Qt::Key_Percent, '5'},
        {Qt::Key_AsciiCircum, '6'},
        {Qt::Key_Ampersand, '7'},
        {Qt::Key_Asterisk, '8'},
        {Qt::Key_ParenLeft, '9'},
        {Qt::Key_ParenRight, '0'},
        {Qt::Key_Semicolon, 186},
        {Qt::Key_Colon, 186},
        {Qt::Key_Equal, 187},
        {Qt::Key_Plus, 187},
        {Qt::Key_Comma, 188},
        {Qt::Key_Less, 188},
        {Qt::Key_Minus, 189},
        {Qt::Key_Underscore, 189},
        {Qt::Key_Period, 190},
        {Qt::Key_Greater, 190},
        {Qt::Key_Slash, 191},
        {Qt::Key_Question, 191},
        {Qt::Key_QuoteLeft, 192},
        {Qt::Key_AsciiTilde, 192},
        {Qt::Key_BracketLeft, 219},
        {Qt::Key_BraceLeft, 219},
        {Qt::Key_Backslash, 220},
        {Qt::Key_Bar, 220},
        {Qt::Key_BracketRight, 221},
        {Qt::Key_BraceRight, 221},
        {Qt::Key_Apostrophe, 222},
        {Qt::Key_QuoteDbl, 222},
    };
    return keys.value(qtKey, 0);
}

int qtKeyOf(int16_t virtualKey) {
    if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9')) {
        return virtualKey;
    }
    if (virtualKey >= 112 && virtualKey <= 135) {
        return Qt::Key_F1 + (virtualKey - 112);
    }
    static const QHash<int16_t, int> keys{
        {8, Qt::Key_Backspace},     {9, Qt::Key_Tab},         {13, Qt::Key_Return},
        {16, Qt::Key_Shift},        {17, Qt::Key_Control},    {18, Qt::Key_Alt},
        {19, Qt::Key_Pause},        {20, Qt::Key_CapsLock},   {27, Qt::Key_Escape},
        {32, Qt::Key_Space},        {33, Qt::Key_PageUp},     {34, Qt::Key_PageDown},
        {35, Qt::Key_End},          {36, Qt::Key_Home},       {37, Qt::Key_Left},
        {38, Qt::Key_Up},           {39, Qt::Key_Right},      {40, Qt::Key_Down},
        {45, Qt::Key_Insert},       {46, Qt::Key_Delete},     {186, Qt::Key_Semicolon},
        {187, Qt::Key_Equal},       {188, Qt::Key_Comma},     {189, Qt::Key_Minus},
        {190, Qt::Key_Period},      {191, Qt::Key_Slash},     {192, Qt::Key_QuoteLeft},
        {219, Qt::Key_BracketLeft}, {220, Qt::Key_Backslash}, {221, Qt::Key_BracketRight},
        {222, Qt::Key_Apostrophe},
    };
    return keys.value(virtualKey, Qt::Key_unknown);
}

int16_t shiftState(Qt::KeyboardModifiers modifiers) {
    int16_t s = 0;
    if (modifiers & Qt::ShiftModifier) {
        s |= platform::kShift;
    }
    if (modifiers & Qt::ControlModifier) {
        s |= platform::kCtrl;
    }
    if (modifiers & Qt::AltModifier) {
        s |= platform::kAlt;
    }
    return s;
}

int16_t mouseButtonState(Qt::MouseButtons buttons) {
    int16_t b = 0;
    if (buttons & Qt::LeftButton) {
        b |= 1;
    }
    if (buttons & Qt::RightButton) {
        b |= 2;
    }
    if (buttons & Qt::MiddleButton) {
        b |= 4;
    }
    return b;
}

QStringList nameFilters(const std::string& filter) {
    const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // QFileDialog reads the patterns from the last parentheses, so a description that
        // already names them in parentheses must lose them for the real ones to count.
        if (description.endsWith(QLatin1Char(')'))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            if (open >= 0) {
                description = description.left(open).trimmed();
            }
        }
        if (description.isEmpty()) {
            description = patterns;
        }
        out << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return out;
}

QString fromText(const std::string& text) {
    QString s = QString::fromUtf8(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

std::string toText(const QString& text) {
    QString s = text;
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    s.replace(QChar::LineSeparator, QLatin1Char('\n'));
    s.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return s.toStdString();
}

QFont toQFont(const platform::Font& font) {
    const float size = font.size > 0 ? font.size : platform::kReferenceFontSize;
    QFont f;
    if (!font.name.empty()) {
        f.setFamilies({QString::fromStdString(font.name)});
        f.setPointSizeF(size);
    } else {
        // The user's choice of message font, kept in proportion: a heading drawn smaller or
        // larger than the body at the reference size stays so at any size.
        f = QApplication::font("QMessageBox");
        const double ratio = size / platform::kReferenceFontSize;
        if (f.pointSizeF() > 0) {
            f.setPointSizeF(f.pointSizeF() * ratio);
        } else {
            f.setPixelSize(std::max(1, static_cast<int>(std::lround(f.pixelSize() * ratio))));
        }
    }
    f.setBold(font.bold);
    return f;
}

QImage stockPicture(platform::StockPicture picture, int size, int32_t maskColor, qreal dpr) {
    QStyle::StandardPixmap which = QStyle::SP_MessageBoxInformation;
    switch (picture) {
    case platform::StockPicture::None:
        return {};
    case platform::StockPicture::Critical:
        which = QStyle::SP_MessageBoxCritical;
        break;
    case platform::StockPicture::Question:
        which = QStyle::SP_MessageBoxQuestion;
        break;
    case platform::StockPicture::Exclamation:
        which = QStyle::SP_MessageBoxWarning;
        break;
    case platform::StockPicture::Information:
        which = QStyle::SP_MessageBoxInformation;
        break;
    }
    const QString key = QStringLiteral("%1/%2/%3/%4")
                            .arg(static_cast<int>(which))
                            .arg(size)
                            .arg(maskColor)
                            .arg(dpr);
    static QHash<QString, QImage> cache;
    if (auto it = cache.constFind(key); it != cache.constEnd()) {
        return *it;
    }
    const int pixels = static_cast<int>(std::lround(size * dpr));
    const QIcon icon = QApplication::style()->standardIcon(which);
    QImage image = icon.pixmap(QSize(size, size), dpr).toImage();
    if (image.isNull()) {
        return {};
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.width() != pixels || image.height() != pixels) {
        image = image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    if (maskColor >= 0) {
        const QRgb mask = toQColor(maskColor, QPalette(), QPalette::Window).rgb();
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(line[x]) == 255 && (line[x] & 0xFFFFFF) == (mask & 0xFFFFFF)) {
                    line[x] = 0;
                }
            }
        }
    }
    image.setDevicePixelRatio(dpr);
    cache.insert(key, image);
    return image;
}

namespace {

// The locale's long time form without its time zone, which the platform's long time lacks.
QString longTimeWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        if (!quoted && c == QLatin1Char('t')) {
            while (!out.isEmpty() && out.back().isSpace()) {
                out.chop(1);
            }
            continue;
        }
        out += c;
    }
    return out.trimmed();
}

} // namespace

std::string formatDateTime(platform::DateFormat format, const QDateTime& when,
                           const QLocale& locale) {
    switch (format) {
    case platform::DateFormat::GeneralDate:
        return (locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                locale.toString(when.time(), longTimeWithoutZone(locale)))
            .toStdString();
    case platform::DateFormat::LongDate:
        return locale.toString(when.date(), QLocale::LongFormat).toStdString();
    case platform::DateFormat::ShortTime:
        return when.time().toString(QStringLiteral("HH:mm")).toStdString();
    }
    return {};
}

} // namespace qvMsgErr::qt

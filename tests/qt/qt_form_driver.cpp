#include "qt/qt_form_driver.h"

#include "platform/contrast.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

namespace qvMsgErr::qttest {

void QtFormDriver::click(const std::string& name, int16_t index) {
    qttest::click(qt::widgetOf(window_.control(name, index)));
}

void QtFormDriver::keyDown(int16_t keyCode, int16_t shift) {
    QDialog* dialog = qt::dialogOf(window_);
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != dialog) {
        target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
    }
    Qt::KeyboardModifiers modifiers;
    modifiers.setFlag(Qt::ShiftModifier, (shift & platform::kShift) != 0);
    modifiers.setFlag(Qt::ControlModifier, (shift & platform::kCtrl) != 0);
    modifiers.setFlag(Qt::AltModifier, (shift & platform::kAlt) != 0);
    const bool printable = (keyCode >= 'A' && keyCode <= 'Z') ||
                           (keyCode >= '0' && keyCode <= '9') || keyCode == ' ' || keyCode == 27;
    QString text = keyCode == 13 ? QStringLiteral("\r") : printable ? QChar(keyCode) : QString();
    if (!(shift & platform::kShift)) {
        text = text.toLower();
    }
    // One press and one release carrying the shift state, without separate Shift/Ctrl/Alt keys.
    QTest::simulateEvent(target, true, qt::qtKeyOf(keyCode), modifiers, text, false);
    QTest::simulateEvent(target, false, qt::qtKeyOf(keyCode), modifiers, text, false);
}

void QtFormDriver::mouseMove(const std::string& name, int16_t index) {
    if (QWidget* w = qt::widgetOf(window_.control(name, index))) {
        // Through the window system, so that the widget under the pointer gets it.
        QTest::mouseMove(w, w->rect().center());
    }
}

void QtFormDriver::tick(const std::string& name, bool ticked) {
    if ((window_.control(name).value() == 1) != ticked) {
        click(name);
    }
}

void QtFormDriver::close() {
    qt::dialogOf(window_)->close();
}

void QtFormDriver::advanceSeconds(int32_t seconds) {
    // Real time with a margin for coarse timers: at least `seconds` ticks of a 1000 ms timer.
    QTest::qWait(seconds * 1000 + 300);
}

void QtFormDriver::typeText(const std::string& name, const std::string& text) {
    click(name);
    if (QWidget* w = qt::widgetOf(window_.control(name))) {
        QTest::keySequence(w, QKeySequence::SelectAll);
        QTest::keyClicks(w, QString::fromStdString(text));
    }
}

void withModalWidget(const std::function<bool(QWidget*)>& wanted, const std::string& what,
                     const std::function<void(QWidget&)>& user, const std::function<void()>& show) {
    bool ran = false;
    // Hides every modal window, innermost first, so that each modal display returns.
    const auto hideModals = [] {
        for (int i = 0; i < 10 && QApplication::activeModalWidget(); ++i) {
            QApplication::activeModalWidget()->hide();
        }
    };
    // The timers end with this call: a display that never came up cannot run the user later.
    const QObject scope;
    QTimer::singleShot(60000, &scope, [&] {
        ADD_FAILURE() << "the modal display of " << what << " did not end within a minute";
        hideModals();
    });
    QTimer::singleShot(0, &scope, [&] {
        QPointer<QWidget> w;
        if (!QTest::qWaitFor([&] {
                w = QApplication::activeModalWidget();
                return w && w->isVisible() && wanted(w);
            })) {
            ADD_FAILURE() << "no " << what << " came up";
            hideModals();
            return;
        }
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        user(*w);
        ran = true;
        if (w && w->isVisible()) {
            ADD_FAILURE() << "the user left " << what << " open";
            w->hide();
        }
    });
    show();
    EXPECT_TRUE(ran) << "the user never saw " << what;
}

void withModalWindow(std::string_view design, const std::function<void(qt::QtWindow&)>& user,
                     const std::function<void()>& show) {
    const auto window = [&](QWidget* w) {
        auto* dialog = dynamic_cast<qt::FormDialog*>(w);
        return dialog && dialog->owner && dialog->owner->design().name.starts_with(design)
                   ? dialog->owner
                   : nullptr;
    };
    withModalWidget([&](QWidget* w) { return window(w) != nullptr; }, std::string(design),
                    [&](QWidget& w) { user(*window(&w)); }, show);
}

RecordingOpener::RecordingOpener()
    : path_("PATH", dir_.path() + ':' + qEnvironmentVariable("PATH").toStdString()) {
    const std::string opener = dir_.file("xdg-open");
    // The record appears whole: once it exists, it holds every argument.
    qvtest::writeFile(
        opener, "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
}

std::vector<std::string> RecordingOpener::received() const {
    const std::string record = dir_.file("xdg-open.args");
    if (!QTest::qWaitFor([&] { return std::filesystem::exists(record); }, 10000)) {
        return {};
    }
    const std::string all = qvtest::readFile(record);
    std::filesystem::remove(record); // the next call waits for the next opening
    std::vector<std::string> arguments;
    for (size_t begin = 0, end; (end = all.find('\0', begin)) != std::string::npos;
         begin = end + 1) {
        arguments.push_back(all.substr(begin, end - begin));
    }
    return arguments;
}

const std::vector<std::pair<std::string, std::string>>& mebibyteTexts() {
    static const auto texts = [] {
        std::string lines, parts;
        while (lines.size() < (1U << 20)) {
            lines += "a line\r\n";
            parts += "Part&Proc";
        }
        lines.resize(lines.size() - 2); // no line end for the dialogs to trim
        return std::vector<std::pair<std::string, std::string>>{
            {"one word", std::string(1 << 20, 'w')},
            {"short lines", lines},
            {"&-separated", parts},
            {"invalid UTF-8", std::string(1 << 20, '\xff')},
        };
    }();
    return texts;
}

void click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible()) << "a hidden " << w->metaObject()->className();
    const QPoint centre = w->rect().center();
    QWidget* const deepest = w->childAt(centre);
    QWidget* target = deepest ? deepest : w;
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(w, centre));
}

namespace {

/// Where a widget writes its text, in its own pixels (empty where it writes none), and whether
/// all of it fits there: nothing cut off at the sides or the bottom.
std::pair<QRect, bool> textPlace(QWidget* w) {
    const QFontMetrics fm(w->font());
    const QStyle* style = w->style();
    auto* l = qobject_cast<QLabel*>(w);
    auto* t = qobject_cast<QAbstractScrollArea*>(w);
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty()) {
        const QSize text = fm.size(Qt::TextShowMnemonic, b->text()); // every line of it
        if (qobject_cast<QCheckBox*>(w)) {                           // beside its box
            const QRect room = w->rect().adjusted(
                style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) +
                    style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b),
                0, 0, 0);
            return {room, text.width() <= room.width() && text.height() <= room.height()};
        }
        QRect caption(QPoint(), text); // with a margin around it
        caption.moveCenter(w->rect().center());
        return {caption, style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) + text.width() <=
                                 b->width() &&
                             text.height() + 4 <= b->height()};
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        // "&x" shows x underlined, "&&" one "&".
        const QString title = g->title().remove(QRegularExpression("&(?!&)"));
        return {QRect(0, 0, w->width(), fm.height()),
                fm.horizontalAdvance(title) <= g->contentsRect().width()};
    }
    if (l && !l->text().isEmpty()) {
        const QRect room = l->contentsRect();
        const int wrap = l->wordWrap() ? static_cast<int>(Qt::TextWordWrap) : 0;
        const QRect need =
            fm.boundingRect(room, static_cast<int>(Qt::AlignLeft | Qt::AlignTop) | wrap, l->text());
        return {room, need.width() <= room.width() && need.height() <= room.height()};
    }
    const bool written =
        t && !(t->property("plainText").toString() + t->property("placeholderText").toString())
                  .isEmpty();
    return {written ? t->viewport()->geometry() : QRect(), true};
}

/// A text fits the widget that shows it. A frame's title is not covered by what it holds. A text
/// area that scrolls must show its scroll bar; with `whole` it must not need to scroll at all.
void expectTextFits(QWidget* w, const std::string& name, bool whole) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(textPlace(w).second) << w->metaObject()->className();
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        for (const QWidget* inside : g->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            EXPECT_GE(inside->y(), QFontMetrics(g->font()).height()) << "the title is covered";
        }
    } else if (auto* t = qobject_cast<QAbstractScrollArea*>(w)) {
        // Longer texts scroll; the short ones that must show whole may not.
        const bool needsScrolling = t->verticalScrollBar()->maximum() > 0;
        if (whole) {
            EXPECT_FALSE(needsScrolling);
        } else if (needsScrolling) {
            EXPECT_TRUE(t->verticalScrollBar()->isVisible()) << "no way to the rest of the text";
        }
    }
}

} // namespace

void expectTidyLayout(qt::QtWindow& w, const Tidiness& rules) {
    const QRect inner = w.dialog()->rect().marginsRemoved(QMargins(6, 6, 6, 6));
    std::vector<std::pair<const platform::ControlDesign*, QWidget*>> shown;
    for (const platform::ControlDesign& design : w.design().controls) {
        const std::vector<int16_t> indexes =
            design.index < 0 ? std::vector<int16_t>{-1} : w.elements(design.name);
        for (const int16_t i : indexes) {
            auto& control = static_cast<qt::QtControl&>(w.control(design.name, i));
            const platform::ControlDesign& c = control.settings();
            QWidget* widget = control.widget();
            if (!widget || !widget->isVisibleTo(w.dialog()) ||
                (c.kind == platform::ControlKind::Image &&
                 c.picture == platform::StockPicture::None)) {
                continue;
            }
            const std::string name = i < 0 ? c.name : c.name + "(" + std::to_string(i) + ")";
            expectTextFits(widget, name,
                           std::ranges::find(rules.whole, c.name) != rules.whole.end());
            if (rules.withinEdges) {
                EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
                    << name << " goes beyond the edge";
                EXPECT_TRUE(c.kind != platform::ControlKind::CommandButton ||
                            inner.contains(widget->geometry()))
                    << name << " at the window's edge";
            }
            for (const auto& [other, otherWidget] : shown) {
                EXPECT_TRUE(other->container != c.container ||
                            !widget->geometry().intersects(otherWidget->geometry()) ||
                            (rules.mayOverlap && rules.mayOverlap(c, *other)))
                    << name << " overlaps " << other->name << "(" << other->index << ")";
            }
            shown.emplace_back(&c, widget);
        }
    }
}

namespace {

/// The contrast of the text in `area` with what is behind it: the commonest colour is the
/// background, the pixel that stands out most from it the core of a glyph.
double textContrast(const QImage& image, const QRect& area) {
    const auto bgr = [](QRgb c) { return qRed(c) | qGreen(c) << 8 | qBlue(c) << 16; };
    std::map<int32_t, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ++counts[bgr(image.pixel(x, y))];
        }
    }
    const int32_t back =
        std::ranges::max_element(counts, {}, [](auto& c) { return c.second; })->first;
    double most = 1;
    for (const auto& [colour, count] : counts) {
        most = std::max(most, platform::contrast(colour, back));
    }
    return most;
}

} // namespace

Picture::Picture(QWidget* window, const QString& stem) {
    QTest::qWait(50); // what changed just now is painted
    const QPixmap pixmap = window->grab();
    image = pixmap.toImage();
    dpr = pixmap.devicePixelRatio();
    dpi = static_cast<int>(std::lround(window->screen()->logicalDotsPerInchX() * dpr));
    background = window->palette().color(QPalette::Window).rgb();
    // Every text a user sees reads on what is behind it, as drawn.
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (const QRect area = textPlace(child).first;
            !area.isEmpty() && child->isVisibleTo(window)) {
            const QRect drawn(child->mapTo(window, area.topLeft()) * dpr, area.size() * dpr);
            EXPECT_GE(textContrast(image, drawn & image.rect()), platform::kReadableContrast)
                << child->metaObject()->className() << " " << child->objectName().toStdString();
        }
    }
    const QString file =
        QStringLiteral("%1/%2-%3dpi.png").arg(testOutputDirectory(), stem).arg(dpi);
    EXPECT_TRUE(pixmap.save(file)) << file.toStdString();
}

int Picture::marked(const QRectF& area) const {
    const QRect device(qRound(area.left() * dpr), qRound(area.top() * dpr),
                       qRound(area.width() * dpr), qRound(area.height() * dpr));
    int count = 0;
    for (int y = device.top(); y <= device.bottom(); ++y) {
        for (int x = device.left(); x <= device.right(); ++x) {
            count += (image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF) ? 1 : 0;
        }
    }
    return count;
}

QString testOutputDirectory() {
    const QString dir = qEnvironmentVariable("QVMSGERR_TEST_OUTPUT", QDir::tempPath());
    EXPECT_TRUE(QDir().mkpath(dir)) << dir.toStdString();
    return dir;
}

HostWithChild::HostWithChild() : child(new QWidget(&window)) {
    window.setGeometry(40, 30, 420, 300);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    child->setGeometry(300, 200, 40, 40);
}

std::vector<std::pair<QWidget*, QPointF>> HostWithChild::centres() {
    return {{&window, QRectF(window.frameGeometry()).center()},
            {child, QRectF(QGuiApplication::primaryScreen()->availableGeometry()).center()}};
}

} // namespace qvMsgErr::qttest

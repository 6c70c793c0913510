// The shared test form on the Qt desktop and its user (real mouse and key events on the widgets),
// and the helpers every Qt test uses: modal users, environment, recording opener, layout, pictures.
#pragma once

#include "platform/test_form.h"
#include "scratch.h"

#include "platform/qt/qt_desktop_p.h"

#include <qvMsgErr/qt.h>

#include <QImage>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qvMsgErr::qttest {

class QtFormDriver final : public testform::FormDriver {
public:
    explicit QtFormDriver(platform::Window& window) : window_(window) {}

    void click(const std::string& name, int16_t index = -1) override;
    void keyDown(int16_t keyCode, int16_t shift = 0) override;
    void mouseMove(const std::string& name, int16_t index = -1) override;
    void tick(const std::string& name, bool ticked) override;
    void close() override;
    void advanceSeconds(int32_t seconds) override;
    void typeText(const std::string& name, const std::string& text) override;

private:
    platform::Window& window_;
};

/// Runs `show`, which brings up a modal window, and hands the first active modal widget that
/// `wanted` accepts to `user` once it is exposed. The user must end the display: a window left
/// shown fails the test and is hidden, as is any modal display after a minute. A window that never
/// came up fails the test too.
void withModalWidget(const std::function<bool(QWidget*)>& wanted, const std::string& what,
                     const std::function<void(QWidget&)>& user, const std::function<void()>& show);

/// withModalWidget for a toolkit dialog of class `Dialog` (a message box, a file dialog, ...).
template <class Dialog>
void withModalDialog(const std::function<void(Dialog&)>& user, const std::function<void()>& show) {
    withModalWidget([](QWidget* w) { return qobject_cast<Dialog*>(w) != nullptr; },
                    Dialog::staticMetaObject.className(),
                    [&](QWidget& w) { user(static_cast<Dialog&>(w)); }, show);
}

/// withModalWidget for a library window whose design's name begins with `design`.
void withModalWindow(std::string_view design, const std::function<void(qt::QtWindow&)>& user,
                     const std::function<void()>& show);

/// A fake xdg-open first on PATH for one scope, which records its arguments byte for byte.
class RecordingOpener {
public:
    RecordingOpener();
    /// The arguments of the next opening (none after ten seconds without one).
    std::vector<std::string> received() const;

private:
    qvtest::ScratchDir dir_;
    qvtest::ScopedEnv path_;
};

/// Texts of a mebibyte that once took Qt minutes to lay out, each with what it is: one word,
/// 131,072 short lines, "&"-separated parts (lines in an error's details), no UTF-8 at all.
const std::vector<std::pair<std::string, std::string>>& mebibyteTexts();

/// A left click in the middle of `w`, which must be on screen (what a user can reach), on
/// whatever lies deepest there, as a real one lands.
void click(QWidget* w);

/// What a window must look like besides texts that fit and controls that do not overlap.
struct Tidiness {
    /// Whether two controls may overlap; the later one in the design comes first.
    std::function<bool(const platform::ControlDesign&, const platform::ControlDesign&)> mayOverlap =
        {};
    /// Text areas that show their text without scrolling.
    std::vector<std::string> whole = {};
    /// Every control lies inside its container, and a button keeps a margin from the edges.
    bool withinEdges = false;
};

/// What a user notices first on a window as it looks now, for every control a user sees (shown,
/// in a shown container, drawing something): its text fits it, and it overlaps no other control
/// of its container; with what `rules` adds.
void expectTidyLayout(qt::QtWindow& w, const Tidiness& rules);

/// A window as it looked once painted, saved as <stem>-<dpi>dpi.png to testOutputDirectory(),
/// each text it shows checked to stand out 4.5 : 1 from the pixels behind it.
struct Picture {
    Picture(QWidget* window, const QString& stem);
    /// Device pixels inside `area` (logical pixels) that differ from the window's background.
    int marked(const QRectF& area) const;

    QImage image;
    qreal dpr;
    int dpi;
    QRgb background;
};

/// Where tests leave pictures and documents to look at: $QVMSGERR_TEST_OUTPUT, else the
/// temporary directory; created when missing.
QString testOutputDirectory();

/// A shown top-level window at a fixed place with a child widget in it: the parents a window can
/// be opened over. `centres` pairs each with where a window opened over it is centred: the
/// window's frame, and for the child (which is no form) the screen.
struct HostWithChild {
    HostWithChild();
    QWidget window;
    QWidget* child;
    std::vector<std::pair<QWidget*, QPointF>> centres();
};

} // namespace qvMsgErr::qttest

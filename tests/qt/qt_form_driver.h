// The shared test form on the Qt desktop, and its user: real mouse and key events on the widgets.
#pragma once

#include "platform/test_form.h"

#include "platform/qt/qt_desktop_p.h"

#include <qvMsgErr/qt.h>

#include <functional>
#include <memory>

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
    QWidget* widget(const std::string& name, int16_t index);
    platform::Window& window_;
};

/// The test form on a Qt desktop of its own, its logic connected.
struct QtForm {
    std::shared_ptr<platform::Desktop> desktop = qt::makeDesktop();
    std::unique_ptr<platform::Window> window = desktop->createWindow(testform::testFormDesign());
    testform::TestFormLogic logic{*window};
    QtForm() { window->setHandler(&logic); }
    QWidget* widget(const std::string& name, int16_t index = -1) {
        return qt::widgetOf(window->control(name, index));
    }
};

/// Shows `window` modally and runs `script` inside the modal display once the window is active
/// and painted; hides the window afterwards should the script leave it shown, and after a
/// minute in any case, so that a failing script never hangs the tests.
void runModal(platform::Window& window, const std::function<void()>& script);

/// Waits until `condition` holds, processing events, for at most `ms` milliseconds.
bool waitFor(const std::function<bool()>& condition, int ms = 5000);

/// The application's active modal widget, once one is shown (nullptr after `ms` milliseconds).
QWidget* waitForModal(int ms = 5000);

} // namespace qvMsgErr::qttest

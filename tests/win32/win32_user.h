// A user of the Win32 desktop's windows, acting with the window messages a real one causes:
// clicks, keys, mouse moves, typing and the close box; and a way to act while a window (the
// library's own, or the system's message box) holds the thread in its modal loop.
#pragma once

#include "platform/test_form.h"

#include "platform/win32/win32_desktop_p.h"

#include <functional>
#include <string>
#include <vector>

namespace qvMsgErr::win32test {

class Win32User final : public testform::FormDriver {
public:
    explicit Win32User(platform::Window& window) : window_(window) {}

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

/// Handles the messages that arrive within `milliseconds`, as a waiting program does.
void pump(int milliseconds);

/// Runs `show`, which holds the thread in a modal loop, and `user` from inside that loop once
/// a visible top-level window of this thread whose class is `windowClass` has come up. A window
/// still shown after `user` (or after half a minute without one) fails the test and is closed.
void whileShown(const wchar_t* windowClass, const std::function<void(HWND)>& user,
                const std::function<void()>& show);

/// The visible control of `window`, at any depth, whose caption is `caption`; nullptr if none.
HWND captioned(HWND window, const std::wstring& caption);

/// A user in another program: clicks each caption in turn on whichever visible window shows it,
/// waiting up to half a minute for each. False when one never came.
bool clickInTurn(const std::vector<std::wstring>& captions);

/// The buttons of a dialog, left to right: their ids and captions.
struct DialogButton {
    HWND hwnd;
    int id;
    std::string caption;
};
std::vector<DialogButton> buttonsOf(HWND dialog);

} // namespace qvMsgErr::win32test

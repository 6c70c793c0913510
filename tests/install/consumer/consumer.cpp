// A host program built against the installed library only.
#include <qvMsgErr/qvMsgErr.h>

#include <iostream>
#include <memory>

int main() {
    auto desktop = std::make_shared<qvMsgErr::headless::HeadlessDesktop>();
    desktop->onSystemMessageBox([](const qvMsgErr::headless::SystemMessageBoxCall&) {
        return static_cast<int32_t>(qvMsgErr::qvButtonYes);
    });
    qvMsgErr::setThreadDesktop(desktop);
    const int32_t answer = qvMsgErr::threadDesktop().systemMessageBox("Continue?", 4, "t", "", 0);
    std::cout << qvMsgErr::kProductName << ' ' << qvMsgErr::kVersionString << " answered " << answer
              << '\n';
    return answer == qvMsgErr::qvButtonYes ? 0 : 1;
}

// A host program built against the installed library only: it shows an error and a message on
// the headless desktop, where a script plays the user, and checks the answers.
#include <qvMsgErr/qvMsgErr.h>

#include <iostream>
#include <memory>

int main() {
    auto desktop = std::make_shared<qvMsgErr::headless::HeadlessDesktop>();
    desktop->onModal([](qvMsgErr::headless::ScriptedUser& user) {
        if (user.windowName() == "dlgError") {
            user.click("cmdRetry");
        } else {
            user.click("cmdButton", 1); // No
        }
    });
    qvMsgErr::setThreadDesktop(desktop);

    qvMsgErr::clsError err;
    err.AppName("Consumer");
    const int16_t answer = err.Show(true, "The ledger file is locked.", 70);
    qvMsgErr::clsMesgBox box;
    box.MsgBoxType(qvMsgErr::Tessary2003);
    const int32_t message = box.msgBox("Save the ledger?", 4, "Consumer");
    std::cout << qvMsgErr::kProductName << ' ' << qvMsgErr::kVersionString << " answered " << answer
              << ", message answered " << message << '\n';
    return answer == qvMsgErr::qvButtonRetry && message == qvMsgErr::qvButtonNo ? 0 : 1;
}

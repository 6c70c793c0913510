// A host program built against the installed library only: it shows an error on the headless
// desktop, where a script plays the user, and checks the answer.
#include <qvMsgErr/qvMsgErr.h>

#include <iostream>
#include <memory>

int main() {
    auto desktop = std::make_shared<qvMsgErr::headless::HeadlessDesktop>();
    desktop->onModal([](qvMsgErr::headless::ScriptedUser& user) { user.click("cmdRetry"); });
    qvMsgErr::setThreadDesktop(desktop);

    qvMsgErr::clsError err;
    err.AppName("Consumer");
    const int16_t answer = err.Show(true, "The ledger file is locked.", 70);
    std::cout << qvMsgErr::kProductName << ' ' << qvMsgErr::kVersionString << " answered " << answer
              << '\n';
    return answer == qvMsgErr::qvButtonRetry ? 0 : 1;
}

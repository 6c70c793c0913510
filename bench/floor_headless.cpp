// The floor of `qvmsg --platform headless`: the smallest program that shows the same message on
// the headless desktop through qvMsgErr::core alone, answered Yes by a script.
#include <qvMsgErr/apartment.h>
#include <qvMsgErr/clsMesgBox.h>
#include <qvMsgErr/headless.h>

int main() {
    auto desktop = std::make_shared<qvMsgErr::headless::HeadlessDesktop>();
    desktop->onModal([](qvMsgErr::headless::ScriptedUser& user) { user.click("cmdButton", 0); });
    qvMsgErr::setThreadDesktop(desktop);
    qvMsgErr::clsMesgBox box;
    box.MsgBoxType(qvMsgErr::Tessary2003);
    return box.msgBox("Go on?", 4, "qvmsg");
}

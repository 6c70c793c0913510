// A program with no QApplication of its own: the library starts one for its messages. Two
// 2003-style messages with icons answer themselves by their countdown; the program must then
// end as any program does, with status 0.
#include <qvMsgErr/qvMsgErr.h>

#include <cstdio>

int main() {
    qvMsgErr::clsMesgBox box;
    for (const int32_t icon : {16, 32}) {
        box.MsgBoxType(qvMsgErr::Tessary2003);
        box.TimerUse(true);
        box.TimerSeconds(1);
        if (box.msgBox("Go on?", 1 | icon, "Countdown host") != 1) {
            std::fputs("the countdown did not answer OK\n", stderr);
            return 1;
        }
    }
    return 0;
}

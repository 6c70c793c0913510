// A Qt Widgets program that links the library with --as-needed and calls nothing of the Qt
// desktop's own, so that the linker drops libqvMsgErr-qt; it also makes its message object before
// its QApplication. The message must still be a real window that a person answers.
#include <qvMsgErr/qvMsgErr.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    qvMsgErr::clsMesgBox box;
    box.MsgBoxType(qvMsgErr::Tessary2003);
    QApplication app(argc, argv);
    const QString picture = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    // The user: once the message is up, a picture of it, then a click on No.
    bool seen = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        for (auto* button : dialog->findChildren<QPushButton*>()) {
            if (button->isVisible() && button->text().remove(QLatin1Char('&')) == "No") {
                seen = true;
                if (!picture.isEmpty()) {
                    dialog->grab().save(picture);
                }
                button->click();
                return;
            }
        }
    });
    user.start(20);
    const int32_t answer = box.msgBox("Delete every entry?", 4 | 32, "As needed");
    std::printf("answered %d by %s\n", answer, seen ? "a window" : "nobody");
    return seen && answer == qvMsgErr::qvButtonNo ? 0 : 1;
}

// The floor qvmsg's wall time is held against: the smallest Qt program that shows a message box,
// waits for it to paint, optionally saves a picture of it, presses OK and exits.
//
//     floor_qmessagebox [PICTURE.png]
#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>

namespace {

class OnFirstPaint final : public QObject {
public:
    OnFirstPaint(QMessageBox& box, QString picture) : box_(box), picture_(std::move(picture)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            QTimer::singleShot(0, this, [this] {
                if (!picture_.isEmpty()) {
                    box_.grab().save(picture_, "PNG");
                }
                box_.button(QMessageBox::Ok)->click();
            });
        }
        return false;
    }

private:
    QMessageBox& box_;
    QString picture_;
    bool done_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMessageBox box(QMessageBox::Question, QStringLiteral("qvmsg"), QStringLiteral("Go on?"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    OnFirstPaint user(box, argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    box.installEventFilter(&user);
    return box.exec() == QMessageBox::Ok ? 1 : 0;
}

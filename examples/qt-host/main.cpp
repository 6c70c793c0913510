// A Qt Widgets program: a ledger window whose "Back up" action asks through qvMsgErr::qt::Message,
// centred on the window, and reports a failed copy through qvMsgErr::qt::ErrorReport, centred on
// it too. Every text is a QString. "Close all" in the error dialog closes the window, which ends
// the program.
//
//     qt-host [--once] LEDGER-FILE
//
// --once backs up at start and quits when that is done, as a scheduled run would; the exit status
// is 0 when a backup was written or the user declined, 1 when it failed.
#include <qvMsgErr/qt.h>
#include <qvMsgErr/qvMsgErr.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextStream>
#include <QTimer>

#include <utility>

namespace {

constexpr int32_t kPathFileAccessError = 75;

enum class Backup { Written, Declined, Failed };

class LedgerWindow : public QMainWindow {
public:
    explicit LedgerWindow(QString path) : path_(std::move(path)) {
        setWindowTitle("Ledger - " + path_);
        auto* view = new QPlainTextEdit(this);
        view->setReadOnly(true);
        QFile file(path_);
        if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            view->setPlainText(QString::fromUtf8(file.readAll()));
        }
        setCentralWidget(view);

        QMenu* menu = menuBar()->addMenu("&File");
        menu->addAction("&Back up", QKeySequence("Ctrl+B"), this, [this] { backUp(); });
        menu->addSeparator();
        menu->addAction("&Quit", QKeySequence::Quit, this, &QWidget::close);
        resize(640, 420);
    }

    Backup backUp() {
        const QString target = path_ + ".bak";
        // The typed builder on Qt's own types: QString texts, and this window as the parent, on
        // whose centre the message opens wherever the user moved the window.
        const qvMsgErr::Button answer = qvMsgErr::qt::Message{"Copy the ledger to " + target + "?"}
                                            .style(qvMsgErr::Style::Tessary2003)
                                            .buttons(qvMsgErr::Buttons::OKCancel)
                                            .icon(qvMsgErr::Icon::Question)
                                            .caption(qvMsgErr::Button::OK, "&Back up")
                                            .caption(qvMsgErr::Button::Cancel, "&Later")
                                            .title("Ledger")
                                            .parent(this)
                                            .show();
        if (answer != qvMsgErr::Button::OK) {
            return report(Backup::Declined, "Backup declined");
        }
        for (;;) {
            QFile::remove(target);
            QFile source(path_);
            if (source.copy(target)) {
                return report(Backup::Written, "Backed up to " + target);
            }
            // The error dialog opens on this window too. "Close all": the library has closed its
            // own windows by now; the main window follows once show has returned, so that
            // nothing below runs on a closed window.
            const qvMsgErr::ErrorChoice decision =
                qvMsgErr::qt::ErrorReport{"Cannot copy the ledger to " + target + ": " +
                                          source.errorString()}
                    .number(kPathFileAccessError)
                    .details("LedgerWindow::backUp&")
                    .doing("backing up the ledger")
                    .application("Ledger")
                    .onCloseAll([this] { QTimer::singleShot(0, this, &QWidget::close); })
                    .parent(this)
                    .show();
            if (decision != qvMsgErr::ErrorChoice::TryAgain) {
                return report(Backup::Failed, "Backup failed");
            }
        }
    }

private:
    Backup report(Backup outcome, const QString& text) {
        statusBar()->showMessage(text);
        QTextStream(stdout) << text << Qt::endl;
        return outcome;
    }

    QString path_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ledger");

    QCommandLineParser parser;
    parser.setApplicationDescription("Shows a ledger and backs it up.");
    parser.addHelpOption();
    const QCommandLineOption once("once", "Back up at start, then quit.");
    parser.addOption(once);
    parser.addPositionalArgument("ledger", "The ledger file.");
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        parser.showHelp(2);
    }

    // The library gives this thread real windows by itself, because it runs the QApplication.
    LedgerWindow window(parser.positionalArguments().constFirst());
    window.show();
    if (parser.isSet(once)) {
        QTimer::singleShot(0, &window, [&window] {
            QCoreApplication::exit(window.backUp() == Backup::Failed ? 1 : 0);
        });
    }
    const int status = QApplication::exec();
    // The library's Qt desktop holds widgets of this application: let it go first.
    qvMsgErr::setThreadDesktop(nullptr);
    return status;
}

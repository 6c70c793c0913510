// The Qt desktop: windows, the system message box, sounds, dialogs and the environment.
#include "platform/qt/qt_desktop_p.h"

#include "platform/files.h"
#include "platform/system_box.h"

#include <qvMsgErr/apartment.h>

#include <QAbstractPrintDialog>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

#include <dlfcn.h>

#include <cstdlib>
#include <utility>

#ifdef QVMSGERR_HAVE_CANBERRA
#include <canberra.h>
#endif

namespace qvMsgErr::qt {

namespace {

std::string envText(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

/// Qt's offscreen and minimal platforms: windows that no person can see.
bool nobodySees() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

/// A variable that answers a dialog in a person's place: heeded only where no person could
/// see the dialog, so that it can never bypass a user who can.
std::string unattendedAnswer(const char* variable) {
    return nobodySees() ? envText(variable) : std::string();
}

void requireApplication() {
    const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) {
        throw RunTimeError(err::InvalidCall,
                           "The Qt desktop needs a QApplication running on the calling thread");
    }
}

QWidget* dialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return QApplication::activeWindow();
}

/// The system message box: Escape and the close box answer only where the button set allows.
class SystemBox final : public QMessageBox {
public:
    explicit SystemBox(QWidget* parent) : QMessageBox(parent) {}
    bool escapeAnswers = true;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!escapeAnswers && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (!escapeAnswers) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }
};

/// The standard button of an answer, or NoButton for the answers Qt has no button for.
QMessageBox::StandardButton standardButtonOf(int32_t answer) {
    static const QMessageBox::StandardButton kButtons[] = {
        QMessageBox::NoButton, QMessageBox::Ok,     QMessageBox::Cancel, QMessageBox::Abort,
        QMessageBox::Retry,    QMessageBox::Ignore, QMessageBox::Yes,    QMessageBox::No};
    return answer >= 1 && answer <= 7 ? kButtons[answer] : QMessageBox::NoButton;
}

QMessageBox::Icon iconOf(int32_t flags) {
    switch (flags & 0x70) {
    case 16:
        return QMessageBox::Critical;
    case 32:
        return QMessageBox::Question;
    case 48:
        return QMessageBox::Warning;
    case 64:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

void openWithDesktopHandler(const std::string& target) {
    // No shell between us and the opener: the string arrives as one argument, byte for byte, a
    // path made absolute so that it cannot read as an option. A missing opener is no error of
    // ours.
    QProcess::startDetached(
        QStringLiteral("xdg-open"),
        {QString::fromUtf8(platform::openerTarget(target, QDir::currentPath().toStdString()))});
}

/// Lays the runs out as paragraphs: CR LF starts a new one; a run's indent applies to every
/// paragraph it touches. Margins are in pixels of the device that lays the document out
/// (`dpi`): a printer lays it out at its own resolution, where a screen pixel is a hair.
void compose(QTextDocument& doc, const platform::FormattedDocument& runs, double dpi) {
    QTextCursor cursor(&doc);
    for (const auto& run : runs) {
        QTextCharFormat format;
        format.setFontFamilies({QString::fromStdString(run.fontName)});
        if (run.fontSize > 0) {
            format.setFontPointSize(run.fontSize);
        }
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        const auto indent = [&] {
            if (run.leftIndent > 0) {
                QTextBlockFormat block = cursor.blockFormat();
                block.setLeftMargin(run.leftIndent * dpi / 1440.0);
                cursor.setBlockFormat(block);
            }
        };
        indent();
        const QStringList lines = fromText(run.text).split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0) {
                cursor.insertBlock();
                indent();
            }
            cursor.insertText(lines[i], format);
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Sounds
// ---------------------------------------------------------------------------------------------

bool soundOutputAvailable(const std::string& runtimeDir, const std::string& deviceDir) {
    if (!envText("PULSE_SERVER").empty()) {
        return true;
    }
    if (!runtimeDir.empty()) {
        for (const char* server : {"/pulse/native", "/pipewire-0"}) {
            if (QFileInfo::exists(QString::fromStdString(runtimeDir + server))) {
                return true;
            }
        }
    }
    // ALSA playback devices are pcmC<card>D<device>p.
    const QStringList playback =
        QDir(QString::fromStdString(deviceDir))
            .entryList({QStringLiteral("pcmC*D*p")}, QDir::System | QDir::Files);
    return !playback.isEmpty();
}

struct QtDesktop::Sound {
#ifdef QVMSGERR_HAVE_CANBERRA
    // The sound library and its codecs are loaded when the first sound plays, not with every
    // program that links the Qt desktop: most messages play none.
    struct Library {
        void* handle = nullptr;
        decltype(&ca_context_create) create = nullptr;
        decltype(&ca_context_destroy) destroy = nullptr;
        decltype(&ca_context_change_props) changeProps = nullptr;
        decltype(&ca_context_play) play = nullptr;

        bool load() {
            handle = dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                return false;
            }
            create = reinterpret_cast<decltype(create)>(dlsym(handle, "ca_context_create"));
            destroy = reinterpret_cast<decltype(destroy)>(dlsym(handle, "ca_context_destroy"));
            changeProps =
                reinterpret_cast<decltype(changeProps)>(dlsym(handle, "ca_context_change_props"));
            play = reinterpret_cast<decltype(play)>(dlsym(handle, "ca_context_play"));
            return create && destroy && changeProps && play;
        }
    };
    Library library;
    ca_context* context = nullptr;
    bool broken = false;

    ~Sound() {
        if (context) {
            library.destroy(context);
        }
        // The library stays loaded: its sound threads may outlive the context by a moment.
    }

    bool play(const char* eventId) {
        if (broken) {
            return false;
        }
        // Without a sound server or an output device, the sound system would print its
        // failure to the host's standard error on every message.
        if (!context && !soundOutputAvailable(envText("XDG_RUNTIME_DIR"), "/dev/snd")) {
            broken = true;
            return false;
        }
        if (!context) {
            if (!library.load() || library.create(&context) != CA_SUCCESS) {
                context = nullptr;
                broken = true;
                return false;
            }
            const QByteArray app = QApplication::applicationDisplayName().toUtf8();
            library.changeProps(context, CA_PROP_APPLICATION_NAME, app.constData(), nullptr);
        }
        return library.play(context, 0, CA_PROP_EVENT_ID, eventId, nullptr) == CA_SUCCESS;
    }
#else
    bool play(const char*) {
        return false;
    }
#endif
};

// ---------------------------------------------------------------------------------------------
// QtDesktop
// ---------------------------------------------------------------------------------------------

QtDesktop::QtDesktop() : sound_(std::make_unique<Sound>()) {
    requireApplication();
    installAccessibility();
    chooseLanguage();
}

QtDesktop::~QtDesktop() = default;

std::unique_ptr<platform::Window> QtDesktop::createWindow(const platform::FormDesign& design) {
    requireApplication();
    return std::make_unique<QtWindow>(design);
}

int32_t QtDesktop::systemMessageBox(const std::string& prompt, int32_t flags,
                                    const std::string& title, const std::string& helpFile,
                                    int32_t context) {
    requireApplication();
    SystemBox box(dialogParent());
    box.setTextFormat(Qt::PlainText);
    box.setText(visiblePart(fromText(prompt), QFontMetricsF(box.font()), true));
    box.setWindowTitle(visiblePart(QString::fromUtf8(title.empty() ? applicationTitle() : title),
                                   QFontMetricsF(box.font()), false));
    box.setIcon(iconOf(flags));

    const std::vector<int32_t> answers = platform::systemBoxAnswers(flags);
    const int32_t closeAnswer = platform::closeAnswerOf(answers);
    std::vector<std::pair<QAbstractButton*, int32_t>> order;
    for (const int32_t answer : answers) {
        QPushButton* button = nullptr;
        if (const auto standard = standardButtonOf(answer); standard != QMessageBox::NoButton) {
            button = box.addButton(standard);
        } else {
            // Try Again and Continue have no standard button; their roles place them as the
            // set's order asks.
            button = box.addButton(QString::fromStdString(platform::systemBoxAnswerName(answer)),
                                   QMessageBox::AcceptRole);
        }
        order.emplace_back(button, answer);
        if (answer == closeAnswer) {
            box.setEscapeButton(button);
        }
    }
    if (flags & 0x4000) {
        QPushButton* help = box.addButton(QMessageBox::Help);
        // Unhooked from the box, so that asking for help leaves the question open.
        QObject::disconnect(help, &QAbstractButton::clicked, nullptr, nullptr);
        QObject::connect(help, &QAbstractButton::clicked, &box, [this, helpFile, context] {
            showHelp(helpFile, context != 0 ? 1 : 3, context);
        });
        order.emplace_back(help, 0);
    }
    box.escapeAnswers = closeAnswer != 0;
    if (!box.escapeAnswers) {
        box.setWindowFlag(Qt::WindowCloseButtonHint, false);
    }
    const auto defaultIndex = static_cast<std::size_t>((flags >> 8) & 0x3);
    box.setDefaultButton(
        static_cast<QPushButton*>(order[defaultIndex < order.size() ? defaultIndex : 0].first));
    if (flags & (0x1000 | 0x40000)) { // system modal, topmost
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    if (flags & 0x100000) {
        box.setLayoutDirection(Qt::RightToLeft);
    }

    box.exec();
    for (const auto& [button, answer] : order) {
        if (button == box.clickedButton() && answer != 0) {
            return answer;
        }
    }
    // Closed without a button: only where the set has a close answer can that happen.
    return closeAnswer != 0 ? closeAnswer : answers.front();
}

void QtDesktop::beep(int32_t soundType) {
    // Windows that nobody sees make no sound: an offscreen run (a CI job, a rendering) would
    // otherwise reach for a sound card that such machines rarely have.
    if (nobodySees()) {
        return;
    }
    const char* id = "bell";
    switch (soundType) {
    case platform::BeepCritical:
        id = "dialog-error";
        break;
    case platform::BeepQuestion:
        id = "dialog-question";
        break;
    case platform::BeepExclamation:
        id = "dialog-warning";
        break;
    case platform::BeepInformation:
        id = "dialog-information";
        break;
    default:
        break;
    }
    if (!sound_->play(id)) {
        QApplication::beep();
    }
}

bool QtDesktop::setTopmost(platform::WindowHandle window, bool topmost) {
    QtWindow* w = QtWindow::byHandle(window);
    return w && w->setTopmost(topmost);
}

void QtDesktop::showHelp(const std::string& helpFile, int32_t, int32_t) {
    // The opener shows a whole file; neither a context nor the contents page can be addressed.
    if (!helpFile.empty()) {
        openWithDesktopHandler(helpFile);
    }
}

float QtDesktop::screenWidth() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<float>(screen->geometry().width() * TwipScale::ofPrimaryScreen().x)
                  : 0.0f;
}

float QtDesktop::screenHeight() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<float>(screen->geometry().height() * TwipScale::ofPrimaryScreen().y)
                  : 0.0f;
}

float QtDesktop::twipsPerPixel() const {
    return static_cast<float>(TwipScale::ofPrimaryScreen().x);
}

std::string QtDesktop::applicationTitle() const {
    QString title = QGuiApplication::applicationDisplayName();
    if (title.isEmpty()) {
        title = QCoreApplication::applicationName();
    }
    return title.toStdString();
}

std::string QtDesktop::componentDirectory() const {
    if (std::string dir = envText("QVMSGERR_COMPONENT_DIR"); !dir.empty()) {
        return dir;
    }
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&qvMsgErr::qt::makeDesktop), &info) && info.dli_fname) {
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath().toStdString();
    }
    return QCoreApplication::applicationDirPath().toStdString();
}

std::string QtDesktop::currentDirectory() const {
    return QDir::currentPath().toStdString();
}

std::string QtDesktop::dateTimeText(platform::DateFormat format) const {
    return formatDateTime(format, QDateTime::currentDateTime(), QLocale::system());
}

platform::PrinterChoice QtDesktop::choosePrinter(int32_t flags) {
    requireApplication();
    if (std::string pdf = unattendedAnswer("QVMSGERR_PRINT_TO_PDF"); !pdf.empty()) {
        chosenPrinter_.reset();
        chosenName_.clear();
        return {false, pdf};
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), dialogParent());
    dialog.setOption(QAbstractPrintDialog::PrintSelection, (flags & 0x4) == 0);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, (flags & 0x8) == 0);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, (flags & 0x100000) == 0);
    if (dialog.exec() != QDialog::Accepted) {
        return {true, {}};
    }
    const bool toFile =
        printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty();
    chosenName_ = (toFile ? printer->outputFileName() : printer->printerName()).toStdString();
    chosenPrinter_ = std::move(printer);
    return {false, chosenName_};
}

void QtDesktop::printDocument(const platform::PrinterChoice& choice,
                              const platform::FormattedDocument& doc) {
    requireApplication();
    if (choice.printer.empty()) {
        throw RunTimeError(err::PrinterError);
    }
    QPrinter local(QPrinter::HighResolution);
    QPrinter* printer = &local;
    if (chosenPrinter_ && chosenName_ == choice.printer) {
        printer = chosenPrinter_.get();
    } else {
        const QString name = QString::fromStdString(choice.printer);
        if (!QPrinterInfo::printerInfo(name).isNull()) {
            local.setPrinterName(name);
        } else {
            // Not a printer of the system: the name is the PDF file to print to.
            local.setOutputFormat(QPrinter::PdfFormat);
            local.setOutputFileName(name);
        }
    }
    if (printer->outputFormat() == QPrinter::PdfFormat) {
        QFile probe(printer->outputFileName());
        if (printer->outputFileName().isEmpty() || !probe.open(QIODevice::WriteOnly)) {
            throw RunTimeError(err::PrinterError);
        }
    }
    QTextDocument text;
    compose(text, doc, printer->logicalDpiX());
    text.print(printer);
    if (printer->printerState() == QPrinter::Error ||
        printer->printerState() == QPrinter::Aborted) {
        throw RunTimeError(err::PrinterError);
    }
}

platform::SaveDialogResult QtDesktop::chooseSaveFile(const platform::SaveDialogSettings& s) {
    requireApplication();
    const QString defaultSuffix = QString::fromStdString(s.defaultExtension);
    QString path;
    if (std::string answer = unattendedAnswer("QVMSGERR_SAVE_AS"); !answer.empty()) {
        path = QString::fromStdString(answer);
        if (QFileInfo(path).isRelative() && !s.initialDirectory.empty()) {
            path = QDir(QString::fromStdString(s.initialDirectory)).filePath(path);
        }
        if (QFileInfo(path).suffix().isEmpty() && !defaultSuffix.isEmpty()) {
            path += QLatin1Char('.') + defaultSuffix;
        }
    } else {
        QFileDialog dialog(dialogParent(), QString::fromStdString(s.title),
                           QString::fromStdString(s.initialDirectory));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        const QStringList filters = nameFilters(s.filter);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            const qsizetype chosen = s.filterIndex >= 1 ? s.filterIndex - 1 : 0;
            dialog.selectNameFilter(filters.value(chosen, filters.first()));
        }
        if (!s.fileName.empty()) {
            dialog.selectFile(QString::fromStdString(s.fileName));
        }
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, (s.flags & 0x2) == 0);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return {};
        }
        path = dialog.selectedFiles().constFirst();
    }
    platform::SaveDialogResult result;
    result.cancelled = false;
    result.path = path.toStdString();
    result.extensionDiffers = QFileInfo(path).suffix().compare(defaultSuffix, Qt::CaseInsensitive);
    return result;
}

void QtDesktop::saveFile(const std::string& path, const std::string& bytes) {
    platform::replaceFile(path, bytes);
}

void QtDesktop::shellOpen(const std::string& target) {
    openWithDesktopHandler(target);
}

void QtDesktop::copyText(const std::string& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(fromText(text));
    }
}

std::shared_ptr<platform::Desktop> makeDesktop() {
    return std::make_shared<QtDesktop>();
}

void installDesktop() {
    setThreadDesktop(makeDesktop());
}

} // namespace qvMsgErr::qt

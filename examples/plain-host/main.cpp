// A console program that is no Qt program: it asks whether to import a file of bank statements
// in a 2003-style message, prints the answer, and reports a file it cannot open through the error
// dialog. It uses the typed builders, qvMsgErr::Message and qvMsgErr::ErrorReport.
//
//     plain-host [statements-file]
//
// Exit status: 0 imported (or skipped by the user), 1 not imported, 2 the user chose "Close all",
// 3 nobody could be asked (no display, or unattended without an answer for the question).
#include <qvMsgErr/qt.h>
#include <qvMsgErr/qvMsgErr.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

using namespace qvMsgErr;

namespace {

// Error numbers the error dialog knows; 75 comes with a suggested solution.
constexpr int32_t kFileNotFound = 53;
constexpr int32_t kPathFileAccessError = 75;

Button askToImport(const std::string& file) {
    // Remembered answers are kept per user below this key, as settings of this program.
    rememberUnder("Software\\qvMsgErr Examples\\Plain host");
    // Once the user ticks the box, later runs get the same answer without a window. The
    // identity names this question in the store; keep it stable across versions.
    return Message{"Import the new bank statements?"}
        .style(Style::Tessary2003)
        .buttons(Buttons::YesNo)
        .icon(Icon::Question)
        .title("Plain host")
        .caption(Button::Yes, "&Import")
        .caption(Button::No, "&Skip")
        .description(Button::Yes, "Reads the new statements into the ledger now")
        .description(Button::No, "Leaves them for the next start")
        .details("The statements are read from " + file + ".")
        .rememberAs("ImportStatements")
        .show();
}

} // namespace

int main(int argc, char** argv) {
    // Real windows for a program without a QApplication of its own. With QVMSGERR_DESKTOP=headless
    // (a build machine without a display) the answers come from the file QVMSGERR_ANSWERS names.
    qt::Application app(argc, argv);
    const std::string file = argc > 1 ? argv[1] : "statements.csv";

    Button answer = Button::None;
    try {
        answer = askToImport(file);
    } catch (const RunTimeError& e) {
        // Nobody could be asked: the library says why rather than answer in the user's place.
        std::cerr << "plain-host: " << e.Description << '\n';
        return 3;
    }
    // Buttons are known by their value; the name is for the log only, captions may say anything.
    std::cout << "Answer: " << nameOf(answer) << '\n';
    if (answer != Button::Yes) {
        return 0;
    }

    for (;;) {
        std::ifstream in(file);
        if (in) {
            int lines = 0;
            for (std::string line; std::getline(in, line);) {
                ++lines;
            }
            std::cout << "Imported " << lines << " statements\n";
            return 0;
        }
        const int error = errno;
        switch (ErrorReport{"Cannot open " + file + ": " + std::strerror(error)}
                    .number(error == ENOENT ? kFileNotFound : kPathFileAccessError)
                    .details("main&")
                    .doing("importing the bank statements")
                    .application("Plain host")
                    .show()) {
        case ErrorChoice::TryAgain:
            continue;
        case ErrorChoice::Ignore:
            std::cout << "Import skipped\n";
            return 0;
        case ErrorChoice::CloseAll:
            std::cout << "Closed all\n";
            return 2;
        default:
            std::cout << "Not imported\n";
            return 1;
        }
    }
}

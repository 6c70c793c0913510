// A console program that is no Qt program: it asks whether to import a file of bank statements
// in a 2003-style message, prints the answer, and reports a file it cannot open through the error
// dialog.
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

namespace {

// Flag words of msgBox: button set plus icon.
constexpr int32_t kYesNo = 4;
constexpr int32_t kQuestion = 32;

// Error numbers the error dialog knows; 75 comes with a suggested solution.
constexpr int32_t kFileNotFound = 53;
constexpr int32_t kPathFileAccessError = 75;

int32_t askToImport(qvMsgErr::clsMesgBox& box, const std::string& file) {
    // Remembered answers are kept per user below this key, as settings of this program.
    box.Reg_Root("Software\\qvMsgErr Examples\\Plain host");
    box.MsgBoxType(qvMsgErr::Tessary2003);
    box.ButtonYes("&Import");
    box.ButtonNo("&Skip");
    box.CmdDescriptions(true);
    box.DescYes("Reads the new statements into the ledger now");
    box.DescNo("Leaves them for the next start");
    box.DetailsButton(true);
    box.DetailsString("The statements are read from " + file + ".");
    // Once the user ticks the box, later runs get the same answer without a window. The
    // MessageID names this question in the store; keep it stable across versions.
    box.DontShowAgain(true);
    return box.msgBox("Import the new bank statements?", kYesNo | kQuestion, "Plain host", "", -1,
                      "ImportStatements");
}

} // namespace

int main(int argc, char** argv) {
    // Real windows for a program without a QApplication of its own. With QVMSGERR_DESKTOP=headless
    // (a build machine without a display) the answers come from the file QVMSGERR_ANSWERS names.
    qvMsgErr::qt::Application app(argc, argv);
    const std::string file = argc > 1 ? argv[1] : "statements.csv";

    qvMsgErr::clsMesgBox box;
    int32_t answer = qvMsgErr::qvButtonNone;
    try {
        answer = askToImport(box, file);
    } catch (const qvMsgErr::RunTimeError& e) {
        // Nobody could be asked: the library says why rather than answer in the user's place.
        std::cerr << "plain-host: " << e.Description << '\n';
        return 3;
    }
    // Buttons are known by number; the name is for the log only, captions may say anything.
    std::cout << "Answer: "
              << box.ResolveButtonNameText(static_cast<qvMsgErr::qvButtonNumbers>(answer)) << '\n';
    if (answer != qvMsgErr::qvButtonYes) {
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

        // A fresh object per failure: Show answers with the last response its dialogs reported,
        // and closing the dialog by its close box reports none.
        qvMsgErr::clsError err;
        err.AppName("Plain host");
        bool closeAll = false;
        err.Abort.connect([&] { closeAll = true; });
        const int16_t decision = err.Show(true, "Cannot open " + file + ": " + std::strerror(error),
                                          error == ENOENT ? kFileNotFound : kPathFileAccessError,
                                          "main&", "", "importing the bank statements");
        if (closeAll) {
            std::cout << "Closed all\n";
            return 2;
        }
        if (decision == qvMsgErr::qvButtonRetry) {
            continue;
        }
        if (decision == qvMsgErr::qvButtonIgnore) {
            std::cout << "Import skipped\n";
            return 0;
        }
        std::cout << "Not imported\n";
        return 1;
    }
}

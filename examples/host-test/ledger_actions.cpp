#include "ledger_actions.h"

#include <qvMsgErr/clsError.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace ledger {

namespace {

// Flag words of msgBox: button set, icon, default button.
constexpr int32_t kYesNo = 4;
constexpr int32_t kExclamation = 48;
constexpr int32_t kDefaultSecond = 0x100;

constexpr int32_t kPathFileAccessError = 75;

} // namespace

bool confirmDiscard(qvMsgErr::clsMesgBox& box) {
    box.MsgBoxType(qvMsgErr::Tessary2003);
    box.ButtonYes("&Discard");
    box.ButtonNo("&Keep editing");
    // Unattended, the default button answers: keeping the changes is the safe one.
    box.TimerUse(true);
    box.TimerSeconds(30);
    box.DontShowAgain(true);
    return box.msgBox("Discard the changes to the ledger?", kYesNo | kExclamation | kDefaultSecond,
                      "Ledger", "", -1, "DiscardChanges") == qvMsgErr::qvButtonYes;
}

SaveResult saveLedger(const std::string& path, const std::string& text) {
    for (;;) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (out && out.write(text.data(), static_cast<std::streamsize>(text.size())).flush()) {
            return SaveResult::Saved;
        }
        const int error = errno;

        // A fresh object per failure: Show answers with the last response its dialogs reported,
        // and the dialog's close box reports none.
        qvMsgErr::clsError err;
        err.AppName("Ledger");
        bool closeAll = false;
        err.Abort.connect([&] { closeAll = true; });
        const int16_t decision =
            err.Show(true, "Cannot save " + path + ": " + std::strerror(error),
                     kPathFileAccessError, "saveLedger&", "", "saving the ledger");
        if (closeAll) {
            return SaveResult::CloseAll;
        }
        if (decision != qvMsgErr::qvButtonRetry) {
            return SaveResult::NotSaved;
        }
    }
}

} // namespace ledger

// clsError: shows one error in the error dialog and returns the user's decision.
//
//     qvMsgErr::clsError err;
//     err.AppName("Ledger");
//     err.Abort.connect([] { saveAndQuit(); });    // the user chose "Close all"
//     switch (err.Show(true, "The ledger file is locked.", 70, "OpenLedger&", "", "opening the
//     ledger")) { case qvMsgErr::qvButtonRetry:  /* try again */ break; case
//     qvMsgErr::qvButtonIgnore: /* go on */     break; default:                       /* give up */
//     break;
//     }
//
// No member reports an error to the caller: a step that fails is skipped and the next one runs.
// The object belongs to the thread that created it, like every window of the library.
#pragma once

#include <qvMsgErr/enums.h>
#include <qvMsgErr/event.h>

#include <cstdint>
#include <memory>
#include <string>

namespace qvMsgErr {

namespace error {
class dlgError;
}

class clsError {
public:
    /// Logging is switched on when a regular file "LogError.flag" lies in the component's
    /// directory now; later changes to that file do not affect this object.
    clsError();
    ~clsError();
    clsError(const clsError&) = delete;
    clsError& operator=(const clsError&) = delete;

    // Members in the order of the automation interface.

    int32_t LastNumber = 0; ///< the host's; only LastErrorOccured(false) resets it
    std::string LastDescription;
    std::string LastSource;

    /// True once the user has confirmed "Close all" in a dialog of this object; never reset.
    bool AbortPending() const;

    /// The stored address, or the library's default support address when none is stored.
    std::string SupportEmail() const;
    void SupportEmail(const std::string& NewEmail);

    bool LastErrorOccured() const;
    /// False also clears LastNumber, LastDescription and LastSource.
    void LastErrorOccured(const bool& flag);

    /// Shows the error dialog and returns the last response a dialog of this object reported:
    /// 3 Close, 4 Try Again, 5 Ignore, or 0 when none has reported yet. Empty arguments fall back
    /// on the properties. A modeless dialog (`Modal` false) returns at once; its buttons then no
    /// longer reach this object.
    int16_t Show(bool Modal = true, std::string Description = {}, int32_t Number = 0,
                 std::string Details = {}, std::string Solution = {}, std::string Activity = {});

    std::string Description() const;
    void Description(std::string Data);
    int32_t Number() const;
    void Number(int32_t Data);
    std::string Details() const;
    void Details(std::string Data);
    std::string AppName() const;
    void AppName(std::string Data);
    std::string UserName() const;
    void UserName(std::string Data);
    /// Kept for the host only; reads "Standard" until something else is stored.
    std::string Appearance() const;
    void Appearance(std::string NewValue);
    /// The suggested solution for the stored Number, or empty.
    std::string Solution() const;
    std::string Activity() const;
    void Activity(const std::string& Data);

    bool WriteDebugLog = false; ///< Show appends a line to "ErrorLog.txt" while true

    /// Raised while the user's "Close all" is carried out: by then AbortPending is true and every
    /// window of the library on this thread is closed. Runs before Show returns.
    Event<> Abort;

    /// The address SupportEmail reads when none is stored.
    static constexpr const char* kDefaultSupportEmail = "support@qvmsgerr.org";

private:
    void mdlg_Response(int32_t Data);
    void mdlg_Abort();
    error::dlgError& dialog() const;
    void releaseDialog();

    std::string description_, details_, appName_, userName_, activity_, supportEmail_;
    mutable std::string appearance_; ///< reading an empty one stores "Standard"
    int32_t number_ = 0;
    int32_t lastResponse_ = 0;
    bool abortPending_ = false;
    bool lastErrorOccured_ = false;
    std::shared_ptr<error::dlgError> mdlg_;
};

} // namespace qvMsgErr

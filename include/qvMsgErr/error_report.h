// The typed face of clsError: a builder for one error report and a typed choice as the answer.
//
//     using namespace qvMsgErr;
//     switch (ErrorReport{"The ledger file is locked."}
//                 .number(70)
//                 .doing("opening the ledger")
//                 .details("OpenLedger&ReadHeader&")
//                 .application("Ledger")
//                 .show()) {
//     case ErrorChoice::TryAgain: …
//     case ErrorChoice::CloseAll: …   // the user confirmed "Close all"
//
// Each builder call is one call on a clsError, listed beside it; `show` makes a clsError, makes
// those calls in order and then Show. Like Show it never throws. The Qt flavour, with QString
// texts and a QWidget* parent, is qvMsgErr::qt::ErrorReport (<qvMsgErr/qt.h>).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qvMsgErr {

class clsError;

/// What the user decided in the error dialog.
enum class ErrorChoice : int16_t {
    None = 0,     ///< closed by the title bar, shown modelessly, or no window could be shown
    Close = 3,    ///< Close, Escape or Enter
    TryAgain = 4, ///< Try Again
    Ignore = 5,   ///< Ignore
    CloseAll = 6, ///< "Close all", confirmed (AbortPending): the library's windows are closed
};

/// The builder under ErrorReport and qt::ErrorReport; `Text` is the string type of its texts.
template <class Self, class Text> class BasicErrorReport {
public:
    /// The error's text (Show's Description).
    explicit BasicErrorReport(const Text& description);

    Self& number(int32_t number);            ///< "Error number is 70", and the built-in solution
    Self& details(const Text& details);      ///< every "&" starts a line: "Open&Read&"
    Self& solution(const Text& solution);    ///< instead of the built-in one
    Self& doing(const Text& activity);       ///< "A problem occurred while " + activity
    Self& modeless(bool modeless = true);    ///< Show returns at once; the dialog stays open
    Self& application(const Text& name);     ///< AppName: the title, the reports
    Self& user(const Text& name);            ///< UserName
    Self& supportEmail(const Text& address); ///< SupportEmail: where the e-mailed report goes
    Self& log(bool on = true);               ///< WriteDebugLog: a line in the error log
    /// Runs while "Close all" is carried out, before show returns (the Abort event).
    Self& onCloseAll(std::function<void()> callback);

    /// Shows the error on a clsError of its own and returns the user's choice.
    ErrorChoice show();
    /// Shows the error on the host's `error`: what is not set here stays as the object has it,
    /// and the choice is the object's last response (CloseAll once AbortPending).
    ErrorChoice show(clsError& error);

private:
    Self& then(std::function<void(clsError&)> step);

    std::vector<std::function<void(clsError&)>> steps_;
    std::string description_, details_, solution_, activity_;
    int32_t number_ = 0;
    bool modal_ = true;
};

/// The error report builder on UTF-8 std::string texts.
class ErrorReport : public BasicErrorReport<ErrorReport, std::string> {
public:
    using BasicErrorReport::BasicErrorReport;
    explicit ErrorReport(const char* description) : BasicErrorReport(std::string(description)) {}
};

extern template class BasicErrorReport<ErrorReport, std::string>;

} // namespace qvMsgErr

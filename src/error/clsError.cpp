#include <qvMsgErr/clsError.h>

#include "error/dlgError.h"
#include "error/presenter.h"
#include "error/solution.h"
#include "platform/files.h"
#include "platform/utf8.h"
#include "support/apartment.h"
#include "support/failure.h"
#include "support/texts.h"
#include "support/unattended.h"
#include "support/utilities.h"

#include <cstdio>
#include <limits>
#include <utility>
#include <vector>

namespace qvMsgErr {

namespace {

constexpr const char* kActivityLead = "A problem occurred while ";

/// The dialog's answers, for the unattended rules; its close box and Escape answer Close.
const std::vector<std::pair<int32_t, std::string>> kResponses = {
    {3, "Close"}, {4, "Try Again"}, {5, "Ignore"}};

/// The component's directory and a file name in it.
std::string componentFile(const char* name) {
    std::string dir = threadDesktop().componentDirectory();
    if (!dir.empty() && dir.back() != '/') {
        dir += '/';
    }
    return dir + name;
}

/// Every "&" becomes a line break: the library's own handlers end each procedure name in one.
std::string ampersandsToLines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch == '&') {
            out += "\r\n";
        } else {
            out += ch;
        }
    }
    return out;
}

/// Cuts a dialog's events off from this object.
void disconnect(error::dlgError& dialog) {
    dialog.Response.disconnectAll();
    dialog.Abort.disconnectAll();
}

void appendText(platform::Control& area, const std::string& text) {
    area.setText(area.text() + text);
}

class ErrorObjectPresenter final : public ErrorPresenter {
public:
    explicit ErrorObjectPresenter(std::shared_ptr<clsError> error) : error_(std::move(error)) {}
    int16_t Show(bool Modal, std::string Description, int32_t Number, std::string Details,
                 std::string Solution, std::string Activity) override {
        return error_->Show(Modal, std::move(Description), Number, std::move(Details),
                            std::move(Solution), std::move(Activity));
    }

private:
    std::shared_ptr<clsError> error_;
};

} // namespace

std::shared_ptr<ErrorPresenter> error::presenterFor(std::shared_ptr<clsError> error) {
    return std::make_shared<ErrorObjectPresenter>(std::move(error));
}

clsError::clsError() {
    passOver({[&] { WriteDebugLog = platform::isRegularFile(componentFile("LogError.flag")); }});
}

clsError::~clsError() {
    passOver({[&] { releaseDialog(); }});
}

bool clsError::AbortPending() const {
    return abortPending_;
}

std::string clsError::SupportEmail() const {
    return orResult<std::string>(kDefaultSupportEmail, [&] {
        return supportEmail_.empty() ? std::string(kDefaultSupportEmail) : supportEmail_;
    });
}

void clsError::SupportEmail(const std::string& NewEmail) {
    passOver({[&] { supportEmail_ = NewEmail; }});
}

bool clsError::LastErrorOccured() const {
    return lastErrorOccured_;
}

void clsError::LastErrorOccured(const bool& flag) {
    lastErrorOccured_ = flag;
    if (!flag) {
        LastNumber = 0;
        LastDescription.clear();
        LastSource.clear();
    }
}

error::dlgError& clsError::dialog() const {
    if (!mdlg_) {
        throw RunTimeError(err::ObjectNotSet);
    }
    return *mdlg_;
}

void clsError::releaseDialog() {
    if (mdlg_) {
        disconnect(*mdlg_);
        mdlg_.reset();
    }
}

int16_t clsError::Show(bool Modal, std::string Description, int32_t Number, std::string Details,
                       std::string Solution, std::string Activity) {
    std::string shown;            // the description as the dialog shows it
    std::string numberText = "0"; // the number as the log writes it
    int16_t result = 0;
    // Held to the end of this call even when a nested Show (from a host's Abort callback, say)
    // replaces mdlg_: the dialog may still be running the handler that led there.
    std::shared_ptr<error::dlgError> hold;
    std::string unshown; // why no dialog could be shown on this thread
    passOver({
        [&] {
            try {
                hold = std::make_shared<error::dlgError>();
            } catch (const RunTimeError& e) {
                if (e.Number == err::NoWindows) {
                    unshown = e.Description;
                }
                throw;
            }
            mdlg_ = hold;
            // A dialog reaches this object only while it is the current one.
            const error::dlgError* self = mdlg_.get();
            mdlg_->Response.connect([this, self](int32_t data) {
                if (mdlg_.get() == self) {
                    mdlg_Response(data);
                }
            });
            mdlg_->Abort.connect([this, self] {
                if (mdlg_.get() == self) {
                    mdlg_Abort();
                }
            });
        },
        [&] {
            dialog().UserName = TrimText(userName_);
            dialog().AppName = TrimText(appName_);
            dialog().SupportEmail = SupportEmail();
        },
        [&] {
            std::string activity = TrimText(Activity);
            if (activity.empty()) {
                activity = TrimText(activity_);
            }
            dialog()
                .control("rtfActivity")
                .setText(activity.empty() ? std::string("A problem occurred.")
                                          : kActivityLead + activity);
        },
        [&] {
            shown = TrimText(Description);
            if (shown.empty()) {
                shown = TrimText(description_);
            }
            dialog().control("rtfDescription").setText(shown);
        },
        [&] {
            std::string details = TrimText(Details);
            if (details.empty()) {
                details = TrimText(details_);
            }
            appendText(dialog().control("rtfDetails"), ampersandsToLines(details));
        },
        [&] {
            std::string caption;
            if (Number != 0) {
                numberText = std::to_string(Number);
                caption = texts::withValue(dialog().tr("Error number is %1"), numberText);
            } else if (number_ != 0) {
                numberText = std::to_string(number_);
                caption = texts::withValue(dialog().tr("Last error number was %1"), numberText);
            }
            dialog().control("lblErrorNumber").setCaption(caption);
        },
        [&] {
            std::string solution;
            if (!Solution.empty()) {
                solution = TrimText(Solution);
            } else {
                solution = error::GetSolutionText(Number != 0 ? Number : number_);
            }
            appendText(dialog().control("rtfSolution"), solution);
        },
        [&] {
            dialog().window().setCaption(userName_.empty() ? appName_
                                                           : appName_ + " - " + userName_);
        },
        [&] { dialog().TextsFilled(); },
        [&] {
            if (Modal && !dialog().desktop().hasUser()) {
                unattended::Question q{"error",
                                       numberText == "0" ? std::string() : numberText,
                                       dialog().window().caption(),
                                       shown,
                                       kResponses,
                                       3};
                mdlg_Response(unattended::answer(q));
            } else if (Modal) {
                dialog().window().showModal();
            } else {
                dialog().window().showModeless();
                LibraryForm::keepWhileLoaded(mdlg_);
            }
        },
        [&] {
            if (WriteDebugLog) {
                // One line per error, whatever the texts hold: a line break in a description
                // must not read as a further entry.
                AppendToFile(componentFile("ErrorLog.txt"),
                             platform::withVisibleControls(
                                 threadDesktop().dateTimeText(platform::DateFormat::GeneralDate) +
                                 "," + numberText + "," + shown));
            }
        },
        [&] {
            if (lastResponse_ < std::numeric_limits<int16_t>::min() ||
                lastResponse_ > std::numeric_limits<int16_t>::max()) {
                throw RunTimeError(err::Overflow);
            }
            result = static_cast<int16_t>(lastResponse_);
        },
        [&] {
            if (hold) {
                disconnect(*hold);
            }
            if (mdlg_ == hold) {
                mdlg_.reset();
            }
        },
        [&] {
            if (!unshown.empty()) {
                // Nobody saw the error, so nobody answered it: it goes where someone may read
                // it, and the host hears "no response".
                const std::string line = "qvMsgErr: error " + numberText + " \"" + shown +
                                         "\" could not be shown: " + unshown + "\n";
                std::fwrite(line.data(), 1, line.size(), stderr);
                result = qvButtonNone;
            }
        },
    });
    return result;
}

void clsError::mdlg_Response(int32_t Data) {
    lastResponse_ = Data;
}

void clsError::mdlg_Abort() {
    passOver({
        [&] { abortPending_ = true; },
        [&] { unloadAllForms(); },
        [&] { Abort.raise(); },
    });
}

std::string clsError::Description() const {
    return description_;
}
void clsError::Description(std::string Data) {
    description_ = std::move(Data);
}
int32_t clsError::Number() const {
    return number_;
}
void clsError::Number(int32_t Data) {
    number_ = Data;
}
std::string clsError::Details() const {
    return details_;
}
void clsError::Details(std::string Data) {
    details_ = std::move(Data);
}
std::string clsError::AppName() const {
    return appName_;
}
void clsError::AppName(std::string Data) {
    appName_ = std::move(Data);
}
std::string clsError::UserName() const {
    return userName_;
}
void clsError::UserName(std::string Data) {
    userName_ = std::move(Data);
}

std::string clsError::Appearance() const {
    return orResult<std::string>("Standard", [&] {
        if (appearance_.empty()) {
            appearance_ = "Standard";
        }
        return appearance_;
    });
}

void clsError::Appearance(std::string NewValue) {
    appearance_ = NewValue.empty() ? std::string("Standard") : std::move(NewValue);
}

std::string clsError::Solution() const {
    return orResult<std::string>({}, [&] { return error::GetSolutionText(number_); });
}

std::string clsError::Activity() const {
    return activity_;
}
void clsError::Activity(const std::string& Data) {
    passOver({[&] { activity_ = Data; }});
}

} // namespace qvMsgErr

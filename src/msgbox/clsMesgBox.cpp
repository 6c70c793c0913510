// clsMesgBox: the options, the msgBox call, the button table and the don't-show-again memory.
// The composition of one message window is in composition.cpp.
#include <qvMsgErr/clsError.h>
#include <qvMsgErr/clsMesgBox.h>
#include <qvMsgErr/memory.h>

#include "error/presenter.h"
#include "msgbox/numbers.h"
#include "support/apartment.h"
#include "support/failure.h"
#include "support/modRegistry.h"
#include "support/texts.h"

#include <qvMsgErr/apartment.h>

#include <algorithm>
#include <cctype>

namespace qvMsgErr {

namespace {

template <class T, class V> void let(const char* trail, T& option, V&& value) {
    passOn(trail, [&] { option = std::forward<V>(value); });
}

/// Writes a caption the host gives, and marks it as the host's: it is shown exactly as given.
template <class C>
void letCaption(const char* trail, C& captions, std::string C::*which, std::string&& value) {
    passOn(trail, [&] {
        captions.*which = std::move(value);
        if (std::ranges::find(captions.hostWritten, which) == captions.hostWritten.end()) {
            captions.hostWritten.push_back(which);
        }
    });
}

template <class T> T get(const char* trail, const T& option) {
    return passOn(trail, [&] { return option; });
}

} // namespace

clsMesgBox::clsMesgBox() {
    passOn("Class_Initialize&", [&] {
        apartment().sharedError = error::presenterFor(std::make_shared<clsError>());
        msgBoxType_ = Standard;
        defaultCaptions_ = {"OK",   "Cancel", "&Abort", "&Retry",      "&Ignore",
                            "&Yes", "&No",    "&Help",  "&Details >>", {}};
        ResetProperties();
    });
}

clsMesgBox::~clsMesgBox() {
    passOver({[] { apartment().sharedError.reset(); }});
}

void clsMesgBox::ResetProperties() {
    passOn("ResetProperties&", [&] {
        captions_ = defaultCaptions_;
        formPosition_ = false;
        cmdDescriptions_ = false;
        timerUse_ = false;
        dontShowAgain_ = false;
        dontShowForceButton_ = qvButtonNone;
        dontShowIsValidForCancel_ = false;
        dontShowAgainPrompt_.clear();
        dontShowIsManual_ = false;
        detailsButton_ = false;
        detailsString_.clear();
        UseSounds = true;
    });
}

// ---- options --------------------------------------------------------------------------------

void clsMesgBox::Reg_Root(const std::string& newAppRoot) {
    showAndDecide("Public Property Let Reg_Root(newAppRoot As String)&",
                  {[&] { apartment().regRoot = newAppRoot; }});
}
std::string clsMesgBox::Reg_Root() const {
    return apartment().regRoot;
}
void clsMesgBox::BackColor(const int32_t& NewColor) {
    backColor_ = NewColor;
    backColorSet_ = true;
}
void clsMesgBox::DontShowIsValidForCancel(bool vData) {
    let("Let DontShowIsValidForCancel&", dontShowIsValidForCancel_, vData);
}
bool clsMesgBox::DontShowIsValidForCancel() const {
    return get("Get DontShowIsValidForCancel&", dontShowIsValidForCancel_);
}
void clsMesgBox::CmdDescriptions(bool vData) {
    let("Let CmdDescriptions&", cmdDescriptions_, vData);
}
bool clsMesgBox::CmdDescriptions() const {
    return cmdDescriptions_;
}
void clsMesgBox::MsgBoxType(QVMsgBoxType vData) {
    let("Let MsgBoxType&", msgBoxType_, vData);
}

void clsMesgBox::DefaultButtonOK(std::string vData) {
    letCaption("Let DefaultButtonOK&", defaultCaptions_, &Captions::OK, std::move(vData));
}
void clsMesgBox::DefaultButtonCancel(std::string vData) {
    letCaption("Let DefaultButtonCancel&", defaultCaptions_, &Captions::Cancel, std::move(vData));
}
void clsMesgBox::DefaultButtonAbort(std::string vData) {
    letCaption("Let DefaultButtonAbort&", defaultCaptions_, &Captions::Abort, std::move(vData));
}
void clsMesgBox::DefaultButtonRetry(std::string vData) {
    letCaption("Let DefaultButtonRetry&", defaultCaptions_, &Captions::Retry, std::move(vData));
}
void clsMesgBox::DefaultButtonIgnore(std::string vData) {
    letCaption("Let DefaultButtonIgnore&", defaultCaptions_, &Captions::Ignore, std::move(vData));
}
void clsMesgBox::DefaultButtonYes(std::string vData) {
    letCaption("Let DefaultButtonYes&", defaultCaptions_, &Captions::Yes, std::move(vData));
}
void clsMesgBox::DefaultButtonNo(std::string vData) {
    letCaption("Let DefaultButtonNo&", defaultCaptions_, &Captions::No, std::move(vData));
}
void clsMesgBox::DefaultButtonHelp(std::string vData) {
    letCaption("Let DefaultButtonHelp&", defaultCaptions_, &Captions::Help, std::move(vData));
}
void clsMesgBox::DefaultButtonDetails(std::string vData) {
    letCaption("Let DefaultButtonDetails&", defaultCaptions_, &Captions::Details, std::move(vData));
}

void clsMesgBox::ButtonOK(std::string vData) {
    letCaption("Let ButtonOK&", captions_, &Captions::OK, std::move(vData));
}
void clsMesgBox::ButtonCancel(std::string vData) {
    letCaption("Let ButtonCancel&", captions_, &Captions::Cancel, std::move(vData));
}
void clsMesgBox::ButtonAbort(std::string vData) {
    letCaption("Let ButtonAbort&", captions_, &Captions::Abort, std::move(vData));
}
void clsMesgBox::ButtonRetry(std::string vData) {
    letCaption("Let ButtonRetry&", captions_, &Captions::Retry, std::move(vData));
}
void clsMesgBox::ButtonIgnore(std::string vData) {
    letCaption("Let ButtonIgnore&", captions_, &Captions::Ignore, std::move(vData));
}
void clsMesgBox::ButtonYes(std::string vData) {
    letCaption("Let ButtonYes&", captions_, &Captions::Yes, std::move(vData));
}
void clsMesgBox::ButtonNo(std::string vData) {
    letCaption("Let ButtonNo&", captions_, &Captions::No, std::move(vData));
}
void clsMesgBox::ButtonHelp(std::string vData) {
    letCaption("Let ButtonHelp&", captions_, &Captions::Help, std::move(vData));
}
void clsMesgBox::ButtonDetails(std::string vData) {
    letCaption("Let ButtonDetails&", captions_, &Captions::Details, std::move(vData));
}

void clsMesgBox::DescOK(std::string vData) {
    let("Let DescOK&", descriptions_.OK, std::move(vData));
}
void clsMesgBox::DescCancel(std::string vData) {
    let("Let DescCancel&", descriptions_.Cancel, std::move(vData));
}
void clsMesgBox::DescAbort(std::string vData) {
    let("Let DescAbort&", descriptions_.Abort, std::move(vData));
}
void clsMesgBox::DescRetry(std::string vData) {
    let("Let DescRetry&", descriptions_.Retry, std::move(vData));
}
void clsMesgBox::DescIgnore(std::string vData) {
    let("Let DescIgnore&", descriptions_.Ignore, std::move(vData));
}
void clsMesgBox::DescYes(std::string vData) {
    let("Let DescYes&", descriptions_.Yes, std::move(vData));
}
void clsMesgBox::DescNo(std::string vData) {
    let("Let DescNo&", descriptions_.No, std::move(vData));
}

void clsMesgBox::FormPosition(bool vData) {
    let("Let FormPosition&", formPosition_, vData);
}
void clsMesgBox::FormLeft(float vData) {
    let("Let FormLeft&", formLeft_, vData);
}
void clsMesgBox::FormTop(float vData) {
    let("Let FormTop&", formTop_, vData);
}
void clsMesgBox::TimerUse(bool vData) {
    let("Let TimerUse&", timerUse_, vData);
}
void clsMesgBox::TimerSeconds(int32_t vData) {
    let("Let TimerSeconds&", timerSeconds_, vData);
}
void clsMesgBox::DontShowAgain(bool vData) {
    let("Let DontShowAgain&", dontShowAgain_, vData);
}
bool clsMesgBox::DontShowAgain() const {
    return get("Get DontShowAgain&", dontShowAgain_);
}
void clsMesgBox::DontShowAgainTicked(bool vData) {
    let("Let DontShowAgainTicked&", dontShowAgainTicked_, vData);
}
bool clsMesgBox::DontShowAgainTicked() const {
    return get("Get DontShowAgainTicked&", dontShowAgainTicked_);
}
void clsMesgBox::DontShowIsManual(bool vData) {
    let("Let DontShowIsManual&", dontShowIsManual_, vData);
}
bool clsMesgBox::DontShowIsManual() const {
    return get("Get DontShowIsManual&", dontShowIsManual_);
}
void clsMesgBox::DontShowAgainPrompt(std::string vData) {
    let("Let DontShowAgainPrompt&", dontShowAgainPrompt_, std::move(vData));
}
void clsMesgBox::DetailsButton(bool vData) {
    let("Let DetailsButton&", detailsButton_, vData);
}
void clsMesgBox::DetailsString(std::string vData) {
    let("Let DetailsString&", detailsString_, std::move(vData));
}
std::string clsMesgBox::DetailsString() const {
    return get("Get DetailsString&", detailsString_);
}
void clsMesgBox::DontShowForceButton(const qvButtonNumbers& DefaultButton) {
    let("Let DontShowForceButton&", dontShowForceButton_, DefaultButton);
}
qvButtonNumbers clsMesgBox::DontShowForceButton() const {
    return get("Get DontShowForceButton&", dontShowForceButton_);
}

// ---- the call -------------------------------------------------------------------------------

int32_t clsMesgBox::msgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title,
                           const std::string& HelpFile, int32_t Context,
                           const std::string& MessageID, const HostObject* ParentForm) {
    std::string id = MessageID;
    return msgBoxInOut(Prompt, Buttons, Title, HelpFile, Context, id, ParentForm);
}

int32_t clsMesgBox::msgBoxInOut(const std::string& Prompt, int32_t Buttons,
                                const std::string& Title, const std::string& HelpFile,
                                int32_t Context, std::string& MessageID,
                                const HostObject* ParentForm) {
    return passOn("MsgBox&", [&] {
        int32_t centreX = msgbox::kNoParentPosition;
        int32_t centreY = msgbox::kNoParentPosition;
        if (const auto* form = dynamic_cast<const HostForm*>(ParentForm)) {
            centreX = msgbox::roundToLong(form->Left() + form->Width() / 2);
            centreY = msgbox::roundToLong(form->Top() + form->Height() / 2);
        }
        TimeOutOccured = false;
        const int32_t result = ShowMessage(msgBoxType_, Prompt, Buttons, Title, HelpFile, Context,
                                           MessageID, centreX, centreY);
        ResetProperties();
        return result;
    });
}

// ---- the button table -----------------------------------------------------------------------

void clsMesgBox::SetupButtonNames(int32_t Buttons) {
    passOn("SetupButtonNames&", [&] {
        const Captions& c = captions_;
        const Captions& d = defaultCaptions_;
        const platform::Desktop& desktop = threadDesktop();
        // The message's caption, else the standing one; the library's own in the user's language.
        const auto caption = [&](std::string Captions::*which) {
            const Captions& from = (c.*which).empty() ? d : c;
            if (std::ranges::find(from.hostWritten, which) != from.hostWritten.end()) {
                return from.*which;
            }
            return desktop.translate(texts::kMessageBox, from.*which);
        };
        const Descriptions& desc = descriptions_;
        struct Entry {
            std::string caption;
            int32_t result;
            std::string description;
        };
        // Indexed by button number.
        const std::array<Entry, 8> entries{
            {{},
             {caption(&Captions::OK), qvButtonOK, desc.OK},
             {caption(&Captions::Cancel), qvButtonCancel, desc.Cancel},
             {caption(&Captions::Abort), qvButtonAbort, desc.Abort},
             {caption(&Captions::Retry), qvButtonRetry, desc.Retry},
             {caption(&Captions::Ignore), qvButtonIgnore, desc.Ignore},
             {caption(&Captions::Yes), qvButtonYes, desc.Yes},
             {caption(&Captions::No), qvButtonNo, desc.No}}};
        std::vector<Entry> set;
        for (const qvButtonNumbers number : ButtonSet(Buttons)) {
            set.push_back(entries.at(static_cast<std::size_t>(number)));
        }
        ButtonTable& t = table_;
        if (!set.empty()) {
            t.ButtonCount = static_cast<int16_t>(set.size());
        }
        const auto put = [&t](std::size_t at, const Entry& e) {
            t.ButtonCaptions.at(at) = e.caption;
            t.ButtonResults.at(at) = e.result;
            t.ButtonDescriptions.at(at) = e.description;
        };
        for (std::size_t i = 0; i < set.size(); ++i) {
            put(i, set[i]);
        }
        if ((Buttons & msgbox::kHelpButton) != 0) {
            put(static_cast<std::size_t>(t.ButtonCount++),
                {caption(&Captions::Help), msgbox::kHelpResult, {}});
        }
        if (detailsButton_) {
            put(static_cast<std::size_t>(t.ButtonCount++),
                {caption(&Captions::Details), msgbox::kDetailsResult, {}});
        }
    });
}

bool clsMesgBox::IsValidButton(int32_t Buttons, int32_t ButtonNumber) const {
    return passOn("IsValidButton&", [&] { return msgbox::isButtonOfSet(Buttons, ButtonNumber); });
}

std::string clsMesgBox::ResolveButtonNameText(qvButtonNumbers ButtonNumber, bool LowerCase) {
    return passOn("ResolveButtonNameText&", [&] {
        std::string name = msgbox::buttonName(ButtonNumber);
        if (LowerCase) {
            for (char& ch : name) {
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            }
        }
        return name;
    });
}

// ---- the don't-show-again memory ------------------------------------------------------------

int32_t clsMesgBox::rememberedAnswer(const std::string& MessageID) const {
    // A store that cannot be read remembers nothing: the message is shown as if it were new.
    return orResult<int32_t>(qvButtonNone, [&] {
        return MakeInteger(GetRegSetting(MessageID, "", msgbox::kMemorySection, true));
    });
}

void clsMesgBox::rememberAnswer(const std::string& MessageID, int32_t Buttons,
                                int32_t Answer) const {
    int32_t stored = qvButtonNone;
    if (IsValidButton(Buttons, dontShowForceButton_)) {
        stored = dontShowForceButton_;
    } else if (Answer >= qvButtonOK && (dontShowIsValidForCancel_ || Answer != qvButtonCancel)) {
        stored = Answer;
    }
    if (stored != qvButtonNone) {
        // An unwritable store forgets the answer; the message itself has been answered.
        passOver({[&] {
            SetRegSetting(MessageID, std::to_string(stored), msgbox::kMemorySection, true);
        }});
    }
}

int16_t clsMesgBox::GetDontShowIDValue(const std::string& MessageID) {
    return passOn("GetDontShowIDValue&", [&] {
        return msgbox::strictInteger(GetRegSetting(MessageID, "", msgbox::kMemorySection, true));
    });
}

} // namespace qvMsgErr

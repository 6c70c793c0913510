// qvMsgErr.clsMesgBox: the message box behind its automation interface. Each member converts its
// arguments, calls the same member of clsMesgBox and converts the result back; errors reach the
// client with their number, description and the trail of procedures in their source.
#include "automation/objects.h"

#include <qvMsgErr/HostForm.h>
#include <qvMsgErr/clsMesgBox.h>

#include <memory>

namespace qvMsgErr::automation {

namespace {

QVMsgBoxType boxType(::QVMsgBoxType t) {
    return static_cast<QVMsgBoxType>(t);
}
qvButtonNumbers buttonNumber(::qvButtonNumbers n) {
    return static_cast<qvButtonNumbers>(n);
}

} // namespace

class MesgBoxObject final : public DispatchObject<_clsMesgBox> {
public:
    MesgBoxObject() : DispatchObject(IID__clsMesgBox) {}

    QV_VARIABLE(UseSounds, VARIANT_BOOL, toVariantBool, fromVariantBool)
    QV_VARIABLE(TimerCountDownCaption, BSTR, toBstr, text)
    QV_VARIABLE(TimeOutOccured, VARIANT_BOOL, toVariantBool, fromVariantBool)

    QV_LET_BY_REFERENCE(Reg_Root, BSTR, text)
    QV_GET(Reg_Root, BSTR, toBstr)
    QV_LET_BY_REFERENCE(BackColor, long, same<int32_t>)
    QV_LET_GET(DontShowIsValidForCancel, VARIANT_BOOL, toVariantBool, fromVariantBool)
    QV_LET_GET(CmdDescriptions, VARIANT_BOOL, toVariantBool, fromVariantBool)
    QV_LET(MsgBoxType, ::QVMsgBoxType, boxType)
    QV_LET(DefaultButtonOK, BSTR, text)
    QV_LET(DefaultButtonCancel, BSTR, text)
    QV_LET(DefaultButtonAbort, BSTR, text)
    QV_LET(DefaultButtonRetry, BSTR, text)
    QV_LET(DefaultButtonIgnore, BSTR, text)
    QV_LET(DefaultButtonYes, BSTR, text)
    QV_LET(DefaultButtonNo, BSTR, text)
    QV_LET(DefaultButtonHelp, BSTR, text)
    QV_LET(DefaultButtonDetails, BSTR, text)
    QV_LET(ButtonOK, BSTR, text)
    QV_LET(ButtonCancel, BSTR, text)
    QV_LET(ButtonAbort, BSTR, text)
    QV_LET(ButtonRetry, BSTR, text)
    QV_LET(ButtonIgnore, BSTR, text)
    QV_LET(ButtonYes, BSTR, text)
    QV_LET(ButtonNo, BSTR, text)
    QV_LET(ButtonHelp, BSTR, text)
    QV_LET(ButtonDetails, BSTR, text)
    QV_LET(DescOK, BSTR, text)
    QV_LET(DescCancel, BSTR, text)
    QV_LET(DescAbort, BSTR, text)
    QV_LET(DescRetry, BSTR, text)
    QV_LET(DescIgnore, BSTR, text)
    QV_LET(DescYes, BSTR, text)
    QV_LET(DescNo, BSTR, text)
    QV_LET(FormPosition, VARIANT_BOOL, fromVariantBool)
    QV_LET(FormLeft, float, same<float>)
    QV_LET(FormTop, float, same<float>)
    QV_LET(TimerUse, VARIANT_BOOL, fromVariantBool)
    QV_LET(TimerSeconds, long, same<long>)
    QV_LET_GET(DontShowAgain, VARIANT_BOOL, toVariantBool, fromVariantBool)
    QV_LET_GET(DontShowAgainTicked, VARIANT_BOOL, toVariantBool, fromVariantBool)
    QV_LET_GET(DontShowIsManual, VARIANT_BOOL, toVariantBool, fromVariantBool)
    QV_LET(DontShowAgainPrompt, BSTR, text)
    QV_LET(DetailsButton, VARIANT_BOOL, fromVariantBool)
    QV_LET_GET(DetailsString, BSTR, toBstr, text)

    // NOLINTBEGIN(bugprone-easily-swappable-parameters): the interface's own signatures
    HRESULT STDMETHODCALLTYPE msgBox(BSTR* Prompt, VARIANT* Buttons, VARIANT* Title,
                                     VARIANT* HelpFile, VARIANT* Context, VARIANT* MessageID,
                                     VARIANT* ParentForm, long* result) override {
        return get(result, [&] {
            std::string id = optionalText(MessageID, "");
            const std::unique_ptr<HostObject> parent = hostObject(ParentForm);
            const int32_t answer = target_.msgBoxInOut(
                text(deref(Prompt)), optionalLong(Buttons, 0),
                optionalText(Title, clsMesgBox::kNoTitle), optionalText(HelpFile, ""),
                optionalLong(Context, -1), id, parent.get());
            writeBack(MessageID, id);
            return answer;
        });
    }
    HRESULT STDMETHODCALLTYPE ResolveButtonNameText(::qvButtonNumbers* ButtonNumber,
                                                    VARIANT* LowerCase, VARIANT* result) override {
        return get(result, [&] {
            return textVariant(target_.ResolveButtonNameText(buttonNumber(deref(ButtonNumber)),
                                                             optionalBool(LowerCase, false)));
        });
    }
    // NOLINTEND(bugprone-easily-swappable-parameters)
    QV_LET_BY_REFERENCE(DontShowForceButton, ::qvButtonNumbers, buttonNumber)
    HRESULT STDMETHODCALLTYPE get_DontShowForceButton(::qvButtonNumbers* value) override {
        return get(value,
                   [&] { return static_cast<::qvButtonNumbers>(target_.DontShowForceButton()); });
    }
    HRESULT STDMETHODCALLTYPE GetDontShowIDValue(BSTR* MessageID, short* result) override {
        return get(result, [&] { return target_.GetDontShowIDValue(text(deref(MessageID))); });
    }

private:
    clsMesgBox target_;
};

IUnknown* newMesgBox() {
    return static_cast<_clsMesgBox*>(new MesgBoxObject);
}

} // namespace qvMsgErr::automation

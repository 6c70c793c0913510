// The public enumerations. Unscoped, 32-bit, so that `qvButtonOK` reads as it does in host code
// written against the automation interface.
#pragma once

#include <cstdint>

namespace qvMsgErr {

/// The button a message window reports; the values are the standard message-box result codes.
enum qvButtonNumbers : int32_t {
    qvButtonNone = 0,
    qvButtonOK = 1,
    qvButtonCancel = 2,
    qvButtonAbort = 3,
    qvButtonRetry = 4,
    qvButtonIgnore = 5,
    qvButtonYes = 6,
    qvButtonNo = 7,
};

/// Window style used by `clsMesgBox::msgBox`. Any value other than 1 and 2 behaves as Standard.
enum QVMsgBoxType : int32_t {
    Standard = 0,
    TessaryClassic = 1,
    Tessary2003 = 2,
};

/// Icon shown by a message window.
enum QVButtonIcon : int32_t {
    icnNone = 0,
    icnCritical = 1,
    icnQuestion = 2,
    icnExclamation = 3,
    icnInformation = 4,
};

} // namespace qvMsgErr

// Registration identifiers: the fixed GUIDs, versions and dispatch ids under which the two classes,
// their interfaces and the enumerations are known to a late-bound layer and to documentation.
// The GUID values were chosen once for this library and never change.
#pragma once

#include <cstdint>

namespace qvMsgErr::ids {

struct Registration {
    const char* name;
    const char* guid;
    int16_t versionMajor;
    int16_t versionMinor;
};

inline constexpr Registration kLibrary{"qvMsgErr", "{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B001}", 2, 1};
inline constexpr int32_t kLibraryLocale = 0x409;
inline constexpr const char* kLibraryHelpString = "qvMsgErr message and error handler";

inline constexpr Registration kClsMesgBox{"clsMesgBox", "{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B010}", 1,
                                          0};
inline constexpr Registration kIClsMesgBox{"_clsMesgBox", "{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B011}",
                                           1, 0};
inline constexpr Registration kClsError{"clsError", "{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B020}", 1, 1};
inline constexpr Registration kIClsError{"_clsError", "{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B021}", 1,
                                         1};
/// The earlier identifier that `_clsError` also answers to.
inline constexpr Registration kIClsErrorEarlier{"_clsError",
                                                "{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B022}", 1, 0};
inline constexpr Registration kEventsClsError{"__clsError",
                                              "{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B023}", 1, 1};
/// The earlier identifier of the event interface that event sinks may still use.
inline constexpr Registration kEventsClsErrorEarlier{
    "__clsError", "{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B024}", 1, 0};
inline constexpr Registration kEnumButtonNumbers{"qvButtonNumbers",
                                                 "{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B030}", 1, 0};
inline constexpr Registration kEnumMsgBoxType{"QVMsgBoxType",
                                              "{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B031}", 1, 0};
inline constexpr Registration kEnumButtonIcon{"QVButtonIcon",
                                              "{6B1C2E40-7D3A-4F0E-9C51-3A8E2D71B032}", 1, 0};

/// Programmatic names under which the classes are registered.
inline constexpr const char* kProgIdMesgBox = "qvMsgErr.clsMesgBox";
inline constexpr const char* kProgIdError = "qvMsgErr.clsError";

/// The help string of `DontShowIsValidForCancel`, the only member with one of its own.
inline constexpr const char* kHelpDontShowIsValidForCancel =
    "Defaults to false. If don't show this is checked and then the cancel button is clicked, it "
    "will not store the result in the registry so the message will still show. If set to true and "
    "the 'don't show this again' checkbox is checked, the message will always be cancelled";

/// Dispatch ids of `_clsMesgBox`, in slot order. Read and write of one property share an id.
namespace dispMesgBox {
inline constexpr int32_t UseSounds = 0x40030000;
inline constexpr int32_t TimerCountDownCaption = 0x40030001;
inline constexpr int32_t TimeOutOccured = 0x40030002;
inline constexpr int32_t Reg_Root = 0x68030029;
inline constexpr int32_t BackColor = 0x68030028;
inline constexpr int32_t DontShowIsValidForCancel = 0x68030027;
inline constexpr int32_t CmdDescriptions = 0x68030026;
inline constexpr int32_t MsgBoxType = 0x68030025;
inline constexpr int32_t DefaultButtonOK = 0x68030024;
inline constexpr int32_t DefaultButtonCancel = 0x68030023;
inline constexpr int32_t DefaultButtonAbort = 0x68030022;
inline constexpr int32_t DefaultButtonRetry = 0x68030021;
inline constexpr int32_t DefaultButtonIgnore = 0x68030020;
inline constexpr int32_t DefaultButtonYes = 0x6803001F;
inline constexpr int32_t DefaultButtonNo = 0x6803001E;
inline constexpr int32_t DefaultButtonHelp = 0x6803001D;
inline constexpr int32_t DefaultButtonDetails = 0x6803001C;
inline constexpr int32_t ButtonOK = 0x6803001B;
inline constexpr int32_t ButtonCancel = 0x6803001A;
inline constexpr int32_t ButtonAbort = 0x68030019;
inline constexpr int32_t ButtonRetry = 0x68030018;
inline constexpr int32_t ButtonIgnore = 0x68030017;
inline constexpr int32_t ButtonYes = 0x68030016;
inline constexpr int32_t ButtonNo = 0x68030015;
inline constexpr int32_t ButtonHelp = 0x68030014;
inline constexpr int32_t ButtonDetails = 0x68030013;
inline constexpr int32_t DescOK = 0x68030012;
inline constexpr int32_t DescCancel = 0x68030011;
inline constexpr int32_t DescAbort = 0x68030010;
inline constexpr int32_t DescRetry = 0x6803000F;
inline constexpr int32_t DescIgnore = 0x6803000E;
inline constexpr int32_t DescYes = 0x6803000D;
inline constexpr int32_t DescNo = 0x6803000C;
inline constexpr int32_t FormPosition = 0x6803000B;
inline constexpr int32_t FormLeft = 0x6803000A;
inline constexpr int32_t FormTop = 0x68030009;
inline constexpr int32_t TimerUse = 0x68030008;
inline constexpr int32_t TimerSeconds = 0x68030007;
inline constexpr int32_t DontShowAgain = 0x68030006;
inline constexpr int32_t DontShowAgainTicked = 0x68030005;
inline constexpr int32_t DontShowIsManual = 0x68030004;
inline constexpr int32_t DontShowAgainPrompt = 0x68030003;
inline constexpr int32_t DetailsButton = 0x68030002;
inline constexpr int32_t DetailsString = 0x68030001;
inline constexpr int32_t msgBox = 0x6003002C;
inline constexpr int32_t ResolveButtonNameText = 0x60030030;
inline constexpr int32_t DontShowForceButton = 0x68030000;
inline constexpr int32_t GetDontShowIDValue = 0x60030034;
} // namespace dispMesgBox

/// Dispatch ids of `_clsError`, in slot order.
namespace dispError {
inline constexpr int32_t LastNumber = 0x4003000C;
inline constexpr int32_t LastDescription = 0x4003000D;
inline constexpr int32_t LastSource = 0x4003000E;
inline constexpr int32_t AbortPending = 0x6803000A;
inline constexpr int32_t SupportEmail = 0x68030009;
inline constexpr int32_t LastErrorOccured = 0x68030008;
inline constexpr int32_t Show = 0x6003000C;
inline constexpr int32_t Description = 0x68030007;
inline constexpr int32_t Number = 0x68030006;
inline constexpr int32_t Details = 0x68030005;
inline constexpr int32_t AppName = 0x68030004;
inline constexpr int32_t UserName = 0x68030003;
inline constexpr int32_t Appearance = 0x68030002;
inline constexpr int32_t Solution = 0x68030001;
inline constexpr int32_t Activity = 0x68030000;
inline constexpr int32_t WriteDebugLog = 0x4003001B;
} // namespace dispError

/// Dispatch ids of the event interface `__clsError`.
namespace dispErrorEvents {
inline constexpr int32_t Abort = 1;
} // namespace dispErrorEvents

} // namespace qvMsgErr::ids

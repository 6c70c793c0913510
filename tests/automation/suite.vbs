' qvMsgErr.clsMesgBox and qvMsgErr.clsError as a script uses them, late-bound by name through
' the registered qvMsgErr.dll:
'   cscript //nologo suite.vbs CLICKER
' CLICKER is a program that, started as `CLICKER --click CAPTION...`, clicks those captions in
' turn on the windows that come up (a user beside the script). The suite prints each failed check
' and a last line "N checks passed, M failed"; its exit status is the number failed.
Option Explicit

Dim passed, failed, clicker, shell, box, er, id, answer, connected, aborted
passed = 0
failed = 0
aborted = 0
clicker = """" & WScript.Arguments(0) & """ --click"
Set shell = CreateObject("WScript.Shell")

' Texts, Booleans and numbers (of any width) are told apart.
Function Kind(value)
    If VarType(value) = vbString Or VarType(value) = vbBoolean Then
        Kind = TypeName(value)
    ElseIf IsNumeric(value) Then
        Kind = "number"
    Else
        Kind = TypeName(value)
    End If
End Function

Sub Check(what, actual, expected)
    If Kind(actual) = Kind(expected) And CStr(actual) = CStr(expected) Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAIL " & what & ": got " & TypeName(actual) & " [" & actual & "], expected " _
            & TypeName(expected) & " [" & expected & "]"
    End If
End Sub

' The error the last statement raised: its number and, when given, its source.
Sub CheckError(what, number, source)
    Check what & ": number", Err.Number, number
    If source <> "" Then Check what & ": source", Err.Source, source
    Err.Clear
End Sub

' The user clicks these captions, one after the other, on the next windows shown.
Sub UserWillClick(captions)
    shell.Run clicker & " " & captions, 0, False
End Sub

' A window of the host: the message is centred on it.
Class HostForm
    Public Left
    Public Top
    Public Width
    Public Height
End Class

Sub er_Abort()
    aborted = aborted + 1
    Check "AbortPending while Abort is raised", er.AbortPending, True
End Sub

Const root = "Software\qvMsgErr Script Tests"

' The suite's own key of the registry, removed before and after.
Sub Forget()
    shell.Run "reg delete ""HKCU\" & root & """ /f", 0, True
End Sub

Forget
Set box = CreateObject("qvMsgErr.clsMesgBox")
Set er = CreateObject("qvMsgErr.clsError")
Check "a new object for each creation", box Is CreateObject("qvMsgErr.clsMesgBox"), False

' ---- every kind of property, with the conversions a script relies on
box.Reg_Root = root
Check "Reg_Root", box.Reg_Root, root
box.UseSounds = False
Check "UseSounds", box.UseSounds, False
box.TimerCountDownCaption = 30
Check "TimerCountDownCaption from a number", box.TimerCountDownCaption, "30"
box.CmdDescriptions = 1
Check "CmdDescriptions from a number", box.CmdDescriptions, True
box.DontShowIsValidForCancel = "True"
Check "DontShowIsValidForCancel from a text", box.DontShowIsValidForCancel, True
box.DetailsString = "Gr" & Chr(246) & Chr(223) & "e"
Check "DetailsString", box.DetailsString, "Gr" & Chr(246) & Chr(223) & "e"
box.DontShowForceButton = 6.2
Check "DontShowForceButton from a fraction", box.DontShowForceButton, 6
box.DontShowForceButton = 0
box.BackColor = &HC0FFFF
box.FormLeft = 1440.5
box.FormTop = "720"
box.TimerSeconds = 5.6
box.DescYes = Empty
box.ButtonYes = "&Save"
box.ButtonYes = ""
er.LastNumber = "75"
Check "LastNumber from a text", er.LastNumber, 75
er.LastDescription = "Path/File access error"
er.LastSource = "OpenLedger"
er.LastErrorOccured = True
Check "LastErrorOccured", er.LastErrorOccured, True
er.LastErrorOccured = False
Check "LastErrorOccured False clears LastNumber", er.LastNumber, 0
Check "SupportEmail's default", er.SupportEmail, "support@qvmsgerr.org"
er.AppName = "Ledger"
Check "AppName", er.AppName, "Ledger"
er.Number = 2.5
Check "Number rounds to even", er.Number, 2
Check "Appearance's default", er.Appearance, "Standard"
er.WriteDebugLog = False
Check "WriteDebugLog", er.WriteDebugLog, False

' ---- messages answered by clicks
Dim form
Set form = New HostForm
form.Left = 1000
form.Top = 1000
form.Width = 6000
form.Height = 4000
box.MsgBoxType = 2
box.DontShowAgain = True
id = "  Ledger.Save  "
UserWillClick """Don't show this message again"" &No"
answer = box.msgBox("Save the changes to Ledger.db?", vbYesNo + vbQuestion, "Ledger", , , id, form)
Check "answer clicked", answer, vbNo
Check "MessageID written back trimmed", id, "Ledger.Save"
Check "DontShowAgainTicked", box.DontShowAgainTicked, True
Check "the answer in the registry", _
    shell.RegRead("HKCU\" & root & "\MessageBox\ShowMessage\Ledger.Save"), "7"
Check "GetDontShowIDValue", box.GetDontShowIDValue("Ledger.Save"), 7
box.DontShowAgain = True
Check "the remembered answer, without a window", _
    box.msgBox("Save the changes to Ledger.db?", vbYesNo, "Ledger", , , "Ledger.Save"), vbNo
UserWillClick "OK"
Check "a call with the prompt alone: the system's box", box.msgBox("Saved."), vbOK
UserWillClick "OK"
Check "arguments left out in the middle", box.msgBox("Saved.", , "Ledger"), vbOK
Check "ResolveButtonNameText", box.ResolveButtonNameText(vbRetry), "Retry"
Check "ResolveButtonNameText lower case", box.ResolveButtonNameText(vbRetry, True), "retry"

' ---- errors raised into the script
On Error Resume Next
Dim n
n = box.GetDontShowIDValue("never stored")
CheckError "nothing remembered", 13, "GetDontShowIDValue&qvMsgErr"
box.MsgBoxType = 2
n = box.msgBox("Which?", 6)
CheckError "a button set a window cannot show", 5, "MsgBox&ShowMessage&qvMsgErr"
box.Frobnicate 1
CheckError "an unknown member", 438, ""
box.TimerSeconds = "ten"
CheckError "a text for a number", 13, ""
box.TimerSeconds = 1E+20
CheckError "a number too large", 6, ""
box.DescOK = Array(1, 2)
CheckError "an array for a text", 13, ""
box.DescOK = Null
CheckError "Null for a text", 13, ""
n = box.msgBox()
CheckError "no prompt", 450, ""
n = box.msgBox("?", 0, "t", "", -1, "", 5)
CheckError "a number for the parent form", 13, ""
n = box.ButtonOK
CheckError "reading a write-only property", 438, ""
Set er.AppName = Nothing
CheckError "an object set into a text", 438, ""
er.Show True, "Disk full", "sixty-one"
CheckError "a text for the error number", 13, ""
On Error GoTo 0

' ---- the error dialog: Try Again, then a confirmed "Close all" and the Abort event
UserWillClick """&Try Again"""
Check "Show: Try Again", er.Show(True, "Disk full", 61, "SaveLedger&", "", "saving the ledger"), 4
er.Description = "Disk full"
UserWillClick """&Ignore"""
Check "Show without arguments: modal, from the properties", er.Show(), 5
On Error Resume Next
WScript.ConnectObject er, "er_"
connected = (Err.Number = 0)
If Not connected Then
    WScript.Echo "note: this script host cannot connect to events (WScript.ConnectObject: " _
        & Err.Description & "); Abort is checked by the C++ client"
End If
On Error GoTo 0
UserWillClick """Close &all"" &Yes"
er.Show True, "Disk full", 61
Check "AbortPending after a confirmed Close all", er.AbortPending, True
If connected Then Check "Abort raised once", aborted, 1

Forget
WScript.Echo passed & " checks passed, " & failed & " failed"
WScript.Quit failed

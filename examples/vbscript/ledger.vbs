' Ledger's statement import, as a script host application uses qvMsgErr: it asks before
' importing a file of bank statements (a 2003-style message with its own captions, descriptions
' beside the buttons, a Details section and "Don't show this message again"), and when the file
' cannot be read it shows the error dialog and does what the user chooses there.
'
'   regsvr32 qvMsgErr.dll                       once, to register the library
'   cscript //nologo ledger.vbs STATEMENTS.csv
'
' The exit status says how it went: 0 imported or left for later, 1 the user said no, 3 the user
' chose "Close all".
Option Explicit

Const TessaryStyle2003 = 2
Const TryAgain = 4

Dim box, report, file, answer, closing
closing = False
file = "statements.csv"
If WScript.Arguments.Count > 0 Then file = WScript.Arguments(0)

Set box = CreateObject("qvMsgErr.clsMesgBox")
Set report = CreateObject("qvMsgErr.clsError")
' "Close all" in the error dialog raises Abort; hosts that connect scripts to events deliver it
' to report_Abort.
On Error Resume Next
WScript.ConnectObject report, "report_"
On Error GoTo 0

' The remembered answers live under the application's own key of the user's registry.
box.Reg_Root = "Software\Ledger"
box.MsgBoxType = TessaryStyle2003
box.ButtonYes = "&Import"
box.ButtonNo = "&Not now"
box.CmdDescriptions = True
box.DescYes = "Add the statements to the ledger now."
box.DescNo = "Leave the file where it is; you are asked again next time."
box.DetailsButton = True
box.DetailsString = "File: " & file
box.DontShowAgain = True

answer = box.msgBox("Import the bank statements from " & file & "?", vbYesNo + vbQuestion, _
    "Ledger", , , "Ledger.ImportStatements")
If answer <> vbYes Then
    WScript.Echo "Not imported."
    WScript.Quit 1
End If
WScript.Quit Import()

' Reads the file, showing the error dialog while it cannot: Try Again reads it again, anything
' else leaves the statements for later.
Function Import()
    Dim fso, stream, number, description, lines
    Set fso = CreateObject("Scripting.FileSystemObject")
    report.AppName = "Ledger"
    Do
        On Error Resume Next
        Set stream = fso.OpenTextFile(file)
        number = Err.Number
        description = Err.Description
        On Error GoTo 0
        If number = 0 Then
            lines = 0
            Do Until stream.AtEndOfStream
                stream.SkipLine
                lines = lines + 1
            Loop
            stream.Close
            WScript.Echo "Imported " & lines & " statements."
            Import = 0
            Exit Function
        End If
        If report.Show(True, description, number, "Import&OpenTextFile", , _
                       "importing the bank statements") <> TryAgain Then Exit Do
    Loop
    If report.AbortPending Then
        Import = 3
    Else
        WScript.Echo "The statements in " & file & " were left for later."
        Import = 0
    End If
End Function

Sub report_Abort()
    WScript.Echo "Closing Ledger at the user's request."
End Sub

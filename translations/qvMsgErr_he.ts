<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="he_IL" sourcelanguage="en">
<context>
    <name>MessageBox</name>
    <message>
        <source>OK</source>
        <translation>אישור</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>ביטול</translation>
    </message>
    <message>
        <source>&amp;Abort</source>
        <translation>&amp;הפסק</translation>
    </message>
    <message>
        <source>&amp;Retry</source>
        <translation>&amp;נסה שוב</translation>
    </message>
    <message>
        <source>&amp;Ignore</source>
        <translation>ה&amp;תעלם</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;כן</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;לא</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;עזרה</translation>
    </message>
    <message>
        <source>&amp;Details &gt;&gt;</source>
        <translation>&amp;פרטים &gt;&gt;</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>פרטים</translation>
    </message>
    <message>
        <source>Don't show this message again</source>
        <translation>אל תציג הודעה זו שוב</translation>
    </message>
    <message>
        <source>second</source>
        <translation>שנייה</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>שניות</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>שגיאה</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>אזהרה</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>מידע</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>שאלה</translation>
    </message>
</context>
<context>
    <name>ErrorDialog</name>
    <message>
        <source>Close</source>
        <translation>סגור</translation>
    </message>
    <message>
        <source>&amp;Details &gt;&gt;</source>
        <translation>&amp;פרטים &gt;&gt;</translation>
    </message>
    <message>
        <source>&lt;&lt; &amp;Details</source>
        <translation>&lt;&lt; &amp;פרטים</translation>
    </message>
    <message>
        <source>Information:</source>
        <translation>מידע:</translation>
    </message>
    <message>
        <source>Details:</source>
        <translation>פרטים:</translation>
    </message>
    <message>
        <source>&amp;Try Again</source>
        <translation>&amp;נסה שוב</translation>
    </message>
    <message>
        <source>&amp;Ignore</source>
        <translation>ה&amp;תעלם</translation>
    </message>
    <message>
        <source>Close &amp;all</source>
        <translation>סגור ה&amp;כול</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;שמור</translation>
    </message>
    <message>
        <source>&amp;Print</source>
        <translation>&amp;הדפס</translation>
    </message>
    <message>
        <source>&amp;E-Mail</source>
        <translation>&amp;דוא"ל</translation>
    </message>
    <message>
        <source>No details were given for this error.</source>
        <translation>לא נמסרו פרטים על שגיאה זו.</translation>
    </message>
    <message>
        <source>Activity</source>
        <translation>פעילות</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>שגיאה</translation>
    </message>
    <message>
        <source>Solution</source>
        <translation>פתרון</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>פרטים</translation>
    </message>
    <message>
        <source>Error number is %1</source>
        <translation>מספר השגיאה הוא %1</translation>
    </message>
    <message>
        <source>Last error number was %1</source>
        <translation>מספר השגיאה האחרון היה %1</translation>
    </message>
    <message>
        <source>This will close %1. Are you sure you want to do this?</source>
        <translation>פעולה זו תסגור את %1. האם ברצונך לעשות זאת?</translation>
    </message>
    <message>
        <source>Confirm shutdown</source>
        <translation>אישור סגירה</translation>
    </message>
    <message>
        <source>Save error report as...</source>
        <translation>שמירת דוח השגיאה בשם...</translation>
    </message>
    <message>
        <source>Text Files (*.txt)</source>
        <translation>קובצי טקסט (*.txt)</translation>
    </message>
    <message>
        <source>Rich Text Files (*.rtf)</source>
        <translation>קובצי RTF (*.rtf)</translation>
    </message>
</context>
</TS>

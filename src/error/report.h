// The error report: the one-line text that the e-mail carries, and the formatted report that is
// composed, printed and saved. Both are built from what the error dialog holds at that moment.
#pragma once

#include <qvMsgErr/platform.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qvMsgErr::error {

/// The composing area: formatted text with a selection, the model behind the dialog's hidden
/// rich-text area. Offsets count bytes of the UTF-8 text. Inserted text takes the formatting of
/// the character before it (Times New Roman 12 pt, not bold, no indent in an empty area), as a
/// rich-text control's insertion does.
class ComposingArea {
public:
    /// Empties the area; the insertion point goes to the start.
    void clear();
    bool empty() const { return text_.empty(); }
    /// The whole text, without formatting.
    const std::string& text() const { return text_; }
    /// The text as runs of equal formatting, in order; neighbouring runs of equal formatting are
    /// merged.
    platform::FormattedDocument document() const;

    /// Selects `length` bytes from `start` (both clamped to the text).
    void select(std::size_t start, std::size_t length);
    std::size_t selectionStart() const { return selStart_; }
    std::size_t selectionLength() const { return selLength_; }
    /// Replaces the selection by `text` (inserts at the insertion point when nothing is selected)
    /// and leaves the insertion point after it.
    void insert(const std::string& text);

    /// Formatting of the selection. With nothing selected they set the formatting that the next
    /// insertion at the insertion point takes.
    void setSelectionFont(const std::string& name, float size);
    void setSelectionBold(bool bold);
    /// Left indent in twips of every paragraph the selection touches.
    void setSelectionIndent(float twips);

private:
    struct Format {
        std::string fontName = "Times New Roman";
        float fontSize = 12;
        bool bold = false;
        float leftIndent = 0;
        bool operator==(const Format&) const = default;
    };
    struct Span {
        std::size_t length;
        Format format;
    };
    template <class Change> void formatSelection(Change change);
    template <class Change> void formatRange(std::size_t begin, std::size_t end, Change change);
    /// Start of the paragraph that holds the character at `offset`.
    std::size_t paragraphStart(std::size_t offset) const;
    /// End of the paragraph that holds the character at `offset`, after its line break.
    std::size_t paragraphEnd(std::size_t offset) const;
    void splitAt(std::size_t offset);
    Format formatBefore(std::size_t offset) const;

    std::string text_;
    std::vector<Span> spans_; ///< cover text_ exactly, in order
    std::size_t selStart_ = 0, selLength_ = 0;
    Format pending_; ///< formatting for the next insertion when nothing is selected
    bool havePending_ = false;
};

/// Appends `TheText` at the end of the area and selects exactly the appended text.
void InsertPrintText(ComposingArea& area, const std::string& TheText);
/// Times New Roman 12 pt and the given bold attribute for the selection; then the insertion point
/// goes to the end with nothing selected.
void SetPrintBodyFont(ComposingArea& area, bool Bold = false);
/// Arial 14 pt for the selection, bold switched on when `Bold` (left as it is otherwise); then the
/// insertion point goes to the end with nothing selected.
void SetPrintHeadingFont(ComposingArea& area, bool Bold = false);

/// The dialog's fields and the text of its areas, untrimmed, as the report reads them.
struct ReportSource {
    std::string appName, userName;
    std::string activity, description, details;
};

/// The report's values, formatted and trimmed once so that both forms agree.
struct ReportValues {
    std::string date;        ///< the locale's long date
    std::string time;        ///< the locale's short time
    std::string application; ///< trimmed AppName, else the library's product name
    std::string user, activity, description, details;
};

/// Takes the date, time and product name from `desktop`.
ReportValues reportValues(const ReportSource& source, const platform::Desktop& desktop);

/// The one-line report: "Error Report | Date: … | … | Details:  | <details>".
std::string GetReportText(const ReportValues& values);

/// Fills `area` with the formatted report: heading, six labelled fields, then the details on a
/// paragraph of their own, indented by 250 twips.
void BuildPrintReport(ComposingArea& area, const ReportValues& values);

/// The link handed to the e-mail program: "mailto:<address>?subject=<subject>&body=<report>",
/// with subject " <app> error report " and the report percent-encoded (RFC 6068), so that no text
/// changes who the mail goes to or what it carries. Line breaks of the body become CR LF; control
/// characters become spaces in the subject and visible pictures in the body; an application name
/// longer than 256 bytes is cut with "…". A link that would pass 32,000 bytes carries the
/// beginning of the report and a note that the whole report can be saved. RunTimeError 5 when
/// `supportEmail` is not a plain address (dot-separated atoms, "@", a host name).
std::string mailtoAddress(const std::string& supportEmail, const std::string& appName,
                          const std::string& reportText);

/// The document as plain text: the runs' text joined, exactly as composed.
std::string plainText(const platform::FormattedDocument& document);

/// The document as RTF 1.x: a font table of the fonts used, sizes, bold, left indents. Backslash
/// and braces are escaped and every character outside printable ASCII is written as a Unicode
/// escape, so no text can change the document's structure. Line breaks (CR LF, CR or LF) end
/// paragraphs; tabs become tab marks; other control characters are written as their visible
/// control-picture symbols (U+2400 + code); bytes that are not UTF-8 become U+FFFD.
std::string rtfDocument(const platform::FormattedDocument& document);

} // namespace qvMsgErr::error

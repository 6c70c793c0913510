// dlgError: the error dialog. It does not know the error object: it receives three strings,
// has its text areas filled, and reports the user's choice through Response and Abort.
#pragma once

#include "error/report.h"
#include "support/forms.h"

#include <qvMsgErr/event.h>

#include <functional>
#include <string>

namespace qvMsgErr::error {

/// The dialog's window: controls, positions in twips, captions and fonts.
const platform::FormDesign& dlgErrorDesign();

class dlgError final : public LibraryForm {
public:
    /// Creates and loads the dialog on the thread's desktop: details expanded, topmost, version.
    dlgError();

    // Set by the error object before anything else.
    std::string UserName;
    std::string AppName;
    std::string SupportEmail;

    Event<int32_t> Response; ///< 3 Close, 4 Try Again, 5 Ignore
    Event<> Abort;           ///< "Close all", after the user confirmed it

    /// Sets the outer height so that the inner height becomes `NewHeight`.
    void HeightFixed(float NewHeight);
    void SetDetailsExpanded(bool Expand);
    /// Lays the dialog out again for the texts it has been given, so that a solution shows
    /// above the open details from the first display on. Show calls it once the texts are in.
    void TextsFilled();
    bool DetailsExpanded() const { return detailsExpanded_; }

    // Composing the report (see report.h).
    void InsertPrintText(const std::string& TheText);
    void SetPrintBodyFont(bool Bold = false);
    void SetPrintHeadingFont(bool Bold = false);
    const ComposingArea& composingArea() const { return print_; }

    void onEvent(platform::Event& event) override;
    /// The dialog's own `text` in the user's language.
    std::string tr(const char* text) const;

private:
    void Form_Load();
    /// Grows the buttons, the headings and what depends on them where a caption needs more
    /// room than the design gives it.
    void fitTexts();
    /// Grows the activity and description areas to their texts (up to a third of the screen's
    /// height), the version to its number, and moves the sections below down as far as the upper
    /// part grew. Runs at load and again once the texts are in.
    void fitUpperPart();
    void cmdDetails_Click();
    void respond(int32_t data);
    void cmdAbort_Click();
    void cmdPrint_Click();
    void cmdSave_Click();
    void cmdEmail_Click();

    ReportValues reportValues() const;
    std::string GetReportText() const;
    void BuildPrintReport();
    void clearComposingArea();
    /// Composes the report, hands the document to `handOn` (printer or file), clears the area.
    void composeAndHandOn(const std::function<void(const platform::FormattedDocument&)>& handOn);

    bool detailsExpanded_ = false;
    float collapsedHeight_ = 0; ///< the inner height with the details closed
    ComposingArea print_;       ///< behind the hidden rtfPrint area
};

} // namespace qvMsgErr::error

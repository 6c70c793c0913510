#include "error/dlgError.h"

#include "support/failure.h"
#include "support/texts.h"
#include "support/utilities.h"

#include <qvMsgErr/enums.h>

#include <algorithm>
#include <vector>

namespace qvMsgErr::error {

using platform::ControlDesign;
using platform::ControlKind;

namespace {

constexpr float kButtonWidth = 1080, kButtonHeight = 345;
constexpr float kButtonGap = 105;    // between Close and the details toggle
constexpr float kColumnGap = 63;     // between the buttons of the column
constexpr float kBesideHeading = 60; // the error number right of its heading
constexpr float kBelowColumn = 45;   // the details text ends this far above the column's end
constexpr float kBelowSection = 90;  // the details section ends this far below the column
constexpr float kAreaMargin = 180;   // a text area's frame and margins around its text
constexpr float kCollapsedHeight = 1950;
/// Gap between the information panel and the details section below it.
constexpr float kInfoGap = 400;
/// Space below the details section.
constexpr float kBottomMargin = 100;

// The shutdown question: Yes and No, Yes the default, the question icon.
constexpr int32_t kYesNoQuestion = 4 | 32;
constexpr int32_t kAnswerYes = 6;
// Printer dialog: return a device context, no page-range choice.
constexpr int32_t kPrinterFlags = 0x108;
// Save dialog: overwrite prompt, no read-only box, multiple selection, path must exist.
constexpr int32_t kSaveFlags = 0xA06;

/// The section headings: the message font in bold; their labels grow to fit them.
const platform::Font kHeadingFont{"", platform::kReferenceFontSize, true};

/// A control of the dialog: inside `container` (the window when empty), with `caption`.
ControlDesign& control(platform::FormDesign& d, ControlKind kind, std::string name,
                       std::string container, float left, float top, float width, float height,
                       std::string caption = {}, int16_t tab = -1) {
    ControlDesign& c = addControl(d, kind, std::move(name), -1, left, top, width, height, tab);
    c.container = std::move(container);
    c.caption = std::move(caption);
    return c;
}

ControlDesign& button(platform::FormDesign& d, std::string name, std::string container, float left,
                      float top, std::string caption, int16_t tab) {
    return control(d, ControlKind::CommandButton, std::move(name), std::move(container), left, top,
                   kButtonWidth, kButtonHeight, std::move(caption), tab);
}

platform::FormDesign makeDesign() {
    platform::FormDesign d;
    d.name = "dlgError";
    d.clientWidth = 5295;
    d.clientHeight = 6350;
    d.startCentered = true;

    // Tab goes as the eye does: from Close, which has the focus first, and the Details toggle
    // beside the texts, down the texts, then down the column of answers.
    control(d, ControlKind::Image, "imgError", "", 90, 90, 960, 960).picture =
        platform::StockPicture::Critical;
    control(d, ControlKind::RichText, "rtfActivity", "", 1170, 60, 2790, 600, "", 2)
        .accessibleName = "Activity";
    control(d, ControlKind::RichText, "rtfDescription", "", 1170, 750, 2790, 555, "", 3)
        .accessibleName = "Error";
    d.announce = "rtfDescription"; // read out at once, as a message's prompt is
    ControlDesign& version =
        control(d, ControlKind::Label, "lblversion", "", 90, 1110, 960, 165, "v");
    version.font = {"", 6.75F, false};
    version.decorative = true;

    ControlDesign& close = button(d, "cmdClose", "", 4110, 90, "Close", 0);
    close.isDefault = true;
    close.isCancel = true;
    button(d, "cmdDetails", "", 4110, 540, "&Details >>", 1);

    control(d, ControlKind::Panel, "FraInfo", "", 45, 1350, 5205, 1695);
    control(d, ControlKind::Label, "lblInformation", "FraInfo", 75, -30, 915, 195, "Information:")
        .font = kHeadingFont;
    control(d, ControlKind::RichText, "rtfSolution", "FraInfo", 60, 210, 5055, 1365, "", 4)
        .accessibleName = "Solution";

    control(d, ControlKind::Panel, "FraDetails", "", 90, 3135, 5220, 2805);
    control(d, ControlKind::Label, "lblDetails", "FraDetails", 0, 15, 540, 195, "Details:").font =
        kHeadingFont;
    control(d, ControlKind::Label, "lblErrorNumber", "FraDetails", 600, 15, 3240, 195);
    ControlDesign& details =
        control(d, ControlKind::RichText, "rtfDetails", "FraDetails", 15, 255, 3825, 2415, "", 5);
    details.accessibleName = "Details";
    // The section stays open on an error without details: it holds the number and the answers.
    details.placeholder = "No details were given for this error.";
    control(d, ControlKind::Panel, "frabuttons", "FraDetails", 3960, 285, 1245, 2430);
    // Access keys reach every answer and output without a mouse; Close has Enter and Escape.
    button(d, "cmdRetry", "frabuttons", 0, 0, "&Try Again", 6);
    button(d, "cmdIgnore", "frabuttons", 0, 408, "&Ignore", 7);
    button(d, "cmdAbort", "frabuttons", 0, 816, "Close &all", 8);
    button(d, "cmdSave", "frabuttons", 0, 1224, "&Save", 9);
    button(d, "cmdPrint", "frabuttons", 0, 1632, "&Print", 10);
    button(d, "cmdEmail", "frabuttons", 0, 2040, "&E-Mail", 11);

    ControlDesign& print = control(d, ControlKind::RichText, "rtfPrint", "", 0, 900, 6945, 195);
    print.visible = false;
    print.verticalScrollBar = false;
    print.font = {"Times New Roman", 12, false};
    return d;
}

/// Runs a file or printer dialog. True when the user cancelled, by the result or by the cancel
/// error; any other failure counts as a choice, so that the caller goes on (and its output step
/// then fails quietly on the empty choice).
template <class Result, class Choose> bool cancelled(Result& result, Choose&& choose) {
    try {
        result = choose();
        return result.cancelled;
    } catch (...) {
        result = Result{};
        result.cancelled = false;
        return toRunTimeError(std::current_exception()).Number == err::DialogCancel;
    }
}

} // namespace

const platform::FormDesign& dlgErrorDesign() {
    static const platform::FormDesign design = makeDesign();
    return design;
}

dlgError::dlgError() : LibraryForm(dlgErrorDesign(), texts::kErrorDialog) {
    Form_Load();
}

void dlgError::Form_Load() {
    passOver({
        [&] { fitTexts(); },
        [&] { SetDetailsExpanded(true); },
        [&] { ToggleTopmost(window(), false); },
        [&] {
            const auto v = desktop().version();
            control("lblversion")
                .setCaption(std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                            std::to_string(v.revision));
        },
    });
}

std::string dlgError::tr(const char* text) const {
    return desktop().translate(texts::kErrorDialog, text);
}

void dlgError::fitTexts() {
    using platform::Control;
    static constexpr const char* kButtons[] = {"cmdClose", "cmdDetails", "cmdRetry", "cmdIgnore",
                                               "cmdAbort", "cmdSave",    "cmdPrint", "cmdEmail"};
    std::vector<std::string> captions{tr("<< &Details")}; // the toggle's other caption
    for (const char* name : kButtons) {
        captions.push_back(control(name).caption());
    }
    // The dialog widens as far as its buttons do, but not past the screen's width.
    const platform::TextExtent room =
        buttonRoom(desktop(), captions, control("cmdClose").font(), {kButtonWidth, kButtonHeight},
                   desktop().screenWidth() - window().width() + kButtonWidth);
    for (const char* name : kButtons) {
        control(name).setWidth(room.width);
        control(name).setHeight(room.height);
    }
    control("cmdDetails").setTop(control("cmdClose").top() + room.height + kButtonGap);
    for (int i = 2; i < 8; ++i) {
        control(kButtons[i]).setTop(static_cast<float>(i - 2) * (room.height + kColumnGap));
    }

    // A heading grows to its text; what lies under it moves down as far as it grew.
    const auto fitHeading = [&](Control& heading) {
        const platform::TextExtent need =
            desktop().measureCaption(heading.caption(), heading.font(), 0);
        heading.setWidth(std::max(heading.width(), need.width));
        const float grown = std::max(0.0F, need.height - heading.height());
        heading.setHeight(heading.height() + grown);
        return grown;
    };
    const float infoDrop = fitHeading(control("lblInformation"));
    control("rtfSolution").setTop(control("rtfSolution").top() + infoDrop);
    control("FraInfo").setHeight(control("FraInfo").height() + infoDrop);

    const Control& heading = control("lblDetails");
    const float detailsDrop = fitHeading(control("lblDetails"));
    Control& number = control("lblErrorNumber");
    const float numberEnds = number.left() + number.width();
    number.setLeft(std::max(number.left(), heading.left() + heading.width() + kBesideHeading));
    number.setWidth(numberEnds - number.left());
    number.setHeight(heading.height());

    // The column, and the section around it, grow by what the buttons and the heading need; the
    // dialog widens as far as the buttons did.
    const float wider = room.width - kButtonWidth;
    Control& column = control("frabuttons");
    Control& text = control("rtfDetails");
    column.setTop(column.top() + detailsDrop);
    column.setHeight(
        std::max(column.height(), control("cmdEmail").top() + room.height + kBelowColumn));
    text.setTop(text.top() + detailsDrop);
    text.setHeight(column.top() + column.height() - kBelowColumn - text.top());
    control("FraDetails").setHeight(column.top() + column.height() + kBelowSection);
    for (const char* name : {"FraInfo", "rtfSolution", "FraDetails", "frabuttons"}) {
        control(name).setWidth(control(name).width() + wider);
    }
    window().setWidth(window().width() + wider);
    fitUpperPart();
}

void dlgError::fitUpperPart() {
    using platform::Control;
    const platform::FormDesign& design = dlgErrorDesign();
    const auto designed = [&](const char* name) { return *design.find(name); };
    const auto bottom = [](const Control& c) { return c.top() + c.height(); };
    const float tallest = desktop().screenHeight() / 3;
    const auto fitArea = [&](const char* name, float top) {
        Control& area = control(name);
        std::string text; // shown as typed: no "&" marks an access key
        for (const char c : area.text()) {
            text += c == '&' ? "&&" : std::string(1, c);
        }
        const float need =
            desktop().measureCaption(text, area.font(), area.width() - kAreaMargin).height +
            kAreaMargin;
        area.setTop(top);
        area.setHeight(std::max(designed(name).height, std::min(need, tallest)));
    };
    const platform::ControlDesign activity = designed("rtfActivity");
    const platform::ControlDesign description = designed("rtfDescription");
    fitArea("rtfActivity", activity.top);
    fitArea("rtfDescription",
            bottom(control("rtfActivity")) + description.top - activity.top - activity.height);

    Control& version = control("lblversion");
    const platform::TextExtent number =
        desktop().measureCaption(version.caption(), version.font(), 0);
    version.setWidth(std::max(designed("lblversion").width, number.width));
    version.setHeight(std::max(designed("lblversion").height, number.height));

    const float ends = std::max(
        {bottom(control("rtfDescription")), bottom(version), bottom(control("cmdDetails"))});
    const float grown = std::max(0.0F, ends - description.top - description.height);
    control("FraInfo").setTop(designed("FraInfo").top + grown);
    collapsedHeight_ = kCollapsedHeight + grown;
}

void dlgError::HeightFixed(float NewHeight) {
    passOver({[&] {
        platform::Window& w = window();
        w.setHeight(w.height() - w.scaleHeight() + NewHeight);
    }});
}

void dlgError::SetDetailsExpanded(bool Expand) {
    if (Expand) {
        passOver({
            [&] {
                std::string solution = control("rtfSolution").text();
                platform::Control& info = control("FraInfo");
                platform::Control& details = control("FraDetails");
                if (TrimText(solution).empty()) {
                    info.setVisible(false);
                    details.setTop(info.top());
                } else {
                    info.setVisible(true);
                    details.setTop(info.top() + info.height() + kInfoGap);
                }
            },
            [&] {
                const platform::Control& details = control("FraDetails");
                HeightFixed(details.top() + details.height() + kBottomMargin);
            },
            [&] { control("FraDetails").setVisible(true); },
            [&] { control("cmdDetails").setCaption(tr("<< &Details")); },
            [&] { detailsExpanded_ = true; },
        });
    } else {
        passOver({
            [&] { detailsExpanded_ = false; },
            [&] { control("cmdDetails").setCaption(tr("&Details >>")); },
            [&] { control("FraDetails").setVisible(false); },
            [&] { control("FraInfo").setVisible(false); },
            [&] { HeightFixed(collapsedHeight_); },
        });
    }
}

void dlgError::TextsFilled() {
    passOver({[&] { fitUpperPart(); }});
    // The load laid the dialog out before there was a solution to show.
    SetDetailsExpanded(detailsExpanded_);
}

void dlgError::onEvent(platform::Event& event) {
    using platform::EventKind;
    if (event.kind == EventKind::Close) {
        // The close box sends no response; the dialog goes as if a button had unloaded it.
        passOver({[&] { unload(); }});
        return;
    }
    if (event.kind == EventKind::KeyDown && event.keyCode == 'C' &&
        event.shift == platform::kCtrl) {
        // Copies the one-line report. The key goes on to the focused control, so a selection in
        // a text area replaces it with what was selected.
        passOver({[&] { desktop().copyText(GetReportText()); }});
        return;
    }
    if (event.kind != EventKind::Click) {
        return;
    }
    const std::string& c = event.control;
    if (c == "cmdClose") {
        respond(qvButtonAbort);
    } else if (c == "cmdRetry") {
        respond(qvButtonRetry);
    } else if (c == "cmdIgnore") {
        respond(qvButtonIgnore);
    } else if (c == "cmdDetails") {
        cmdDetails_Click();
    } else if (c == "cmdAbort") {
        cmdAbort_Click();
    } else if (c == "cmdPrint") {
        cmdPrint_Click();
    } else if (c == "cmdSave") {
        cmdSave_Click();
    } else if (c == "cmdEmail") {
        cmdEmail_Click();
    }
}

void dlgError::cmdDetails_Click() {
    SetDetailsExpanded(!detailsExpanded_);
}

void dlgError::respond(int32_t data) {
    passOver({[&] { Response.raise(data); }, [&] { unload(); }});
}

void dlgError::cmdAbort_Click() {
    int32_t answer = 0;
    passOver({[&] {
        answer = desktop().systemMessageBox(
            texts::withValue(tr("This will close %1. Are you sure you want to do this?"), AppName),
            kYesNoQuestion, tr("Confirm shutdown"), "", 0);
    }});
    if (answer == kAnswerYes) {
        passOver({[&] { Abort.raise(); }, [&] { unload(); }});
    }
}

void dlgError::cmdPrint_Click() {
    platform::PrinterChoice printer;
    if (cancelled(printer, [&] { return desktop().choosePrinter(kPrinterFlags); })) {
        return;
    }
    composeAndHandOn([&](const platform::FormattedDocument& report) {
        desktop().printDocument(printer, report);
    });
}

void dlgError::cmdSave_Click() {
    platform::SaveDialogSettings settings;
    settings.title = tr("Save error report as...");
    settings.filter =
        tr("Text Files (*.txt)") + "|*.txt|" + tr("Rich Text Files (*.rtf)") + "|*.rtf";
    settings.filterIndex = 2;
    passOver({[&] { settings.initialDirectory = desktop().componentDirectory(); }});
    settings.fileName = "qvError";
    settings.defaultExtension = "rtf";
    settings.flags = kSaveFlags;

    platform::SaveDialogResult target;
    if (cancelled(target, [&] { return desktop().chooseSaveFile(settings); })) {
        return;
    }
    composeAndHandOn([&](const platform::FormattedDocument& report) {
        desktop().saveFile(target.path,
                           target.extensionDiffers ? plainText(report) : rtfDocument(report));
    });
}

void dlgError::composeAndHandOn(
    const std::function<void(const platform::FormattedDocument&)>& handOn) {
    passOver({
        [&] { BuildPrintReport(); },
        [&] { print_.select(0, 0); },
        [&] { handOn(print_.document()); },
        [&] { clearComposingArea(); },
    });
}

void dlgError::cmdEmail_Click() {
    passOver({[&] { desktop().shellOpen(mailtoAddress(SupportEmail, AppName, GetReportText())); }});
}

ReportValues dlgError::reportValues() const {
    ReportSource source;
    source.appName = AppName;
    source.userName = UserName;
    source.activity = control("rtfActivity").text();
    source.description = control("rtfDescription").text();
    source.details = control("rtfDetails").text();
    return error::reportValues(source, desktop());
}

std::string dlgError::GetReportText() const {
    return error::GetReportText(reportValues());
}

void dlgError::BuildPrintReport() {
    error::BuildPrintReport(print_, reportValues());
    control("rtfPrint").setText(print_.text());
}

void dlgError::clearComposingArea() {
    print_.clear();
    control("rtfPrint").setText({});
}

void dlgError::InsertPrintText(const std::string& TheText) {
    passOver({[&] { error::InsertPrintText(print_, TheText); },
              [&] { control("rtfPrint").setText(print_.text()); }});
}

void dlgError::SetPrintBodyFont(bool Bold) {
    passOver({[&] { error::SetPrintBodyFont(print_, Bold); }});
}

void dlgError::SetPrintHeadingFont(bool Bold) {
    passOver({[&] { error::SetPrintHeadingFont(print_, Bold); }});
}

} // namespace qvMsgErr::error

#include "installer/script/scripted_report.h"

#include "installer/model/candidate_view.h"
#include "installer/present/row_texts.h"
#include "installer/present/flow_words.h"
#include "installer/present/install_texts.h"
#include "installer/script/json_text.h"
#include "installer/words/words.h"
#include "installer/text/text_wrap.h"

namespace installer {
namespace {

// Texts that come from the bundle or the machine, made safe for a terminal.
std::string Shown(std::string_view text) {
    return PrintableText(text, false);
}

std::string DirectionName(InstallerSectionDirection direction) {
    if (direction == InstallerDirectionForward) return "forward";
    if (direction == InstallerDirectionBackward) return "backward";
    return "undefined";
}

void AppendPane(std::string& out, const PaneView& view) {
    out += "\n== " + Shown(view.title) + " ==\n";
    for (const std::string& line : WrapText(PrintableText(view.label, true), 76)) {
        out += line + "\n";
    }
    if (view.rows.empty()) out += "  (no rows)\n";
    for (const PaneRow& row : view.rows) {
        out += row.selected ? "  (*) " : "  ( ) ";
        out += "[" + std::to_string(row.tag) + "] " + Shown(row.title) + "\n";
        if (!row.kind.empty()) out += "        " + Shown(RowDetails(row)) + "\n";
    }
    for (const std::string& line : TurnedAwayLines(view)) out += "  - " + Shown(line) + "\n";
    out += std::string("Continue: ") + (view.nextEnabled ? "enabled" : "disabled") + "\n";
}

void AppendContinued(std::string& out, const ScriptStep& event) {
    out += "> Continue\n";
    switch (event.answer) {
        case FlowAnswer::Done:
            out += "The pane let the installation go on.\n";
            return;
        case FlowAnswer::ContinueDisabled:
            out += "Continue is disabled: the pane was not asked, and the user stays.\n";
            return;
        case FlowAnswer::PaneRefused:
            out += "The pane kept the user on the pane.\n";
            break;
        case FlowAnswer::PaneStopped:
            out += "The pack's pane stopped.\n";
            return;
        case FlowAnswer::SheetOpen:
        case FlowAnswer::Ignored:
            out += "Nothing happened.\n";
            return;
    }
    if (event.after.lastExit && event.after.lastExit->sheet) {
        out += "Sheet: " + Shown(event.after.lastExit->sheet->message) + "  [" +
               Shown(event.after.lastExit->sheet->defaultButton) + "]\n";
    }
}

void AppendWentBack(std::string& out, const ScriptStep& event) {
    out += "> Go Back\n";
    out += event.answer == FlowAnswer::Done ? "The pane let the user go back to the introduction.\n"
                                            : "The pane kept the user on the pane.\n";
}

void AppendEvent(std::string& out, const ScriptStep& event) {
    switch (event.kind) {
        case ScriptStep::Kind::Entered:
            AppendPane(out, event.after.pane);
            return;
        case ScriptStep::Kind::WentBack:
            AppendWentBack(out, event);
            return;
        case ScriptStep::Kind::Chose:
            out += "> Choose row " + std::to_string(event.row->tag) + ": " +
                   Shown(event.row->title) + "\n";
            return;
        case ScriptStep::Kind::Continued:
            AppendContinued(out, event);
            return;
        case ScriptStep::Kind::DismissedSheet:
            out += "> Press the sheet's button\n";
            out += std::string("Continue: ") + (event.after.pane.nextEnabled ? "enabled" : "disabled") +
                   "\n";
            return;
    }
}

void AppendHandoffValues(std::string& out, const HandoffList& handoff) {
    out += "Handoff list: " + Shown(handoff.path) + "\n";
    if (!handoff.writtenByThisExit) {
        out += "Warning: the pane did not write the handoff list when it let the user go on.\n";
    }
    if (!handoff.values) {
        out += "The handoff list could not be read.\n";
        return;
    }
    for (const HandoffField& field : kHandoffFields) {
        const auto& value = (*handoff.values).*field.value;
        std::string key(field.key);
        key += ":";
        key.resize(18, ' ');
        out += "  " + key + (value ? Shown(*value) : "(missing)") + "\n";
    }
}

void AppendHandoff(std::string& out, const HandoffList& handoff) {
    out += "\n== Summary ==\n";
    AppendHandoffValues(out, handoff);
}

// `text`'s lines, without their line breaks.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

void AppendInstall(std::string& out, const ScriptRun& script) {
    out += "\n== " + Words::ForUser().text("install.step") + " ==\n";
    for (const std::string& line : script.progressLines) out += line + "\n";
}

// After an install the summary says what happened in plain words; the handoff list's raw
// values follow under "Details:", for whoever checks them.
void AppendInstallSummary(std::string& out, const ScriptRun& script) {
    out += "\n== Summary ==\n";
    out += Shown(InstallSentence(*script.outcome().install)) + "\n";
    for (const std::string& line : InstallAfterwords(*script.outcome().install)) out += Shown(line) + "\n";
    if (!script.outcome().handoff) return;
    out += "\nDetails:\n";
    std::string details;
    AppendHandoffValues(details, *script.outcome().handoff);
    for (const std::string& line : Lines(details)) out += "  " + line + "\n";
}

JsonValue Install(const std::optional<InstallReport>& report) {
    if (!report) return nullptr;
    if (!report->installed) return {{"error", report->error}};
    JsonValue kept = JsonValue::array();
    for (const std::string& path : report->keptFiles) kept.push_back(path);
    return {{"destination", report->destination}, {"files", report->files},
            {"bytes", report->bytes},             {"receipt", report->receiptPath},
            {"kept", kept}};
}

JsonValue Rows(const PaneView& view) {
    JsonValue rows = JsonValue::array();
    for (const PaneRow& row : view.rows) {
        rows.push_back({{"tag", row.tag},
                        {"title", row.title},
                        {"selected", row.selected},
                        {"version", row.version},
                        {"kind", row.kind},
                        {"path", row.path}});
    }
    return rows;
}

JsonValue Candidates(const PaneView& view) {
    JsonValue candidates = JsonValue::array();
    for (const CandidateView& c : view.candidates) {
        JsonValue tag = nullptr;
        if (c.tag) tag = *c.tag;
        candidates.push_back({{"source", c.source},
                              {"name", c.name},
                              {"path", c.path},
                              {"version", c.version},
                              {"offered", c.offered},
                              {"tag", tag},
                              {"reason_code", c.reasonCode},
                              {"reason", c.reason}});
    }
    return candidates;
}

JsonValue Warnings(const std::vector<std::string>& warnings) {
    JsonValue list = JsonValue::array();
    for (const std::string& warning : warnings) list.push_back(warning);
    return list;
}

JsonValue Sheet(const std::optional<appkit::Sheet>& sheet) {
    if (!sheet) return nullptr;
    return {{"message", sheet->message}, {"button", sheet->defaultButton}};
}

// "next_enabled" after the exit: the pane's state once the sheet, if any, was dismissed.
JsonValue Exit(const ScriptRun& script) {
    if (!script.end.lastExit) return nullptr;
    JsonValue exit;
    exit["direction"] = DirectionName(script.end.lastExit->direction);
    exit["asked_pane"] = script.end.lastExit->askedPane;
    exit["allowed"] = script.end.lastExit->allowed;
    exit["next_enabled"] = script.steps.back().after.pane.nextEnabled;
    exit["sheet"] = Sheet(script.end.lastExit->sheet);
    return exit;
}

JsonValue OptionalString(const std::optional<std::string>& text) {
    if (!text) return nullptr;
    return *text;
}

JsonValue HandoffValuesJson(const HandoffList& handoff) {
    if (!handoff.values) return nullptr;
    JsonValue values = JsonValue::object();
    for (const HandoffField& field : kHandoffFields) {
        values[std::string(field.key)] = OptionalString((*handoff.values).*field.value);
    }
    return values;
}

JsonValue Handoff(const std::optional<HandoffList>& handoff) {
    if (!handoff) return nullptr;
    JsonValue out;
    out["path"] = handoff->path;
    out["written"] = handoff->writtenByThisExit;
    out["values"] = HandoffValuesJson(*handoff);
    return out;
}

JsonValue Signature(const std::optional<PackSignature>& signature) {
    if (!signature) return nullptr;
    const bool trusted = signature->state == PackSignature::State::Trusted;
    JsonValue value = JsonValue::object();
    value["key_id"] = trusted ? JsonValue(signature->keyId) : JsonValue(nullptr);
    value["signer"] = trusted ? JsonValue(signature->signer) : JsonValue(nullptr);
    value["trusted"] = trusted;
    return value;
}

// The report's first lines: the pack, its bundle, the log (when `withLog`), who signed it.
std::string Heading(const ReportContext& context, bool withLog) {
    std::string out = "Packgate installer: " + Shown(context.packTitle) + "\n";
    out += "Bundle: " + Shown(context.bundlePath) + "\n";
    if (withLog && context.logPath) out += "Install log: " + Shown(*context.logPath) + "\n";
    if (const auto line = SignatureLine(context.signature, EnglishWords())) {
        out += Shown(*line) + "\n";
    }
    return out;
}

JsonValue Demo(const std::optional<std::string>& folder) {
    if (!folder) return nullptr;
    return {{"folder", *folder}};
}

}  // namespace

std::string ScriptTextReport(const ScriptRun& script, const ReportContext& context) {
    std::string out = Heading(context, true);
    for (const ScriptStep& event : script.steps) AppendEvent(out, event);
    if (script.outcome().install) {
        AppendInstall(out, script);
        AppendInstallSummary(out, script);
    } else if (script.outcome().handoff) {
        AppendHandoff(out, *script.outcome().handoff);
    }
    return out;
}

std::string ScriptJsonReport(const ScriptRun& script, const ReportContext& context) {
    JsonValue report;
    report["pack_title"] = context.packTitle;
    report["signature"] = Signature(context.signature);
    report["bundle"] = context.bundlePath;
    report["log"] = OptionalString(context.logPath);
    report["title"] = script.beforeExit.pane.title;
    report["label"] = script.beforeExit.pane.label;
    report["rows"] = Rows(script.beforeExit.pane);
    report["candidates"] = Candidates(script.beforeExit.pane);
    report["warnings"] = Warnings(context.warnings);
    report["next_enabled"] = script.beforeExit.pane.nextEnabled;
    report["entries"] = script.outcome().entries;
    report["exit"] = Exit(script);
    report["handoff"] = Handoff(script.outcome().handoff);
    report["install"] = Install(script.outcome().install);
    report["error"] = OptionalString(script.error);
    report["demo"] = Demo(context.demoFolder);
    report["exit_code"] = script.exitCode;
    return JsonText(report) + "\n";
}

std::string ListTextReport(const PaneView& view, const ReportContext& context) {
    std::string out = Heading(context, false);
    AppendPane(out, view);
    return out;
}

std::string ListJsonReport(const PaneView& view, const ReportContext& context, int exitCode) {
    JsonValue report;
    report["pack_title"] = context.packTitle;
    report["signature"] = Signature(context.signature);
    report["bundle"] = context.bundlePath;
    report["log"] = OptionalString(context.logPath);
    report["title"] = view.title;
    report["label"] = view.label;
    report["rows"] = Rows(view);
    report["candidates"] = Candidates(view);
    report["next_enabled"] = view.nextEnabled;
    report["warnings"] = Warnings(context.warnings);
    report["demo"] = Demo(context.demoFolder);
    report["exit_code"] = exitCode;
    return JsonText(report) + "\n";
}

}  // namespace installer

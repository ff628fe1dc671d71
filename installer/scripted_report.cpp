#include "installer/scripted_report.h"

#include "installer/json_writer.h"
#include "installer/text_wrap.h"

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
    }
    out += std::string("Continue: ") + (view.nextEnabled ? "enabled" : "disabled") + "\n";
}

void AppendContinued(std::string& out, const ScriptEvent& event) {
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
        case FlowAnswer::SheetOpen:
        case FlowAnswer::Ignored:
            out += "Nothing happened.\n";
            return;
    }
    if (event.exit && event.exit->sheet) {
        out += "Sheet: " + Shown(event.exit->sheet->message) + "  [" +
               Shown(event.exit->sheet->defaultButton) + "]\n";
    }
}

void AppendWentBack(std::string& out, const ScriptEvent& event) {
    out += "> Go Back\n";
    out += event.answer == FlowAnswer::Done ? "The pane let the user go back to the introduction.\n"
                                            : "The pane kept the user on the pane.\n";
}

void AppendEvent(std::string& out, const ScriptEvent& event) {
    switch (event.kind) {
        case ScriptEvent::Kind::Entered:
            AppendPane(out, event.view);
            return;
        case ScriptEvent::Kind::WentBack:
            AppendWentBack(out, event);
            return;
        case ScriptEvent::Kind::Chose:
            out += "> Choose row " + std::to_string(event.row->tag) + ": " +
                   Shown(event.row->title) + "\n";
            return;
        case ScriptEvent::Kind::Continued:
            AppendContinued(out, event);
            return;
        case ScriptEvent::Kind::DismissedSheet:
            out += "> Press the sheet's button\n";
            out += std::string("Continue: ") + (event.view.nextEnabled ? "enabled" : "disabled") +
                   "\n";
            return;
    }
}

void AppendHandoff(std::string& out, const HandoffList& handoff) {
    out += "\n== Summary ==\n";
    out += "Handoff list: " + Shown(handoff.path) + "\n";
    if (!handoff.writtenByThisExit) {
        out += "Warning: the pane did not write the handoff list when it let the user go on.\n";
    }
    if (!handoff.values) {
        out += "The handoff list could not be read.\n";
        return;
    }
    for (std::size_t i = 0; i < kHandoffKeys.size(); ++i) {
        const auto& value = (*handoff.values)[i];
        std::string key(kHandoffKeys[i]);
        key += ":";
        key.resize(18, ' ');
        out += "  " + key + (value ? Shown(*value) : "(missing)") + "\n";
    }
}

void WriteRows(JsonWriter& json, const PaneView& view) {
    json.key("rows").beginArray();
    for (const PaneRow& row : view.rows) {
        json.beginObject();
        json.key("tag").integer(row.tag);
        json.key("title").string(row.title);
        json.key("selected").boolean(row.selected);
        json.endObject();
    }
    json.endArray();
}

void WriteSheet(JsonWriter& json, const std::optional<appkit::Sheet>& sheet) {
    json.key("sheet");
    if (!sheet) {
        json.null();
        return;
    }
    json.beginObject();
    json.key("message").string(sheet->message);
    json.key("button").string(sheet->defaultButton);
    json.endObject();
}

// "next_enabled" after the exit: the pane's state once the sheet, if any, was dismissed.
void WriteExit(JsonWriter& json, const ScriptTranscript& script) {
    json.key("exit");
    if (!script.exit) {
        json.null();
        return;
    }
    json.beginObject();
    json.key("direction").string(DirectionName(script.exit->direction));
    json.key("asked_pane").boolean(script.exit->askedPane);
    json.key("allowed").boolean(script.exit->allowed);
    json.key("next_enabled").boolean(script.events.back().view.nextEnabled);
    WriteSheet(json, script.exit->sheet);
    json.endObject();
}

void WriteHandoff(JsonWriter& json, const std::optional<HandoffList>& handoff) {
    json.key("handoff");
    if (!handoff) {
        json.null();
        return;
    }
    json.beginObject();
    json.key("path").string(handoff->path);
    json.key("written").boolean(handoff->writtenByThisExit);
    json.key("values");
    if (!handoff->values) {
        json.null();
    } else {
        json.beginObject();
        for (std::size_t i = 0; i < kHandoffKeys.size(); ++i) {
            json.key(kHandoffKeys[i]);
            const auto& value = (*handoff->values)[i];
            value ? json.string(*value) : json.null();
        }
        json.endObject();
    }
    json.endObject();
}

void WriteOptionalString(JsonWriter& json, std::string_view key,
                         const std::optional<std::string>& text) {
    json.key(key);
    text ? json.string(*text) : json.null();
}

}  // namespace

std::string ScriptTextReport(const ScriptTranscript& script, const ReportContext& context) {
    std::string out = "Packgate installer: " + Shown(context.packTitle) + "\n";
    out += "Bundle: " + Shown(context.bundlePath) + "\n";
    if (context.logPath) out += "Install log: " + Shown(*context.logPath) + "\n";
    for (const ScriptEvent& event : script.events) AppendEvent(out, event);
    if (script.handoff) AppendHandoff(out, *script.handoff);
    return out;
}

std::string ScriptJsonReport(const ScriptTranscript& script, const ReportContext& context) {
    JsonWriter json;
    json.beginObject();
    json.key("pack_title").string(context.packTitle);
    json.key("bundle").string(context.bundlePath);
    WriteOptionalString(json, "log", context.logPath);
    json.key("title").string(script.paneBeforeExit.title);
    json.key("label").string(script.paneBeforeExit.label);
    WriteRows(json, script.paneBeforeExit);
    json.key("next_enabled").boolean(script.paneBeforeExit.nextEnabled);
    json.key("entries").integer(script.entries);
    WriteExit(json, script);
    WriteHandoff(json, script.handoff);
    WriteOptionalString(json, "error", script.error);
    json.key("demo");
    if (context.demoFolder) {
        json.beginObject();
        json.key("folder").string(*context.demoFolder);
        json.endObject();
    } else {
        json.null();
    }
    json.key("exit_code").integer(script.exitCode);
    json.endObject();
    return json.text() + "\n";
}

}  // namespace installer

// How a scripted run is reported: readable text, step by step, or one JSON object.
//
// JSON members: "pack_title", "signature" (null for a run without a pack, else "key_id",
// "signer" (both null when unsigned) and "trusted"), "bundle", "log"; "title", "label", "rows" (each "tag",
// "title", "selected", "version", "kind", "path"), "candidates" (each "source", "name",
// "path", "version", "offered", "tag", "reason_code", "reason") and "next_enabled" of the pane as it stood when it was last asked
// to let the user leave; "entries" (how often the pane was entered); "exit" (null, or
// "direction" "forward"/"backward", "asked_pane", "allowed", "next_enabled" afterwards and
// "sheet": null or "message", "button"); "handoff" (null, or "path", "written" and
// "values": the six keys, or null when the list could not be read); "install" (null when no
// pack was installed, else "destination", "files", "bytes", "receipt", "kept", or "error");
// "error" (null, or why
// the request could not be carried out); "demo" (null, or "folder");
// "warnings" (the pack's problems, one text each); "exit_code".
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <optional>
#include <string>
#include <vector>

#include "installer/pack/pack_signature.h"
#include "installer/script/script_run.h"

namespace installer {

struct ReportContext {
    std::string packTitle;
    std::string bundlePath;
    std::optional<std::string> logPath;     // Nothing: the log went to standard error or memory.
    std::optional<std::string> demoFolder;  // --demo: the demo machine's folder (kept).
    std::vector<std::string> warnings;      // The pack's problems, as --check finds them.
    std::optional<PackSignature> signature;  // Who signed the pack; nothing without a pack.
};

std::string ScriptTextReport(const ScriptRun& script, const ReportContext& context);
std::string ScriptJsonReport(const ScriptRun& script, const ReportContext& context);

// --list: the pane as discovery left it, nothing chosen. The JSON object has "pack_title",
// "signature", "bundle", "log", "title", "label", "rows", "candidates", "next_enabled", "warnings", "demo"
// and "exit_code", as above.
std::string ListTextReport(const PaneView& view, const ReportContext& context);
std::string ListJsonReport(const PaneView& view, const ReportContext& context, int exitCode);

}  // namespace installer

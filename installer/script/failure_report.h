// The JSON report of a run that never reached the pane (bad options, a bundle that does not
// load, a machine that cannot be laid out): `--json` always prints one object.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <string>
#include <string_view>

namespace installer {

// {"error": `error`, "exit_code": `exitCode`} as JSON text with a final line break.
std::string FailureReportJson(std::string_view error, int exitCode);

}  // namespace installer

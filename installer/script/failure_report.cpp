#include "installer/script/failure_report.h"

#include "installer/script/json_text.h"

namespace installer {

std::string FailureReportJson(std::string_view error, int exitCode) {
    JsonValue report = JsonValue::object();
    report["error"] = std::string(error);
    report["exit_code"] = exitCode;
    return JsonText(report) + "\n";
}

}  // namespace installer

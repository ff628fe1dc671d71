// The body reader: turns the body of a POST /installer/log into one install report, or
// refuses it. Bodies come from anywhere on the network, so nothing in them is trusted: the
// body must be the upper-case hex cipher text of the record passphrase, decipher to UTF-8
// JSON without a zero byte, and hold exactly the members a feedback record carries.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace inbox {

// What the inbox keeps of one report: the record as it arrived and the values it is
// searched by. A bare value (the product version) is kept as its JSON text when it is a
// number, as the text itself when a string, and empty when null.
struct Report {
    std::string record;          // the deciphered JSON text, unchanged
    std::string guid;            // "GUID"
    std::string machineId;       // "MachineID"
    std::string serial;          // "SN": the host's EM2 serial number
    std::string productVersion;  // "Version"
    std::string systemVersion;   // "OS_Version"
    std::string activity;        // the activity's "Name": "Resource-Step1", "Resource-Step2"
};

// The report of `body`, or nothing when the body is not one enciphered feedback record.
std::optional<Report> ReadReportBody(std::string_view body);

// The report held by the plain record text `record` (already deciphered), or nothing when
// it is not JSON of the feedback record's shape.
std::optional<Report> ReadReportRecord(std::string_view record);

}  // namespace inbox

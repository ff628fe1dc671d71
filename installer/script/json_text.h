// The installer's JSON documents as text, written by nlohmann-json: members in the order they
// were added, two spaces a level, UTF-8 kept as it is. Bytes that are not well-formed UTF-8
// become U+FFFD, so a title read from a damaged property list cannot break a report.
#pragma once
#define PACKGATE_INSTALLER_ABOVE_MODEL  // See installer/model/model_room.h.

#include <string>

#include <nlohmann/json.hpp>

namespace installer {

// Objects keep their members in the order they were set.
using JsonValue = nlohmann::ordered_json;

// `value` as pretty-printed JSON text, without a final line break.
std::string JsonText(const JsonValue& value);

}  // namespace installer

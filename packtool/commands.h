// The five commands of packgate-pack. Each writes what it did to `out` and why it could not
// to `err` (one line, "packgate-pack: ..."), and answers the program's exit code.
#pragma once

#include <ostream>
#include <string>

#include "packtool/pack_tool_options.h"

namespace packtool {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;    // A file could not be read or written; a wrong password.
inline constexpr int kExitBadInput = 2;  // Bad usage, or a pack that is not sound or not trusted.

inline constexpr char kProgram[] = "packgate-pack";

int RunKeygen(const PackToolOptions& options, std::ostream& out, std::ostream& err);
int RunCreate(const PackToolOptions& options, std::ostream& out, std::ostream& err);
int RunSign(const PackToolOptions& options, std::ostream& out, std::ostream& err);
int RunVerify(const PackToolOptions& options, std::ostream& out, std::ostream& err);
int RunArchive(const PackToolOptions& options, std::ostream& out, std::ostream& err);

// Writes "packgate-pack: `message`" to `err` and answers `code`.
inline int Fail(std::ostream& err, const std::string& message, int code) {
    err << kProgram << ": " << message << "\n";
    return code;
}

}  // namespace packtool

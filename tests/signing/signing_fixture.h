// Shared pieces of the signing tests: keys cheap to derive, a small pack folder, file reads
// and minisign run with its password on standard input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scratch_folder.h"
#include "signing/secret_key.h"

namespace signing_test {

// scrypt's smallest limits: files minisign reads alike, derived in milliseconds.
inline const signing::KdfLimits kCheapLimits{32768, 16777216};

inline const std::string kIdentifier = "com.quillet.pack.signed";
inline const std::string kVersion = "3.0";

// A pack folder `name` holding an Info.plist (kIdentifier, kVersion), an executable file, a
// plain file, a link inside the pack and a payload folder. Answers its path.
std::string MakePackFolder(const packgate_test::ScratchFolder& scratch, const std::string& name = "Signed.pack");

std::string ReadText(const std::string& path);
std::vector<std::uint8_t> ReadBytes(const std::string& path);

// Runs `argv` with standard input read from `input` (a file's text); its exit status.
std::optional<int> RunWithInput(const std::vector<std::string>& argv, const std::string& input,
                                const packgate_test::ScratchFolder& scratch);

}  // namespace signing_test

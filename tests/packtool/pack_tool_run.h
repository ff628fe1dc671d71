// Running the built packgate-pack in tests, and the packs, keys and readings they share.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "program_runner.h"
#include "scratch_folder.h"

namespace packtool_test {

using installer_test::ProgramResult;

// Set by the build.
inline const std::string kPackTool = PACKGATE_PACK_TOOL;
inline const std::string kArchiveFacts = PACKGATE_ARCHIVE_FACTS;

// Runs packgate-pack with `arguments`, standard input from /dev/null.
ProgramResult RunPackTool(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment = {});

// Runs `program` (looked up in /usr/bin) the same way, e.g. minisign.
ProgramResult RunTool(const std::string& program, const std::vector<std::string>& arguments);

struct KeyFiles {
    std::string publicKey;
    std::string secretKey;
};

// A key pair without password, `name`.pub and `name`.key in `scratch`, named `comment`.
KeyFiles MakeKeys(const packgate_test::ScratchFolder& scratch, const std::string& name,
                  const std::string& comment);

// A payload folder `relative` in `scratch`: files in two levels, one executable, one private.
std::string MakePayload(const packgate_test::ScratchFolder& scratch,
                        const std::string& relative = "payload");

// A small stand-in for the pane's bundle, with a library and its name link, in `scratch`:
// enough for what packgate-pack and the pack's checks look at, and quick to archive.
std::string MakeSmallBundle(const packgate_test::ScratchFolder& scratch);

// A pack made by `packgate-pack create` from MakePayload, with the small bundle, or with the
// built one when the pack is to be run.
std::string CreatePack(const packgate_test::ScratchFolder& scratch,
                       const std::string& name = "Test.pack", bool builtBundle = false);

// What Python's tarfile or zipfile reads in the archive at `path` (archive_facts.py).
nlohmann::json ArchiveFacts(const std::string& path);

// The trusted comment line's text of a .minisig file.
std::string TrustedComment(const std::string& minisigPath);

// The whole file; empty when it cannot be read.
std::string Bytes(const std::string& path);

// The file's permission bits; -1 when it does not exist.
int ModeOf(const std::string& path);

}  // namespace packtool_test
